// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <span>

// A window's layout as tables, generated from the same layout files the Qt
// build reads. Texts are code page 932 bytes.

enum class ControlKind { Panel, Button, SpeedButton, CheckBox, Label, Edit, ListBox, Viewer };

// Which window edges a control keeps its distance to, beyond its left and top.
enum : unsigned { kFollowHeight = 1, kFollowWidth = 2 };

struct FontLayout {
    const char* face;  // null: the window's font
    int height;        // pixels
};

struct ControlLayout {
    const char* name;
    int id;
    ControlKind kind;
    int parent;  // index of the panel it sits on, -1 for the window
    struct {
        int x, y, width, height;
    } bounds;
    const char* caption;
    FontLayout font;
    bool visible, enabled, checked, readOnly, tabStop;
    unsigned anchors;
    long background;  // 0xBBGGRR, or -1 for the dialog face
};

struct MenuLayout {
    const char* name;
    int id;
    int depth;  // 0 for the menu bar's own items
    const char* caption;
    const char* shortcut;  // "Ctrl+Shift+Z", or empty
    bool submenu, separator, checked;
};

struct WindowLayout {
    const char* caption;
    struct {
        int width, height;
    } client, outer;  // outer is 0 x 0 when the client size alone is given
    FontLayout font;
    std::span<const ControlLayout> controls;
    std::span<const MenuLayout> menu;
};
