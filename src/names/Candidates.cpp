// SPDX-License-Identifier: GPL-3.0-or-later
#include "names/Candidates.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

#include "core/FileNameCheck.h"
#include "names/Dates.h"
#include "names/Text.h"

namespace {

constexpr std::size_t kLongestName = 80;  // UTF-16 units

std::u16string Ascii(const std::string& text) { return std::u16string(text.begin(), text.end()); }

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool IsLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }
bool IsSpace(char16_t c) { return c == u' ' || c == 0x3000; }

// The ten refused characters and what stands in for them.
char16_t LookAlike(char16_t c) {
    switch (c) {
    case u'\\': return 0xFF3C;
    case u'/': return 0xFF0F;
    case u':': return 0xFF1A;
    case u';': return 0xFF1B;
    case u'*': return 0xFF0A;
    case u'?': return 0xFF1F;
    case u'"': return 0x201D;
    case u'<': return 0xFF1C;
    case u'>': return 0xFF1E;
    case u'|': return 0xFF5C;
    default: return 0;
    }
}

bool RoundTrips(const std::u16string& text, const CodePage& cp) { return ToUtf16(FromUtf16(text, cp), cp) == text; }

// A line as the candidates read it: spaces of OCR joined, then folded.
struct Line {
    const TextLine* source;
    std::u16string text;    // joined
    std::u16string folded;  // the same, folded, unit for unit
    std::u16string lower;   // folded, its ASCII letters small
    bool recipient = false; // in the block of the one billed
};

bool Contains(const std::u16string& text, const std::u16string& word) { return text.find(word) != std::u16string::npos; }

std::u16string Lowered(std::u16string text) {
    for (char16_t& c : text)
        if (c >= u'A' && c <= u'Z') c = char16_t(c | 0x20);
    return text;
}

// `word` in `text` as a word of its own, not inside a longer one.
std::size_t FindWord(const std::u16string& text, const std::u16string& word, std::size_t from = 0) {
    for (std::size_t at = text.find(word, from); at != std::u16string::npos; at = text.find(word, at + 1)) {
        const std::size_t end = at + word.size();
        const bool startsWord = !IsLetter(word.front()) || at == 0 || !IsLetter(text[at - 1]);
        const bool endsWord = !IsLetter(word.back()) || end == text.size() || !IsLetter(text[end]);
        if (startsWord && endsWord) return at;
    }
    return std::u16string::npos;
}

// A line that is only an amount, or a total's label with its amount: no name.
bool IsAmountOrTotal(const Line& line) {
    static const std::array<const char16_t*, 16> kTotals{u"total", u"subtotal", u"amount", u"summe", u"gesamt",
                                                         u"betrag", u"totaal", u"bedrag", u"montant", u"importe",
                                                         u"importo", u"balance", u"合計", u"小計", u"金額", u"税込"};
    std::size_t letters = 0, digits = 0;
    for (char16_t c : line.folded) letters += IsWordLetter(c), digits += IsDigit(c);
    if (digits >= letters) return true;
    return std::any_of(kTotals.begin(), kTotals.end(), [&](const char16_t* t) { return FindWord(line.lower, t) != std::u16string::npos; });
}

// The line just beside `line` on the same row: a table's value cell on its
// right, its label on its left.
const Line* Neighbour(const std::vector<Line>& lines, const Line& line, bool right) {
    const TextBox& box = line.source->box;
    const float middle = (box.y0 + box.y1) / 2;
    const Line* best = nullptr;
    for (const Line& other : lines) {
        const TextBox& b = other.source->box;
        if (&other == &line || other.source->page != line.source->page || middle < b.y0 || middle > b.y1 ||
            (right ? b.x0 < box.x1 - 1 : b.x1 > box.x0 + 1))
            continue;
        if (best == nullptr || (right ? b.x0 < best->source->box.x0 : b.x1 > best->source->box.x1)) best = &other;
    }
    return best;
}
const Line* RightNeighbour(const std::vector<Line>& lines, const Line& line) { return Neighbour(lines, line, true); }

