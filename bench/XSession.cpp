// SPDX-License-Identifier: GPL-3.0-or-later
#include "XSession.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <poll.h>
#include <chrono>
#include <stdexcept>

namespace {

Display* D(void* d) { return static_cast<Display*>(d); }

long long NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Next event within the time left; false on time-out.
bool NextEvent(Display* display, XEvent* event, long long deadline) {
    while (XPending(display) == 0) {
        const long long left = deadline - NowMs();
        if (left <= 0) return false;
        pollfd fd{ConnectionNumber(display), POLLIN, 0};
        poll(&fd, 1, static_cast<int>(left));
    }
    XNextEvent(display, event);
    return true;
}

}  // namespace

XSession::XSession() : display_(XOpenDisplay(nullptr)) {
    if (display_ == nullptr) throw std::runtime_error("no X display");
    int event, error, major, minor;
    if (!XTestQueryExtension(D(display_), &event, &error, &major, &minor))
        throw std::runtime_error("no XTest extension");
}

XSession::~XSession() { XCloseDisplay(D(display_)); }

void XSession::Tap(const char* keysym, const char* modifier) {
    Display* d = D(display_);
    const KeyCode mod = modifier ? XKeysymToKeycode(d, XStringToKeysym(modifier)) : 0;
    const KeyCode key = XKeysymToKeycode(d, XStringToKeysym(keysym));
    if (key == 0) throw std::runtime_error(std::string("no key for ") + keysym);
    if (mod) XTestFakeKeyEvent(d, mod, True, CurrentTime);
    XTestFakeKeyEvent(d, key, True, CurrentTime);
    XTestFakeKeyEvent(d, key, False, CurrentTime);
    if (mod) XTestFakeKeyEvent(d, mod, False, CurrentTime);
    XFlush(d);
}

void XSession::Type(const std::string& text) {
    for (const char c : text) Tap(std::string(1, c).c_str());
}

std::uint64_t XSession::ScreenHash(unsigned long window) {
    Display* d = D(display_);
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(d, window, &attributes)) return 0;
    XImage* image = XGetImage(d, window, 0, 0, attributes.width, attributes.height, AllPlanes, ZPixmap);
    if (image == nullptr) return 0;
    std::uint64_t hash = 1469598103934665603ull;  // FNV-1a over the rows' pixel bytes
    const int rowBytes = image->width * image->bits_per_pixel / 8;
    for (int y = 0; y < image->height; ++y) {
        const auto* row = reinterpret_cast<const unsigned char*>(image->data) + std::ptrdiff_t(y) * image->bytes_per_line;
        for (int i = 0; i < rowBytes; ++i) hash = (hash ^ row[i]) * 1099511628211ull;
    }
    XDestroyImage(image);
    return hash;
}

void XSession::Resize(unsigned long window, int width, int height) {
    XResizeWindow(D(display_), window, width, height);
    XFlush(D(display_));
}

void XSession::MovePointer(int x, int y) {
    XTestFakeMotionEvent(D(display_), -1, x, y, CurrentTime);
    XFlush(D(display_));
}

void XSession::SnapshotScreen() {
    Display* d = D(display_);
    const Window root = DefaultRootWindow(d);
    XSelectInput(d, root, SubstructureNotifyMask);
    XWindowAttributes attributes;
    XGetWindowAttributes(d, root, &attributes);
    screenWidth_ = attributes.width;
    screenHeight_ = attributes.height;
    XImage* image = XGetImage(d, root, 0, 0, screenWidth_, screenHeight_, AllPlanes, ZPixmap);
    screen_.resize(std::size_t(screenWidth_) * screenHeight_);
    for (int y = 0; y < screenHeight_; ++y)
        for (int x = 0; x < screenWidth_; ++x) screen_[std::size_t(y) * screenWidth_ + x] = XGetPixel(image, x, y);
    XDestroyImage(image);
    // Events from before the snapshot belong to earlier windows.
    XSync(d, True);
}

unsigned long XSession::WaitForNewWindow(int timeoutMs) {
    Display* d = D(display_);
    const long long deadline = NowMs() + timeoutMs;
    XEvent event;
    while (NextEvent(d, &event, deadline)) {
        if (event.type == MapNotify && event.xmap.event == DefaultRootWindow(d) && !event.xmap.override_redirect)
            return event.xmap.window;
    }
    return 0;
}

bool XSession::Painted(unsigned long window, double share) {
    Display* d = D(display_);
    XWindowAttributes a;
    if (!XGetWindowAttributes(d, window, &a) || a.map_state != IsViewable) return false;
    const int y = a.y + a.height / 2;
    const int x0 = std::max(0, a.x), x1 = std::min(screenWidth_, a.x + a.width);
    if (y < 0 || y >= screenHeight_ || x1 <= x0) return false;
    XImage* row = XGetImage(d, DefaultRootWindow(d), x0, y, x1 - x0, 1, AllPlanes, ZPixmap);
    if (row == nullptr) return false;
    int differ = 0;
    for (int x = x0; x < x1; ++x) differ += XGetPixel(row, x - x0, 0) != screen_[std::size_t(y) * screenWidth_ + x];
    XDestroyImage(row);
    return differ > share * (x1 - x0);
}

void XSession::WaitGone(unsigned long window, int timeoutMs) {
    Display* d = D(display_);
    const long long deadline = NowMs() + timeoutMs;
    XEvent event;
    while (NextEvent(d, &event, deadline)) {
        if (event.type == DestroyNotify && event.xdestroywindow.window == window) return;
    }
}
