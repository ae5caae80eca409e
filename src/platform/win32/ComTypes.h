// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The platform's own result codes and automation boolean: every source that
// also needs <windows.h> sees one definition of each, whatever it includes
// first. wtypes.h has VARIANT_BOOL even where WIN32_LEAN_AND_MEAN leaves out OLE.
#include <windows.h>
#include <wtypes.h>
