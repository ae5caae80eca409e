// SPDX-License-Identifier: GPL-3.0-or-later
// Names from the text: dates, the name check's look-alikes, candidates from
// lines as the readers give them, and random input for the builder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "core/FileNameCheck.h"
#include "names/Candidates.h"
#include "names/Dates.h"
#include "names/Mp3Tags.h"
#include "names/PdfText.h"

namespace {

const CodePage& Utf8() {
    static const CodePage cp = CodePage::FromNumber(65001);
    return cp;
}
const CodePage& Cp932() {
    static const CodePage cp = CodePage::FromNumber(932);
    return cp;
}
std::u16string U16(const Bytes& utf8) { return ToUtf16(utf8, Utf8()); }

std::vector<std::string> Found(const char* text) {
    std::vector<std::string> dates;
    for (const FoundDate& date : FindDates(U16(text))) dates.push_back(IsoDate(date));
    return dates;
}

TEST(NameDates, EachFormNormalised) {
    const struct {
        const char* text;
        const char* iso;
    } cases[] = {
        {"2026-03-31", "2026-03-31"},
        {"2026/3/31", "2026-03-31"},
        {"2026.3.31", "2026-03-31"},
        {"2026年3月31日", "2026-03-31"},
        {"発行日：２０２６年 ３月 ３１日", "2026-03-31"},
        {"20260331", "2026-03-31"},
        {"令和8年3月31日", "2026-03-31"},
        {"令和 ８ 年３月３１日", "2026-03-31"},
        {"R8.3.31", "2026-03-31"},
        {"r08/03/31", "2026-03-31"},
        {"H31/4/30", "2019-04-30"},
        {"平成31年4月30日", "2019-04-30"},
        {"令和元年5月1日", "2019-05-01"},
        {"平成元年1月8日", "1989-01-08"},
        {"昭和64年1月7日", "1989-01-07"},
        {"March 31, 2026", "2026-03-31"},
        {"31 Mar 2026", "2026-03-31"},
        {"Sept. 1, 2025", "2025-09-01"},
        {"2024-02-29", "2024-02-29"},
    };
    for (const auto& c : cases) EXPECT_EQ(Found(c.text), std::vector<std::string>{c.iso}) << c.text;
    const FoundDate first = FindDates(U16("令和元年5月1日"))[0];
    EXPECT_EQ(CompactDate(first), "20190501");
}

TEST(NameDates, EuropeanFormsAndTheOrderOfDayAndMonth) {
    const struct {
        const char* text;
        DayMonth order;
        std::vector<std::string> iso;
    } cases[] = {
        {"August 3 , 2014", DayMonth::Unknown, {"2014-08-03"}},
        {"Invoice date: Aug 3rd, 2014", DayMonth::Unknown, {"2014-08-03"}},
        {"7. Mai 2014", DayMonth::Unknown, {"2014-05-07"}},
        {"19 april 2014", DayMonth::Unknown, {"2014-04-19"}},
        {"02 Juillet 2015", DayMonth::Unknown, {"2015-07-02"}},
        {"1er août 2015", DayMonth::Unknown, {"2015-08-01"}},
        {"3 de agosto de 2014", DayMonth::Unknown, {"2014-08-03"}},
        {"12 dicembre 2020", DayMonth::Unknown, {"2020-12-12"}},
        {"Datum: 3. März 2021", DayMonth::Unknown, {"2021-03-03"}},
        {"28/11/2022", DayMonth::MonthFirst, {"2022-11-28"}},  // a part above 12 settles it
        {"03/20/2023", DayMonth::DayFirst, {"2023-03-20"}},
        {"20-10-2015", DayMonth::Unknown, {"2015-10-20"}},
        {"03.04.2023", DayMonth::DayFirst, {"2023-04-03"}},
        {"03/04/2023", DayMonth::MonthFirst, {"2023-03-04"}},
        {"03/04/2023", DayMonth::Unknown, {"2023-04-03", "2023-03-04"}},
        {"05/05/2023", DayMonth::Unknown, {"2023-05-05"}},
        {"31/31/2023 13/13/2023 02/30/2023", DayMonth::Unknown, {}},  // never an impossible date
        {"Remember 10 Mayo", DayMonth::Unknown, {}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> found;
        for (const FoundDate& date : FindDates(U16(c.text), c.order)) found.push_back(IsoDate(date));
        EXPECT_EQ(found, c.iso) << c.text;
    }
    const struct {
        std::vector<const char*> lines;
        DayMonth order;
    } documents[] = {
        {{"Invoice", "Date 03/04/2023", "Due 28/04/2023"}, DayMonth::DayFirst},
        {{"Invoice", "Date 03/04/2023", "Total $120.00"}, DayMonth::MonthFirst},
        {{"Invoice", "Date 03/04/2023", "Total £120.00"}, DayMonth::DayFirst},
        {{"Invoice", "Date 03/04/2023"}, DayMonth::MonthFirst},
        {{"Rechnung", "Datum 03.04.2023"}, DayMonth::DayFirst},
        {{"Factuur", "03-04-2023"}, DayMonth::DayFirst},
        {{"03/04/2023"}, DayMonth::Unknown},
    };
    for (const auto& d : documents) {
        std::vector<std::u16string> lines;
        for (const char* line : d.lines) lines.push_back(U16(line));
        EXPECT_EQ(DayMonthOrder(lines), d.order) << d.lines[1];
    }
}

TEST(NameDates, ImpossibleOrOutsideTheirEraRejected) {
    for (const char* text : {"2026-02-30", "2025-02-29", "2026-13-01", "2026/4/31", "令和元年4月30日", "平成31年5月1日",
                             "昭和64年1月8日", "平成0年1月1日", "12026-03-31", "2026-03-311", "20261331", "No. 1234-56-78",
                             "2026-03/31", "Monday 31, 2026", "AR8.3.31"})
        EXPECT_EQ(Found(text), std::vector<std::string>{}) << text;
    EXPECT_EQ(Found("期間 2026/4/1〜2026/4/30"), (std::vector<std::string>{"2026-04-01", "2026-04-30"}));
}

TEST(NameAsName, RefusedCharactersBecomeLookAlikes) {
    const struct {
        const char* text;
        unsigned cp;
        const char* name;  // UTF-8; empty: not offered
    } cases[] = {
        {"a/b:c", 65001, "a／b：c"},
        {"<a|b>?*\\;\"", 65001, "＜a｜b＞？＊＼；”"},
        {"請求書\t2026 .", 65001, "請求書 2026"},
        {"  株式会社　 見本  ", 65001, "株式会社　見本"},
        {"表/示", 932, "表／示"},
        {"𠮷野家", 932, ""},  // no such character in 932: not offered changed
        {"a/b", 1252, "a_b"},  // no full-width forms in 1252
        {"...", 65001, ""},
    };
    for (const auto& c : cases) {
        const CodePage cp = CodePage::FromNumber(c.cp);
        const Bytes name = AsName(U16(c.text), cp);
        EXPECT_EQ(ToUtf16(name, cp), U16(c.name)) << c.text;
        if (!name.empty()) {
            EXPECT_FALSE(HasForbiddenChar(name, cp)) << c.text;
        }
    }
}

TextLine Line(const char* text, float x, float y, float size, int page = 0) {
    return TextLine{U16(text), TextBox{x, y, x + 200, y + size}, size, page};
}

std::vector<std::string> Utf8Names(const FileText& text) {
    std::vector<std::string> names;
    for (const Bytes& name : NameCandidates(text, Utf8())) names.push_back(name);
    return names;
}

TEST(NameCandidates, FromLinesBestFirst) {
    const struct {
        const char* what;
        std::vector<TextLine> lines;
        std::vector<std::string> expected;
    } cases[] = {
        {"invoice, with a due date further down and an addressee",
         {Line("御 請 求 書", 250, 40, 24), Line("株式会社見本商事 御中", 40, 100, 12),
          Line("請求書番号：INV-2026/0042", 380, 100, 10), Line("発行日 令和8年3月31日", 380, 115, 10),
          Line("株式会社サンプル技研 代表取締役 山田", 380, 140, 10), Line("TEL 03-1234-5678", 380, 155, 10),
          Line("お支払期限 2026年4月30日", 40, 400, 10)},
         {"2026-03-31", "INV-2026／0042", "請求書", "御請求書", "株式会社サンプル技研", "20260331", "2026-04-30",
          "20260430"}},
        {"OCR's spaces, the number in the next cell, telephone numbers left out",
         {Line("議 事 録", 250, 40, 20), Line("電話番号 03-1111-2222", 40, 80, 10), Line("No.", 40, 100, 10),
          Line("A-77", 300, 100, 10), Line("合同 会 社 テ ス ト", 40, 120, 10)},
         {"A-77", "議事録", "合同会社テスト"}},
        {"OCR's spaces inside brackets",
         {Line("納 品 書", 250, 40, 24), Line("発行元 : 北斗電機 (株 )", 380, 140, 10)},
         {"納品書", "北斗電機 (株)"}},
        {"the due date never first: above the issue date, its label misread, or in the cell on its left",
         {Line("請 求 書", 250, 40, 24), Line("支払期限", 300, 70, 10), Line("2026年12月31日", 510, 70, 10),
          Line("2026年11月30日", 380, 100, 10), Line("有効期限 2027/1/31", 40, 90, 10)},
         {"2026-11-30", "請求書", "20261130", "2026-12-31", "20261231", "2027-01-31", "20270131"}},
        {"the form ends the name, its representative follows",
         {Line("納 品 書", 250, 40, 24), Line("さくら工業株式会社 代表取締役 山田一郎", 380, 140, 10)},
         {"納品書", "さくら工業株式会社"}},
        {"nothing to go by", {Line("ページ", 40, 40, 10), Line("1", 40, 60, 10)}, {"ページ"}},
        {"OCR's noise is no title", {Line("Se", 250, 40, 24), Line("Bis", 40, 60, 20), Line("SL", 40, 80, 10)}, {"Bis"}},
    };
    for (const auto& c : cases) {
        FileText text;
        text.pages.push_back({0, 595, 842});
        text.lines = c.lines;
        EXPECT_EQ(Utf8Names(text), c.expected) << c.what;
    }
}

TEST(NameCandidates, InvoicesFromAbroadAndContracts) {
    const struct {
        const char* what;
        std::vector<TextLine> lines;
        std::vector<std::string> expected;
    } cases[] = {
        {"English: month first by its dollars; the one billed is no sender; a total is no title",
         {Line("Grand Total $1,200.00", 40, 20, 30), Line("INVOICE", 250, 60, 24),
          Line("Acme Cloud Services Inc.", 40, 100, 12), Line("Invoice Number: INV-2023-0042", 380, 100, 10),
          Line("Invoice Date: 03/04/2023", 380, 115, 10), Line("Bill to", 40, 160, 10),
          Line("Yamada Trading LLC", 40, 172, 10), Line("Due Date: 03/05/2023", 380, 130, 10)},
         {"2023-03-04", "INV-2023-0042", "Invoice", "INVOICE", "Acme Cloud Services Inc", "20230304", "2023-03-05",
          "20230305"}},
        {"German: its label, its month name, AG; the Rechnungsadresse block left out",
         {Line("Rechnung", 250, 40, 24), Line("QualityHosting AG", 40, 90, 12), Line("Rechnungsnr.: 2014-5521", 380, 100, 10),
          Line("Datum: 7. Mai 2014", 380, 115, 10), Line("Rechnungsadresse", 40, 150, 10),
          Line("Muster Handel GmbH", 40, 162, 10), Line("Summe 91,00 €", 380, 400, 10)},
         {"2014-05-07", "2014-5521", "Rechnung", "QualityHosting AG", "20140507"}},
        {"Dutch and French labels, B.V.; two characters are no number",
         {Line("Factuur", 250, 40, 24), Line("Coolblue B.V.", 40, 90, 12), Line("Factuurnummer: 91234567", 380, 100, 10),
          Line("19 april 2014", 380, 115, 10), Line("Facture n° 56", 380, 130, 10)},
         {"2014-04-19", "91234567", "Factuur", "Coolblue B.V", "20140419"}},  // a name ends in no dot
        {"Sold By, Pvt. Ltd.",
         {Line("Tax Invoice", 250, 40, 20), Line("Sold By: WS Retail Services Pvt. Ltd.", 40, 90, 10),
          Line("Order ID: 402-1234567-7654321", 380, 100, 10)},
         {"402-1234567-7654321", "Invoice", "Tax Invoice", "WS Retail Services Pvt. Ltd"}},
        {"the letterhead before the registered office the footer names first",
         {Line("Registered office: Foo Holding B.V., Amsterdam", 40, 800, 8), Line("Coolblue B.V.", 40, 40, 18),
          Line("Factuur", 300, 90, 14), Line("Factuurnummer: 91234567", 300, 110, 10)},
         {"91234567", "Factuur", "Coolblue B.V", "Foo Holding B.V"}},
        {"a contract's sender cut where its sentence goes on",
         {Line("業務委託契約書", 200, 40, 20),
          Line("株式会社青葉システム（以下「甲」という。）と株式会社山田商店（以下「乙」という。）は、次のとおり契約を締結する。", 40,
               100, 10)},
         {"契約書", "業務委託契約書", "株式会社青葉システム"}},
    };
    for (const auto& c : cases) {
        FileText text;
        text.pages.push_back({0, 595, 842});
        text.lines = c.lines;
        EXPECT_EQ(Utf8Names(text), c.expected) << c.what;
    }
    EXPECT_EQ(FromUtf16(WithoutCompanyForm(U16("QualityHosting AG")), Utf8()), "QualityHosting");
    EXPECT_EQ(FromUtf16(WithoutCompanyForm(U16("WS Retail Services Pvt. Ltd.")), Utf8()), "WS Retail Services");
    EXPECT_EQ(FromUtf16(WithoutCompanyForm(U16("さくら工業㈱")), Utf8()), "さくら工業");
}

TEST(NameCandidates, FromTags) {
    const struct {
        Tags tags;
        std::vector<std::string> expected;
    } cases[] = {
        {{u"春の歌", u"山田", u"", 3}, {"山田 - 春の歌", "03 春の歌", "春の歌"}},
        {{u"AC/DC?", u"", u"Live", 0}, {"AC／DC？", "Live"}},
        {{u"", u"Band", u"", 5}, {}},
    };
    for (const auto& c : cases) {
        FileText text;
        text.tags = c.tags;
        EXPECT_EQ(Utf8Names(text), c.expected);
    }
}

// OCR draws a page at fewer dots when it is large, and not at all when even
// then it would not fit the caps or be too coarse to read: never at 1 dpi.
TEST(NameOcrResolution, LargePagesFewerDotsHugeOnesNone) {
    const auto page = [](float width, float height) { return PageInfo{0, width, height, false, false}; };
    EXPECT_EQ(OcrResolution(page(595, 842), 300, 1), 300);              // A4
    const int a0 = OcrResolution(page(2384, 3370), 300, 1);            // A0: 40 megapixels at most
    EXPECT_GE(a0, kLeastOcrDpi);
    EXPECT_LE(double(a0) * a0 * 2384 * 3370 / (72.0 * 72.0), kMostPixels);
    EXPECT_EQ(OcrResolution(page(2.3e6f, 100), 300, 1), 0);             // a strip too long to read
    EXPECT_EQ(OcrResolution(page(1e7f, 1e7f), 300, 1), 0);
    EXPECT_EQ(OcrResolution(page(595, 842), 300, 0), 0);               // nothing of it
    EXPECT_EQ(OcrResolution(page(0, 842), 300, 1), 0);
}

TEST(NameTags, Latin1TextReadAsShiftJisOnlyWhenItIsNotLatin1) {
    const CodePage latin1 = CodePage::FromNumber(28591);
    const struct {
        Bytes bytes;
        const char* text;
    } cases[] = {
        {FromUtf16(U16("春の歌 (Live)"), Cp932()), "春の歌 (Live)"},
        {FromUtf16(U16("テスト"), Cp932()), "テスト"},
        {FromUtf16(U16("Café Müller"), latin1), "Café Müller"},
        {FromUtf16(U16("Größe"), latin1), "Größe"},      // ö ß are user-defined characters in 932
        {FromUtf16(U16("àé"), latin1), "àé"},            // one double-byte character is not enough
        {FromUtf16(U16("ÄÖÜ"), latin1), "ÄÖÜ"},          // half-width kana in 932
        {"plain", "plain"},
    };
    for (const auto& c : cases) EXPECT_EQ(DecodeLatin1Text(c.bytes), U16(c.text)) << c.text;
}

// Bounded random input: the builder and the tag decoding take whatever a
// folder holds. Every name offered passes the check, in either code page.
TEST(NameRandom, BuilderAndTagDecodingHoldUp) {
    // QUILVANE_NAMES_SEED and QUILVANE_NAMES_ROUNDS make a longer run under the sanitizers.
    const char* seed = std::getenv("QUILVANE_NAMES_SEED");
    const char* rounds = std::getenv("QUILVANE_NAMES_ROUNDS");
    std::mt19937 random(seed ? unsigned(std::strtoul(seed, nullptr, 10)) : 2026u);
    const std::u16string alphabet = u"0123456789０１２年月日令和平成元RH./-:：\\*?\"<>|\t 　株式会社番号No№請求書\u3231\xD800\xDC00\xFFFD\x01";
    for (long round = 0, last = rounds ? std::strtol(rounds, nullptr, 10) : 1500; round < last; ++round) {
        FileText text;
        text.pages.push_back({0, 595, 842});
        for (int l = int(random() % 8); l > 0; --l) {
            TextLine line;
            for (int n = int(random() % 30); n > 0; --n) line.text.push_back(alphabet[random() % alphabet.size()]);
            line.box = {float(random() % 600), float(random() % 900), float(random() % 600), float(random() % 900)};
            line.size = float(random() % 40);
            line.page = int(random() % 2);
            text.lines.push_back(line);
        }
        text.tags.title = text.lines.empty() ? u"" : text.lines[0].text;
        text.tags.track = int(random() % 2000);
        for (const CodePage* cp : {&Utf8(), &Cp932()}) {
            const std::vector<Bytes> names = NameCandidates(text, *cp);
            ASSERT_LE(names.size(), kMostCandidates);
            for (const Bytes& name : names) {
                ASSERT_FALSE(name.empty());
                ASSERT_FALSE(HasForbiddenChar(name, *cp)) << name;
            }
        }
        Bytes bytes;
        for (int n = int(random() % 40); n > 0; --n) bytes.push_back(char(random() % 256));
        const std::u16string decoded = DecodeLatin1Text(bytes);
        ASSERT_TRUE(std::none_of(decoded.begin(), decoded.end(), IsByteEscape));
        ReadMp3Tags("ID3\x03" + bytes);
        ReadMp3Tags(bytes);
    }
}

}  // namespace