// --- dates -------------------------------------------------------------------

struct DateFound {
    FoundDate date;
    std::u16string printed;
    int score = 0;
    std::size_t order = 0;
};

// Small, as the line's lower text has them.
const std::array<const char16_t*, 22> kDateLabels{
    u"発行日", u"請求日", u"日付", u"作成日", u"納品日", u"見積日", u"契約日", u"開催日", u"日時", u"date", u"datum",
    u"invoice date", u"rechnungsdatum", u"factuurdatum", u"date de facture", u"fecha", u"data", u"issued",
    u"issue date", u"order date", u"belegdatum", u"ausgestellt"};
// A date for paying, or for how long something holds, is never the document's.
const std::array<const char16_t*, 20> kDueLabels{
    u"期限", u"期日", u"有効", u"支払", u"入金", u"振込", u"due", u"payable", u"valid", u"paid", u"payment",
    u"fällig", u"zahlbar", u"zahlungsziel", u"gültig", u"échéance", u"vervaldatum", u"vencimiento", u"scadenza",
    u"expir"};

std::vector<DateFound> RankedDates(const std::vector<Line>& lines, float firstPageWidth, float firstPageHeight) {
    std::vector<std::u16string> texts;
    for (const Line& line : lines) texts.push_back(line.text);
    const DayMonth order = DayMonthOrder(texts);
    std::vector<DateFound> found;
    for (const Line& line : lines) {
        std::size_t labelFrom = 0;  // a label stands between the date before and this one
        for (const FoundDate& date : FindDates(line.text, order)) {
            DateFound f{date, line.text.substr(date.at, date.length), 0, found.size()};
            const TextLine& s = *line.source;
            if (s.page == 0) f.score += 2;
            if (s.page == 0 && s.box.y0 < firstPageHeight / 3) f.score += 2;
            // The top right block, where Japanese invoices put it.
            if (s.page == 0 && s.box.y0 < firstPageHeight / 3 && firstPageWidth > 0 && s.box.x0 > firstPageWidth / 2) f.score += 1;
            std::u16string label = line.lower.substr(labelFrom, date.at - labelFrom);
            if (labelFrom == 0 && std::none_of(label.begin(), label.end(), IsLetter) && !std::any_of(label.begin(), label.end(), IsJapanese))
                if (const Line* left = Neighbour(lines, line, false)) label = left->lower;
            if (std::any_of(kDateLabels.begin(), kDateLabels.end(), [&](const char16_t* l) { return Contains(label, l); })) f.score += 6;
            if (std::any_of(kDueLabels.begin(), kDueLabels.end(), [&](const char16_t* l) { return Contains(label, l); })) f.score -= 20;
            labelFrom = date.at + date.length;
            found.push_back(f);
        }
    }
    std::stable_sort(found.begin(), found.end(), [](const DateFound& a, const DateFound& b) { return a.score > b.score; });
    std::vector<DateFound> dates;
    for (const DateFound& f : found) {
        const bool seen = std::any_of(dates.begin(), dates.end(), [&](const DateFound& d) {
            return d.date.year == f.date.year && d.date.month == f.date.month && d.date.day == f.date.day;
        });
        if (!seen) dates.push_back(f);
    }
    return dates;
}

// --- document numbers --------------------------------------------------------

