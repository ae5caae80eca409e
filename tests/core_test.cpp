// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <random>
#include <regex>

#include "core/CodePage.h"
#include "core/Errors.h"
#include "core/FileNameCheck.h"
#include "core/NaturalOrder.h"
#include "core/Paths.h"
#include "support/Literals.h"

namespace {

const CodePage cp932 = CodePage::FromNumber(932);
const CodePage utf8 = CodePage::FromNumber(65001);
const CodePage cp1252 = CodePage::FromNumber(1252);

Bytes Sjis(const char* text) { return InCodePage(text, cp932); }

}  // namespace

TEST(CodePage, LeadBytesComeFromIconvForDoubleByteCodePagesOnly) {
    int leads = 0;
    for (int b = 0; b < 256; ++b) leads += cp932.IsLeadByte(static_cast<unsigned char>(b));
    EXPECT_EQ(leads, (0x9F - 0x81 + 1) + (0xFC - 0xE0 + 1));
    EXPECT_TRUE(cp932.IsLeadByte(0x81));
    EXPECT_TRUE(cp932.IsLeadByte(0xFC));
    EXPECT_FALSE(cp932.IsLeadByte(0xA0));  // half-width katakana stand alone
    EXPECT_FALSE(utf8.HasLeadBytes());
    EXPECT_FALSE(cp1252.HasLeadBytes());
    EXPECT_EQ(CodePage::FromCodeset("SHIFT_JIS").Number(), 932u);
    EXPECT_EQ(CodePage::FromCodeset("utf-8").Number(), 65001u);
}

TEST(CodePage, TrailByteRuleCountsLeadBytesBackwards) {
    const Bytes hyou = Sjis("表");  // 95 5C
    ASSERT_EQ(hyou, "\x95\x5C");
    EXPECT_FALSE(IsTrailByte(hyou, 0, cp932));
    EXPECT_TRUE(IsTrailByte(hyou, 1, cp932));
    const Bytes aHyou = Sjis("亜表");  // 88 9F 95 5C: three lead values before the 5C
    ASSERT_EQ(aHyou, "\x88\x9F\x95\x5C");
    EXPECT_TRUE(IsTrailByte(aHyou, 3, cp932));
    EXPECT_FALSE(IsTrailByte(hyou + "\\", 2, cp932));  // the third byte follows a trail byte
    EXPECT_FALSE(IsTrailByte(hyou, 1, utf8));          // no lead bytes, no trail bytes
}

TEST(Paths, WindowsStyleOnShiftJisKeepsDoubleByteCharactersWhole) {
    const auto style = PathStyle::Windows;
    const Bytes cover = "C:\\doc\\" + Sjis("表紙") + ".pdf";
    EXPECT_EQ(FolderPart(cover, style, cp932), "C:\\doc\\");
    EXPECT_EQ(FileNamePart(cover, style, cp932), Sjis("表紙") + ".pdf");
    const Bytes inHyou = "C:\\" + Sjis("表") + "\\a.pdf";
    EXPECT_EQ(FolderPart(inHyou, style, cp932), "C:\\" + Sjis("表") + "\\");
    EXPECT_EQ(FileNamePart(inHyou, style, cp932), "a.pdf");
    // On a single-byte code page the same 5C is a delimiter.
    EXPECT_EQ(FileNamePart(inHyou, style, cp1252), "a.pdf");
    EXPECT_EQ(FileNamePart("C:\\" + Sjis("表"), style, cp1252), "");
    EXPECT_EQ(LastDelimiter("C:a.pdf", style, cp932), 2u);
    EXPECT_EQ(LastDelimiter("a.pdf", style, cp932), 0u);
    EXPECT_EQ(FileNamePart("a.pdf", style, cp932), "a.pdf");
}

