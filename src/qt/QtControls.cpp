// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/QtControls.h"

#include <QAbstractButton>
#include <QAction>
#include <QLabel>
#include <QLineEdit>

#include "qt/QtBytes.h"
#include "qt/MessageBox.h"
#include "qt/ByteControls.h"

void QtWidgetState::SetEnabled(bool enabled) { widget_->setEnabled(enabled); }
bool QtWidgetState::Enabled() const { return widget_->isEnabled(); }
void QtWidgetState::SetVisible(bool visible) { widget_->setVisible(visible); }

QtEdit::QtEdit(QLineEdit* edit) : QtWidgetState(edit), edit_(edit) {}
Bytes QtEdit::Text() const { return GetText(edit_); }
void QtEdit::SetText(const Bytes& text) { ::SetText(edit_, text); }
void QtEdit::ReplaceSelection(const Bytes& text) { edit_->insert(ToQString(text)); }
void QtEdit::SelectAll() { edit_->selectAll(); }

QtLabel::QtLabel(QLabel* label) : QtWidgetState(label), label_(label) {}
Bytes QtLabel::Caption() const { return GetCaption(label_); }
void QtLabel::SetCaption(const Bytes& caption) { ::SetCaption(label_, caption); }

QtButton::QtButton(QAbstractButton* button) : QtWidgetState(button), button_(button) {}
Bytes QtButton::Caption() const { return GetCaption(button_); }
void QtButton::SetCaption(const Bytes& caption) { ::SetCaption(button_, caption); }
bool QtButton::Checked() const { return button_->isChecked(); }

bool QtMenuItem::Checked() const { return item_->isChecked(); }
void QtMenuItem::SetChecked(bool checked) { item_->setChecked(checked); }
void QtMenuItem::SetEnabled(bool enabled) { item_->setEnabled(enabled); }

Bytes QtWindow::Caption() const { return FromQString(window_->windowTitle()); }
void QtWindow::SetCaption(const Bytes& caption) { ::SetCaption(window_, caption); }
void QtWindow::Close() { window_->close(); }

void QtMessageBoxes::ShowStop(Kind, const Bytes& caption, const Bytes& text) {
    ShowStopBox({MessageBoxRequest::Kind::ForbiddenCharBox, owner_, ToQString(caption), ToQString(text)});
}

bool QtMessageBoxes::AskYesNo(const Bytes& caption, const Bytes& text) {
    return AskYesNoBox({MessageBoxRequest::Kind::Question, owner_, ToQString(caption), ToDisplayString(text)});
}
