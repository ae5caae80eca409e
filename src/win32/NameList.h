// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <windows.h>

#include <functional>

#include "forms/Controls.h"

// The name box's drop-down of candidates, as a combo box's list: a popup
// list under the box that never takes the focus, so typing goes on in the
// box. Alt+Down or the arrow at the box's end opens it; Up and Down move in
// it, Enter or a click chooses, Escape closes.
class TNameList final : public IDropDownList {
public:
    TNameList(HWND box, HWND owner);
    ~TNameList() override;
    TNameList(const TNameList&) = delete;
    TNameList& operator=(const TNameList&) = delete;

    void SetEnabled(bool enabled) override;
    bool Enabled() const override { return enabled_; }
    void SetVisible(bool visible) override { SetEnabled(visible); }
    void SetRows(const std::vector<Bytes>& rows, bool choosable) override;

    void Open();
    void Close();
    bool IsOpen() const { return IsWindowVisible(list_) != FALSE; }
    // A key pressed in the name box; true when the list used it.
    bool Key(WPARAM key);
    // The list itself or its arrow.
    bool Owns(HWND window) const { return window == list_ || window == arrow_; }
    // A notification from the list or the arrow; true when it was theirs.
    bool Command(HWND from, int code);
    std::function<void(int row)> OnChoose;
    // The box's font and size have changed to `dpi`'s: the arrow and the list follow.
    void SetDpi(int dpi);

private:
    void Choose(int row);
    void FitToRows();
    void PlaceArrow();
    HWND box_;
    int dpi_;
    HWND list_;
    HWND arrow_;
    bool enabled_ = true;
    bool choosable_ = false;
};
