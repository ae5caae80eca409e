// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QListWidget>
#include <functional>

#include "forms/Controls.h"

class QAction;
class QLineEdit;

// The name box's drop-down of candidates: a popup list under the box, opened
// with Alt+Down in the box (the Windows key for a list attached to a box) or
// with the arrow at the box's end. Enter or a click chooses; Escape closes.
class TNameList final : public QListWidget, public IDropDownList {
    Q_OBJECT
public:
    explicit TNameList(QLineEdit* box);

    void SetEnabled(bool enabled) override;
    bool Enabled() const override { return enabled_; }
    void SetVisible(bool visible) override;
    void SetRows(const std::vector<Bytes>& rows, bool choosable) override;

    // Shows the list under the box, unless the feature is off.
    void Open();
    std::function<void(int row)> OnChoose;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Choose(int row);
    void FitToRows();
    QLineEdit* box_;
    QAction* arrow_;
    bool enabled_ = true;
    bool choosable_ = false;
};