struct Label {
    const char16_t* text;
    int weight;
};
// Longer labels first: 請求書番号 is found before the 番号 inside it. Matched
// with the line's ASCII letters small.
const std::array<Label, 36> kNumberLabels{{
    {u"請求書番号", 6}, {u"請求番号", 6}, {u"注文番号", 5}, {u"伝票番号", 5}, {u"見積書番号", 5},
    {u"見積番号", 5}, {u"納品書番号", 5}, {u"契約番号", 4}, {u"文書番号", 4}, {u"管理番号", 3},
    {u"invoice number", 6}, {u"invoice no", 6}, {u"invoice #", 6}, {u"invoice id", 6}, {u"rechnungsnummer", 6},
    {u"rechnungsnr", 6}, {u"rechnung nr", 6}, {u"factuurnummer", 6}, {u"facture n\u00B0", 6}, {u"facture no", 6},
    {u"n\u00FAmero de factura", 6}, {u"numero de factura", 6}, {u"numero fattura", 6}, {u"receipt number", 5},
    {u"receipt no", 5}, {u"receipt #", 5}, {u"order number", 4}, {u"order id", 4}, {u"order no", 4},
    {u"booking id", 4}, {u"booking number", 4}, {u"bestellnummer", 4},
    {u"番号", 2}, {u"no", 1}, {u"n\u00B0", 1}, {u"\u2116", 1},
}};
// Numbers that name something other than the document.
const std::array<const char16_t*, 12> kOtherNumbers{u"電話", u"口座", u"郵便", u"携帯", u"fax", u"登録",
                                                    u"法人", u"個人", u"tel", u"phone", u"vat", u"ust"};

// A number as it follows its label: letters, digits and - _ /, at least one digit.
std::u16string NumberAt(const std::u16string& folded, std::size_t at) {
    while (at < folded.size() && (IsSpace(folded[at]) || folded[at] == u':' || folded[at] == u'.' || folded[at] == u'#'))
        ++at;
    std::size_t end = at;
    while (end < folded.size() &&
           (IsDigit(folded[end]) || IsLetter(folded[end]) || folded[end] == u'-' || folded[end] == u'_' || folded[end] == u'/'))
        ++end;
    while (end > at && (folded[end - 1] == u'-' || folded[end - 1] == u'/' || folded[end - 1] == u'_')) --end;
    std::u16string number = folded.substr(at, end - at);
    if (number.size() > 40 || std::none_of(number.begin(), number.end(), IsDigit)) return {};
    return number;
}

std::vector<std::u16string> RankedNumbers(const std::vector<Line>& lines) {
    struct Found {
        std::u16string number;
        int weight;
    };
    std::vector<Found> found;
    for (const Line& line : lines) {
        const std::u16string& f = line.folded;
        const std::u16string& l = line.lower;
        for (std::size_t at = 0; at < f.size(); ++at) {
            for (const Label& label : kNumberLabels) {
                const std::u16string word = label.text;
                if (l.compare(at, word.size(), word) != 0) continue;
                const std::size_t end = at + word.size();
                // A label only as words of its own: not the No of Note, November or Nov.1.
                if ((IsLetter(word.front()) && at > 0 && IsLetter(l[at - 1])) || (IsLetter(word.back()) && end < l.size() && IsLetter(l[end])))
                    continue;
                const std::u16string before = l.substr(at >= 3 ? at - 3 : 0, at >= 3 ? 3 : at);
                if (std::any_of(kOtherNumbers.begin(), kOtherNumbers.end(), [&](const char16_t* other) { return Contains(before, other); }))
                    break;
                std::u16string number = NumberAt(f, end);
                if (number.empty()) {
                    std::size_t rest = end;
                    while (rest < f.size() && (IsSpace(f[rest]) || f[rest] == u':' || f[rest] == u'.' || f[rest] == u'#')) ++rest;
                    const Line* next = rest == f.size() ? RightNeighbour(lines, line) : nullptr;
                    if (next != nullptr) number = NumberAt(next->folded, 0);
                }
                // Two letters or digits are OCR's noise, or a count.
                if (std::count_if(number.begin(), number.end(), [](char16_t c) { return IsDigit(c) || IsLetter(c); }) >= 3)
                    found.push_back({number, label.weight});
                at = end - 1;
                break;
            }
        }
    }
    std::stable_sort(found.begin(), found.end(), [](const Found& a, const Found& b) { return a.weight > b.weight; });
    std::vector<std::u16string> numbers;
    for (const Found& f : found)
        if (std::find(numbers.begin(), numbers.end(), f.number) == numbers.end()) numbers.push_back(f.number);
    return numbers;
}

// An addressee, not a sender.
const std::array<const char16_t*, 3> kAddressees{u"御中", u"様", u"殿"};

