// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/HistoryWindow.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include "qt/QtBytes.h"
#include "forms/Form1Logic.h"
#include "qt/ErrorDisplay.h"

THistoryWindow::THistoryWindow(QWidget* parent, Form1Logic& logic)
    : QDialog(parent), logic_(logic), list_(new QListWidget(this)), undo_(new QPushButton(QStringLiteral("元に戻す(&U)"), this)) {
    setWindowTitle(QStringLiteral("リネーム履歴"));
    auto* copy = new QPushButton(QStringLiteral("コピー(&C)"), this);
    auto* close = new QPushButton(QStringLiteral("閉じる"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(undo_);
    buttons->addWidget(copy);
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    layout->addLayout(buttons);
    resize(480, 280);
    connect(undo_, &QPushButton::clicked, this, &THistoryWindow::UndoSelected);
    connect(copy, &QPushButton::clicked, this, &THistoryWindow::CopyAll);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    connect(list_, &QListWidget::itemActivated, this, &THistoryWindow::UndoSelected);
    connect(new QShortcut(QKeySequence::Copy, this), &QShortcut::activated, this, &THistoryWindow::CopyAll);
    Refresh();
}

void THistoryWindow::Refresh() {
    list_->clear();
    const RenameJournal& journal = logic_.Journal;
    for (std::size_t i = journal.Size(); i > 0; --i) {
        const RenameRecord& record = journal.At(i - 1);
        list_->addItem(ToDisplayString(record.Line()));
    }
    list_->setCurrentRow(0);
    undo_->setEnabled(!journal.Empty());
}

void THistoryWindow::UndoSelected() {
    const int row = list_->currentRow();
    const std::size_t size = logic_.Journal.Size();
    if (row < 0 || static_cast<std::size_t>(row) >= size) return;
    RunHandler([&] { logic_.UndoRename(size - 1 - static_cast<std::size_t>(row)); });
}

void THistoryWindow::CopyAll() { QApplication::clipboard()->setText(ToDisplayString(logic_.Journal.AsText())); }
