// SPDX-License-Identifier: GPL-3.0-or-later
#include "names/NameScheme.h"

#include <algorithm>
#include <array>

#include "core/FileNameCheck.h"
#include "names/Candidates.h"

namespace {

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool IsLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

// Two characters of one word: a field ending in 3 does not explain the 3 of 2023.
bool Joined(char16_t a, char16_t b) { return (IsDigit(a) && IsDigit(b)) || (IsLetter(a) && IsLetter(b)); }

struct Score {
    std::size_t covered = 0;
    std::size_t slots = 0;
    bool operator==(const Score&) const = default;
    bool Beats(const Score& other) const {
        return covered != other.covered ? covered > other.covered : slots < other.slots;
    }
};

struct Match {
    std::size_t length;
    Slot slot;
};

// Every form of every field that stands at `at`, the likeliest first.
std::vector<Match> MatchesAt(const FileFields& fields, const std::u16string& name, std::size_t at) {
    std::vector<Match> matches;
    for (const Field& field : fields) {
        for (std::size_t form = 0; form < field.forms.size(); ++form) {
            const std::u16string& text = field.forms[form];
            if (text.empty() || name.compare(at, text.size(), text) != 0) continue;
            const std::size_t end = at + text.size();
            if ((at > 0 && Joined(name[at - 1], text.front())) || (end < name.size() && Joined(text.back(), name[end])))
                continue;
            matches.push_back({text.size(), {field.kind, field.rank, int(form)}});
        }
    }
    std::stable_sort(matches.begin(), matches.end(), [](const Match& a, const Match& b) {
        return a.slot.rank != b.slot.rank ? a.slot.rank < b.slot.rank : a.slot.form < b.slot.form;
    });
    return matches;
}

struct Explainer {
    const std::u16string& name;
    std::vector<std::vector<Match>> matches;  // by position
    std::vector<Score> best;                  // of the rest of the name from each position
    std::size_t most;
    std::vector<NameTemplate> found;

    void Walk(std::size_t at, NameTemplate& so_far) {
        if (found.size() >= most) return;
        if (at == name.size()) {
            found.push_back(so_far);
            return;
        }
        for (const Match& match : matches[at]) {
            const Score after = best[at + match.length];
            if (!(Score{after.covered + match.length, after.slots + 1} == best[at])) continue;
            so_far.pieces.push_back({name.substr(at, match.length), match.slot});
            Walk(at + match.length, so_far);
            so_far.pieces.pop_back();
        }
        if (best[at + 1] == best[at]) {
            // Literal text joins the literal before it.
            const bool joins = !so_far.pieces.empty() && !so_far.pieces.back().slot;
            if (joins) so_far.pieces.back().text.push_back(name[at]);
            else so_far.pieces.push_back({std::u16string(1, name[at]), std::nullopt});
            Walk(at + 1, so_far);
            if (joins) so_far.pieces.back().text.pop_back();
            else so_far.pieces.pop_back();
        }
    }
};

bool Rebuilds(const NameTemplate& scheme, const NameExample& example) {
    const std::optional<std::u16string> name = ComposeName(scheme, example.fields);
    return name && *name == example.name;
}

// Examples older than these teach nothing more.
constexpr std::size_t kExamplesWeighed = 40;

}  // namespace

std::vector<NameTemplate> ExplainName(const FileFields& fields, const std::u16string& name, std::size_t most) {
    Explainer explainer{name, std::vector<std::vector<Match>>(name.size()), std::vector<Score>(name.size() + 1), most, {}};
    for (std::size_t at = name.size(); at-- > 0;) {
        explainer.matches[at] = MatchesAt(fields, name, at);
        Score best = explainer.best[at + 1];
        for (const Match& match : explainer.matches[at]) {
            const Score after = explainer.best[at + match.length];
            const Score with{after.covered + match.length, after.slots + 1};
            if (with.Beats(best)) best = with;
        }
        explainer.best[at] = best;
    }
    if (name.empty() || explainer.best[0].slots == 0) return {};
    NameTemplate walk;
    explainer.Walk(0, walk);
    return explainer.found;
}

