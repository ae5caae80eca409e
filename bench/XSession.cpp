// SPDX-License-Identifier: GPL-3.0-or-later
#include "XSession.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/XTest.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <poll.h>
#include <chrono>
#include <cstring>
#include <stdexcept>
#include <thread>

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

// An image in memory shared with the server, for one window size: a read-back
// then costs a copy in the server, not a trip through the socket (some 20 ms
// for a window of 800 x 500, and a read-back is only as fine as it is quick).
struct XSession::SharedImage {
    Display* display;
    XShmSegmentInfo segment{};
    XImage* image = nullptr;
    int width = 0, height = 0;

    SharedImage(Display* d, const XWindowAttributes& window) : display(d), width(window.width), height(window.height) {
        image = XShmCreateImage(d, window.visual, static_cast<unsigned>(window.depth), ZPixmap, nullptr, &segment,
                                static_cast<unsigned>(width), static_cast<unsigned>(height));
        if (image == nullptr) return;
        segment.shmid = shmget(IPC_PRIVATE, std::size_t(image->bytes_per_line) * image->height, IPC_CREAT | 0600);
        if (segment.shmid < 0) return;
        segment.shmaddr = image->data = static_cast<char*>(shmat(segment.shmid, nullptr, 0));
        segment.readOnly = False;
        if (segment.shmaddr == reinterpret_cast<char*>(-1) || !XShmAttach(d, &segment)) segment.shmaddr = nullptr;
        XSync(d, False);
        shmctl(segment.shmid, IPC_RMID, nullptr);  // gone once both sides let go
    }
    ~SharedImage() {
        if (segment.shmaddr != nullptr) {
            XShmDetach(display, &segment);
            XSync(display, False);
            shmdt(segment.shmaddr);
        }
        if (image != nullptr) {
            image->data = nullptr;
            XDestroyImage(image);
        }
    }
    bool Usable() const { return segment.shmaddr != nullptr; }
};

XSession::XSession() : display_(XOpenDisplay(nullptr)) {
    if (display_ == nullptr) throw std::runtime_error("no X display");
    int event, error, major, minor;
    if (!XTestQueryExtension(D(display_), &event, &error, &major, &minor))
        throw std::runtime_error("no XTest extension");
}

XSession::~XSession() {
    shared_.reset();
    XCloseDisplay(D(display_));
}

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

void XSession::Type(const std::string& text, int gapMs) {
    Display* d = D(display_);
    for (const char c : text) {
        // A printable ASCII character's keysym is its code.
        const auto keysym = static_cast<KeySym>(static_cast<unsigned char>(c));
        const KeyCode key = XKeysymToKeycode(d, keysym);
        if (key == 0) throw std::runtime_error(std::string("no key for ") + c);
        const bool shifted = XkbKeycodeToKeysym(d, key, 0, 0) != keysym;
        const KeyCode shift = XKeysymToKeycode(d, XK_Shift_L);
        if (shifted) XTestFakeKeyEvent(d, shift, True, CurrentTime);
        XTestFakeKeyEvent(d, key, True, CurrentTime);
        XTestFakeKeyEvent(d, key, False, CurrentTime);
        if (shifted) XTestFakeKeyEvent(d, shift, False, CurrentTime);
        XFlush(d);
        if (gapMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(gapMs));
    }
}

std::uint64_t XSession::ScreenHash(unsigned long window) {
    Display* d = D(display_);
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(d, window, &attributes)) return 0;
    if (XShmQueryExtension(d) && (!shared_ || shared_->width != attributes.width || shared_->height != attributes.height)) {
        shared_.reset();
        shared_ = std::make_unique<SharedImage>(d, attributes);
    }
    XImage* image = nullptr;
    if (shared_ && shared_->Usable() && XShmGetImage(d, window, shared_->image, 0, 0, AllPlanes)) image = shared_->image;
    else image = XGetImage(d, window, 0, 0, attributes.width, attributes.height, AllPlanes, ZPixmap);
    if (image == nullptr) return 0;
    // FNV-1a over the rows' pixel bytes, eight at a time.
    std::uint64_t hash = 1469598103934665603ull;
    const int rowBytes = image->width * image->bits_per_pixel / 8;
    for (int y = 0; y < image->height; ++y) {
        const char* row = image->data + std::ptrdiff_t(y) * image->bytes_per_line;
        int i = 0;
        for (std::uint64_t word; i + 8 <= rowBytes; i += 8) {
            std::memcpy(&word, row + i, 8);
            hash = (hash ^ word) * 1099511628211ull;
        }
        for (; i < rowBytes; ++i) hash = (hash ^ static_cast<unsigned char>(row[i])) * 1099511628211ull;
    }
    if (!shared_ || image != shared_->image) XDestroyImage(image);
    return hash;
}

