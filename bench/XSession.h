// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
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
    // Printable ASCII, one tap each (with Shift where the keymap wants it),
    // `gapMs` apart.
    void Type(const std::string& text, int gapMs = 0);
    void Resize(unsigned long window, int width, int height);
    void Move(unsigned long window, int x, int y);
    // The window's pixels as the server holds them now, read back with
    // XGetImage (through shared memory where the server offers it), as a
    // hash: what is on the screen, not what was painted.
    std::uint64_t ScreenHash(unsigned long window);
    void MovePointer(int x, int y);
    // The window's width and height.
    std::pair<int, int> Size(unsigned long window);
    // A left click at a point of the window.
    void Click(unsigned long window, int x, int y);
    // Raised and given the keyboard, as a window manager would on a click;
    // the program may take it a moment later.
    void Focus(unsigned long window);
    unsigned long FocusedWindow();
    // The window's title (_NET_WM_NAME, else WM_NAME), UTF-8.
    std::string Title(unsigned long window);
    // A mapped top-level window titled `title`; 0 after the time-out.
    unsigned long WaitForWindowTitled(const std::string& title, int timeoutMs);

    // Start-up: the screen as it is now, then the first top-level window
    // mapped after it, and whether that window's middle row differs from
    // the screen before (a painted frame) in more than `share` of its pixels.
    void SnapshotScreen();
    unsigned long WaitForNewWindow(int timeoutMs);
    bool Painted(unsigned long window, double share = 0.3);
    void WaitGone(unsigned long window, int timeoutMs);

private:
    struct SharedImage;  // Xlib's types stay in XSession.cpp
    void* display_;
    std::unique_ptr<SharedImage> shared_;
    std::vector<std::uint32_t> screen_;
    int screenWidth_ = 0;
    int screenHeight_ = 0;
};
