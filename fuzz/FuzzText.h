// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>
#include <string_view>

#include "names/FileText.h"

// A FileText as bytes, so that the candidate builder meets what no reader
// would hand it. Records follow one another, each led by a byte whose low two
// bits say what it is; numbers are little-endian, coordinates signed points:
//   0 a line:  page (1), x0 y0 x1 y1 (2 each), size in quarter points (1),
//              length n (2), n UTF-16 units (2 each)
//   1 a page:  page (1), width, height (2 each)
//   2 a tag:   0 title, 1 artist, else album (1), length n (2), n units
//   3 the track (2)
// Any bytes decode: a record cut short by the end takes what is there.
FileText DecodeFileText(std::string_view bytes);
std::string EncodeFileText(const FileText& text);
