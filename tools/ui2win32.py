#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Turns a window layout (.ui) into a C++ header of Win32 layout tables.

The Qt build reads the same files with uic, so both front ends show one
layout. Texts become code page 932 bytes, as the ANSI window functions take
them; fonts get their Windows names.

    ui2win32.py LAYOUT.ui OUTPUT.h
"""
import sys
import xml.etree.ElementTree as ET

# The layouts name the IPA fonts for Linux; Windows has the fonts they stand in for.
WINDOWS_FONTS = {"IPAGothic": "ＭＳ ゴシック", "IPAPGothic": "ＭＳ Ｐゴシック"}
KINDS = {
    "QPushButton": "Button", "QToolButton": "SpeedButton", "QCheckBox": "CheckBox", "QLabel": "Label",
    "QLineEdit": "Edit", "TListBox": "ListBox", "TAcroPDF": "Viewer", "QFrame": "Panel",
}
UNBOUNDED = 16777215


def c_bytes(text):
    """A C string literal of the text's code page 932 bytes."""
    out = []
    for byte in text.encode("cp932"):
        if byte == 0x22 or byte == 0x5C:
            out.append("\\" + chr(byte))
        elif 0x20 <= byte < 0x7F:
            out.append(chr(byte))
        else:  # octal takes at most three digits, so the next character stays itself
            out.append("\\%03o" % byte)
    return '"' + "".join(out) + '"'


def prop(element, name):
    for p in element.findall("property"):
        if p.get("name") == name:
            return p[0]
    return None


def prop_text(element, name, default=""):
    value = prop(element, name)
    return value.text or "" if value is not None else default


def prop_bool(element, name, default):
    value = prop(element, name)
    return default if value is None else value.text == "true"


def rect_of(element):
    r = prop(element, "geometry")
    if r is None:
        return None
    return [int(r.find(k).text) for k in ("x", "y", "width", "height")]


def size_of(element, name):
    s = prop(element, name)
    return None if s is None else (int(s.find("width").text), int(s.find("height").text))


def background_of(element):
    """The colour a panel is filled with as 0xBBGGRR, or -1 for the dialog face."""
    sheet = prop_text(element, "styleSheet")
    at = sheet.find("background-color:")
    if at < 0:
        return -1
    rgb = sheet[at:].split("#", 1)[1][:6]
    return int(rgb[4:6] + rgb[2:4] + rgb[0:2], 16)


def font_of(element):
    """The control's own font, or None when it takes its window's."""
    windows_face = prop_text(element, "windowsFont")
    sheet = prop_text(element, "styleSheet")
    if not windows_face and "font-family" not in sheet:
        return None
    face, height = windows_face, 12
    for rule in sheet.split(";"):
        key, _, value = rule.partition(":")
        key, value = key.strip(), value.strip().strip('"')
        if key == "font-family" and not face:
            face = WINDOWS_FONTS.get(value, value)
        elif key == "font-size":
            height = int(value.rstrip("px"))
    return "{%s, %d}" % (c_bytes(face), height)


