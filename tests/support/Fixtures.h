// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QRectF>
#include <QSizeF>
#include <functional>
#include <vector>

class QImage;
class QPainter;
class QString;

#include "core/Bytes.h"
#include "names/PdfText.h"

// A real folder under /tmp, removed with everything in it when the test ends.
class TempDir {
public:
    // A fresh folder under `under` (with its trailing "/").
    explicit TempDir(const Bytes& under = "/tmp/");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const Bytes& Path() const { return path_; }            // ends in "/"
    Bytes operator/(const Bytes& name) const { return path_ + name; }

private:
    Bytes path_;
};

void WriteFile(const Bytes& path, const Bytes& contents);
Bytes ReadFile(const Bytes& path);
bool Exists(const Bytes& path);
void MakeFolder(const Bytes& path);
// Names in a folder, sorted bytewise ("." and ".." left out).
std::vector<Bytes> ListNames(const Bytes& folder);

// A PDF from QPdfWriter: `pages` pages of `pagePoints` size, each with a black
// filled rectangle at `content` (in points) and its page number.
struct PdfLayout {
    int pages = 1;
    QSizeF pagePoints{595, 842};  // A4 portrait
    QRectF content{100, 150, 300, 400};
};
void MakePdf(const Bytes& path, const PdfLayout& layout = {});
// The same PDF, then an update that requires a password nobody knows.
void MakeEncryptedPdf(const Bytes& path);

// An invoice as offices print it (請求書, its number, two dates, the sender),
// as a text PDF; and the same page printed and scanned: 300 dpi grey with a
// little noise, on its own and as a PDF with no text layer.
void MakeInvoicePdf(const Bytes& path);
QImage ScannedInvoicePage(unsigned seed = 7);
// One line of Japanese-capable type `pixels` high, its baseline at (x, y).
void DrawLine(QPainter& painter, qreal x, qreal y, int pixels, const QString& text);
void MakeScannedInvoicePdf(const Bytes& path, unsigned seed = 7);
// A4 at 300 dpi in grey, white, with `draw` painting on it in points: a
// printed page as a scanner sees it.
QImage DrawnScanPage(const std::function<void(QPainter&)>& draw);
// That page as office scanners send it at their cheapest: turned a quarter,
// at 200 dpi, bitonal.
QImage TurnedFaintBitonal(const QImage& page);
// A grey picture as the readers take a page drawn for OCR.
GreyImage GreyOf(const QImage& grey, int dpi);

// An MP3 of `milliseconds` of tone, encoded by lamemp3enc at a constant bit rate.
void MakeMp3(const Bytes& path, int milliseconds = 1000, int rate = 44100, int kbps = 128);

// Shift-JIS bytes for a name (for folders unpacked from Windows archives).
Bytes ShiftJis(const char* utf8);
