// SPDX-License-Identifier: GPL-3.0-or-later
// System fonts for MuPDF through GDI. GDI's font mapper always answers with
// some font, so a face asked for by name counts only when its name table
// carries that name, and a face asked for by character set only when GDI
// reports that set. The bytes come back through GetFontData.
#include "win32/SystemFonts.h"

#include <windows.h>

#include <cstring>
#include <initializer_list>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <mupdf/ucdn.h>

namespace {

// GetFontData takes a table tag as its four bytes read little-endian.
constexpr DWORD kCollectionTag = 0x66637474;  // 'ttcf': the whole collection file
constexpr DWORD kNameTag = 0x656d616e;        // 'name'

struct FontFile {
    std::vector<unsigned char> bytes;
};

struct Face {
    std::shared_ptr<const FontFile> file;
    int index = 0;  // face within a collection
    std::string name;
};

// Fonts are read once and kept for the process: MuPDF's buffers share the
// bytes, and a CJK font is many megabytes.
std::mutex mutex;
std::map<std::string, std::optional<Face>> faces;
std::vector<std::shared_ptr<const FontFile>> files;

unsigned Be16(const unsigned char* p) { return p[0] << 8 | p[1]; }
unsigned long Be32(const unsigned char* p) {
    return static_cast<unsigned long>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
}

std::wstring Widen(std::string_view s) {
    // Names are UTF-8 when they decode as such, else in the ANSI code page
    // (Shift-JIS for a PDF made on Japanese Windows).
    for (UINT cp : {UINT(CP_UTF8), UINT(CP_ACP)}) {
        const DWORD flags = cp == CP_UTF8 ? MB_ERR_INVALID_CHARS : 0;
        const int n = MultiByteToWideChar(cp, flags, s.data(), int(s.size()), nullptr, 0);
        if (n <= 0) continue;
        std::wstring out(n, L'\0');
        MultiByteToWideChar(cp, flags, s.data(), int(s.size()), out.data(), n);
        return out;
    }
    return {};
}

std::string Utf8(std::wstring_view s) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, s.data(), int(s.size()), nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n : 0, '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, s.data(), int(s.size()), out.data(), n, nullptr, nullptr);
    return out;
}

// Names compare without case, spaces or punctuation, full-width Latin as
// ASCII: "MS-Gothic", "MS Gothic" and "ＭＳ Gothic" are one name.
std::wstring Normalized(std::wstring_view s) {
    std::wstring out;
    for (wchar_t c : s) {
        if (c >= 0xFF01 && c <= 0xFF5E) c = wchar_t(c - 0xFF01 + 0x21);
        if (c == L' ' || c == L'-' || c == L'_' || c == L',' || c == 0x3000) continue;
        if (c >= L'A' && c <= L'Z') c = wchar_t(c - L'A' + L'a');
        out += c;
    }
    return out;
}

// A font and a memory DC it is selected into.
class SelectedFont {
public:
    SelectedFont(const std::wstring& face, bool bold, bool italic, BYTE charset, BYTE family) {
        LOGFONTW lf{};
        lf.lfHeight = -32;
        lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
        lf.lfItalic = italic;
        lf.lfCharSet = charset;
        lf.lfOutPrecision = OUT_TT_PRECIS;
        lf.lfPitchAndFamily = family;
        if (face.size() >= LF_FACESIZE) return;
        face.copy(lf.lfFaceName, face.size());
        dc_ = CreateCompatibleDC(nullptr);
        font_ = CreateFontIndirectW(&lf);
        if (dc_ && font_) old_ = SelectObject(dc_, font_);
    }
    ~SelectedFont() {
        if (old_) SelectObject(dc_, old_);
        if (font_) DeleteObject(font_);
        if (dc_) DeleteDC(dc_);
    }
    SelectedFont(const SelectedFont&) = delete;
    SelectedFont& operator=(const SelectedFont&) = delete;

    bool Ok() const { return old_ != nullptr; }
    HDC Dc() const { return dc_; }

private:
    HDC dc_ = nullptr;
    HFONT font_ = nullptr;
    HGDIOBJ old_ = nullptr;
};

std::vector<unsigned char> Table(HDC dc, DWORD tag, DWORD offset = 0, DWORD size = 0) {
    if (size == 0) {
        size = GetFontData(dc, tag, offset, nullptr, 0);
        if (size == GDI_ERROR) return {};
    }
    std::vector<unsigned char> bytes(size);
    if (size == 0 || GetFontData(dc, tag, offset, bytes.data(), size) != size) return {};
    return bytes;
}

