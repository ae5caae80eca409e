// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/AcroPDFLib_TLB.h"

#include <QResizeEvent>

TAcroPDF::TAcroPDF(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("AcroPDF1"));
    if (const auto natural = host_.NaturalSize(logicalDpiX(), logicalDpiY())) resize(natural->first, natural->second);
}

TAcroPDF::~TAcroPDF() = default;

void TAcroPDF::Activate() { host_.Activate<QWidget*, QRect>(this, rect()); }

void TAcroPDF::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    QWidget* window = ControlWindow();
    if (window == nullptr) return;
    const QSize old = event->oldSize();
    const QSize now = event->size();
    if (!host_.AcceptsResize(old.width(), old.height(), now.width(), now.height(), logicalDpiX(), logicalDpiY())) return;
    window->setGeometry(rect());
}
