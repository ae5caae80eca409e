// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// A second connection to the X server, as another client would have: input
// through XTest (the server delivers it as if from the keyboard), a resize as
// a window manager asks for it, and watching new windows appear. Xlib stays
// in XSession.cpp: its macros clash with Qt's names.
class XSession {
public:
    XSession();
    ~XSession();
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;

    // Press and release of a key by its keysym name ("Down", "Return", "a"),
    // with an optional held modifier ("Control_L"); sent before this returns.
    void Tap(const char* keysym, const char* modifier = nullptr);
    // ASCII letters and digits, one tap each.
    void Type(const std::string& text);
    void Resize(unsigned long window, int width, int height);
    // The window's pixels as the server holds them now, read back with
    // XGetImage, as a hash: what is on the screen, not what was painted.
    std::uint64_t ScreenHash(unsigned long window);
    void MovePointer(int x, int y);

    // Start-up: the screen as it is now, then the first top-level window
    // mapped after it, and whether that window's middle row differs from
    // the screen before (a painted frame) in more than `share` of its pixels.
    void SnapshotScreen();
    unsigned long WaitForNewWindow(int timeoutMs);
    bool Painted(unsigned long window, double share = 0.3);
    void WaitGone(unsigned long window, int timeoutMs);

private:
    void* display_;
    std::vector<std::uint32_t> screen_;
    int screenWidth_ = 0;
    int screenHeight_ = 0;
};
