// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <optional>

#include "core/Bytes.h"
#include "core/CodePage.h"

// The name with its last number stepped by `delta`: scan_009 gives scan_010,
// 第１２回 gives 第１３回 (full-width digits stay full-width), 99 gives 100.
// Leading zeros keep the width. None when the name holds no number or the
// number would go below zero.
std::optional<Bytes> StepLastNumber(const Bytes& name, int delta, const CodePage& cp = CodePage::System());
