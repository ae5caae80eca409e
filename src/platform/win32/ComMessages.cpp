// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/CodePage.h"
#include "platform/ComHost.h"

Bytes FormatMessageText(HRESULT code) {
    // The system's own message table, in the user's language.
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                            FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    if (length == 0 || text == nullptr) return {};
    const Bytes bytes = FromUtf16(std::u16string(reinterpret_cast<const char16_t*>(text), length));
    LocalFree(text);
    return bytes;
}
