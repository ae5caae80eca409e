// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "forms/Controls.h"

class QAbstractButton;
class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QWidget;

// Qt widgets as the windows' logic sees them.

// What every widget answers: enabled and visible.
class QtWidgetState : public virtual IControl {
public:
    explicit QtWidgetState(QWidget* widget) : widget_(widget) {}
    void SetEnabled(bool enabled) override;
    bool Enabled() const override;
    void SetVisible(bool visible) override;

private:
    QWidget* widget_;
};

class QtEdit final : public QtWidgetState, public IEdit {
public:
    explicit QtEdit(QLineEdit* edit);
    Bytes Text() const override;
    void SetText(const Bytes& text) override;
    void ReplaceSelection(const Bytes& text) override;
    void SelectAll() override;

private:
    QLineEdit* edit_;
};

class QtLabel final : public QtWidgetState, public ICaptioned {
public:
    explicit QtLabel(QLabel* label);
    Bytes Caption() const override;
    void SetCaption(const Bytes& caption) override;

private:
    QLabel* label_;
};

// Push buttons, speed buttons and check boxes.
class QtButton final : public QtWidgetState, public ICheckBox, public ICaptioned {
public:
    explicit QtButton(QAbstractButton* button);
    Bytes Caption() const override;
    void SetCaption(const Bytes& caption) override;
    bool Checked() const override;

private:
    QAbstractButton* button_;
};

class QtMenuItem final : public IMenuItem {
public:
    explicit QtMenuItem(QAction* item) : item_(item) {}
    bool Checked() const override;
    void SetChecked(bool checked) override;
    void SetEnabled(bool enabled) override;

private:
    QAction* item_;
};

class QtWindow final : public IWindow {
public:
    explicit QtWindow(QWidget* window) : window_(window) {}
    Bytes Caption() const override;
    void SetCaption(const Bytes& caption) override;
    void Close() override;

private:
    QWidget* window_;
};

// The stop boxes, owned by `owner`.
class QtMessageBoxes final : public IMessageBoxes {
public:
    explicit QtMessageBoxes(QWidget* owner) : owner_(owner) {}
    void ShowStop(Kind kind, const Bytes& caption, const Bytes& text) override;
    bool AskYesNo(const Bytes& caption, const Bytes& text) override;

private:
    QWidget* owner_;
};