TEST(Paths, TrailingDelimiterIsAddedOnlyWhenMissing) {
    const auto style = PathStyle::Windows;
    EXPECT_EQ(WithTrailingDelimiter("C:", style, cp932), "C:\\");
    EXPECT_EQ(WithTrailingDelimiter("", style, cp932), "\\");
    EXPECT_EQ(WithTrailingDelimiter("C:\\doc\\", style, cp932), "C:\\doc\\");
    // A folder ending in 表 ends in a trail byte 5C, not a delimiter.
    EXPECT_EQ(WithTrailingDelimiter("C:\\" + Sjis("表"), style, cp932), "C:\\" + Sjis("表") + "\\");
    EXPECT_EQ(WithTrailingDelimiter("/tmp", PathStyle::Posix, utf8), "/tmp/");
    EXPECT_EQ(WithTrailingDelimiter("/tmp/", PathStyle::Posix, utf8), "/tmp/");
    EXPECT_EQ(FolderPart("/home/a/b.pdf", PathStyle::Posix, utf8), "/home/a/");
    EXPECT_EQ(FileNamePart("/home/a\\b.pdf", PathStyle::Posix, utf8), "a\\b.pdf");
}

TEST(FileNameCheck, DoubleByteNamesWhoseSecondByteLooksForbiddenPass) {
    EXPECT_FALSE(HasForbiddenChar("", cp932));
    EXPECT_FALSE(HasForbiddenChar(Sjis("表示"), cp932));
    EXPECT_FALSE(HasForbiddenChar(Sjis("ソフト"), cp932));
    EXPECT_FALSE(HasForbiddenChar(Sjis("ポイント"), cp932));
    EXPECT_FALSE(HasForbiddenChar(Sjis("亜表"), cp932));
    EXPECT_TRUE(HasForbiddenChar(Sjis("表") + "\\", cp932));
    EXPECT_TRUE(HasForbiddenChar(Sjis("ソフト") + "|", cp932));
    // Full-width forms are characters of their own.
    for (const char* wide : {"＼", "／", "：", "？", "｜"}) EXPECT_FALSE(HasForbiddenChar(Sjis(wide), cp932)) << wide;
}

TEST(FileNameCheck, TabAndEachOfTheTenAreRefusedWhereACharacterBegins) {
    EXPECT_EQ(ForbiddenChars, "\\/:;*?\"<>|");
    EXPECT_TRUE(HasForbiddenChar("a;b", cp932));
    EXPECT_TRUE(HasForbiddenChar("a\tb", cp932));
    for (char c : ForbiddenChars) EXPECT_TRUE(HasForbiddenChar(Bytes("x") + c + "y", cp932)) << c;
    EXPECT_FALSE(HasForbiddenChar(" trailing dots... ", cp932));
    EXPECT_FALSE(HasForbiddenChar("CON", cp932));
    EXPECT_FALSE(HasForbiddenChar("a\x01" "b", cp932));
    // Without lead bytes every 5C and 7C counts.
    EXPECT_TRUE(HasForbiddenChar(Sjis("表示"), cp1252));
    EXPECT_TRUE(HasForbiddenChar(Sjis("ポイント"), cp1252));
    EXPECT_FALSE(HasForbiddenChar("表示ソフト", LiteralCodePage()));
}

TEST(Conversion, EveryByteSurvivesTheRoundTripThroughUtf16) {
    std::mt19937 random(7);
    for (const CodePage* cp : {&utf8, &cp932, &cp1252}) {
        for (int i = 0; i < 300; ++i) {
            Bytes text(random() % 12, '\0');
            for (char& c : text) c = static_cast<char>(random() % 256);
            EXPECT_EQ(FromUtf16(ToUtf16(text, *cp), *cp), text) << cp->Number();
        }
    }
    EXPECT_EQ(ToUtf16(Sjis("表紙.pdf"), cp932), u"表紙.pdf");
    EXPECT_EQ(ToUtf16("表紙", LiteralCodePage()), u"表紙");
    EXPECT_EQ(ToUtf16("\xC0\xAF", utf8), std::u16string(u"\xDCC0\xDCAF"));  // overlong "/" stays two bytes
}

TEST(ErrorDisplayText, FullStopIsAddedAfterCharactersThatSortAfterIt) {
    EXPECT_EQ(WithFullStop("done."), "done.");
    EXPECT_EQ(WithFullStop("ファイルが見つかりません"), "ファイルが見つかりません.");
    EXPECT_EQ(WithFullStop(""), "");
    EXPECT_EQ(WithFullStop("ends with space "), "ends with space ");
    EXPECT_EQ(WithFullStop("abc"), "abc.");
}

