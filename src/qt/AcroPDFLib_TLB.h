// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QRect>
#include <QWidget>
#include <functional>
#include <vector>

#include "core/Bytes.h"
#include "viewer/AcroPdfHost.h"

// In-place activation in Qt's widgets.
using QtInPlaceActivation = InPlaceActivation<QWidget*, QRect>;

// The host of the PDF viewer control on Qt: creates it by class id while the
// window is built, activates it in place when the window is first shown, and
// calls the five operations of its default interface.
class TAcroPDF : public QWidget, public AcroPdfHost<TAcroPDF> {
    Q_OBJECT
public:
    explicit TAcroPDF(QWidget* parent = nullptr);
    ~TAcroPDF() override;

    void SetVisible(bool visible) override { setVisible(visible); }
    // In-place activation; raises EOleError when the control gives no in-place object or window.
    void Activate();
    // The control's in-place window, once active.
    QWidget* ControlWindow() const { return host_.ActiveWindow<QWidget*, QRect>(); }

protected:
    void resizeEvent(QResizeEvent* event) override;
};
