// SPDX-License-Identifier: GPL-3.0-or-later
#include <dlfcn.h>

#include <stdexcept>

#include "names/ReaderLoader.h"
#include "platform/posix/ProgramModule.h"

namespace {

using MakeReaderEntry = void (*)(NameSuggestions::Reader* reader);

MakeReaderEntry ReadersEntry() {
    static MakeReaderEntry entry = [] {
        void* handle = OpenProgramModule("libquilvane-readers.so");
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
