// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "win32/Layout.h"

// The controls of a generated layout, made as Win32 windows on a top-level
// window: fonts by name in the Shift-JIS character set, panels, the menu and
// its accelerators, and the anchored controls following the window's size.
// Places and font sizes are the layout's at 96 dpi, scaled to the window's dpi.
class LayoutWindow {
public:
    // Registers the window classes the layouts use; call once per process.
    static void RegisterClasses(HINSTANCE instance);
    static constexpr const char* kPanelClass = "QuilvanePanel";

    LayoutWindow(const WindowLayout& layout, HWND window);
    ~LayoutWindow();
    LayoutWindow(const LayoutWindow&) = delete;
    LayoutWindow& operator=(const LayoutWindow&) = delete;

    HWND Control(const char* name) const;
    // Puts `window` in the named control's place from now on; the old one is the caller's.
    void Replace(const char* name, HWND window);
    // The window viewers and other custom controls go into; null unless it is a panel.
    HWND Parent(const char* name) const;
    RECT Bounds(const char* name) const;  // where the control sits on its parent now
    int Dpi() const { return dpi_; }
    // Scales every control and font to `dpi`, as when the window moves to
    // another monitor; the window's own size is the caller's.
    void SetDpi(int dpi);
    HMENU Menu() const { return menu_; }
    HACCEL Accelerators() const { return accelerators_; }
    // Moves the anchored controls for the window's client size.
    void Relayout();
    // Sizes a label to its caption, as the layout's labels are sized.
    static void FitLabelToText(HWND label);
    // The window's outer size at `dpi`: the layout's, or its client size's when it gives none.
    static SIZE OuterSize(const WindowLayout& layout, DWORD style, DWORD exStyle, bool hasMenu, int dpi);

private:
    HFONT Font(const FontLayout& font);
    HFONT FontOf(const ControlLayout& control);
    void BuildMenu();

    const WindowLayout& layout_;
    HWND window_;
    int dpi_;
    std::vector<HWND> controls_;  // as the layout lists them; null for a viewer's place
    std::map<std::string, HFONT> fonts_;
    HMENU menu_ = nullptr;
    HACCEL accelerators_ = nullptr;
};
