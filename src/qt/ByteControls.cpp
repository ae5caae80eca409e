// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/ByteControls.h"

#include <QAbstractButton>
#include <QAction>
#include <QLabel>
#include <QLineEdit>

#include "qt/QtBytes.h"

Bytes GetText(const QLineEdit* edit) { return FromQString(edit->text()); }
void SetText(QLineEdit* edit, const Bytes& text) { edit->setText(ToQString(text)); }

Bytes GetCaption(const QAbstractButton* button) { return FromQString(button->text()); }
void SetCaption(QAbstractButton* button, const Bytes& caption) { button->setText(ToQString(caption)); }

Bytes GetCaption(const QLabel* label) { return FromQString(label->text()); }
void SetCaption(QLabel* label, const Bytes& caption) {
    label->setTextFormat(Qt::PlainText);
    label->setText(ToDisplayString(caption));
    label->adjustSize();  // labels size themselves to their caption
}

void SetCaption(QWidget* window, const Bytes& caption) { window->setWindowTitle(ToDisplayString(caption)); }

Bytes GetCaption(const QAction* item) { return FromQString(item->text()); }
