// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/WindowHarness.h"

#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTest>
#include <QTimer>

#include "qt/QtBytes.h"
#include "qt/ByteControls.h"
#include "qt/ErrorDisplay.h"

MessageBoxRecorder::MessageBoxRecorder() {
    SetMessageBoxHandler([this](const MessageBoxRequest& request) {
        shown.push_back(request);
        if (whileShown) whileShown(request);
    });
}

MessageBoxRecorder::~MessageBoxRecorder() { SetMessageBoxHandler({}); }

QStringList MessageBoxRecorder::Texts() const {
    QStringList texts;
    for (const auto& r : shown) texts << r.text;
    return texts;
}

ModalAnswer::ModalAnswer(TForm2& dialog, Action action, std::function<void()> beforeAnswer) {
    auto fired = fired_;
    auto* poll = new QTimer(&dialog);
    QObject::connect(poll, &QTimer::timeout, &dialog, [poll, fired, &dialog, action, beforeAnswer] {
        if (!dialog.isVisible() || QApplication::activeModalWidget() != &dialog) return;
        poll->deleteLater();
        poll->stop();
        *fired = true;
        if (beforeAnswer) beforeAnswer();
        if (action == Action::Yes) dialog.Button1->click();
        else if (action == Action::No) dialog.Button2->click();
        else if (action == Action::CloseBox) dialog.close();
    });
    poll->start(5);
}

Program::Program(MciApi& mci)
    : form1_(std::make_unique<TForm1>(nullptr, mci)), form2_(std::make_unique<TForm2>(form1_.get())) {
    form2_->OnYes = [this] { form1_->PerformRename(); };
    form1_->SetConfirmationDialog(form2_.get());
    SetApplicationWindow(form1_.get());
    form1_->ExecuteOpenDialog = [this](TOpenDialog& dialog) {
        if (nextOpen.empty()) return false;
        dialog.FileName = nextOpen.front();
        nextOpen.erase(nextOpen.begin());
        return true;
    };
    form1_->Show();
    Pump();
}

Program::~Program() {
    form2_.reset();
    form1_.reset();
    SetApplicationWindow(nullptr);
}

void Program::Open(const Bytes& path) {
    nextOpen = {path};
    form1_->B_Open->click();
    Pump();
}

void Program::Pick(int row) {
    TListBox* list = form1_->ListBox1;
    list->scrollTo(list->model()->index(row, 0));
    const QRect at = list->visualRect(list->model()->index(row, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at.center());
    Pump();
}

void Program::Pick(const Bytes& name) {
    const auto rows = Rows();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i] == name) return Pick(static_cast<int>(i));
    }
    throw std::runtime_error("no row " + name);
}

void Program::Key(int key, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(form1_->ListBox1, &press);
    Pump();
}

void Program::Type(const Bytes& name) { SetText(form1_->E_Rename, name); }

void Program::PressRename() {
    form1_->B_Rename->click();
    Pump();
}

Bytes Program::Title() const { return FromQString(form1_->windowTitle()); }

std::vector<Bytes> Program::Rows() const {
    std::vector<Bytes> rows;
    for (int i = 0; i < form1_->ListBox1->Count(); ++i) rows.push_back(form1_->ListBox1->Item(i));
    return rows;
}

Bytes Program::SelectedRow() const {
    const int index = form1_->ListBox1->ItemIndex();
    return index < 0 ? Bytes("(none)") : form1_->ListBox1->Item(index);
}

void Pump(int ms) {
    QElapsedTimer timer;
    timer.start();
    do {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    } while (timer.elapsed() < ms);
}