// Family, full and PostScript names (IDs 1, 4, 6, 16) in every language the
// font has, normalized.
std::vector<std::wstring> NamesOf(HDC dc) {
    const std::vector<unsigned char> t = Table(dc, kNameTag);
    std::vector<std::wstring> names;
    if (t.size() < 6) return names;
    const std::size_t count = Be16(&t[2]), strings = Be16(&t[4]);
    for (std::size_t i = 0; i < count && 6 + 12 * (i + 1) <= t.size(); ++i) {
        const unsigned char* r = &t[6 + 12 * i];
        const unsigned platform = Be16(r), id = Be16(r + 6), length = Be16(r + 8);
        const std::size_t start = strings + Be16(r + 10);
        if ((id != 1 && id != 4 && id != 6 && id != 16) || start + length > t.size()) continue;
        std::wstring name;
        if (platform == 0 || platform == 3) {
            for (std::size_t k = 0; k + 1 < length; k += 2) name += wchar_t(Be16(&t[start + k]));
        } else if (platform == 1) {
            for (std::size_t k = 0; k < length; ++k) name += wchar_t(t[start + k]);
        }
        names.push_back(Normalized(name));
    }
    return names;
}

// The face's index in a collection: with table 0, GetFontData reads from the
// selected face's table directory, which sits at one of the header's offsets.
int CollectionIndex(HDC dc, const std::vector<unsigned char>& file) {
    const std::vector<unsigned char> head = Table(dc, 0, 0, 12);
    if (head.empty() || file.size() < 12) return 0;
    const std::vector<unsigned char> dir = Table(dc, 0, 0, DWORD(12 + 16 * Be16(&head[4])));
    const unsigned long count = Be32(&file[8]);
    for (unsigned long i = 0; i < count && 12 + 4 * (i + 1) <= file.size(); ++i) {
        const unsigned long at = Be32(&file[12 + 4 * i]);
        if (!dir.empty() && at + dir.size() <= file.size() && std::memcmp(&file[at], dir.data(), dir.size()) == 0)
            return int(i);
    }
    return 0;
}

std::optional<Face> Read(const SelectedFont& f) {
    const bool collection = GetFontData(f.Dc(), kCollectionTag, 0, nullptr, 0) != GDI_ERROR;
    std::vector<unsigned char> bytes = Table(f.Dc(), collection ? kCollectionTag : 0);
    if (bytes.size() < 12) return std::nullopt;  // not an sfnt font: GDI gives no data
    Face face;
    face.index = collection ? CollectionIndex(f.Dc(), bytes) : 0;
    wchar_t name[LF_FACESIZE] = {};
    GetTextFaceW(f.Dc(), LF_FACESIZE, name);
    face.name = Utf8(name);
    for (const auto& file : files) {
        if (file->bytes == bytes) face.file = file;
    }
    if (!face.file) {
        auto file = std::make_shared<FontFile>();
        file->bytes = std::move(bytes);
        files.push_back(file);
        face.file = std::move(file);
    }
    return face;
}

// The installed font named `face`: one of `accepted` (normalized) must be in
// its name table, so that what the font mapper substitutes does not count.
std::optional<Face> ByName(const std::wstring& face, bool bold, bool italic, const std::vector<std::wstring>& accepted) {
    SelectedFont f(face, bold, italic, DEFAULT_CHARSET, DEFAULT_PITCH);
    if (!f.Ok()) return std::nullopt;
    for (const std::wstring& name : NamesOf(f.Dc())) {
        for (const std::wstring& want : accepted) {
            if (!want.empty() && name == want) return Read(f);
        }
    }
    return std::nullopt;
}

// A font for `charset`, preferring `face` (empty: GDI's choice); it counts
// only when GDI reports that character set for it.
std::optional<Face> ByCharset(const std::wstring& face, BYTE charset, bool serif, bool bold, bool italic) {
    SelectedFont f(face, bold, italic, charset, serif ? FF_ROMAN : FF_SWISS);
    if (!f.Ok() || GetTextCharset(f.Dc()) != charset) return std::nullopt;
    return Read(f);
}

