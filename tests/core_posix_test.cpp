// SPDX-License-Identifier: GPL-3.0-or-later
// The core's tests that need a POSIX locale or Qt.
#include <gtest/gtest.h>

#include <langinfo.h>
#include <clocale>
#include <cstdlib>
#include <random>

#include "core/CodePage.h"
#include "core/FileNameCheck.h"
#include "core/Paths.h"
#include "support/Fixtures.h"
#include "qt/QtBytes.h"

namespace {

Bytes Sjis(const char* utf8Text) { return ShiftJis(utf8Text); }

}  // namespace

// Under a real Shift-JIS locale, a UTF-8 folder name such as テ (E3 83 86) ends
// in lead-byte values, yet the "/" after it still splits the path.
TEST(Paths, PosixPathsSplitAtEverySlashUnderAShiftJisLocale) {
    TempDir locales;
    const Bytes build = "localedef --no-warnings=ascii -c -i ja_JP -f SHIFT_JIS " + (locales / "ja_JP.SJIS");
    ASSERT_EQ(std::system(build.c_str()), 0);
    setenv("LOCPATH", locales.Path().c_str(), 1);
    const std::string previous = setlocale(LC_CTYPE, nullptr);
    ASSERT_NE(setlocale(LC_CTYPE, "ja_JP.SJIS"), nullptr);
    const CodePage sjis = CodePage::FromCodeset(nl_langinfo(CODESET));
    setlocale(LC_CTYPE, previous.c_str());
    unsetenv("LOCPATH");
    ASSERT_EQ(sjis.Number(), 932u);
    const Bytes te = "\xE3\x83\x86";
    const auto posix = PathStyle::Posix;
    EXPECT_EQ(FolderPart("/d/" + te + "/a.pdf", posix, sjis), "/d/" + te + "/");
    EXPECT_EQ(FileNamePart("/d/" + te + "/a.pdf", posix, sjis), "a.pdf");
    EXPECT_EQ(WithTrailingDelimiter("/d/" + te + "/", posix, sjis), "/d/" + te + "/");
    EXPECT_TRUE(HasForbiddenChar(te + "/c", sjis));
    EXPECT_EQ(FolderPart("C:\\" + Sjis("表") + "\\a.pdf", PathStyle::Windows, sjis), "C:\\" + Sjis("表") + "\\");
}

TEST(Conversion, QtBoundaryIsLosslessAndShowsUndecodableBytes) {
    const Bytes sjisName = Sjis("請求書") + ".pdf";  // not UTF-8
    EXPECT_EQ(FromQString(ToQString(sjisName)), sjisName);
    // Shown as the list shows it, so that a message names the row it is about.
    EXPECT_EQ(ToDisplayString(sjisName), ToEscapedString(sjisName));
    EXPECT_EQ(ToDisplayString("「" + sjisName + "」\n表紙.pdf"), "「" + ToEscapedString(sjisName) + "」\n表紙.pdf");
}

TEST(Conversion, EscapedTextTellsLookAlikesApartAndReadsBack) {
    EXPECT_EQ(ToEscapedString("\x88\x9F.pdf"), QStringLiteral("\\x88\\x9F.pdf"));
    EXPECT_EQ(ToEscapedString("表紙\\x88\t.pdf"), QStringLiteral("表紙\\\\x88\\x09.pdf"));
    EXPECT_EQ(ToEscapedString("a\\b\\"), QStringLiteral("a\\b\\"));
    EXPECT_EQ(FromEscapedString(QStringLiteral("a\\xzz\\x8e.pdf")), Bytes("a\\xzz\x8e.pdf"));
    // Names made of the pieces that could be confused: each reads back as itself.
    const Bytes pieces[] = {"\\", "x", "8", "F", "\x88", "\x9F", "\xE3\x81\x82", "\n", "a"};
    std::mt19937 random(11);
    for (int i = 0; i < 500; ++i) {
        Bytes name;
        for (int n = random() % 8; n > 0; --n) name += pieces[random() % std::size(pieces)];
        EXPECT_EQ(FromEscapedString(ToEscapedString(name)), name) << name;
    }
}
