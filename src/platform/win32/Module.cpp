// SPDX-License-Identifier: GPL-3.0-or-later
#include <windows.h>

#include "core/Paths.h"
#include "platform/Module.h"

CodeLocation LocateCode(const void* address) {
    CodeLocation location;
    HMODULE module = nullptr;
    if (address != nullptr &&
        GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           static_cast<LPCSTR>(address), &module)) {
        location.offset = reinterpret_cast<std::uintptr_t>(address) - reinterpret_cast<std::uintptr_t>(module);
    }
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(module, path, sizeof path);  // the .exe when the address is in none
    location.moduleFileName =
        length == 0 || length >= sizeof path ? Bytes("quilvane.exe") : FileNamePart(Bytes(path, length), PathStyle::Windows);
    return location;
}

Bytes ProgramFolder() {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    return length == 0 || length >= sizeof path ? Bytes() : FolderPart(Bytes(path, length), PathStyle::Windows);
}
