#include "ui/QtControls.h"

#include <QAbstractButton>
#include <QAction>
#include <QLabel>
#include <QLineEdit>

#include "core/QtBytes.h"
#include "platform/MessageBox.h"
#include "ui/ByteControls.h"

void QtEdit::SetEnabled(bool enabled) { edit_->setEnabled(enabled); }
bool QtEdit::Enabled() const { return edit_->isEnabled(); }
void QtEdit::SetVisible(bool visible) { edit_->setVisible(visible); }
Bytes QtEdit::Text() const { return GetText(edit_); }
void QtEdit::SetText(const Bytes& text) { ::SetText(edit_, text); }

void QtLabel::SetEnabled(bool enabled) { label_->setEnabled(enabled); }
bool QtLabel::Enabled() const { return label_->isEnabled(); }
void QtLabel::SetVisible(bool visible) { label_->setVisible(visible); }
Bytes QtLabel::Caption() const { return GetCaption(label_); }
void QtLabel::SetCaption(const Bytes& caption) { ::SetCaption(label_, caption); }

void QtButton::SetEnabled(bool enabled) { button_->setEnabled(enabled); }
bool QtButton::Enabled() const { return button_->isEnabled(); }
void QtButton::SetVisible(bool visible) { button_->setVisible(visible); }
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