bool IsAddressee(const std::u16string& folded) {
    return std::any_of(kAddressees.begin(), kAddressees.end(), [&](const char16_t* a) { return Contains(folded, a); });
}

// The labels over the block of the one billed, small: its lines are never the sender.
const std::array<const char16_t*, 14> kRecipientLabels{
    u"bill to", u"billed to", u"invoice to", u"ship to", u"sold to", u"customer", u"client", u"rechnungsadresse",
    u"lieferadresse", u"kunde", u"factuuradres", u"klant", u"destinataire", u"facturé à"};
constexpr std::size_t kRecipientBlock = 5;  // lines under the label

void MarkRecipients(std::vector<Line>& lines) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Line& label = lines[i];
        const bool labelled = std::any_of(kRecipientLabels.begin(), kRecipientLabels.end(), [&](const char16_t* r) {
            return FindWord(label.lower, r) != std::u16string::npos;
        });
        if (!labelled) continue;
        lines[i].recipient = true;
        // The lines below it in its column, until a gap of more than two lines.
        const TextBox& box = label.source->box;
        float bottom = box.y1;
        std::size_t taken = 0;
        for (Line& below : lines) {
            const TextBox& b = below.source->box;
            if (taken == kRecipientBlock || below.source->page != label.source->page || b.y0 < box.y0 + 1 ||
                std::abs(b.x0 - box.x0) > 20 || b.y0 - bottom > 2.5f * std::max(box.Height(), 1.0f))
                continue;
            below.recipient = true;
            bottom = std::max(bottom, b.y1);
            ++taken;
        }
    }
}

// --- the title and the kind --------------------------------------------------

const std::array<const char16_t*, 12> kKinds{u"請求書", u"見積書", u"納品書", u"領収書", u"議事録", u"契約書",
                                             u"注文書", u"発注書", u"検収書", u"通知書", u"申込書", u"報告書"};
// Kinds in other languages, as words of their own, longer ones first.
const std::array<const char16_t*, 15> kLatinKinds{u"Credit Note", u"Invoice", u"Receipt", u"Quotation", u"Quote",
                                                  u"Statement", u"Rechnung", u"Gutschrift", u"Angebot", u"Facture",
                                                  u"Avoir", u"Factuur", u"Factura", u"Fattura", u"Devis"};

bool HasWords(const std::u16string& text) {
    return std::any_of(text.begin(), text.end(), IsWordLetter);
}

// The kind named in the largest type on page 1.
std::u16string Kind(const std::vector<Line>& lines) {
    std::u16string kind;
    float size = -1;
    for (const Line& line : lines) {
        if (line.source->page != 0 || line.source->size <= size) continue;
        for (const char16_t* k : kKinds)
            if (Contains(line.text, k)) kind = k, size = line.source->size;
        for (const char16_t* k : kLatinKinds)
            if (kind != k && FindWord(line.lower, Lowered(k)) != std::u16string::npos) {
                kind = k, size = line.source->size;
                break;
            }
    }
    return kind;
}

// The line in the largest type in the top half of page 1.
std::u16string Title(const std::vector<Line>& lines, float firstPageHeight) {
    const Line* best = nullptr;
    for (const Line& line : lines) {
        const TextLine& s = *line.source;
        if (s.page != 0 || s.box.y0 > firstPageHeight / 2 || !HasWords(line.text) || line.text.size() > 40) continue;
        // An addressee, a sentence of the letter, an amount or a due date is no
        // title, nor fewer than three letters or digits: OCR's noise (Se, SL).
        if (IsAddressee(line.folded) || line.recipient || line.text.back() == u'。' || IsAmountOrTotal(line)) continue;
        if (std::any_of(kDueLabels.begin(), kDueLabels.end(), [&](const char16_t* due) { return Contains(line.lower, due); }))
            continue;
        const auto letters = std::count_if(line.text.begin(), line.text.end(), [](char16_t c) {
            return IsDigit(c) || IsWordLetter(c) || c >= 0xC0;
        });
        if (letters < 3) continue;
        if (best == nullptr || s.size > best->source->size) best = &line;
    }
    return best ? Squeeze(best->text) : std::u16string();
}