// Caches each answer, a missing font included, under `key`.
template <typename Find>
std::optional<Face> Cached(const std::string& key, Find find) {
    std::lock_guard lock(mutex);
    auto it = faces.find(key);
    if (it == faces.end()) it = faces.emplace(key, find()).first;
    return it->second;
}

fz_font* MakeFont(fz_context* ctx, const std::optional<Face>& face, bool bold, bool italic) {
    if (!face) return nullptr;
    const FontFile& file = *face->file;
    fz_font* font = nullptr;
    fz_buffer* buffer = nullptr;
    fz_var(font);
    fz_var(buffer);
    fz_try(ctx) {
        buffer = fz_new_buffer_from_shared_data(ctx, file.bytes.data(), file.bytes.size());
        // The face's own name: MuPDF takes "Bold" or "Italic" in the name as
        // the face's style, which a PDF's name for it may claim wrongly.
        font = fz_new_font_from_buffer(ctx, face->name.c_str(), buffer, face->index, 0);
        // GDI simulates a style the family lacks; MuPDF has to be told to.
        fz_font_flags_t* flags = fz_font_flags(font);
        flags->fake_bold = bold && !flags->is_bold;
        flags->fake_italic = italic && !flags->is_italic;
    }
    fz_always(ctx) { fz_drop_buffer(ctx, buffer); }
    fz_catch(ctx) {
        fz_warn(ctx, "cannot use system font %s", face->name.c_str());
        return nullptr;
    }
    return font;
}

struct PdfFontName {
    std::wstring full;    // without the subset tag
    std::wstring family;  // before the style suffix, normalized, "PSMT"/"MT" dropped
    bool bold = false;
    bool italic = false;
};