TEST(StartupReport, NamesTypeModuleOffsetAndMessage) {
    try {
        throw EOleSysError("クラスが登録されていません", static_cast<std::int32_t>(0x80040154));
    } catch (const Exception& error) {
        const Bytes report = StartupErrorReport(error);
        // Matched piecewise: a double-byte text's second bytes may be regex syntax.
        const Bytes head = "EOleSysErrorがモジュール test_core", middle = " の ",
                    tail = " で発生しました。\nクラスが登録されていません.";
        ASSERT_TRUE(report.starts_with(head) && report.ends_with(tail)) << report;
        const std::size_t at = report.find(middle, head.size());
        ASSERT_NE(at, Bytes::npos) << report;
        const Bytes module = report.substr(head.size(), at - head.size());
        const Bytes offset = report.substr(at + middle.size(), report.size() - tail.size() - at - middle.size());
        EXPECT_TRUE(module.empty() || module == ".exe") << report;
        EXPECT_TRUE(std::regex_match(offset, std::regex("[0-9A-F]{8}"))) << report;
        EXPECT_NE(error.RaisedAt(), nullptr);
    }
    EXPECT_EQ(StartupErrorReport(Exception("x.")).substr(StartupErrorReport(Exception("x.")).size() - 3), "\nx.");
}

TEST(NaturalOrder, NumbersByValueLettersWithoutCase) {
    EXPECT_TRUE(NaturalLess("scan2.pdf", "scan10.pdf"));
    EXPECT_FALSE(NaturalLess("scan10.pdf", "scan2.pdf"));
    EXPECT_TRUE(NaturalLess("a.pdf", "B.PDF"));
    EXPECT_TRUE(NaturalLess("A.pdf", "a.pdf"));  // bytes break the tie
    EXPECT_FALSE(NaturalLess("a.pdf", "A.pdf"));
    EXPECT_TRUE(NaturalLess("x007", "x8"));
}

namespace {

// The rules read directly: digit runs by value, letters without case, bytes last.
int ReferenceCompare(std::string_view a, std::string_view b) {
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    auto fold = [](unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; };
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (digit(a[i]) && digit(b[j])) {
            std::size_t za = i, zb = j;
            while (za < a.size() && a[za] == '0') ++za;
            while (zb < b.size() && b[zb] == '0') ++zb;
            std::size_t ea = za, eb = zb;
            while (ea < a.size() && digit(a[ea])) ++ea;
            while (eb < b.size() && digit(b[eb])) ++eb;
            if (ea - za != eb - zb) return ea - za < eb - zb ? -1 : 1;
            if (int c = a.substr(za, ea - za).compare(b.substr(zb, eb - zb))) return c;
            i = ea;
            j = eb;
            continue;
        }
        const int fa = fold(a[i]), fb = fold(b[j]);
        if (fa != fb) return fa - fb;
        ++i;
        ++j;
    }
    if (i < a.size() || j < b.size()) return i < a.size() ? 1 : -1;
    return a.compare(b);
}

}  // namespace

TEST(NaturalOrder, KeysOrderLikeTheRules) {
    std::mt19937 random(11);
    const char alphabet[] = "aAbB0019._-";
    for (int i = 0; i < 3000; ++i) {
        auto name = [&] {
            Bytes s(1 + random() % 6, 'a');
            for (char& c : s) c = alphabet[random() % (sizeof alphabet - 1)];
            return s;
        };
        const Bytes a = name(), b = name();
        EXPECT_EQ(NaturalLess(a, b), ReferenceCompare(a, b) < 0) << a << " " << b;
    }
    EXPECT_TRUE(NaturalLess("a01", "a1"));   // equal numbers: bytes decide
    EXPECT_TRUE(NaturalLess("a9", "a10"));
    EXPECT_TRUE(NaturalLess("a", "a0"));
    EXPECT_TRUE(NaturalLess("x-1", "x1"));    // '-' sorts before a digit
    EXPECT_TRUE(NaturalLess("x1", "xa"));
    EXPECT_TRUE(NaturalLess("file 2", "File 10"));
}
