// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>
#include <vector>

// What the readers find in a file, before any of it becomes a name.

// A rectangle in points from the page's top left corner.
struct TextBox {
    float x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    float Height() const { return y1 - y0; }
    bool Overlaps(const TextBox& o) const { return x0 < o.x1 && o.x0 < x1 && y0 < o.y1 && o.y0 < y1; }
};

// One line of text as it stands on a page.
struct TextLine {
    std::u16string text;
    TextBox box;
    float size = 0;  // font size in points; for OCR, the height of the line
    int page = 0;    // from 0
};

struct PageInfo {
    int page = 0;    // from 0
    float width = 0, height = 0;  // points
    bool ocr = false;             // read from the picture, not the text layer
    bool partial = false;         // OCR of the top part only
    std::vector<TextBox> pictures{};  // drawn in the text layer's page, a page's worth or less: logos, stamps
};

// An MP3's tags; track and year 0 when there is none.
struct Tags {
    std::u16string title, artist, album;
    int track = 0;
    int year = 0;
};

// How much of a scan is read: the top of page 1, quickly; or all of page 1
// and the last page, for the file shown when the top lacked a field.
enum class ReadDepth : unsigned char { Top, Whole };

struct FileText {
    std::vector<PageInfo> pages;
    std::vector<TextLine> lines;
    Tags tags;
};