// "ABCDEF+Arial-BoldItalicMT", "Arial,Bold", "Times-Roman", "MS-Gothic".
PdfFontName Parse(const char* raw) {
    std::string_view s(raw);
    if (s.size() > 7 && s[6] == '+' && s.substr(0, 6).find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ") == s.npos)
        s.remove_prefix(7);
    PdfFontName n;
    n.full = Widen(s);
    const std::size_t cut = s.find_first_of(",-");
    n.family = Normalized(Widen(s.substr(0, cut)));
    for (std::wstring_view suffix : {L"psmt", L"mt", L"ps"}) {
        if (n.family.size() > suffix.size() && n.family.ends_with(suffix)) {
            n.family.resize(n.family.size() - suffix.size());
            break;
        }
    }
    if (cut != s.npos) {
        const std::wstring style = Normalized(Widen(s.substr(cut + 1)));
        n.bold = style.find(L"bold") != style.npos || style.find(L"black") != style.npos ||
                 style.find(L"heavy") != style.npos || style.find(L"demi") != style.npos;
        n.italic = style.find(L"italic") != style.npos || style.find(L"oblique") != style.npos;
    }
    return n;
}

// The Windows fonts that share the base 14 fonts' metrics.
const wchar_t* Base14Face(const std::wstring& family) {
    if (family == L"helvetica" || family == L"arial") return L"Arial";
    if (family == L"times" || family == L"timesroman" || family == L"timesnewroman") return L"Times New Roman";
    if (family == L"courier" || family == L"couriernew") return L"Courier New";
    return nullptr;
}

// PostScript names of Windows' CJK fonts, which GDI does not take as face names.
const wchar_t* KnownFace(const std::wstring& normalized) {
    static const std::map<std::wstring, const wchar_t*> known = {
        {L"msgothic", L"MS Gothic"},       {L"mspgothic", L"MS PGothic"},     {L"msuigothic", L"MS UI Gothic"},
        {L"msmincho", L"MS Mincho"},       {L"mspmincho", L"MS PMincho"},     {L"simsun", L"SimSun"},
        {L"simhei", L"SimHei"},            {L"mingliu", L"MingLiU"},          {L"pmingliu", L"PMingLiU"},
        {L"batang", L"Batang"},            {L"gulim", L"Gulim"},              {L"dotum", L"Dotum"},
        {L"malgungothic", L"Malgun Gothic"}, {L"meiryo", L"Meiryo"},
    };
    const auto it = known.find(normalized);
    return it == known.end() ? nullptr : it->second;
}

// GDI calls this: nothing may unwind through it, so a failure ends the listing.
int CALLBACK AddFamily(const LOGFONTW* lf, const TEXTMETRICW*, DWORD, LPARAM families) {
    try {
        if (lf->lfFaceName[0] != L'@')  // vertical variants of CJK fonts
            reinterpret_cast<std::map<std::wstring, std::wstring>*>(families)->emplace(
                Normalized(lf->lfFaceName), lf->lfFaceName);
        return 1;
    } catch (...) {
        return 0;
    }
}

// Installed families by normalized name: PDFs name fonts without the spaces
// GDI wants ("CenturyGothic", "TimesNewRomanPSMT").
const std::map<std::wstring, std::wstring>& Families() {
    static const std::map<std::wstring, std::wstring> families = [] {
        std::map<std::wstring, std::wstring> found;
        HDC dc = CreateCompatibleDC(nullptr);
        LOGFONTW any{};
        any.lfCharSet = DEFAULT_CHARSET;
        EnumFontFamiliesExW(dc, &any, AddFamily, reinterpret_cast<LPARAM>(&found), 0);
        DeleteDC(dc);
        return found;
    }();
    return families;
}

std::optional<Face> FindNamed(const PdfFontName& n, bool bold, bool italic) {
    const std::wstring full = Normalized(n.full);
    const std::vector<std::wstring> accepted = {full, n.family};
    std::vector<std::wstring> tries;
    for (const std::wstring& key : {full, n.family}) {
        if (const auto it = Families().find(key); it != Families().end()) tries.push_back(it->second);
    }
    if (const wchar_t* known = KnownFace(full)) tries.push_back(known);
    std::wstring spaced = n.full;
    for (wchar_t& c : spaced) {
        if (c == L'-' || c == L',' || c == L'_') c = L' ';
    }
    tries.push_back(spaced);
    if (const wchar_t* known = KnownFace(n.family)) tries.push_back(known);
    tries.push_back(n.full.substr(0, n.full.find_first_of(L",-")));
    for (const std::wstring& face : tries) {
        if (auto found = ByName(face, bold, italic, accepted)) return found;
    }
    return std::nullopt;
}

// MuPDF calls the loaders from C: no C++ exception may unwind through it. A
// font that cannot be read, for want of memory (a CJK collection is tens of
// MB) or otherwise, is a font not found; the failure is not cached.
template <typename Load>
fz_font* WithoutExceptions(fz_context* ctx, Load load) noexcept {
    try {
        return load();
    } catch (...) {
        fz_warn(ctx, "cannot read a system font");
        return nullptr;
    }
}

fz_font* FindFont(fz_context* ctx, const char* name, int bold, int italic) {
    // Only real fonts of the name come back, whose metrics are the right ones.
    const PdfFontName n = Parse(name);
    const bool b = bold || n.bold, i = italic || n.italic;
    // MuPDF's own Symbol and Dingbats match the encodings PDFs use for them.
    if (n.family == L"symbol" || n.family == L"zapfdingbats") return nullptr;
    const std::optional<Face> face = Cached("font:" + std::string(name) + ':' + char('0' + b) + char('0' + i), [&] {
        if (const wchar_t* base14 = Base14Face(n.family))
            return ByName(base14, b, i, {Normalized(base14)});
        return FindNamed(n, b, i);
    });
    return MakeFont(ctx, face, b, i);
}

struct CjkFaces {
    BYTE charset;
    std::initializer_list<const wchar_t*> serif;
    std::initializer_list<const wchar_t*> sans;
};

const CjkFaces& ForOrdering(int ordering) {
    static const CjkFaces japan{SHIFTJIS_CHARSET, {L"ＭＳ 明朝", L"MS Mincho", L"Yu Mincho"},
                                {L"ＭＳ ゴシック", L"MS Gothic", L"Yu Gothic", L"Meiryo"}};
    static const CjkFaces gb{GB2312_CHARSET, {L"SimSun", L"NSimSun"}, {L"SimHei", L"Microsoft YaHei", L"SimSun"}};
    static const CjkFaces cns{CHINESEBIG5_CHARSET, {L"MingLiU", L"PMingLiU"}, {L"Microsoft JhengHei", L"MingLiU"}};
    static const CjkFaces korea{HANGEUL_CHARSET, {L"Batang", L"BatangChe"}, {L"Gulim", L"Malgun Gothic", L"Dotum"}};
    switch (ordering) {
        case FZ_ADOBE_GB: return gb;
        case FZ_ADOBE_CNS: return cns;
        case FZ_ADOBE_KOREA: return korea;
        default: return japan;
    }
}

std::optional<Face> FindCjk(int ordering, bool serif) {
    const CjkFaces& cjk = ForOrdering(ordering);
    for (const auto& list : {serif ? cjk.serif : cjk.sans, serif ? cjk.sans : cjk.serif}) {
        for (const wchar_t* face : list) {
            if (auto found = ByName(face, false, false, {Normalized(face)})) return found;
        }
    }
    // No font of ours: any with the character set, as GDI picks it.
    if (auto found = ByCharset(L"", cjk.charset, serif, false, false)) return found;
    return ByCharset(L"", cjk.charset, !serif, false, false);
}

fz_font* FindCjkFont(fz_context* ctx, const char* name, int ordering, int serif) {
    const std::string key = "cjk:" + std::string(name ? name : "") + ':' + char('0' + ordering) + char('0' + !!serif);
    const std::optional<Face> face = Cached(key, [&] {
        if (name && *name) {
            if (auto found = FindNamed(Parse(name), false, false)) return found;
        }
        return FindCjk(ordering, serif);
    });
    return MakeFont(ctx, face, false, false);
}

int OrderingFor(int script, int language) {
    switch (script) {
        case UCDN_SCRIPT_HANGUL: return FZ_ADOBE_KOREA;
        case UCDN_SCRIPT_BOPOMOFO: return FZ_ADOBE_CNS;
        case UCDN_SCRIPT_HAN:
            if (language == FZ_LANG_ko) return FZ_ADOBE_KOREA;
            if (language == FZ_LANG_zh_Hant) return FZ_ADOBE_CNS;
            if (language == FZ_LANG_zh_Hans || language == FZ_LANG_zh) return FZ_ADOBE_GB;
            return FZ_ADOBE_JAPAN;
        default: return FZ_ADOBE_JAPAN;  // kana
    }
}

fz_font* FindFallbackFont(fz_context* ctx, int script, int language, int serif, int bold, int italic) {
    BYTE charset;
    switch (script) {
        case UCDN_SCRIPT_HAN:
        case UCDN_SCRIPT_HIRAGANA:
        case UCDN_SCRIPT_KATAKANA:
        case UCDN_SCRIPT_HANGUL:
        case UCDN_SCRIPT_BOPOMOFO: return FindCjkFont(ctx, nullptr, OrderingFor(script, language), serif);
        case UCDN_SCRIPT_COMMON:
        case UCDN_SCRIPT_LATIN: charset = ANSI_CHARSET; break;
        case UCDN_SCRIPT_GREEK: charset = GREEK_CHARSET; break;
        case UCDN_SCRIPT_CYRILLIC: charset = RUSSIAN_CHARSET; break;
        case UCDN_SCRIPT_HEBREW: charset = HEBREW_CHARSET; break;
        case UCDN_SCRIPT_ARABIC: charset = ARABIC_CHARSET; break;
        case UCDN_SCRIPT_THAI: charset = THAI_CHARSET; break;
        default: return nullptr;
    }
    const std::string key = "script:" + std::to_string(script) + ':' + char('0' + !!serif) + char('0' + !!bold) +
                            char('0' + !!italic);
    const std::optional<Face> face = Cached(key, [&] {
        const wchar_t* preferred = charset == THAI_CHARSET ? L"Tahoma" : serif ? L"Times New Roman" : L"Arial";
        if (auto found = ByCharset(preferred, charset, serif, bold, italic)) return found;
        return ByCharset(L"", charset, serif, bold, italic);
    });
    return MakeFont(ctx, face, bold, italic);
}

fz_font* LoadFont(fz_context* ctx, const char* name, int bold, int italic, int /*needs_exact_metrics*/) {
    return WithoutExceptions(ctx, [&] { return FindFont(ctx, name, bold, italic); });
}

fz_font* LoadCjkFont(fz_context* ctx, const char* name, int ordering, int serif) {
    return WithoutExceptions(ctx, [&] { return FindCjkFont(ctx, name, ordering, serif); });
}

fz_font* LoadFallbackFont(fz_context* ctx, int script, int language, int serif, int bold, int italic) {
    return WithoutExceptions(ctx, [&] { return FindFallbackFont(ctx, script, language, serif, bold, italic); });
}

}  // namespace

void InstallSystemFontLoader(fz_context* ctx) {
    fz_install_load_system_font_funcs(ctx, LoadFont, LoadCjkFont, LoadFallbackFont);
}
