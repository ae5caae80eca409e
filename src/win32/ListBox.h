// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <windows.h>

#include <functional>
#include <vector>

#include "core/Bytes.h"
#include "forms/Controls.h"
#include "forms/ListNavigation.h"

// The folder list on a Win32 list box without data: the rows stay here as
// bytes and are drawn when in view, so 100,000 rows cost one count. The
// program's own selections never run the pick handler; the user's do: a left
// click, the arrow keys, Page Up/Down, Home, End and type-to-select.
class TListBox final : public IListBox {
public:
    explicit TListBox(HWND list);
    ~TListBox() override;
    TListBox(const TListBox&) = delete;
    TListBox& operator=(const TListBox&) = delete;

    void Clear() override;
    void BeginUpdate() override;
    void EndUpdate() override;
    void Add(const Bytes& row) override;
    void Insert(int index, const Bytes& row) override;
    void Delete(int index) override;
    void Move(int from, int to, const Bytes& row) override;
    int Count() const override { return static_cast<int>(rows_.size()); }
    const Bytes& Item(int index) const override;
    int ItemIndex() const override;
    void SetItemIndex(int index) override;

    std::function<void()> OnClick;  // the user's own selections
    // Draws a row; the list's parent hands its WM_DRAWITEM here.
    void Draw(const DRAWITEMSTRUCT& item) const;
    static TListBox* FromHandle(HWND list);
    HWND Handle() const { return list_; }
    // Rows as high as the list's font, now at `dpi`, needs.
    void SetDpi(int dpi);

private:
    static LRESULT CALLBACK Proc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR self);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void Show();
    void SelectByUser(int row);
    void SearchTyped(const std::u16string& typed);  // type-to-select; empty: Backspace

    HWND list_;
    int dpi_;
    std::vector<Bytes> rows_;
    std::size_t widestRow_ = 0;  // in bytes: the font is fixed-pitch, a byte a cell
    bool updating_ = false;
    TypeToSelect typeToSelect_;
    std::vector<std::u16string> decodedRows_;
};
