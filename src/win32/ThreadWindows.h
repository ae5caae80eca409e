// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <windows.h>

#include <initializer_list>
#include <vector>

// A box or dialog holds the whole program, not only its owner: while one of
// these lives, every enabled top-level window of the thread but those left
// alone is disabled, and exactly those are enabled again when it goes. The
// owner is left to the box, which gives it the activation back as it closes;
// when the box had no owner of ours, the window active before gets it back.
class DisabledThreadWindows {
public:
    explicit DisabledThreadWindows(std::initializer_list<HWND> leftAlone);
    ~DisabledThreadWindows();
    DisabledThreadWindows(const DisabledThreadWindows&) = delete;
    DisabledThreadWindows& operator=(const DisabledThreadWindows&) = delete;

private:
    std::vector<HWND> disabled_;
    HWND active_;
};
