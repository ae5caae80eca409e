// SPDX-License-Identifier: GPL-3.0-or-later
#include "names/Mp3Tags.h"

#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tbytevectorstream.h>
#include <taglib/textidentificationframe.h>

#include <algorithm>

#include "core/CodePage.h"
#include "names/FileKind.h"

namespace {

constexpr std::size_t kLargestTextFrame = 64 << 10;
constexpr std::size_t kLargestTextTag = 1 << 20;

std::u16string FromTagLib(const TagLib::String& text) {
    std::u16string out;
    const std::wstring wide = text.toWString();
    for (wchar_t c : wide) {
        const auto code = static_cast<std::uint32_t>(c);
        if (code >= 0x10000 && code <= 0x10FFFF) {
            out.push_back(char16_t(0xD800 + ((code - 0x10000) >> 10)));
            out.push_back(char16_t(0xDC00 + ((code - 0x10000) & 0x3FF)));
        } else if (code < 0x10000) {
            out.push_back(char16_t(code));
        }
    }
    return out;
}

// TagLib reads a Latin-1 field byte for byte: the bytes come back unchanged.
std::u16string Repaired(const TagLib::String& text) {
    const std::wstring wide = text.toWString();
    if (std::any_of(wide.begin(), wide.end(), [](wchar_t c) { return static_cast<std::uint32_t>(c) > 0xFF; })) return FromTagLib(text);
    return DecodeLatin1Text(std::string(wide.begin(), wide.end()));
}

std::u16string FrameText(const TagLib::ID3v2::Tag& tag, const char* id) {
    const TagLib::ID3v2::FrameList& frames = tag.frameList(id);
    if (frames.isEmpty()) return {};
    const auto* text = dynamic_cast<const TagLib::ID3v2::TextIdentificationFrame*>(frames.front());
    if (text == nullptr) return {};
    return text->textEncoding() == TagLib::String::Latin1 ? Repaired(text->toString()) : FromTagLib(text->toString());
}

int LeadingNumber(const std::u16string& text) {
    int track = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9' || track > 9999) break;
        track = track * 10 + (c - u'0');
    }
    return track;
}

}  // namespace

std::u16string DecodeLatin1Text(const std::string& bytes) {
    std::u16string latin1(bytes.begin(), bytes.end());
    for (std::size_t i = 0; i < bytes.size(); ++i) latin1[i] = static_cast<unsigned char>(bytes[i]);
    const bool ascii = std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (ascii) return latin1;
    const CodePage cp932 = CodePage::FromNumber(932);
    const std::u16string sjis = ToUtf16(bytes, cp932);
    // User-defined characters (U+E000..) would take German's ö ß for kanji.
    if (std::any_of(sjis.begin(), sjis.end(), [](char16_t c) { return IsByteEscape(c) || (c >= 0xE000 && c <= 0xF8FF); }))
        return latin1;
    std::size_t doubles = 0, singles = 0;
    bool c1 = false;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b >= 0x80 && b <= 0x9F) c1 = true;
        if (cp932.IsLeadByte(b) && i + 1 < bytes.size()) ++doubles, ++i;
        else if (b >= 0x80) ++singles;
    }
    // Latin-1 text has no C1 controls; two or more double-byte characters and
    // no lone high byte is Japanese, not accented letters.
    if (doubles > 0 && (c1 || (doubles >= 2 && singles == 0))) return sjis;
    return latin1;
}

