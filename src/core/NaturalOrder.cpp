#include "core/NaturalOrder.h"

namespace {

bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
unsigned char Fold(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; }

// -1, 0 or 1, without the byte tie-break.
int CompareNatural(std::string_view a, std::string_view b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const auto ca = static_cast<unsigned char>(a[i]), cb = static_cast<unsigned char>(b[j]);
        if (IsDigit(ca) && IsDigit(cb)) {
            std::size_t za = i, zb = j;
            while (za < a.size() && a[za] == '0') ++za;
            while (zb < b.size() && b[zb] == '0') ++zb;
            std::size_t ea = za, eb = zb;
            while (ea < a.size() && IsDigit(a[ea])) ++ea;
            while (eb < b.size() && IsDigit(b[eb])) ++eb;
            if (ea - za != eb - zb) return ea - za < eb - zb ? -1 : 1;
            int c = a.substr(za, ea - za).compare(b.substr(zb, eb - zb));
            if (c != 0) return c < 0 ? -1 : 1;
            i = ea;
            j = eb;
            continue;
        }
        const unsigned char fa = Fold(ca), fb = Fold(cb);
        if (fa != fb) return fa < fb ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    return 0;
}

}  // namespace

bool NaturalLess(std::string_view a, std::string_view b) {
    const int c = CompareNatural(a, b);
    return c != 0 ? c < 0 : a < b;
}
