// SPDX-License-Identifier: GPL-3.0-or-later
// The user's naming scheme on generated files read by the real readers: what
// learning from 20 (and 40, the most the window keeps) examples and composing
// one name costs, beside building the file's candidate list; and how often a
// user naming files one after another in a scheme is offered the very name.
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/textidentificationframe.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <random>
#include <string>

#include "BenchSupport.h"
#include "names/Candidates.h"
#include "names/FileReader.h"
#include "names/NameScheme.h"
#include "names/NameSuggestions.h"
#include "qt/PlatformServices.h"
#include "support/Fixtures.h"
#include "support/NamePdfs.h"

namespace {

[[noreturn]] void Fail(const std::string& why) {
    std::fprintf(stderr, "scheme bench: %s\n", why.c_str());
    std::exit(1);
}

const CodePage& Utf8() {
    static const CodePage cp = CodePage::FromNumber(65001);
    return cp;
}
std::u16string U16(const std::string& utf8) { return ToUtf16(utf8, Utf8()); }
std::string Utf8Of(const std::u16string& text) { return FromUtf16(text, Utf8()); }

std::string Printf(const char* format, int a, int b = 0, int c = 0) {
    char text[128];
    std::snprintf(text, sizeof text, format, a, b, c);
    return text;
}

// What is printed on a document, and what a user would name it from.
struct Document {
    std::string heading, kind;  // 請 求 書 names 請求書
    std::string dateLine;       // with its label, in one of the forms offices print
    int month = 1, day = 1;     // of 2026
    std::string numberLine, number;
    std::string sender, senderShort;  // the sender's line as printed; the name without its company form
    std::string dueLine;        // a second date, lower on the page
};

// Digits as many Japanese forms print them: full width.
std::string Wide(const std::string& text) {
    std::string wide;
    for (char c : text)
        wide += c >= '0' && c <= '9' ? std::string("０１２３４５６７８９").substr(std::size_t(c - '0') * 3, 3) : std::string(1, c);
    return wide;
}

// The `i`th of a series: kind, sender, date form, number label and the
// sender's line each cycle at their own pace, so that neighbours differ.
Document MakeDocument(int i) {
    static const std::pair<const char*, const char*> kinds[] = {
        {"請 求 書", "請求書"}, {"御見積書", "見積書"}, {"納品書", "納品書"}, {"領収書", "領収書"}, {"注文書（控）", "注文書"}};
    static const std::pair<const char*, const char*> senders[] = {
        {"株式会社青葉システム", "青葉システム"}, {"有限会社山田商店", "山田商店"},   {"さくら工業株式会社", "さくら工業"},
        {"合同会社みどり企画", "みどり企画"},     {"北斗電機（株）", "北斗電機"},     {"株式会社　東西物産", "東西物産"}};
    Document d;
    d.heading = kinds[i % 5].first;
    d.kind = kinds[i % 5].second;
    d.month = 1 + i % 12;
    d.day = 1 + (i * 7 + 3) % 28;
    switch (i % 6) {
    case 0: d.dateLine = Printf("発行日：令和8年%d月%d日", d.month, d.day); break;
    case 1: d.dateLine = Printf("日付 2026/%d/%d", d.month, d.day); break;
    case 2: d.dateLine = Printf("2026年%d月%d日", d.month, d.day); break;
    case 3: d.dateLine = Printf("請求日：2026-%02d-%02d", d.month, d.day); break;
    case 4: d.dateLine = Printf("発行日 R8.%d.%d", d.month, d.day); break;
    default: d.dateLine = "発行日：" + Wide(Printf("2026年%d月%d日", d.month, d.day)); break;
    }
    const int n = 42 + 13 * i;
    switch (i % 4) {
    case 0: d.number = Printf("INV-2026-%04d", n), d.numberLine = "請求書番号：" + d.number; break;
    case 1: d.number = Printf("Q-%04d", n), d.numberLine = "No. " + d.number; break;
    case 2: d.number = Printf("D%05d", n), d.numberLine = "伝票番号 " + d.number; break;
    default: d.number = Printf("M-%03d", n), d.numberLine = "見積番号：" + d.number; break;
    }
    d.senderShort = senders[i % 6].second;
    switch (i % 3) {
    case 0: d.sender = senders[i % 6].first; break;
    case 1: d.sender = std::string("発行元：") + senders[i % 6].first; break;
    default: d.sender = std::string(senders[i % 6].first) + " 代表取締役 山田一郎"; break;
    }
    if (d.kind == "請求書") d.dueLine = Printf("お支払期限：2026年%d月%d日", d.month % 12 + 1, 28);
    if (d.kind == "見積書") d.dueLine = Printf("有効期限：2026年%d月%d日", d.month % 12 + 1, 15);
    return d;
}

// Laid out as Japanese offices print them, in points on A4.
void DrawDocument(QPainter& painter, const Document& d) {
    const auto text = [&](qreal x, qreal y, int size, const std::string& s) { DrawLine(painter, x, y, size, QString::fromStdString(s)); };
    text(230, 70, 28, d.heading);
    text(50, 120, 14, "株式会社見本商事 御中");
    text(370, 120, 11, d.numberLine);
    text(370, 138, 11, d.dateLine);
    text(370, 170, 13, d.sender);
    text(370, 188, 10, "〒100-0001 東京都千代田区1-2-3");
    text(370, 204, 10, "TEL 03-1234-5678");
    text(50, 260, 12, "下記のとおり申し上げます。");
    text(50, 300, 12, "品名　　　　　　数量　　単価　　金額");
    text(50, 322, 12, "保守作業費　　　1　　100,000　100,000");
    text(50, 380, 12, "合計金額　¥110,000（税込）");
    if (!d.dueLine.empty()) text(50, 420, 12, d.dueLine);
}

void WriteDocument(const Bytes& path, const Document& d) {
    QPdfWriter writer(QString::fromUtf8(path.c_str()));
    writer.setResolution(72);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter(&writer);
    DrawDocument(painter, d);
}

// The same document as a scanner sends it: a 300 dpi grey picture with
// specks; or as office scanners send it at their cheapest, turned a quarter,
// 200 dpi and bitonal; or fed in upside down.
enum class ScanWay { Grey, TurnedBitonal, UpsideDown };

void WriteScan(const Bytes& path, const Document& d, unsigned seed, ScanWay way) {
    const QImage page = DrawnScanPage([&d](QPainter& painter) { DrawDocument(painter, d); });
    GreyImage image;
    if (way == ScanWay::TurnedBitonal) {
        image = GreyOf(TurnedFaintBitonal(page), 200);
    } else if (way == ScanWay::UpsideDown) {
        image = GreyOf(page.transformed(QTransform().rotate(180)), 300);
    } else {
        image = GreyOf(page, 300);
        std::mt19937 random(seed);
        for (unsigned char& pixel : image.pixels)
            if (random() % 8 == 0) pixel = uchar(std::clamp(int(pixel) + int(random() % 41) - 20, 0, 255));
    }
    WriteFile(path, ImagePdf(image));
}

// The three schemes of documents, as a user types them.
const std::pair<const char*, std::function<std::string(const Document&)>> kSchemes[] = {
    {"date_kind_sender", [](const Document& d) { return Printf("2026-%02d-%02d_", d.month, d.day) + d.kind + "_" + d.senderShort; }},
    {"sender_kind_yyyymm", [](const Document& d) { return d.senderShort + " " + d.kind + Printf(" 2026%02d", d.month); }},
    {"yyyymmdd_number", [](const Document& d) { return Printf("2026%02d%02d ", d.month, d.day) + d.number; }},
};

struct Song {
    const char* artist;
    const char* title;
    const char* album;
    int track, year;
    bool shiftJis;  // in Latin-1 frames, as old Windows taggers wrote them
};

void WriteTags(const Bytes& path, const Song& song) {
    TagLib::MPEG::File file(path.c_str());
    TagLib::ID3v2::Tag* tag = file.ID3v2Tag(true);
    const auto frame = [&](const char* id, const std::string& text) {
        if (text.empty()) return;
        if (song.shiftJis) {
            const Bytes sjis = ShiftJis(text.c_str());
            auto* f = new TagLib::ID3v2::TextIdentificationFrame(id, TagLib::String::Latin1);
            f->setText(TagLib::String(TagLib::ByteVector(sjis.data(), unsigned(sjis.size())), TagLib::String::Latin1));
            tag->addFrame(f);
            return;
        }
        auto* f = new TagLib::ID3v2::TextIdentificationFrame(id, TagLib::String::UTF16);
        f->setText(TagLib::String(text, TagLib::String::UTF8));
        tag->addFrame(f);
    };
    frame("TPE1", song.artist);
    frame("TIT2", song.title);
    frame("TALB", song.album);
    if (song.track > 0) frame("TRCK", std::to_string(song.track));
    if (song.year > 0) frame("TDRC", std::to_string(song.year));
    if (!file.save(TagLib::MPEG::File::ID3v2)) Fail("cannot tag " + path);
}

// A file as the simulated user meets it: what the readers found, its old
// name, and the name the user gives it.
struct Named {
    FileFields fields;  // the readers' and the old name's
    std::u16string name;
};

FileFields FieldsOf(const FileText& text, const Bytes& oldStem) {
    FileFields fields = ReadFields(text);
    for (Field& field : OldNameFields(U16(oldStem))) fields.push_back(std::move(field));
    return fields;
}

FileText Read(FileReader& reader, const Bytes& path) {
    FileReader::Result read = reader.Read(path);
    if (!read.identity) Fail("cannot read " + path);
    return read.text;
}

std::string SlotText(const Slot& slot) {
    static const char* kinds[] = {"date",   "number", "kind",  "title", "sender", "tag_title",
                                  "artist", "album",  "track", "year",  "old",    "old_number"};
    std::string text = kinds[int(slot.kind)];
    if (slot.rank > 0) text += "#" + std::to_string(slot.rank);
    if (slot.form > 0) text += "/" + std::to_string(slot.form);
    return "{" + text + "}";
}

std::string TemplateText(const std::optional<NameTemplate>& scheme) {
    if (!scheme) return "(no scheme)";
    std::string text;
    for (const Piece& piece : scheme->pieces) text += piece.slot ? SlotText(*piece.slot) : Utf8Of(piece.text);
    return text;
}

// File i named after learning from files 0..i-1; hits counted from the third on.
void HitRate(const std::string& scheme, const std::vector<Named>& files) {
    int hits = 0, total = 0;
    std::vector<std::string> misses;
    std::vector<NameExample> examples;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::optional<NameTemplate> learnt = LearnScheme(examples);
        const std::optional<std::u16string> composed = learnt ? ComposeName(*learnt, files[i].fields) : std::nullopt;
        if (i >= 2) {
            ++total;
            if (composed == files[i].name) ++hits;
            else
                misses.push_back("file " + std::to_string(i + 1) + ": expected \"" + Utf8Of(files[i].name) + "\" composed \"" +
                                 (composed ? Utf8Of(*composed) : "(none)") + "\" scheme " + TemplateText(learnt));
        }
        examples.push_back({files[i].fields, files[i].name});
    }
    std::printf("bench scheme_hits_%s hits=%d total=%d share_percent=%.0f\n", scheme.c_str(), hits, total,
                100.0 * hits / total);
    for (const std::string& miss : misses) std::printf("#   miss %s\n", miss.c_str());
    std::fflush(stdout);
}

