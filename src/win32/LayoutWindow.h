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
    // The window viewers and other custom controls go into; null unless it is a panel.
    HWND Parent(const char* name) const;
    RECT Bounds(const char* name) const;  // where the control sits on its parent now
    HMENU Menu() const { return menu_; }
    HACCEL Accelerators() const { return accelerators_; }
    // Moves the anchored controls for the window's client size.
    void Relayout();
    // Sizes a label to its caption, as the layout's labels are sized.
    static void FitLabelToText(HWND label);
    // The window's outer size for the layout's client size when it gives no outer size.
    static SIZE OuterSize(const WindowLayout& layout, DWORD style, DWORD exStyle, bool hasMenu);

private:
    HFONT Font(const FontLayout& font);
    void BuildMenu();

    const WindowLayout& layout_;
    HWND window_;
    std::vector<HWND> controls_;  // as the layout lists them; null for a viewer's place
    std::map<std::string, HFONT> fonts_;
    HMENU menu_ = nullptr;
    HACCEL accelerators_ = nullptr;
};
