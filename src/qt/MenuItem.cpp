// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/MenuItem.h"

#include <QAction>

#include "qt/ErrorDisplay.h"

void BindMenuItem(QAction* item, std::function<void()> handler) {
    QObject::connect(item, &QAction::triggered, item, [item, handler = std::move(handler)](bool checked) {
        if (item->isCheckable()) item->setChecked(!checked);
        RunHandler(handler);
    });
}
