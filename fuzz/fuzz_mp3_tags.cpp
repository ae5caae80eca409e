// SPDX-License-Identifier: GPL-3.0-or-later
// An MP3's tags, ID3v2 bounded before TagLib sees it, and ID3v1.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "names/Mp3Tags.h"
#include "platform/Platform.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    InstallPlatformServices();  // Latin-1 fields may be read as code page 932
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ReadMp3Tags(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
