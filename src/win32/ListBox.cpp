// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32/ListBox.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <new>

#include "core/CodePage.h"
#include "core/Errors.h"
#include "win32/Dpi.h"
#include "win32/ErrorDisplay.h"

namespace {

constexpr UINT_PTR kSubclassId = 1;

TEXTMETRICA FontMetrics(HWND list) {
    HDC dc = GetDC(list);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(list, WM_GETFONT, 0, 0)));
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(list, dc);
    return metrics;
}

// 12 px rows at 96 dpi, or as high as the font needs so that "_" and "g" are not cut.
int RowHeight(HWND list, int dpi) { return std::max<int>(Scaled(12, dpi), FontMetrics(list).tmHeight); }

}  // namespace

TListBox::TListBox(HWND list) : list_(list), dpi_(WindowDpi(list)) {
    SetWindowSubclass(list_, Proc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
    SetWindowLongPtrW(list_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SendMessageW(list_, LB_SETITEMHEIGHT, 0, RowHeight(list_, dpi_));
}

void TListBox::SetDpi(int dpi) {
    dpi_ = dpi;
    SendMessageW(list_, LB_SETITEMHEIGHT, 0, RowHeight(list_, dpi_));
    Show();
}

TListBox::~TListBox() {
    RemoveWindowSubclass(list_, Proc, kSubclassId);
    SetWindowLongPtrW(list_, GWLP_USERDATA, 0);
}

TListBox* TListBox::FromHandle(HWND list) { return reinterpret_cast<TListBox*>(GetWindowLongPtrW(list, GWLP_USERDATA)); }

void TListBox::Clear() {
    rows_.clear();
    decodedRows_.clear();
    widestRow_ = 0;
    if (!updating_) Show();
}

// The rows reach the screen in one go: one count, one paint.
void TListBox::BeginUpdate() { updating_ = true; }

void TListBox::EndUpdate() {
    updating_ = false;
    Show();
}

void TListBox::Add(const Bytes& row) {
    try {
        rows_.push_back(row);
    } catch (const std::bad_alloc&) {
        throw EListError("行を挿入できません");
    }
    widestRow_ = std::max(widestRow_, row.size());
    if (!updating_) Show();
}

void TListBox::Insert(int index, const Bytes& row) {
    CheckRowIndex(index, Count() + 1);
    rows_.insert(rows_.begin() + index, row);
    decodedRows_.clear();
    widestRow_ = std::max(widestRow_, row.size());
    if (!updating_) Show();
}

void TListBox::Delete(int index) {
    CheckRowIndex(index, Count());
    rows_.erase(rows_.begin() + index);
    decodedRows_.clear();
    if (!updating_) Show();
}

void TListBox::Move(int from, int to, const Bytes& row) {
    CheckRowIndex(from, Count());
    CheckRowIndex(to, Count());
    rows_.erase(rows_.begin() + from);
    rows_.insert(rows_.begin() + to, row);
    decodedRows_.clear();
    widestRow_ = std::max(widestRow_, row.size());
    if (!updating_) Show();
}

// The count is all the list keeps; the row in view stays in view. The same
// count wants only a repaint: setting it redraws the scroll bars at once,
// some ms a step under Wine.
void TListBox::Show() {
    const auto count = static_cast<LRESULT>(rows_.size());
    const LRESULT extent = static_cast<LRESULT>(widestRow_) * FontMetrics(list_).tmAveCharWidth + Scaled(4, dpi_);
    if (SendMessageW(list_, LB_GETCOUNT, 0, 0) != count) {
        const LRESULT top = SendMessageW(list_, LB_GETTOPINDEX, 0, 0);
        SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
        SendMessageW(list_, LB_SETCOUNT, count, 0);
        SendMessageW(list_, LB_SETHORIZONTALEXTENT, extent, 0);
        if (top > 0 && top < count) SendMessageW(list_, LB_SETTOPINDEX, top, 0);
        SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
    } else if (SendMessageW(list_, LB_GETHORIZONTALEXTENT, 0, 0) != extent) {
        SendMessageW(list_, LB_SETHORIZONTALEXTENT, extent, 0);
    }
    InvalidateRect(list_, nullptr, TRUE);
}

const Bytes& TListBox::Item(int index) const {
    CheckRowIndex(index, Count());
    return rows_[static_cast<std::size_t>(index)];
}

int TListBox::ItemIndex() const { return static_cast<int>(SendMessageW(list_, LB_GETCURSEL, 0, 0)); }

void TListBox::SetItemIndex(int index) {
    SendMessageW(list_, LB_SETCURSEL, index >= 0 && index < Count() ? index : -1, 0);
}

void TListBox::SelectByUser(int row) {
    if (row < 0 || row >= Count()) return;
    SetItemIndex(row);
    if (OnClick) RunHandler(OnClick);
}

// Each row is decoded once after a change of the rows, not at every key:
// there may be 100,000 of them.
void TListBox::SearchTyped(const std::u16string& typed) {
    if (decodedRows_.size() != rows_.size()) {
        decodedRows_.clear();
        decodedRows_.reserve(rows_.size());
        for (const Bytes& row : rows_) decodedRows_.push_back(ToUtf16(row));
    }
    const std::optional<int> row = typeToSelect_.Key(typed, GetTickCount64(), Count(), [this](int at) -> const std::u16string& {
        return decodedRows_[static_cast<std::size_t>(at)];
    });
    if (row) SelectByUser(*row);
}

void TListBox::Draw(const DRAWITEMSTRUCT& item) const {
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    HDC dc = item.hDC;
    FillRect(dc, &item.rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    if (item.itemID < rows_.size()) {
        const Bytes& row = rows_[item.itemID];
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
        TextOutA(dc, item.rcItem.left + Scaled(2, dpi_), item.rcItem.top, row.data(), static_cast<int>(row.size()));
    }
    if (item.itemState & ODS_FOCUS) DrawFocusRect(dc, &item.rcItem);
}

LRESULT CALLBACK TListBox::Proc(HWND, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR self) {
    return HandleGuarded([&] { return reinterpret_cast<TListBox*>(self)->Handle(message, wParam, lParam); }, 0);
}

// Only a left press on a row picks; no other button, drag or release moves the
// selection, so the highlighted row is always the current file.
LRESULT TListBox::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_LBUTTONDOWN: {
        SetFocus(list_);
        // LB_ITEMFROMPOINT answers in 16 bits; the list may hold more rows.
        const int rowHeight = std::max<int>(1, static_cast<int>(SendMessageW(list_, LB_GETITEMHEIGHT, 0, 0)));
        const int y = GET_Y_LPARAM(lParam);
        const int row = static_cast<int>(SendMessageW(list_, LB_GETTOPINDEX, 0, 0)) + y / rowHeight;
        if (y >= 0 && row < Count()) SelectByUser(row);
        return 0;
    }
    case WM_LBUTTONDBLCLK:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
        return 0;
    case WM_KEYDOWN: {
        static const std::pair<WPARAM, ListKey> keys[] = {
            {VK_UP, ListKey::Up},         {VK_LEFT, ListKey::Up},       {VK_DOWN, ListKey::Down},
            {VK_RIGHT, ListKey::Down},    {VK_PRIOR, ListKey::PageUp},  {VK_NEXT, ListKey::PageDown},
            {VK_HOME, ListKey::Home},     {VK_END, ListKey::End},
        };
        for (const auto& [virtualKey, key] : keys) {
            if (virtualKey != wParam) continue;
            RECT area;
            GetClientRect(list_, &area);
            const int rowHeight = std::max<int>(1, static_cast<int>(SendMessageW(list_, LB_GETITEMHEIGHT, 0, 0)));
            const std::optional<int> target = NavigationTarget(key, ItemIndex(), Count(), area.bottom / rowHeight - 1);
            if (target && *target != ItemIndex()) SelectByUser(*target);  // a move that goes nowhere picks nothing new
            return 0;
        }
        break;
    }
    case WM_CHAR: {
        // The list is a Unicode window: with the program's Unicode message loop
        // a Japanese character arrives whole, not as two bytes.
        const auto typed = static_cast<char16_t>(wParam);
        if (typed == u'\b') SearchTyped({});
        else if (typed >= 0x20) SearchTyped(std::u16string(1, typed));
        return 0;
    }
    default: break;
    }
    return DefSubclassProc(list_, message, wParam, lParam);
}
