// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/Bytes.h"

class QAbstractButton;
class QAction;
class QLabel;
class QLineEdit;
class QWidget;

// Texts and captions of controls as the program reads and writes them: bytes
// in the system code page. This is where they cross into Qt's UTF-16.
Bytes GetText(const QLineEdit* edit);
void SetText(QLineEdit* edit, const Bytes& text);
Bytes GetCaption(const QAbstractButton* button);
void SetCaption(QAbstractButton* button, const Bytes& caption);
Bytes GetCaption(const QLabel* label);
// Label captions show as they stand: an "&" is an ordinary character.
void SetCaption(QLabel* label, const Bytes& caption);
void SetCaption(QWidget* window, const Bytes& caption);  // a window's title
Bytes GetCaption(const QAction* item);
