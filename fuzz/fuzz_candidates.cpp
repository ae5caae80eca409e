// SPDX-License-Identifier: GPL-3.0-or-later
// The names offered from a file's text (see FuzzText.h for the input), in
// UTF-8: whatever the text holds, a name holds no control and no broken
// character. Each name, given back as the user's, is explained by the fields
// and rebuilt from them exactly.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "FuzzText.h"
#include "core/CodePage.h"
#include "names/Candidates.h"
#include "names/NameScheme.h"
#include "platform/Platform.h"

namespace {

// No controls, and no byte that failed to decode: those come back as lone
// surrogates, the low half of a pair is no such byte.
bool ValidText(const std::u16string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool pair = text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                          text[i + 1] <= 0xDFFF;
        if (pair) ++i;
        else if (text[i] < 0x20 || IsByteEscape(text[i])) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    InstallPlatformServices();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const CodePage utf8 = CodePage::FromNumber(65001);
    const FileText text = DecodeFileText(std::string_view(reinterpret_cast<const char*>(data), size));
    const FileFields fields = ReadFields(text);
    std::vector<Bytes> names = NameCandidates(fields, utf8);
    for (const Bytes& name : names) {
        if (ValidText(ToUtf16(name, utf8))) continue;
        std::fprintf(stderr, "not valid text: \"%s\"\n", name.c_str());
        std::abort();
    }
    // Two names joined as a user would join them.
    if (names.size() >= 2) names.push_back(names[0] + "_" + names[1]);
    for (const Bytes& name : names) {
        const std::u16string given = ToUtf16(name, utf8);
        const std::optional<NameTemplate> scheme = LearnScheme({{fields, given}});
        if (scheme && ComposeName(*scheme, fields) == given) continue;
        std::fprintf(stderr, "not rebuilt: \"%s\"\n", name.c_str());
        std::abort();
    }
    return 0;
}