// Ours: the examples learnt and the next file's name composed, as the window
// does after each rename. The baseline: the same file's candidates built from
// its text, as it does for every file shown.
void LearnAndCompose(const std::vector<FileText>& texts, const std::vector<Bytes>& stems) {
    std::vector<NameExample> all;
    for (std::size_t i = 0; i + 1 < texts.size(); ++i)
        all.push_back({FieldsOf(texts[i], stems[i]), U16(kSchemes[0].second(MakeDocument(int(i))))});
    const FileText& next = texts.back();
    const FileFields nextFields = FieldsOf(next, stems.back());
    for (const std::size_t count : {std::size_t(20), std::size_t(40)}) {
        const std::vector<NameExample> examples(all.end() - long(count), all.end());
        std::size_t sink = 0;
        const std::vector<double> ours = TimesMs(1000, [&] {
            const std::optional<NameTemplate> scheme = LearnScheme(examples);
            if (!scheme) Fail("no scheme learnt");
            sink += ComposedName(*scheme, nextFields).size();
        });
        const std::vector<double> bare = TimesMs(1000, [&] { sink += NameCandidates(ReadFields(next)).size(); });
        if (sink == 0) Fail("nothing composed");
        std::printf("# learning from %zu examples and composing, goal 1 ms\n", count);
        Report("scheme_learn_" + std::to_string(count) + "_examples_and_compose_baseline_candidates_from_the_text", ours, bare);
    }
}

}  // namespace

