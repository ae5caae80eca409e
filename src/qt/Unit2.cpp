// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/Unit2.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>

#include "qt/ErrorDisplay.h"

TForm2::SetUpLayout::SetUpLayout(TForm2* form) { form->setupUi(form); }

TForm2::TForm2(QWidget* parent) : QDialog(parent) {
    Logic.OnYes = [this] {
        if (OnYes) RunHandler(OnYes);
    };
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(323, 161);
    Label1->adjustSize();
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
}

int TForm2::ShowModal() {
    L_Moto->adjustSize();
    L_Shin->adjustSize();
    if (!shownBefore_) {
        if (QScreen* screen = QGuiApplication::primaryScreen())
            move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
        lastFocus_ = Button1;
        shownBefore_ = true;
    } else {
        move(lastPosition_);
    }
    lastFocus_->setFocus(Qt::OtherFocusReason);
    return exec();
}

void TForm2::done(int result) {
    lastPosition_ = pos();
    if (focusWidget() == Button1 || focusWidget() == Button2) lastFocus_ = focusWidget();
    QDialog::done(result);
}

// Enter presses the focused button, as Space does. There is no cancel button,
// so Esc answers nothing; the close box and Alt+F4 still act as "いいえ".
void TForm2::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter || event->key() == Qt::Key_Escape) {
        event->accept();
        if (auto* button = qobject_cast<QPushButton*>(focusWidget()); enter && button != nullptr) button->click();
        return;
    }
    QDialog::keyPressEvent(event);
}
