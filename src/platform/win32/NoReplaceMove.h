// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <windows.h>

#include "core/Bytes.h"

// Why a move or copy to `to` failed with `error`, in the user's words.
Bytes MoveFailureReason(DWORD error, const Bytes& to);
