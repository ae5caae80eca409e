// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>
#include <vector>

#include "core/Bytes.h"

// Files made to hurt a reader or a viewer, as a review found them: each is
// small on the disk and costly to parse.
struct CraftedFile {
    const char* name;  // with the extension it is read as
    Bytes bytes;
};

// ID3 chapter frames nested `depth` deep: TagLib recurses once a level.
Bytes NestedChaptersMp3(int depth);
// Compressed ID3v2.4 title frames that inflate to `megabytes` each.
Bytes CompressedFramesMp3(int frames, int megabytes);
// A page with no text `points` wide: OCR would draw it.
Bytes WidePagePdf(double points);
// Forms that draw `fan` forms each, `levels` deep: fan^levels draws.
Bytes FanOutPdf(int levels, int fan);
// A content stream that inflates to `megabytes` of nothing, as each of the
// page's `copies` content streams: gigabytes to parse, in a file made in a moment.
Bytes DeflateBombPdf(int megabytes, int copies = 1);
// `lines` lines of "No. n", one under another.
Bytes NumberLinesPdf(int lines);
// One line of `characters` characters.
Bytes LongLinePdf(int characters);

// All of them, at the sizes that froze or crashed the program.
std::vector<CraftedFile> CraftedFiles();

// A PDF put together from its objects' bodies (object n is bodies[n-1]);
// object 1 is the catalogue.
Bytes PdfOfObjects(const std::vector<Bytes>& bodies);
// A stream object holding `data`, deflated.
Bytes DeflatedStream(const Bytes& data, const Bytes& dictionary = {});
