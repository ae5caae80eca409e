// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Real files in a temporary folder, made through the platform's own calls.
#include "support/Fixtures.h"