namespace {

// The ID3v2 tag again with its text frames alone: none compressed or
// encrypted, none larger than a name could use, and no chapters, whose
// frames nest without end. TagLib then never inflates nor recurses.
std::string BoundedId3v2(std::string_view file) {
    const std::size_t size = std::min(Id3v2Size(file), file.size());
    if (size < 20) return {};
    const int version = static_cast<unsigned char>(file[3]);
    const unsigned flags = static_cast<unsigned char>(file[5]);
    if (version < 3 || version > 4) return std::string(file.substr(0, std::min(size, kLargestTextTag)));
    std::string body(file.substr(10, size - 20));
    if (version == 3 && (flags & 0x80)) {  // the whole tag unsynchronised: FF 00 was FF
        std::string plain;
        for (std::size_t i = 0; i < body.size(); ++i)
            if (!(i > 0 && body[i] == '\0' && body[i - 1] == '\xFF')) plain += body[i];
        body = std::move(plain);
    }
    std::size_t at = 0;
    if (flags & 0x40 && body.size() >= 4) {  // an extended header
        std::size_t extended = 0;
        for (int i = 0; i < 4; ++i) extended = extended << (version == 4 ? 7 : 8) | static_cast<unsigned char>(body[i]);
        at = version == 4 ? extended : extended + 4;
    }
    std::string frames;
    while (at + 10 <= body.size() && body[at] >= 'A' && body[at] <= 'Z' && frames.size() < kLargestTextTag) {
        std::size_t length = 0;
        for (int i = 4; i < 8; ++i)
            length = length << (version == 4 ? 7 : 8) | (static_cast<unsigned char>(body[at + i]) & (version == 4 ? 0x7F : 0xFF));
        if (length > body.size() - at - 10) break;
        const unsigned format = static_cast<unsigned char>(body[at + 9]);
        const bool packed = version == 4 ? (format & 0x0C) != 0 : (format & 0xC0) != 0;
        if (body[at] == 'T' && !packed && length <= kLargestTextFrame) frames += body.substr(at, 10 + length);
        at += 10 + length;
    }
    std::string tag("ID3", 3);
    tag += char(version);
    tag += '\0';
    tag += '\0';
    for (int shift = 21; shift >= 0; shift -= 7) tag += char((frames.size() >> shift) & 0x7F);
    return tag + frames;
}

}  // namespace

Tags ReadMp3Tags(std::string_view file) {
    // Only the ends hold tags: the ID3v2 tag at the start, ID3v1 in the last 128 bytes.
    const std::size_t tagEnd = std::min(file.size(), Id3v2Size(file));
    const std::size_t head = std::min(file.size(), tagEnd + 4096);
    TagLib::ByteVector ends;
    if (tagEnd > 0) {
        const std::string bounded = BoundedId3v2(file);
        ends.append(TagLib::ByteVector(bounded.data(), static_cast<unsigned>(bounded.size())));
    }
    ends.append(TagLib::ByteVector(file.data() + tagEnd, static_cast<unsigned>(head - tagEnd)));
    if (file.size() > head) {
        const std::size_t tail = std::min<std::size_t>(file.size() - head, 128);
        ends.append(TagLib::ByteVector(file.data() + file.size() - tail, static_cast<unsigned>(tail)));
    }
    TagLib::ByteVectorStream stream(ends);
    TagLib::MPEG::File mp3(&stream, TagLib::ID3v2::FrameFactory::instance(), false);
    Tags tags;
    if (!mp3.isValid()) return tags;
    if (const TagLib::ID3v2::Tag* v2 = mp3.ID3v2Tag(false)) {
        tags.title = FrameText(*v2, "TIT2");
        tags.artist = FrameText(*v2, "TPE1");
        if (tags.artist.empty()) tags.artist = FrameText(*v2, "TPE2");
        tags.album = FrameText(*v2, "TALB");
        tags.track = LeadingNumber(FrameText(*v2, "TRCK"));
        std::u16string year = FrameText(*v2, "TDRC");
        if (year.empty()) year = FrameText(*v2, "TYER");
        tags.year = year.size() >= 4 ? LeadingNumber(year.substr(0, 4)) : 0;
    }
    if (const TagLib::ID3v1::Tag* v1 = mp3.ID3v1Tag(false)) {
        if (tags.title.empty()) tags.title = Repaired(v1->title());
        if (tags.artist.empty()) tags.artist = Repaired(v1->artist());
        if (tags.album.empty()) tags.album = Repaired(v1->album());
        if (tags.track == 0) tags.track = static_cast<int>(v1->track());
        if (tags.year == 0 && v1->year() < 10000) tags.year = static_cast<int>(v1->year());
    }
    return tags;
}
