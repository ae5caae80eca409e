// SPDX-License-Identifier: GPL-3.0-or-later
// The readers as a module of their own: what the program's worker loads.
#include <mutex>

#include "names/NameSuggestions.h"
#include "platform/Platform.h"

extern "C" __attribute__((visibility("default"))) void quilvane_make_reader(NameSuggestions::Reader* reader) {
    // The module has its own copy of the core: it learns the code page as the program did.
    static std::once_flag installed;
    std::call_once(installed, InstallPlatformServices);
    *reader = FileNameReader()();
}
