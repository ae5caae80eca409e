// SPDX-License-Identifier: GPL-3.0-or-later
#include <dlfcn.h>

#include <stdexcept>

#include "names/ReaderLoader.h"
#include "platform/Module.h"

namespace {

using MakeReaderEntry = void (*)(NameSuggestions::Reader* reader);

// Beside the program's folder, as installed (bin/ and lib/quilvane/) and as built.
MakeReaderEntry ReadersEntry() {
    static MakeReaderEntry entry = [] {
        const Bytes module = ProgramFolder() + "../lib/quilvane/libquilvane-readers.so";
        void* handle = dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) throw std::runtime_error(dlerror());
        auto found = reinterpret_cast<MakeReaderEntry>(dlsym(handle, "quilvane_make_reader"));
        if (found == nullptr) throw std::runtime_error(dlerror());
        return found;  // kept loaded until the process ends: the readers' threads may outlive a worker
    }();
    return entry;
}

}  // namespace

NameSuggestions::MakeReader LoadedFileNameReader() {
    return [] {
        NameSuggestions::Reader reader;
        ReadersEntry()(&reader);
        return reader;
    };
}
