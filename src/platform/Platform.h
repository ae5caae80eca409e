// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Hands the core what it needs from the platform: the system code page, the
// code-page conversions and the way to locate code. Every program and test
// runner calls it first.
void InstallPlatformServices();
