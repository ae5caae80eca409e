// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <functional>

class QAction;

// A menu item whose check mark only its handler changes. Qt flips a checkable
// action before `triggered`; the flip is undone first, so the handler's own
// setting is the only change.
void BindMenuItem(QAction* item, std::function<void()> handler);
