// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>

#include "core/Bytes.h"

// The one crossing between the program's bytes and Qt's UTF-16; lossless both ways.
QString ToQString(const Bytes& text);
Bytes FromQString(const QString& text);
// For showing only: a message or caption whose names read as the list shows
// them, undecodable bytes as \xHH (see ToEscapedString), line breaks kept.
QString ToDisplayString(const Bytes& text);
// For telling names apart: each undecodable byte and each control character
// as \xHH, a backslash doubled where it could start one. FromEscapedString
// reads typed text back the same way.
QString ToEscapedString(const Bytes& text);
Bytes FromEscapedString(const QString& text);
