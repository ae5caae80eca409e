// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <mupdf/fitz.h>

// Makes MuPDF take the fonts a PDF names but does not embed from the fonts
// Windows has, through GDI, so that the same code works under Wine:
// - by name: Helvetica, Times and Courier as Arial, Times New Roman and
//   Courier New, any other name as the installed font of that name;
// - CJK text (Adobe-Japan1, GB1, CNS1, Korea1) with the named font, else a
//   font of the ordering's character set, e.g. MS Gothic or MS Mincho;
// - fallbacks for a script by character set.
// A font that is not there is left to MuPDF's built-in base 14 fonts.
// Font files are read once per process and shared by every context.
void InstallSystemFontLoader(fz_context* ctx);