class Layout:
    def __init__(self, path):
        root = ET.parse(path).getroot()
        self.window = root.find("widget")
        self.name = self.window.get("name")
        self.tab_order = [t.text for t in root.findall("tabstops/tabstop")]
        self.controls = []  # (name, kind, parent, rect, anchors, element)
        self.menu = []
        client = size_of(self.window, "windowsClientSize") or tuple(rect_of(self.window)[2:])
        self.client = client
        self.outer = size_of(self.window, "windowsOuterSize")
        central = self.window.find("widget[@name='centralWidget']")
        self.add_children(central if central is not None else self.window, -1, [0, 0, client[0], client[1]])
        menubar = self.window.find("widget[@class='QMenuBar']")
        if menubar is not None:
            actions = {a.get("name"): a for a in self.window.findall("action")}
            self.add_menu(menubar, 0, actions)

    def add_children(self, parent, parent_index, area):
        layout = parent.find("layout")
        if layout is not None:
            self.add_docked(layout, parent_index, area)
        for child in parent.findall("widget"):
            self.add(child, parent_index, rect_of(child), 0)

    # A row of panels: fixed-width ones dock left and follow the height; the
    # rest fills what is left. A lone item fills its parent inside the margins.
    def add_docked(self, layout, parent_index, area):
        margins = [int(prop_text(layout, m + "Margin", "0")) for m in ("left", "top", "right", "bottom")]
        x, y = area[0] + margins[0], area[1] + margins[1]
        width, height = area[2] - margins[0] - margins[2], area[3] - margins[1] - margins[3]
        for item in layout.findall("item/widget"):
            fixed = size_of(item, "maximumSize")
            if fixed and fixed[0] < UNBOUNDED:
                rect, anchors = [x, y, fixed[0], height], "kFollowHeight"
            else:
                rect, anchors = [x, y, area[0] + area[2] - margins[2] - x, height], "kFollowHeight | kFollowWidth"
            index = self.add(item, parent_index, rect, anchors)
            x += rect[2]
            if item.find("layout") is not None or item.findall("widget"):
                self.add_children(item, index, [0, 0, rect[2], rect[3]])

    def add(self, element, parent_index, rect, anchors):
        self.controls.append((element.get("name"), KINDS[element.get("class")], parent_index, rect, anchors or 0, element))
        return len(self.controls) - 1

    def add_menu(self, menu, depth, actions):
        for child in list(menu):
            if child.tag == "addaction":
                name = child.get("name")
                if name in actions:
                    self.menu.append((name, depth, actions[name], False))
                else:  # a submenu, listed where it is added
                    sub = menu.find("widget[@name='%s']" % name)
                    self.menu.append((name, depth, sub, True))
                    self.add_menu(sub, depth + 1, actions)

    # Creation order is tab order within a parent: panels first, then the
    # layout's tab stops, then the rest as the layout lists them.
    def ordered(self):
        def key(entry):
            index, (name, kind, parent, rect, anchors, element) = entry
            tab = self.tab_order.index(name) if name in self.tab_order else len(self.tab_order)
            return (kind != "Panel", tab, index)
        return sorted(enumerate(self.controls), key=key)

    def header(self):
        out = ["// Generated from the window layout by tools/ui2win32.py; do not edit.",
               "#pragma once", '#include "win32/Layout.h"', "", "namespace %sLayout {" % self.name, ""]
        order = self.ordered()
        position = {old: new for new, (old, _) in enumerate(order)}
        ids = []
        out.append("inline constexpr ControlLayout kControls[] = {")
        for new, (old, (name, kind, parent, rect, anchors, element)) in enumerate(order):
            ident = 100 + new
            ids.append("    %s = %d," % (name, ident))
            font = font_of(element) or "{nullptr, 0}"
            out.append("    {\"%s\", %d, ControlKind::%s, %d, {%d, %d, %d, %d}, %s, %s, %s, %s, %s, %s, %s, %s, %d}," % (
                name, ident, kind, position[parent] if parent >= 0 else -1, *rect,
                c_bytes(prop_text(element, "text")), font,
                "true" if prop_bool(element, "visible", True) else "false",
                "true" if prop_bool(element, "enabled", True) else "false",
                "true" if prop_bool(element, "checked", False) else "false",
                "true" if prop_bool(element, "readOnly", False) else "false",
                "true" if name in self.tab_order else "false", anchors, background_of(element)))
        out.append("};")
        out.append("")
        if self.menu:
            out.append("inline constexpr MenuLayout kMenu[] = {")
        for index, (name, depth, element, submenu) in enumerate(self.menu):
            ident = 1000 + index
            ids.append("    %s = %d," % (name, ident))
            caption = prop_text(element, "title" if submenu else "text")
            keys = prop_text(element, "shortcut")
            out.append("    {\"%s\", %d, %d, %s, %s, %s, %s, %s}," % (
                name, ident, depth, c_bytes(caption), c_bytes(keys),
                "true" if submenu else "false", "true" if caption == "-" else "false",
                "true" if prop_bool(element, "checked", False) else "false"))
        if self.menu:
            out.append("};")
            out.append("")
        outer = self.outer or (0, 0)
        out.append("inline constexpr WindowLayout kWindow{%s, {%d, %d}, {%d, %d}, %s, kControls, %s};" % (
            c_bytes(prop_text(self.window, "windowTitle")), self.client[0], self.client[1], outer[0], outer[1],
            font_of(self.window) or "{nullptr, 0}", "kMenu" if self.menu else "{}"))
        out.append("")
        out.append("enum Id : int {")
        out.extend(ids)
        out.append("};")
        out.append("")
        out.append("}  // namespace %sLayout" % self.name)
        return "\n".join(out) + "\n"


if __name__ == "__main__":
    source, target = sys.argv[1:3]
    text = Layout(source).header()
    with open(target, "w", encoding="ascii") as f:
        f.write(text)
