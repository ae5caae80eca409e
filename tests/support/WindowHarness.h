// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QAbstractButton>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "qt/Unit1.h"
#include "qt/Unit2.h"
#include "qt/MessageBox.h"

// Records the message boxes instead of showing them. `whileShown` runs as if
// the box were up (the box is modal, so the test acts from inside it).
class MessageBoxRecorder {
public:
    MessageBoxRecorder();
    ~MessageBoxRecorder();
    std::vector<MessageBoxRequest> shown;
    std::function<void(const MessageBoxRequest&)> whileShown;
    QStringList Texts() const;
};

// Answers the next modal dialog by clicking a button (or closing it) once it
// is on screen. Fired() says whether it ever was.
class ModalAnswer {
public:
    enum class Action { Yes, No, CloseBox, ByBeforeAnswer };
    ModalAnswer(TForm2& dialog, Action action, std::function<void()> beforeAnswer = {});
    bool Fired() const { return *fired_; }

private:
    std::shared_ptr<bool> fired_ = std::make_shared<bool>(false);
};

// The main window and the confirmation dialog wired as the program wires
// them, shown on the offscreen platform. The open dialog answers `nextOpen`.
class Program {
public:
    explicit Program(MciApi& mci = PlatformMci());
    ~Program();
    TForm1& form1() { return *form1_; }
    TForm2& form2() { return *form2_; }
    TForm1* operator->() { return form1_.get(); }

    void Open(const Bytes& path);     // through the open command, as a user would
    void Pick(int row);               // a click on a row
    void Pick(const Bytes& name);
    void Key(int key, const QString& text = {});  // a key in the list
    void Type(const Bytes& name);     // replaces the proposed name
    void PressRename();
    Bytes Title() const;
    std::vector<Bytes> Rows() const;
    Bytes SelectedRow() const;

    MessageBoxRecorder boxes;
    std::vector<Bytes> nextOpen;  // paths the open dialog will answer, in order; empty = cancel

private:
    std::unique_ptr<TForm1> form1_;
    std::unique_ptr<TForm2> form2_;
};

// Runs the event loop a little.
void Pump(int ms = 10);
