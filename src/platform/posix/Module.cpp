// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Module.h"
#include "platform/posix/ProgramModule.h"

#include <dlfcn.h>
#include <filesystem>

#include "core/Paths.h"

CodeLocation LocateCode(const void* address) {
    CodeLocation location;
    Dl_info info{};
    if (address != nullptr && dladdr(address, &info) != 0 && info.dli_fbase != nullptr) {
        location.offset = reinterpret_cast<std::uintptr_t>(address) - reinterpret_cast<std::uintptr_t>(info.dli_fbase);
    }
    std::error_code ignored;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ignored);
    location.moduleFileName = exe.empty() ? Bytes("quilvane") : FileNamePart(exe.native(), PathStyle::Posix);
    return location;
}

Bytes ProgramFolder() {
    std::error_code ignored;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ignored);
    return exe.empty() ? Bytes() : FolderPart(exe.native(), PathStyle::Posix);
}

void* OpenProgramModule(const char* fileName) {
    const Bytes path = ProgramFolder() + "../lib/quilvane/" + fileName;
    return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
}
