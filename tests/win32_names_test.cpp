// SPDX-License-Identifier: GPL-3.0-or-later
// The readers as the Windows program has them: TagLib, MuPDF and Tesseract
// cross-built, the language data beside the program, files named in code
// page 932, and every file let go as soon as it is read. Then the main window
// learning the user's naming scheme from what is typed into it.
#include <windows.h>

#include <gtest/gtest.h>

#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/textidentificationframe.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "core/CodePage.h"
#include "names/Candidates.h"
#include "names/FileReader.h"
#include "names/NameSuggestions.h"
#include "names/Ocr.h"
#include "names/PdfText.h"
#include "platform/FileSystem.h"
#include "platform/WholeFile.h"
#include "support/Mp3TagCases.h"
#include "support/NamePdfs.h"
#include "support/Win32Support.h"
#include "TForm1Layout.h"
#include "win32/FormWindow.h"
#include "win32/MuPdfViewerControl.h"
#include "win32/Unit1.h"

namespace {

bool Has(const std::vector<Bytes>& names, const char* name) { return std::find(names.begin(), names.end(), name) != names.end(); }

std::string Listed(const std::vector<Bytes>& names) {
    std::string all;
    for (const Bytes& name : names) all += name + " | ";
    return all;
}

// wchar_t has 16 bits here: TagLib hands over surrogate pairs, and its Latin-1
// frames go through Windows' own code page 932.
TEST(Win32Names, Mp3TagsOfAFileNamedInCodePage932) {
    TempDir dir;
    int n = 0;
    for (const Mp3TagCase& c : Mp3TagCases(u"\U00020BB7野家の歌")) {
        const Bytes tagged = dir / "tagged.mp3", named = dir / ("録音" + std::to_string(++n) + ".mp3");
        ASSERT_TRUE(CopyNewFile(QUILVANE_TEST_DATA "/tone-1s.mp3", tagged));
        {
            TagLib::MPEG::File file(tagged.c_str(), false);
            c.tag(file);
        }
        ASSERT_TRUE(MoveFileNoReplace(tagged, named).moved);
        ExpectTagsRead(c, FileReader().Read(named));
    }
}

// The text layer through MuPDF; then the same page as a scan, read by
// Tesseract with the language data beside the test program, even when another
// Tesseract's TESSDATA_PREFIX points elsewhere; and that scan upside down.
TEST(Win32Names, PdfTextLayerAndScanReadWithTheDataBesideTheProgram) {
    TempDir dir;
    // Lines enough for the letters' shapes to tell which way up the page stands.
    const Bytes text = TextPdf("Invoice No. 5042 of 2026-03-31\nAcme Trading Company, 1-2-3 Marunouchi, Tokyo\n"
                               "Thank you for your order of the following\nMaintenance work for March, one month\n"
                               "Total due within thirty days of this invoice");
    const Bytes invoice = dir / "請求書.pdf";
    ASSERT_TRUE(WriteFile(invoice, text));
    ASSERT_EQ(_putenv("TESSDATA_PREFIX=Z:\\nowhere"), 0);
    FileReader reader;
    const FileReader::Result read = reader.Read(invoice);
    ASSERT_TRUE(read.identity);
    ASSERT_FALSE(read.text.pages.empty());
    EXPECT_FALSE(read.text.pages[0].ocr);
    const std::vector<Bytes> fromText = NameCandidates(read.text);
    for (const char* name : {"2026-03-31", "5042"}) EXPECT_TRUE(Has(fromText, name)) << name << " in " << Listed(fromText);

    PdfText pdf;
    ASSERT_TRUE(pdf.Open(text));
    const Bytes scan = dir / "スキャン.pdf";
    ASSERT_TRUE(WriteFile(scan, ImagePdf(pdf.Draw(0, 200, 0, 1))));
    const FileReader::Result scanned = reader.Read(scan);
    ASSERT_FALSE(scanned.text.pages.empty());
    EXPECT_TRUE(scanned.text.pages[0].ocr);
    EXPECT_TRUE(scanned.text.pages[0].partial) << "the date stands in the top part";
    const std::vector<Bytes> fromScan = NameCandidates(scanned.text);
    for (const char* name : {"2026-03-31", "5042"}) EXPECT_TRUE(Has(fromScan, name)) << name << " in " << Listed(fromScan);

    // Fed in upside down: the orientation data beside the program turns it back.
    const Bytes over = dir / "逆さま.pdf";
    ASSERT_TRUE(WriteFile(over, ImagePdf(TurnedBack(pdf.Draw(0, 200, 0, 1), 2))));
    const std::vector<Bytes> fromOver = NameCandidates(reader.Read(over).text);
    for (const char* name : {"2026-03-31", "5042"}) EXPECT_TRUE(Has(fromOver, name)) << name << " in " << Listed(fromOver);
    _putenv("TESSDATA_PREFIX=");
}

// Renaming a file the reader has open succeeds, and once read, with the reader
// still there, the file is nobody's: a program may take it for itself.
TEST(Win32Names, AFileBeingReadCanBeRenamedAndIsLetGoOnceRead) {
    TempDir dir;
    const Bytes pdf = dir / "scan.pdf", renamed = dir / "表示.pdf";
    // Lines enough for the letters' shapes to tell which way up the page stands.
    const Bytes text = TextPdf("Invoice No. 5042 of 2026-03-31\nAcme Trading Company, 1-2-3 Marunouchi, Tokyo\n"
                               "Thank you for your order of the following\nMaintenance work for March, one month\n"
                               "Total due within thirty days of this invoice");
    ASSERT_TRUE(WriteFile(pdf, text));
    std::string bytes;
    std::optional<FileIdentity> identity;
    MoveOutcome move;
    const ReadProblem problem = ReadWholeFile(
        ToUtf16(pdf), 1 << 20,
        [&](std::size_t size) {
            move = MoveFileNoReplace(pdf, renamed);
            bytes.resize(size);
            return bytes.data();
        },
        &identity);
    EXPECT_TRUE(move.moved) << move.reason;
    EXPECT_EQ(problem, ReadProblem::None);
    EXPECT_EQ(bytes, text);

    FileReader reader;
    EXPECT_FALSE(NameCandidates(reader.Read(renamed).text).empty());
    HeldOpen alone(renamed, HeldOpen::Sharing::None);
    EXPECT_TRUE(alone.Held());
}

HWND ChildWithId(HWND form, int id) {
    std::pair<int, HWND> search{id, nullptr};
    EnumChildWindows(
        form,
        [](HWND child, LPARAM data) -> BOOL {
            auto* search = reinterpret_cast<std::pair<int, HWND>*>(data);
            if (GetDlgCtrlID(child) != search->first) return TRUE;
            search->second = child;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.second;
}

// The name box's drop-down: the popup list box the window owns.
HWND NameListOf(HWND form) {
    std::pair<HWND, HWND> search{form, nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM data) -> BOOL {
            auto* search = reinterpret_cast<std::pair<HWND, HWND>*>(data);
            char className[16] = {};
            GetClassNameA(window, className, sizeof className);
            if (lstrcmpiA(className, "ListBox") != 0 || GetWindow(window, GW_OWNER) != search->first) return TRUE;
            search->second = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.second;
}

std::vector<Bytes> Rows(HWND list) {
    std::vector<Bytes> rows;
    for (int row = 0, count = int(SendMessageA(list, LB_GETCOUNT, 0, 0)); row < count; ++row) {
        Bytes text(std::size_t(SendMessageA(list, LB_GETTEXTLEN, row, 0)) + 1, '\0');
        text.resize(std::size_t(SendMessageA(list, LB_GETTEXT, row, reinterpret_cast<LPARAM>(text.data()))));
        rows.push_back(text);
    }
    return rows;
}

// Two invoices named by hand in the real window, the readers reading off its
// thread: the third file's list opens with its own date and number in that
// scheme. With 提案した名前を名前欄に入れる on, Enter alone names the third,
// and the fourth on arrival.
TEST(Win32NameScheme, TwoNamesTypedTeachTheNextAndEnterAloneGivesIt) {
    TempDir dir;
    const char* const dates[] = {"2026-01-31", "2026-02-28", "2026-03-31", "2026-04-30"};
    const auto number = [](int i) { return std::to_string(5041 + i); };
    const auto inScheme = [&](int i) { return Bytes(dates[i]) + "_請求書_" + number(i); };
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(WriteFile(dir / ("scan000" + std::to_string(i + 1) + ".pdf"),
                              TextPdf("Invoice No. " + number(i) + " of " + dates[i])));
    FormWindow::RegisterClasses(GetModuleHandleA(nullptr));
    RegisterPdfViewerControl();
    TForm1 form;
    NameSuggestions names([&form](std::function<void()> task) { form.PostTask(std::move(task)); },
                          [&form](const Bytes& path, const FileNames& found) { form.Logic.NamesRead(path, found); },
                          FileNameReader());
    form.SetNameSource(&names);
    form.Show(SW_SHOWNA);
    const HWND box = ChildWithId(form.Handle(), TForm1Layout::E_Rename), list = NameListOf(form.Handle());
    ASSERT_NE(list, nullptr);
    const auto listed = [&](const Bytes& name) {
        return PumpUntil([&] { return Has(Rows(list), name.c_str()); }, 20000);
    };
    const auto enter = [&] { SendMessageA(box, WM_KEYDOWN, VK_RETURN, 0); };

    form.Logic.LoadDocument(dir / "scan0001.pdf");
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(listed(dates[i])) << Listed(Rows(list));
        SetWindowTextA(box, inScheme(i).c_str());
        enter();
    }
    ASSERT_TRUE(listed(dates[2])) << Listed(Rows(list));
    const std::vector<Bytes> rows = Rows(list);
    ASSERT_GE(rows.size(), 2u);
    EXPECT_EQ(rows[0], inScheme(2)) << Listed(rows);
    EXPECT_EQ(rows[1], dates[2]);
    EXPECT_EQ(WindowText(box), "scan0003");

    SendMessageA(form.Handle(), WM_COMMAND, TForm1Layout::N_FillProposed, 0);
    EXPECT_EQ(WindowText(box), inScheme(2));
    // All of it selected, in characters (GetWindowTextLengthW may count more).
    wchar_t text[64];
    DWORD from = 1, to = 0;
    SendMessageW(box, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
    EXPECT_EQ(from, 0u);
    EXPECT_EQ(to, DWORD(GetWindowTextW(box, text, 64)));
    enter();
    EXPECT_TRUE(PumpUntil([&] { return WindowText(box) == inScheme(3); }, 20000)) << WindowText(box);
    enter();
    std::vector<Bytes> named;
    for (int i = 0; i < 4; ++i) named.push_back(inScheme(i) + ".pdf");
    EXPECT_EQ(ListNames(dir.Path()), named);
}

}  // namespace