// Per kind of field, how often the likeliest one read is what the document
// says, and what it was when it was not.
void FieldsRight(const char* what, const std::vector<FileText>& texts) {
    const char* kinds[] = {"date", "number", "kind", "sender"};
    int right[4] = {};
    std::string wrong;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const Document d = MakeDocument(int(i));
        const FileFields fields = ReadFields(texts[i]);
        const auto form = [&](FieldKind kind, int which) {
            const Field* field = FindField(fields, kind);
            return field && std::size_t(which) < field->forms.size() ? Utf8Of(field->forms[which]) : std::string("(none)");
        };
        const std::string found[4] = {form(FieldKind::Date, kDateIso), form(FieldKind::Number, 0), form(FieldKind::Kind, 0),
                                      form(FieldKind::Sender, kSenderShort)};
        const std::string expected[4] = {Printf("2026-%02d-%02d", d.month, d.day), d.number, d.kind, d.senderShort};
        for (int k = 0; k < 4; ++k) {
            if (found[k] == expected[k]) ++right[k];
            else wrong += Printf(" file %d ", int(i) + 1) + kinds[k] + ": " + found[k] + " for " + expected[k] + ";";
        }
    }
    std::printf("bench scheme_fields_right_%s documents=%zu date=%d number=%d kind=%d sender=%d\n", what, texts.size(), right[0],
                right[1], right[2], right[3]);
    if (!wrong.empty()) std::printf("# wrong:%s\n", wrong.c_str());
}

