// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QDialog>

class Form1Logic;
class QListWidget;
class QPushButton;

// This session's renames, newest first: old → new. An entry can be undone from
// here, and the list copied as text.
class THistoryWindow : public QDialog {
    Q_OBJECT
public:
    THistoryWindow(QWidget* parent, Form1Logic& logic);
    // Lists the journal again; the main window calls it after each change.
    void Refresh();
    QListWidget* Entries() const { return list_; }
    void UndoSelected();
    void CopyAll();

private:
    Form1Logic& logic_;
    QListWidget* list_;
    QPushButton* undo_;
};
