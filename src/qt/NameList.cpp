// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/NameList.h"

#include <QAction>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>

#include "qt/QtBytes.h"

namespace {

// A small down arrow, drawn so that no icon theme is needed.
QIcon ArrowIcon(const QColor& colour) {
    QPixmap pixmap(12, 12);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawPolygon(QPolygonF({QPointF(2, 4), QPointF(10, 4), QPointF(6, 9)}));
    return QIcon(pixmap);
}

constexpr int kMostRowsShown = 8;

}  // namespace

TNameList::TNameList(QLineEdit* box) : QListWidget(box), box_(box) {
    setWindowFlags(Qt::Popup);
    setStyleSheet(box->styleSheet());
    setFont(box->font());
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    arrow_ = box->addAction(ArrowIcon(box->palette().color(QPalette::Text)), QLineEdit::TrailingPosition);
    arrow_->setToolTip(QStringLiteral("名前の候補 (Alt+↓)"));
    connect(arrow_, &QAction::triggered, this, &TNameList::Open);
    connect(this, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) { Choose(row(item)); });
}

void TNameList::SetEnabled(bool enabled) {
    enabled_ = enabled;
    arrow_->setVisible(enabled);
    if (!enabled) hide();
}

void TNameList::SetVisible(bool visible) { SetEnabled(visible); }

void TNameList::SetRows(const std::vector<Bytes>& rows, bool choosable) {
    choosable_ = choosable;
    clear();
    for (const Bytes& text : rows) {
        auto* item = new QListWidgetItem(ToDisplayString(text), this);
        // The line that says why there is nothing to choose is only read.
        if (!choosable) {
            item->setFlags(Qt::NoItemFlags);
            item->setForeground(palette().color(QPalette::Disabled, QPalette::Text));
        }
    }
    if (choosable && count() > 0) setCurrentRow(0);
    if (isVisible()) FitToRows();
}

void TNameList::Open() {
    if (!enabled_ || isVisible()) return;
    FitToRows();
    show();
    setFocus();
}

void TNameList::FitToRows() {
    const int shown = std::max(1, std::min(count(), kMostRowsShown));
    const int rowHeight = std::max(sizeHintForRow(0), fontMetrics().height() + 2);
    const int width = std::max(box_->width(), std::min(sizeHintForColumn(0) + 24, 3 * box_->width()));
    setGeometry(QRect(box_->mapToGlobal(QPoint(0, box_->height())), QSize(width, shown * rowHeight + 2 * frameWidth())));
}

void TNameList::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        Choose(currentRow());
        return;
    case Qt::Key_Escape:
        hide();
        return;
    case Qt::Key_Up:
        if (event->modifiers() & Qt::AltModifier) {
            hide();
            return;
        }
        break;
    default:
        break;
    }
    if (!event->text().isEmpty() && event->text().at(0).isPrint()) {
        // Typing goes on in the name box, as in a combo box's list.
        hide();
        box_->setFocus();
        QCoreApplication::sendEvent(box_, event);
        return;
    }
    QListWidget::keyPressEvent(event);
}

void TNameList::Choose(int row) {
    hide();
    box_->setFocus();
    if (choosable_ && row >= 0 && OnChoose) OnChoose(row);
}
