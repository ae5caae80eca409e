// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QDialog>
#include <QPoint>
#include <functional>

#include "forms/Form2Logic.h"
#include "qt/QtControls.h"
#include "ui_TForm2.h"

// The confirmation dialog: old name, "↓", new name, "リネームしますか？".
class TForm2 : public QDialog, public Ui::TForm2, private IModalDialog {
    Q_OBJECT
public:
    explicit TForm2(QWidget* parent = nullptr);

    // Modal; centred the first time, then where the user left it; the focus on
    // "はい" the first time, then on the button that last held it.
    int ShowModal() override;
    void Button1Click() { Logic.Button1Click(); }
    void Button2Click() { Logic.Button2Click(); }

    // What "はい" runs: the main window's rename. Its errors show over the dialog.
    std::function<void()> OnYes;

private:
    struct SetUpLayout {
        explicit SetUpLayout(TForm2* form);
    } layout_{this};
    QtLabel l_Moto_{L_Moto}, l_Shin_{L_Shin};

public:
    Form2Logic Logic{l_Moto_, l_Shin_, *this};

protected:
    void done(int result) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Close() override { reject(); }

    bool shownBefore_ = false;
    QPoint lastPosition_;
    QWidget* lastFocus_ = nullptr;
};