// --- the sender --------------------------------------------------------------

const std::array<const char16_t*, 33> kOrganisations{
    u"株式会社", u"有限会社", u"合同会社", u"合資会社", u"合名会社", u"(株)", u"(有)", u"\u3231", u"\u3232",
    u"社団法人", u"財団法人", u"学校法人", u"医療法人", u"福祉法人", u"NPO法人", u"協同組合", u"組合", u"協会",
    u"事務所", u"Co.,Ltd", u"Co., Ltd", u"Pvt. Ltd", u"Ltd", u"Inc", u"LLC", u"GmbH", u"AG", u"B.V.", u"N.V.",
    u"S.A.", u"SAS", u"S.r.l.", u"Corp"};

// Words that stand before or after a sender's name on the same line, once OCR's
// spaces are joined: 発行元 株式会社サンプル 代表取締役 山田.
const std::array<const char16_t*, 13> kSenderLabels{u"発行元", u"請求元", u"差出人", u"送付元", u"販売元",
                                                    u"発行者", u"会社名", u"社名", u"売主", u"Sold By", u"Sold by",
                                                    u"Verkäufer", u"Seller"};
// Where a sender's name ends: its representative, its telephone, or a
// contract's sentence going on (（以下「甲」という。）と, は、次のとおり).
const std::array<const char16_t*, 12> kAfterSender{u"代表", u"担当", u"TEL", u"Tel", u"FAX", u"\u3012", u"http",
                                                   u"(以下", u"は、", u"との間", u"と、", u"が、"};

// A line level with a picture, closer to its side than half the picture is
// tall: a letterhead beside its logo.
bool BesidePicture(const TextBox& line, const std::vector<TextBox>& pictures) {
    return std::any_of(pictures.begin(), pictures.end(), [&](const TextBox& p) {
        const bool level = p.y0 < line.y1 && line.y0 < p.y1;
        const float gap = std::max(p.x0 - line.x1, line.x0 - p.x1);
        return level && gap < p.Height() / 2;
    });
}

// The senders, likeliest first: one named by its label, then one at the top
// of page 1 beside a logo, then in the largest type there, then in the order
// the page gives them. A footer's registered office comes last.
std::vector<std::u16string> Senders(const std::vector<Line>& lines, float firstPageHeight, const std::vector<TextBox>& pictures) {
    struct Found {
        std::u16string name;
        int score;
        float size;
        bool top;
    };
    std::vector<Found> found;
    for (const Line& line : lines) {
        const std::u16string& f = line.folded;
        if (IsAddressee(f) || line.recipient) continue;
        std::size_t at = std::u16string::npos;
        std::size_t length = 0;
        for (const char16_t* org : kOrganisations) {
            // Latin forms as words of their own: not the AG of AGB.
            at = IsLetter(org[0]) ? FindWord(f, org) : f.find(org);
            if (at != std::u16string::npos) {
                length = std::char_traits<char16_t>::length(org);
                break;
            }
        }
        if (at == std::u16string::npos) continue;
        // The words around the keyword, up to a colon, an ideographic space or a wide gap.
        const auto gap = [&](std::size_t i) {
            return line.text[i] == 0x3000 || f[i] == u':' || (f[i] == u' ' && i + 1 < f.size() && f[i + 1] == u' ');
        };
        std::size_t from = at, to = at + length;
        while (from > 0 && !gap(from - 1)) --from;
        // 株式会社 alone before its name (株式会社　山田商事): the next word belongs to it.
        std::size_t end = to;
        while (end < f.size() && IsSpace(f[end])) ++end;
        if (end > to && to == at + length && std::all_of(f.begin() + from, f.begin() + at, IsSpace)) {
            to = end;
        }
        while (to < f.size() && !gap(to)) ++to;
        // A Latin company form ends the name: Foo Holding B.V., Amsterdam.
        if (IsLetter(f[at])) to = std::min(to, at + length + (at + length < f.size() && f[at + length] == u'.' ? 1 : 0));
        std::u16string name = Squeeze(line.text.substr(from, to - from));
        const std::u16string folded = Fold(name);
        int score = 0;
        for (const char16_t* label : kSenderLabels) {
            const std::size_t l = folded.find(label);
            if (l != std::u16string::npos && l < folded.find(f.substr(at, length))) {
                name = Squeeze(name.substr(l + std::char_traits<char16_t>::length(label)));
                score += 4;
                break;
            }
        }
        const std::size_t keyword = Fold(name).find(f.substr(at, length));
        for (const char16_t* after : kAfterSender) {
            const std::size_t a = Fold(name).find(after);
            if (a != std::u16string::npos && keyword != std::u16string::npos && a >= keyword + length) name = Squeeze(name.substr(0, a));
        }
        if (name.size() > 40 || name.size() <= length) continue;
        const bool top = line.source->page == 0 && line.source->box.y0 < firstPageHeight / 3;
        if (top) score += 2;
        if (top && BesidePicture(line.source->box, pictures)) score += 2;
        if (std::none_of(found.begin(), found.end(), [&](const Found& s) { return s.name == name; }))
            found.push_back({std::move(name), score, line.source->size, top});
    }
    float largest = 0;
    for (const Found& s : found)
        if (s.top) largest = std::max(largest, s.size);
    for (Found& s : found)
        if (s.top && s.size >= largest) s.score += 1;
    std::stable_sort(found.begin(), found.end(), [](const Found& a, const Found& b) { return a.score > b.score; });
    std::vector<std::u16string> senders;
    for (Found& s : found) senders.push_back(std::move(s.name));
    return senders;
}

