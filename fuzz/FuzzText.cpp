// SPDX-License-Identifier: GPL-3.0-or-later
#include "FuzzText.h"

#include <algorithm>
#include <cstdint>

namespace {

class Reader {
public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}
    bool AtEnd() const { return at_ >= bytes_.size(); }
    unsigned Byte() { return at_ < bytes_.size() ? static_cast<unsigned char>(bytes_[at_++]) : 0; }
    unsigned Word() {
        const unsigned low = Byte();
        return low | Byte() << 8;
    }
    float Signed() { return static_cast<float>(static_cast<std::int16_t>(Word())); }
    std::u16string Text() {
        std::size_t n = Word();
        std::u16string text;
        while (n-- > 0 && !AtEnd()) text.push_back(static_cast<char16_t>(Word()));
        return text;
    }

private:
    std::string_view bytes_;
    std::size_t at_ = 0;
};

class Writer {
public:
    void Byte(unsigned b) { out_ += static_cast<char>(b & 0xFF); }
    void Word(unsigned w) {
        Byte(w);
        Byte(w >> 8);
    }
    void Signed(float f) { Word(static_cast<unsigned>(static_cast<std::int16_t>(std::clamp(f, -32768.0f, 32767.0f)))); }
    void Text(const std::u16string& text) {
        const std::size_t n = std::min<std::size_t>(text.size(), 0xFFFF);
        Word(static_cast<unsigned>(n));
        for (std::size_t i = 0; i < n; ++i) Word(text[i]);
    }
    std::string Take() { return std::move(out_); }

private:
    std::string out_;
};

}  // namespace

FileText DecodeFileText(std::string_view bytes) {
    FileText text;
    Reader in(bytes);
    while (!in.AtEnd()) {
        switch (in.Byte() & 3) {
        case 0: {
            TextLine line;
            line.page = static_cast<int>(in.Byte());
            line.box.x0 = in.Signed();
            line.box.y0 = in.Signed();
            line.box.x1 = in.Signed();
            line.box.y1 = in.Signed();
            line.size = static_cast<float>(in.Byte()) / 4;
            line.text = in.Text();
            text.lines.push_back(std::move(line));
            break;
        }
        case 1: {
            PageInfo page;
            page.page = static_cast<int>(in.Byte());
            page.width = in.Signed();
            page.height = in.Signed();
            text.pages.push_back(page);
            break;
        }
        case 2: {
            const unsigned which = in.Byte();
            (which == 0 ? text.tags.title : which == 1 ? text.tags.artist : text.tags.album) = in.Text();
            break;
        }
        default: text.tags.track = static_cast<int>(in.Word()); break;
        }
    }
    return text;
}

std::string EncodeFileText(const FileText& text) {
    Writer out;
    for (const PageInfo& page : text.pages) {
        out.Byte(1);
        out.Byte(static_cast<unsigned>(page.page));
        out.Signed(page.width);
        out.Signed(page.height);
    }
    for (const TextLine& line : text.lines) {
        out.Byte(0);
        out.Byte(static_cast<unsigned>(line.page));
        out.Signed(line.box.x0);
        out.Signed(line.box.y0);
        out.Signed(line.box.x1);
        out.Signed(line.box.y1);
        out.Byte(static_cast<unsigned>(std::clamp(line.size * 4, 0.0f, 255.0f)));
        out.Text(line.text);
    }
    const std::u16string* fields[] = {&text.tags.title, &text.tags.artist, &text.tags.album};
    for (unsigned which = 0; which < 3; ++which) {
        if (fields[which]->empty()) continue;
        out.Byte(2);
        out.Byte(which);
        out.Text(*fields[which]);
    }
    if (text.tags.track != 0) {
        out.Byte(3);
        out.Word(static_cast<unsigned>(text.tags.track));
    }
    return out.Take();
}