std::optional<NameTemplate> LearnScheme(const std::vector<NameExample>& examples) {
    const std::size_t first = examples.size() > kExamplesWeighed ? examples.size() - kExamplesWeighed : 0;
    // Newest first, each one's likeliest explanation first.
    std::vector<NameTemplate> schemes;
    std::vector<const NameExample*> explained;
    for (std::size_t i = examples.size(); i-- > first;) {
        const std::vector<NameTemplate> found = ExplainName(examples[i].fields, examples[i].name);
        if (found.empty()) continue;  // a name of the user's own, with nothing read in it
        explained.push_back(&examples[i]);
        for (const NameTemplate& scheme : found)
            if (std::find(schemes.begin(), schemes.end(), scheme) == schemes.end()) schemes.push_back(scheme);
    }
    if (schemes.empty()) return std::nullopt;
    const auto agreeOnNewestTwo = [&](const NameTemplate& scheme) {
        return explained.size() >= 2 && Rebuilds(scheme, *explained[0]) && Rebuilds(scheme, *explained[1]);
    };
    const bool newestTwoAgree = std::any_of(schemes.begin(), schemes.end(), agreeOnNewestTwo);
    const NameTemplate* chosen = nullptr;
    std::size_t chosenRebuilt = 0;
    for (const NameTemplate& scheme : schemes) {
        if (newestTwoAgree && !agreeOnNewestTwo(scheme)) continue;
        const std::size_t rebuilt = std::size_t(std::count_if(explained.begin(), explained.end(),
                                                              [&](const NameExample* e) { return Rebuilds(scheme, *e); }));
        if (chosen == nullptr || rebuilt > chosenRebuilt) chosen = &scheme, chosenRebuilt = rebuilt;
    }
    return *chosen;
}

std::optional<std::u16string> ComposeName(const NameTemplate& scheme, const FileFields& fields) {
    std::u16string name;
    for (const Piece& piece : scheme.pieces) {
        if (!piece.slot) {
            name += piece.text;
            continue;
        }
        const Field* field = FindField(fields, piece.slot->kind, piece.slot->rank);
        if (field == nullptr || std::size_t(piece.slot->form) >= field->forms.size() || field->forms[piece.slot->form].empty())
            return std::nullopt;  // never a name with a hole in it
        name += field->forms[piece.slot->form];
    }
    return name;
}

Bytes ComposedName(const NameTemplate& scheme, const FileFields& fields, const CodePage& cp) {
    const std::optional<std::u16string> name = ComposeName(scheme, fields);
    if (!name || name->empty() || NameText(*name) != *name) return {};
    Bytes bytes = FromUtf16(*name, cp);
    if (ToUtf16(bytes, cp) != *name || HasForbiddenChar(bytes, cp)) return {};
    return bytes;
}

bool LooksLikeDefaultName(const std::u16string& stem) {
    static const std::array<const char16_t*, 30> kDefaultWords{
        u"scan", u"scanned", u"scn", u"img", u"image", u"dsc", u"dscn", u"dscf", u"pxl", u"pict", u"photo", u"doc",
        u"document", u"page", u"file", u"untitled", u"rec", u"recording", u"voice", u"audio", u"track", u"memo",
        u"新規録音", u"録音", u"ボイスメモ", u"スキャン", u"名称未設定", u"無題", u"ドキュメント", u"画像"};
    std::u16string word;
    std::vector<std::size_t> groups;  // the lengths of its runs of digits
    bool inDigits = false;
    for (char16_t c : stem) {
        if (IsDigit(c)) {
            if (!inDigits) groups.push_back(0);
            ++groups.back();
        } else if (c == u' ' || c == u'_' || c == u'-' || c == u'(' || c == u')' || c == u'.' || c == 0x3000) {
        } else {
            word.push_back(IsLetter(c) ? char16_t(c | 0x20) : c);
        }
        inDigits = IsDigit(c);
    }
    if (groups.empty()) return false;
    if (word.empty()) {
        // A counter, or a date and time: 0001, 20260331_143012, 2026-03-31 14-30-12.
        return groups.size() == 1 || (groups.size() == 2 && groups[0] == 8 && groups[1] == 6) || groups.size() == 6;
    }
    return std::any_of(kDefaultWords.begin(), kDefaultWords.end(), [&](const char16_t* w) { return word == w; });
}
