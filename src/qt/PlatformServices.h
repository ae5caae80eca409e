// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The platform's services for the Qt program and its tests: what the core
// needs, and the GStreamer MCI's completion notices carried to the UI thread
// through Qt's event loop. Called first in every main on Linux.
void InstallQtPlatformServices();
