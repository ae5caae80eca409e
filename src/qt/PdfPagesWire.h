// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>

// What the viewer and its page helper (PdfPagesHelper.cpp) say over their
// socket: fixed records in the machine's own byte order, both ends being
// built together. The helper is started with its end of the socket as
// descriptor 3; its first message is the document's memory file, passed as
// a descriptor with one byte, and requests follow.
constexpr int kPagesHelperSocket = 3;
// The helper's exit status when a page needed more memory than it may have.
constexpr int kPagesHelperOutOfMemory = 86;

// A request of this kind brings another document's memory file with it:
// the helper, idle, takes it in place of the one it had.
constexpr std::int32_t kPagesNewDocument = -1;

struct PagesRequest {
    std::uint32_t id = 0;
    std::int32_t kind = 0;  // viewer::PageJob::Kind
    std::int32_t page = 0;
    std::int32_t width = 0, height = 0;            // the whole page, in pixels
    std::int32_t x = 0, y = 0, partWidth = 0, partHeight = 0;  // the part drawn
};

// For a picture, width x height pixels follow, 32-bit premultiplied ARGB
// rows of width x 4 bytes; for a content box, nothing follows.
struct PagesReply {
    std::uint32_t id = 0;
    std::int32_t failed = 0;
    std::int32_t width = 0, height = 0;
    double box[4] = {};  // x, y, width, height in points
};