// --- company forms -----------------------------------------------------------

// Longer forms first: "Co., Ltd." goes before the "Ltd." in it.
const std::array<const char16_t*, 28> kCompanyForms{
    u"株式会社", u"有限会社", u"合同会社", u"合資会社", u"合名会社", u"(株)", u"(有)", u"\u3231", u"\u3232",
    u"Co., Ltd.", u"Co.,Ltd.", u"Co.,Ltd", u"Pvt. Ltd.", u"Pvt Ltd", u"Ltd.", u"Ltd", u"Inc.", u"Inc", u"LLC",
    u"GmbH", u"AG", u"B.V.", u"N.V.", u"S.A.", u"SAS", u"S.r.l.", u"Corp.", u"Corp"};

bool IsLatinForm(const std::u16string& form) { return IsLetter(form[0]); }

// --- tags --------------------------------------------------------------------

std::u16string Number(int value, int width) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*d", width, value);
    return Ascii(text);
}

std::vector<std::u16string> FromTags(const Tags& tags) {
    std::vector<std::u16string> names;
    const std::u16string title = Squeeze(tags.title), artist = Squeeze(tags.artist), album = Squeeze(tags.album);
    if (!artist.empty() && !title.empty()) names.push_back(artist + u" - " + title);
    if (tags.track > 0 && tags.track < 1000 && !title.empty()) names.push_back(Number(tags.track, 2) + u" " + title);
    if (!title.empty()) names.push_back(title);
    if (!album.empty()) names.push_back(album);
    return names;
}

void AddField(FileFields& fields, FieldKind kind, int rank, std::vector<std::u16string> forms) {
    for (std::u16string& form : forms) form = NameText(form);
    if (forms.empty() || forms[0].empty()) return;
    fields.push_back({kind, rank, std::move(forms)});
}

// The last run of digits in `text`: 0042 in scan0042.
std::u16string LastNumber(const std::u16string& text) {
    std::size_t end = text.size();
    while (end > 0 && !IsDigit(text[end - 1])) --end;
    std::size_t from = end;
    while (from > 0 && IsDigit(text[from - 1])) --from;
    return text.substr(from, end - from);
}

