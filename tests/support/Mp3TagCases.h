// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// MP3 tags as taggers write them, and what the reader must make of them; the
// same table on Linux and under Wine.
#include <gtest/gtest.h>

#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/textidentificationframe.h>

#include <functional>
#include <string>
#include <vector>

#include "core/CodePage.h"
#include "names/FileReader.h"

inline TagLib::String Latin1Bytes(const Bytes& bytes) {
    return TagLib::String(TagLib::ByteVector(bytes.data(), unsigned(bytes.size())), TagLib::String::Latin1);
}

struct Mp3TagCase {
    const char* what;
    std::function<void(TagLib::MPEG::File&)> tag;
    Tags expected;
};

// UTF-16 frames with `title`, Shift-JIS bytes in a Latin-1 frame and in
// ID3v1, and no tags at all.
inline std::vector<Mp3TagCase> Mp3TagCases(const std::u16string& title) {
    const Bytes sjisTitle = FromUtf16(u"春の歌", CodePage::FromNumber(932));
    // Unit for unit: whole characters where wchar_t has 16 bits (Windows), the BMP elsewhere.
    const std::wstring wideTitle(title.begin(), title.end());
    return {
        {"UTF-16 frames",
         [wideTitle](TagLib::MPEG::File& f) {
             TagLib::ID3v2::Tag* tag = f.ID3v2Tag(true);
             for (auto [id, text] : {std::pair{"TIT2", wideTitle}, {"TPE1", std::wstring(L"山田太郎")}, {"TRCK", std::wstring(L"3/12")}}) {
                 auto* frame = new TagLib::ID3v2::TextIdentificationFrame(id, TagLib::String::UTF16);
                 frame->setText(TagLib::String(text));
                 tag->addFrame(frame);
             }
             f.save(TagLib::MPEG::File::ID3v2);
         },
         {title, u"山田太郎", u"", 3}},
        {"Shift-JIS in a Latin-1 frame",
         [sjisTitle](TagLib::MPEG::File& f) {
             TagLib::ID3v2::Tag* tag = f.ID3v2Tag(true);
             auto* frame = new TagLib::ID3v2::TextIdentificationFrame("TIT2", TagLib::String::Latin1);
             frame->setText(Latin1Bytes(sjisTitle));
             tag->addFrame(frame);
             tag->setAlbum(Latin1Bytes("Caf\xE9"));
             f.save(TagLib::MPEG::File::ID3v2);
         },
         {u"春の歌", u"", u"Café", 0}},
        {"ID3v1 only",
         [sjisTitle](TagLib::MPEG::File& f) {
             TagLib::ID3v1::Tag* tag = f.ID3v1Tag(true);
             tag->setTitle(Latin1Bytes(sjisTitle));
             tag->setArtist("Band");
             tag->setTrack(7);
             f.save(TagLib::MPEG::File::ID3v1);
         },
         {u"春の歌", u"Band", u"", 7}},
        {"no tags", [](TagLib::MPEG::File&) {}, {}},
    };
}

inline void ExpectTagsRead(const Mp3TagCase& c, const FileReader::Result& read) {
    EXPECT_TRUE(read.identity) << c.what;
    EXPECT_EQ(read.text.tags.title, c.expected.title) << c.what;
    EXPECT_EQ(read.text.tags.artist, c.expected.artist) << c.what;
    EXPECT_EQ(read.text.tags.album, c.expected.album) << c.what;
    EXPECT_EQ(read.text.tags.track, c.expected.track) << c.what;
}