void XSession::Resize(unsigned long window, int width, int height) {
    XResizeWindow(D(display_), window, width, height);
    XFlush(D(display_));
}

void XSession::Move(unsigned long window, int x, int y) {
    XMoveWindow(D(display_), window, x, y);
    XFlush(D(display_));
}

void XSession::MovePointer(int x, int y) {
    XTestFakeMotionEvent(D(display_), -1, x, y, CurrentTime);
    XFlush(D(display_));
}

std::pair<int, int> XSession::Size(unsigned long window) {
    XWindowAttributes attributes{};
    XGetWindowAttributes(D(display_), window, &attributes);
    return {attributes.width, attributes.height};
}

void XSession::Click(unsigned long window, int x, int y) {
    Display* d = D(display_);
    int rootX = 0, rootY = 0;
    Window child;
    XTranslateCoordinates(d, window, DefaultRootWindow(d), x, y, &rootX, &rootY, &child);
    XTestFakeMotionEvent(d, -1, rootX, rootY, CurrentTime);
    XTestFakeButtonEvent(d, 1, True, CurrentTime);
    XTestFakeButtonEvent(d, 1, False, CurrentTime);
    XFlush(d);
}

// As ICCCM has a window manager do it: the input focus set where the window
// takes input, WM_TAKE_FOCUS sent where it asks for it. Wine asks, and takes
// the focus itself once it has made the window active; set here as well, the
// focus could leave the last window after its program checked who has it, and
// that program would deactivate the new one.
void XSession::Focus(unsigned long window) {
    Display* d = D(display_);
    XRaiseWindow(d, window);
    bool input = true;
    if (XWMHints* hints = XGetWMHints(d, window)) {
        if (hints->flags & InputHint) input = hints->input != False;
        XFree(hints);
    }
    const Atom takeFocus = XInternAtom(d, "WM_TAKE_FOCUS", False);
    bool asks = false;
    Atom* protocols = nullptr;
    int count = 0;
    if (XGetWMProtocols(d, window, &protocols, &count)) {
        for (int i = 0; i < count; ++i) asks = asks || protocols[i] == takeFocus;
        XFree(protocols);
    }
    if (input) XSetInputFocus(d, window, RevertToParent, CurrentTime);
    if (asks) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = static_cast<long>(takeFocus);
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(d, window, False, NoEventMask, &event);
    }
    XSync(d, False);
}

unsigned long XSession::FocusedWindow() {
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(D(display_), &focus, &revert);
    return focus;
}

std::string XSession::Title(unsigned long window) {
    Display* d = D(display_);
    const Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
    for (const Atom name : {XInternAtom(d, "_NET_WM_NAME", False), XA_WM_NAME}) {
        Atom type = 0;
        int format = 0;
        unsigned long count = 0, left = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(d, window, name, 0, 4096, False, name == XA_WM_NAME ? AnyPropertyType : utf8, &type,
                               &format, &count, &left, &data) == Success &&
            data != nullptr) {
            std::string title(reinterpret_cast<char*>(data), count);
            XFree(data);
            if (format == 8 && !title.empty()) return title;
        }
    }
    return {};
}

unsigned long XSession::WaitForWindowTitled(const std::string& title, int timeoutMs) {
    Display* d = D(display_);
    const long long deadline = NowMs() + timeoutMs;
    do {
        Window root, parent, *children = nullptr;
        unsigned int count = 0;
        unsigned long found = 0;
        if (XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &count)) {
            for (unsigned int i = 0; i < count && found == 0; ++i) {
                XWindowAttributes attributes{};
                if (XGetWindowAttributes(d, children[i], &attributes) && attributes.map_state == IsViewable &&
                    Title(children[i]) == title)
                    found = children[i];
            }
            if (children != nullptr) XFree(children);
        }
        if (found != 0) return found;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    } while (NowMs() < deadline);
    return 0;
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