template <typename LookAlikeIn>
std::u16string Cleaned(const std::u16string& text, LookAlikeIn lookAlike) {
    std::u16string name;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        const bool high = c >= 0xD800 && c <= 0xDBFF, low = c >= 0xDC00 && c <= 0xDFFF;
        if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            name.append(text, i, 2);
            ++i;
            continue;
        }
        if (c < 0x20 || (c >= 0x7F && c <= 0x9F) || high || low || c == 0xFFFE || c == 0xFFFF) c = u' ';
        if (const char16_t like = LookAlike(c)) c = lookAlike(like);
        name.push_back(c);
    }
    name = Squeeze(name);
    if (name.size() > kLongestName) {
        std::size_t cut = kLongestName;
        if (name[cut - 1] >= 0xD800 && name[cut - 1] <= 0xDBFF) --cut;
        name = Squeeze(name.substr(0, cut));
    }
    // Windows drops trailing dots and spaces from a name.
    while (!name.empty() && (name.back() == u'.' || IsSpace(name.back()))) name.pop_back();
    if (name == u"." || name == u"..") return {};
    return name;
}

}  // namespace

const Field* FindField(const FileFields& fields, FieldKind kind, int rank) {
    for (const Field& field : fields)
        if (field.kind == kind && field.rank == rank) return &field;
    return nullptr;
}

std::u16string NameText(const std::u16string& text) {
    return Cleaned(text, [](char16_t like) { return like; });
}

Bytes AsName(const std::u16string& text, const CodePage& cp) {
    const std::u16string name = Cleaned(text, [&](char16_t like) { return RoundTrips(std::u16string(1, like), cp) ? like : u'_'; });
    if (name.empty()) return {};
    Bytes bytes = FromUtf16(name, cp);
    if (ToUtf16(bytes, cp) != name || HasForbiddenChar(bytes, cp)) return {};
    return bytes;
}

std::u16string WithoutCompanyForm(const std::u16string& sender) {
    std::u16string name = Squeeze(sender);
    for (bool cut = true; cut;) {
        cut = false;
        const std::u16string folded = Fold(name);
        for (const char16_t* form : kCompanyForms) {
            const std::u16string f = form;
            if (folded.size() <= f.size()) continue;
            const std::size_t end = folded.size() - f.size();
            // A Latin form is a word of its own: not the "inc" of Zinc.
            if (folded.compare(0, f.size(), f) == 0 && (!IsLatinForm(f) || IsSpace(folded[f.size()]))) {
                name = Squeeze(name.substr(f.size()));
            } else if (folded.compare(end, f.size(), f) == 0 &&
                       (!IsLatinForm(f) || IsSpace(folded[end - 1]) || folded[end - 1] == u',')) {
                name = name.substr(0, end);
                while (!name.empty() && (IsSpace(name.back()) || name.back() == u',')) name.pop_back();
            } else {
                continue;
            }
            cut = true;
            break;
        }
    }
    return name.empty() ? Squeeze(sender) : name;
}

