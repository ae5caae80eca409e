// SPDX-License-Identifier: GPL-3.0-or-later
// The user's naming scheme: learnt from names given to files whose fields
// were read, and composed for the next file.
#include <gtest/gtest.h>

#include "names/Candidates.h"
#include "names/NameScheme.h"

namespace {

const CodePage& Utf8() {
    static const CodePage cp = CodePage::FromNumber(65001);
    return cp;
}
std::u16string U16(const char* utf8) { return ToUtf16(utf8, Utf8()); }
std::string Utf8Of(const std::u16string& text) { return FromUtf16(text, Utf8()); }

struct Document {
    const char* kind;    // the heading, in the largest type
    const char* date;    // as printed after 発行日
    const char* sender;  // as printed
    const char* number;  // after 請求書番号
};

// The fields the readers find on an invoice laid out as Japanese ones are.
FileFields FieldsOf(const Document& d) {
    FileText text;
    text.pages.push_back({0, 595, 842});
    const auto line = [&](const std::string& t, float x, float y, float size) {
        text.lines.push_back({U16(t.c_str()), {x, y, x + 200, y + size}, size, 0});
    };
    if (*d.kind) line(d.kind, 250, 40, 24);
    line("株式会社見本商事 御中", 40, 100, 12);
    if (*d.number) line(std::string("請求書番号：") + d.number, 380, 100, 10);
    if (*d.date) line(std::string("発行日 ") + d.date, 380, 115, 10);
    if (*d.sender) line(d.sender, 380, 140, 10);
    line("お支払期限 2027年1月31日", 40, 400, 10);
    return ReadFields(text);
}

const Document kAoba{"請求書", "2026年3月31日", "株式会社青葉システム", "INV-0042"};
const Document kYamada{"見積書", "令和8年4月30日", "有限会社山田商店", "Q-707"};
const Document kSakura{"納品書", "2026/05/01", "さくら工業(株)", "D-120"};

NameExample Example(const Document& d, const char* name) { return {FieldsOf(d), U16(name)}; }

std::string Composed(const std::vector<NameExample>& examples, const Document& next) {
    const std::optional<NameTemplate> scheme = LearnScheme(examples);
    if (!scheme) return "(no scheme)";
    const std::optional<std::u16string> name = ComposeName(*scheme, FieldsOf(next));
    return name ? Utf8Of(*name) : "(none)";
}

TEST(NameScheme, LearntFromExamplesAndComposedForTheNextFile) {
    const struct {
        const char* what;
        std::vector<NameExample> examples;
        std::string expected;  // for kYamada
    } cases[] = {
        {"one example: date, kind, sender without its company form",
         {Example(kAoba, "2026-03-31_請求書_青葉システム")},
         "2026-04-30_見積書_山田商店"},
        {"a space, and the year and month", {Example(kAoba, "青葉システム 請求書 202603")}, "山田商店 見積書 202604"},
        {"a hyphen beside the number's own", {Example(kAoba, "20260331-INV-0042")}, "20260430-Q-707"},
        {"・", {Example(kAoba, "請求書・青葉システム")}, "見積書・山田商店"},
        {"the sender as printed", {Example(kAoba, "株式会社青葉システム_請求書")}, "有限会社山田商店_見積書"},
        {"a field twice", {Example(kAoba, "20260331_請求書_20260331")}, "20260430_見積書_20260430"},
        {"literal text stays", {Example(kAoba, "経理 請求書 2026-03")}, "経理 見積書 2026-04"},
        {"the second date: the user's choice of the due date",
         {Example(kAoba, "請求書 支払2027-01-31")}, "見積書 支払2027-01-31"},
        {"a sender printed without its form is ambiguous; a second example settles it",
         {Example({"請求書", "2026年3月1日", "青葉システム", ""}, "青葉システム_請求書"),
          Example(kSakura, "さくら工業_納品書")},
         "山田商店_見積書"},
        {"a name unrelated to the fields teaches nothing and forgets nothing",
         {Example(kAoba, "2026-03-31_請求書_青葉システム"), Example(kSakura, "会議のメモ")},
         "2026-04-30_見積書_山田商店"},
        {"nothing but unrelated names", {Example(kAoba, "会議のメモ")}, "(no scheme)"},
        {"one change of scheme keeps the old one",
         {Example(kAoba, "2026-03-31_請求書"), Example(kSakura, "2026-05-01_納品書"), Example(kAoba, "2026-03-31_請求書"),
          Example(kSakura, "納品書 20260501")},
         "2026-04-30_見積書"},
        {"the newest two win",
         {Example(kAoba, "2026-03-31_請求書"), Example(kSakura, "2026-05-01_納品書"), Example(kAoba, "2026-03-31_請求書"),
          Example(kSakura, "納品書 20260501"), Example(kAoba, "請求書 20260331")},
         "見積書 20260430"},
    };
    for (const auto& c : cases) EXPECT_EQ(Composed(c.examples, kYamada), c.expected) << c.what;
}

TEST(NameScheme, EachDateForm) {
    const struct {
        const char* given;
        const char* expected;
    } cases[] = {
        {"2026-03-31", "2026-04-30"},       {"20260331", "20260430"},     {"2026-03", "2026-04"},
        {"202603", "202604"},               {"2026年3月31日", "2026年4月30日"}, {"2026年03月31日", "2026年04月30日"},
        {"2026.03.31", "2026.04.30"},       {"令和8年3月31日", "令和8年4月30日"}, {"R8.3.31", "R8.4.30"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Composed({Example(kAoba, (std::string(c.given) + " 請求書").c_str())}, kYamada),
                  std::string(c.expected) + " 見積書")
            << c.given;
}

TEST(NameScheme, NoHalfNamesAndOnlyNamesTheCheckTakes) {
    const std::vector<NameExample> examples{Example(kAoba, "2026-03-31_請求書_青葉システム")};
    const NameTemplate scheme = *LearnScheme(examples);
    // A slot with no field: no name, never one with a hole.
    EXPECT_FALSE(ComposeName(scheme, FieldsOf({"", "2026年4月30日", "有限会社山田商店", ""})));
    EXPECT_TRUE(ComposedName(scheme, FieldsOf({"請求書", "2026年4月30日", "", ""})).empty());

    // Shift-JIS: the name is its exact bytes; a character that comes back as another is refused.
    const CodePage cp932 = CodePage::FromNumber(932);
    const Bytes name = ComposedName(scheme, FieldsOf(kYamada), cp932);
    EXPECT_EQ(name, FromUtf16(U16("2026-04-30_見積書_山田商店"), cp932));
    EXPECT_EQ(ToUtf16(name, cp932), U16("2026-04-30_見積書_山田商店"));
    const Document minus{"請求書", "2026年4月30日", "株式会社青葉−システム", ""};  // U+2212 comes back as U+FF0D
    EXPECT_FALSE(ComposedName(scheme, FieldsOf(minus), Utf8()).empty());
    EXPECT_TRUE(ComposedName(scheme, FieldsOf(minus), cp932).empty());
    // Too long for a name once filled: not offered cut short.
    const std::string longSender = "株式会社" + std::string(70, 'x');
    const Document wordy{"請求書", "2026年4月30日", longSender.c_str(), ""};
    EXPECT_TRUE(ComposedName(scheme, FieldsOf(wordy), Utf8()).empty());
}

TEST(NameScheme, OldNameNumberAndTags) {
    FileFields scan = FieldsOf(kAoba);
    for (Field& field : OldNameFields(u"scan0042")) scan.push_back(field);
    const NameTemplate numbered = *LearnScheme({{scan, U16("請求書 No42")}});
    FileFields next = FieldsOf(kYamada);
    for (Field& field : OldNameFields(u"scan0108")) next.push_back(field);
    EXPECT_EQ(Utf8Of(*ComposeName(numbered, next)), "見積書 No108");

    FileText song;
    song.tags = {u"春の歌", u"山田", u"四季", 3, 2024};
    FileText other;
    other.tags = {u"夏の海", u"佐藤", u"四季", 12, 2025};
    const NameTemplate tagged = *LearnScheme({{ReadFields(song), U16("山田「春の歌」 003 (2024)")}});
    EXPECT_EQ(Utf8Of(*ComposeName(tagged, ReadFields(other))), "佐藤「夏の海」 012 (2025)");
}

TEST(NameScheme, DefaultNamesOfScannersAndRecorders) {
    for (const char* name : {"scan0001", "IMG_1234", "DOC20260331-001", "rec001", "新規録音 3", "Scan 2026-03-31 10.20.33",
                             "20260331_143012", "0007"})
        EXPECT_TRUE(LooksLikeDefaultName(U16(name))) << name;
    for (const char* name : {"2026-03-31_請求書_青葉システム", "青葉システム 請求書 202603", "20260331 INV-0042",
                             "山田「春の歌」", "20260331 0042", "会議のメモ"})
        EXPECT_FALSE(LooksLikeDefaultName(U16(name))) << name;
}

}  // namespace
