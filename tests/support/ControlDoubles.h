// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <map>
#include <memory>
#include <vector>

#include "core/Errors.h"
#include "forms/Controls.h"
#include "forms/Form1Logic.h"
#include "forms/Form2Logic.h"

// Controls that keep their state in memory, for the windows' logic without a toolkit.
struct FakeControl : virtual IControl {
    bool enabled = true, visible = true;
    void SetEnabled(bool on) override { enabled = on; }
    bool Enabled() const override { return enabled; }
    void SetVisible(bool on) override { visible = on; }
};
struct FakeEdit : FakeControl, IEdit {
    Bytes text;
    Bytes Text() const override { return text; }
    void SetText(const Bytes& t) override { text = t; }
    std::size_t cursor = 0, selected = 0;  // the selection: `selected` bytes from `cursor`
    void ReplaceSelection(const Bytes& t) override { text.replace(cursor, selected, t), cursor += t.size(), selected = 0; }
    void SelectAll() override { cursor = 0, selected = text.size(); }
};
struct FakeDropDown : FakeControl, IDropDownList {
    std::vector<Bytes> rows;
    bool choosable = false;
    void SetRows(const std::vector<Bytes>& r, bool c) override { rows = r, choosable = c; }
};
struct FakeCaptioned : FakeControl, ICaptioned, ICheckBox {
    Bytes caption;
    bool checked = false;
    Bytes Caption() const override { return caption; }
    void SetCaption(const Bytes& c) override { caption = c; }
    bool Checked() const override { return checked; }
};
struct FakeMenuItem : IMenuItem {
    bool checked = false, enabled = true;
    bool Checked() const override { return checked; }
    void SetChecked(bool on) override { checked = on; }
    void SetEnabled(bool on) override { enabled = on; }
};
struct FakeListBox : IListBox {
    std::vector<Bytes> rows;
    int selected = -1;
    int added = 0;  // rows added since the start
    void Clear() override { rows.clear(), selected = -1; }
    void BeginUpdate() override {}
    void EndUpdate() override {}
    void Add(const Bytes& row) override { rows.push_back(row), ++added; }
    void Insert(int index, const Bytes& row) override { rows.insert(rows.begin() + index, row), ++added; }
    void Delete(int index) override { rows.erase(rows.begin() + index); }
    void Move(int from, int to, const Bytes& row) override {
        rows.erase(rows.begin() + from);
        rows.insert(rows.begin() + to, row);
    }
    int Count() const override { return static_cast<int>(rows.size()); }
    const Bytes& Item(int index) const override {
        CheckRowIndex(index, Count());
        return rows[index];
    }
    int ItemIndex() const override { return selected; }
    void SetItemIndex(int index) override { selected = index < Count() ? index : -1; }
};
struct FakeViewer : IPdfViewer {
    std::vector<Bytes> loads;
    std::vector<std::u16string> views;
    bool visible = true;
    void SetVisible(bool on) override { visible = on; }
    Bytes damaged;  // a file name this viewer cannot show
    void ViewerLoadFile(const Bytes& path) override {
        if (!damaged.empty() && (path.ends_with("/" + damaged) || path.ends_with("\\" + damaged)))
            throw Exception("ファイルを開けません");
        loads.push_back(path);
    }
    void ViewerShowToolbar(bool) override {}
    void ViewerSetLayoutMode(const std::u16string&) override {}
    void ViewerSetView(const std::u16string& view) override { views.push_back(view); }
    void ViewerShowScrollbars(bool) override {}
};
struct FakeWindow : IWindow {
    Bytes caption;
    bool closed = false;
    Bytes Caption() const override { return caption; }
    void SetCaption(const Bytes& c) override { caption = c; }
    void Close() override { closed = true; }
};
struct FakeBoxes : IMessageBoxes {
    std::vector<Bytes> texts;
    void ShowStop(Kind, const Bytes&, const Bytes& text) override { texts.push_back(text); }
    bool answer = true;  // to every question
    std::vector<Bytes> questions;
    bool AskYesNo(const Bytes&, const Bytes& text) override {
        questions.push_back(text);
        return answer;
    }
};
// Answers the confirmation dialog with `answerYes`.
struct FakeDialog : IModalDialog {
    std::function<void()> answer;
    int shown = 0;
    int ShowModal() override {
        ++shown;
        if (answer) answer();
        return 0;
    }
    void Close() override {}
};

// The main window's logic and the confirmation dialog's, on fake controls.
struct FakeForms {
    explicit FakeForms(MciApi& mci) : logic(Controls(), mci) {
        logic.Form2 = &form2;
        form2.OnYes = [this] { logic.PerformRename(); };
        for (FakeMenuItem* on : {&menu[0], &menu[2], &menu[8], &menu[11]}) on->checked = true;  // Mode0, NH0, NT0, N_R2
    }
    Form1Controls Controls() {
        return {window, b_Open, b_Rename, e_Filename, e_Rename, l_format, sb1, cb2, list, viewer,
                menu[0], menu[1], menu[2], menu[3], menu[4], menu[5], menu[6], menu[7], menu[8], menu[9], menu[10], menu[11],
                menu[12], boxes, nameList, menu[13], menu[14]};
    }
    FakeWindow window;
    FakeCaptioned b_Open, b_Rename, l_format, sb1, cb2, l_Moto, l_Shin;
    FakeEdit e_Filename, e_Rename;
    FakeListBox list;
    FakeViewer viewer;
    FakeDropDown nameList;
    FakeMenuItem menu[15];  // Mode0, Mode1, NH0..NH5, NT0, NT1, N_R1, N_R2, N_Undo, N_Names, N_FillProposed
    FakeMenuItem& N_R1 = menu[10];
    FakeMenuItem& N_R2 = menu[11];
    FakeMenuItem& N_Undo = menu[12];
    FakeMenuItem& N_Names = menu[13];
    FakeMenuItem& N_FillProposed = menu[14];
    FakeBoxes boxes;
    FakeDialog dialog;
    Form2Logic form2{l_Moto, l_Shin, dialog};
    Form1Logic logic;

    // A click on the row holding `name`.
    void Pick(const Bytes& name) {
        for (int i = 0; i < list.Count(); ++i) {
            if (list.rows[i] == name) list.selected = i;
        }
        logic.ListBox1Click();
    }
};