int main(int argc, char** argv) {
    InstallQtPlatformServices();
    QApplication application(argc, argv);
    TempDir dir;
    FileReader reader;

    // Learning and composing, on 41 invoices read once.
    std::vector<FileText> texts;
    std::vector<Bytes> stems;
    for (int i = 0; i < 41; ++i) {
        stems.push_back(Printf("scan%04d", i + 1));
        const Bytes path = dir / (stems.back() + ".pdf");
        WriteDocument(path, MakeDocument(i));
        texts.push_back(Read(reader, path));
    }
    LearnAndCompose(texts, stems);
    FieldsRight("text_layer", texts);
    // Twelve of them scanned, read as for the file shown: the top, then the whole page when a field is missing.
    const std::pair<const char*, ScanWay> ways[] = {
        {"scans", ScanWay::Grey}, {"scans_turned_200dpi_bitonal", ScanWay::TurnedBitonal}, {"scans_upside_down", ScanWay::UpsideDown}};
    for (const auto& [what, way] : ways) {
        std::vector<FileText> scans;
        for (int i = 0; i < 12; ++i) {
            const Bytes path = dir / Printf("scanned%02d.pdf", i + 1);
            WriteScan(path, MakeDocument(i), unsigned(i + 1), way);
            FileText top = reader.Read(path).text;
            const bool rest = NeedsTheRest({{}, ReadFields(top), !top.pages.empty() && top.pages[0].partial});
            scans.push_back(rest ? reader.Read(path, nullptr, ReadDepth::Whole).text : std::move(top));
        }
        FieldsRight(what, scans);
    }

    // The first twelve, named in each scheme by a user who types every name.
    for (const auto& [scheme, name] : kSchemes) {
        std::vector<Named> files;
        for (std::size_t i = 0; i < 12; ++i) files.push_back({FieldsOf(texts[i], stems[i]), U16(name(MakeDocument(int(i))))});
        HitRate(scheme, files);
    }

    // Twelve songs from lamemp3enc, tagged with TagLib, named artist「title」.
    static const Song songs[] = {
        {"山田太郎", "春の歌", "四季", 1, 2024, false},
        {"佐藤花子", "夏の海", "四季", 2, 2024, false},
        {"The Pillows", "Funny Bunny", "Happy Bivouac", 3, 1999, false},
        {"鈴木一郎", "秋桜", "", 0, 0, true},
        {"高橋みなみ", "どこへ?", "旅", 5, 2021, false},
        {"東京室内合奏団", "四季 第1楽章", "ヴィヴァルディ", 1, 2010, false},
        {"中村 真", "雨のち晴れ", "天気", 7, 2019, false},
        {"伊藤美咲", "Blue/Green", "色", 8, 2020, false},
        {"渡辺健", "夜明け前", "", 9, 2022, true},
        {"小林さち子", "ふるさと", "唱歌集", 10, 2018, false},
        {"加藤 Band", "走れ！", "", 0, 2023, false},
        {"吉田拓", "12月の雪", "冬", 12, 2017, false},
    };
    MakeMp3(dir / "tone.mp3", 300);
    std::vector<Named> tracks;
    for (int i = 0; i < 12; ++i) {
        const Bytes stem = Printf("track%02d", i + 1), path = dir / (stem + ".mp3");
        std::filesystem::copy_file(dir / "tone.mp3", path);
        WriteTags(path, songs[i]);
        // The name a user types: a refused character as its full-width look-alike.
        const std::u16string name = NameText(U16(std::string(songs[i].artist) + "「" + songs[i].title + "」"));
        tracks.push_back({FieldsOf(Read(reader, path), stem), name});
    }
    HitRate("mp3_artist_title", tracks);
    return 0;
}