FileFields ReadFields(const FileText& text) {
    // A crafted file's million lines cost no more than a real page's few hundred:
    // the search for a number's table cell looks at every line.
    std::vector<Line> lines;
    lines.reserve(std::min(text.lines.size(), kMostLinesRead));
    for (const TextLine& source : text.lines) {
        if (lines.size() == kMostLinesRead) break;
        std::u16string joined = JoinJapaneseSpaces(source.text.substr(0, kLongestLineRead));
        std::u16string folded = Fold(joined);
        std::u16string lower = Lowered(folded);
        lines.push_back({&source, std::move(joined), std::move(folded), std::move(lower)});
    }
    MarkRecipients(lines);
    float firstPageWidth = 0, firstPageHeight = 0;
    const std::vector<TextBox> none;
    const std::vector<TextBox>* firstPictures = &none;
    for (const PageInfo& page : text.pages)
        if (page.page == 0) firstPageWidth = page.width, firstPageHeight = page.height, firstPictures = &page.pictures;
    if (firstPageHeight <= 0)
        for (const TextLine& line : text.lines) firstPageHeight = std::max(firstPageHeight, line.box.y1);

    FileFields fields;
    const std::vector<DateFound> dates = RankedDates(lines, firstPageWidth, firstPageHeight);
    for (std::size_t i = 0; i < dates.size() && i < kMostCandidates; ++i)
        AddField(fields, FieldKind::Date, int(i), DateForms(dates[i].date, dates[i].printed));
    const std::vector<std::u16string> numbers = RankedNumbers(lines);
    for (std::size_t i = 0; i < numbers.size() && i < kMostCandidates; ++i) {
        const std::u16string digits = LastNumber(numbers[i]);
        AddField(fields, FieldKind::Number, int(i), {numbers[i], digits == numbers[i] ? std::u16string() : digits});
    }
    AddField(fields, FieldKind::Kind, 0, {Kind(lines)});
    AddField(fields, FieldKind::Title, 0, {Title(lines, firstPageHeight)});
    const std::vector<std::u16string> senders = Senders(lines, firstPageHeight, *firstPictures);
    for (std::size_t i = 0; i < senders.size() && i < kMostCandidates; ++i)
        AddField(fields, FieldKind::Sender, int(i), {senders[i], WithoutCompanyForm(senders[i])});

    const Tags& tags = text.tags;
    AddField(fields, FieldKind::TagTitle, 0, {Squeeze(tags.title)});
    AddField(fields, FieldKind::Artist, 0, {Squeeze(tags.artist)});
    AddField(fields, FieldKind::Album, 0, {Squeeze(tags.album)});
    if (tags.track > 0 && tags.track < 1000)
        AddField(fields, FieldKind::Track, 0, {Number(tags.track, 1), Number(tags.track, 2), Number(tags.track, 3)});
    if (tags.year >= 1000 && tags.year < 10000) AddField(fields, FieldKind::Year, 0, {Number(tags.year, 4)});
    return fields;
}

FileFields OldNameFields(const std::u16string& stem) {
    FileFields fields;
    AddField(fields, FieldKind::OldName, 0, {stem});
    const std::u16string number = LastNumber(stem);
    if (!number.empty() && number.size() <= 9) {
        std::u16string plain = number;
        plain.erase(0, std::min(plain.find_first_not_of(u'0'), plain.size() - 1));
        AddField(fields, FieldKind::OldNumber, 0, {number, plain});
    }
    return fields;
}

std::vector<Bytes> NameCandidates(const FileFields& fields, const CodePage& cp) {
    const auto form = [&](FieldKind kind, int rank, int which) -> std::u16string {
        const Field* field = FindField(fields, kind, rank);
        return field && std::size_t(which) < field->forms.size() ? field->forms[which] : std::u16string();
    };
    // The first of each kind before the second of any.
    std::vector<std::u16string> order{form(FieldKind::Date, 0, kDateIso),   form(FieldKind::Number, 0, 0),
                                      form(FieldKind::Kind, 0, 0),          form(FieldKind::Title, 0, 0),
                                      form(FieldKind::Sender, 0, kSenderPrinted), form(FieldKind::Date, 0, kDateCompact)};
    Tags tags;
    tags.title = form(FieldKind::TagTitle, 0, 0);
    tags.artist = form(FieldKind::Artist, 0, 0);
    tags.album = form(FieldKind::Album, 0, 0);
    if (const Field* track = FindField(fields, FieldKind::Track))
        for (char16_t digit : track->forms[0]) tags.track = tags.track * 10 + (digit - u'0');
    for (const std::u16string& name : FromTags(tags)) order.push_back(name);
    for (int i = 1; i < int(kMostCandidates); ++i) {
        order.push_back(form(FieldKind::Date, i, kDateIso));
        order.push_back(form(FieldKind::Date, i, kDateCompact));
        order.push_back(form(FieldKind::Number, i, 0));
        order.push_back(form(FieldKind::Sender, i, kSenderPrinted));
    }

    std::vector<Bytes> names;
    for (const std::u16string& candidate : order) {
        if (candidate.empty()) continue;
        Bytes name = AsName(candidate, cp);
        if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end()) names.push_back(std::move(name));
        if (names.size() == kMostCandidates) break;
    }
    return names;
}

std::vector<Bytes> NameCandidates(const FileText& text, const CodePage& cp) { return NameCandidates(ReadFields(text), cp); }
