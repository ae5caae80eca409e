// SPDX-License-Identifier: GPL-3.0-or-later
// The wire on Windows: an anonymous pipe each way (one handle read and
// written by two threads at once would serialise them), and a file mapping
// the program duplicated into the helper, whose value follows its request.
#include <windows.h>

#include <algorithm>
#include <cstring>

#include "names/ReaderWire.h"

namespace {

HANDLE Handle(std::intptr_t value) { return reinterpret_cast<HANDLE>(value); }

// All `size` bytes, by `step` that moves some: false when the pipe is gone.
template <typename Step>
bool Whole(char* data, std::size_t size, Step step) {
    while (size > 0) {
        DWORD moved = 0;
        if (!step(data, DWORD(std::min<std::size_t>(size, 1 << 20)), &moved) || moved == 0) return false;
        data += moved, size -= moved;
    }
    return true;
}

}  // namespace

bool WireSendAll(WireEnd end, const char* data, std::size_t size) {
    return Whole(const_cast<char*>(data), size,
                 [end](char* at, DWORD n, DWORD* moved) { return WriteFile(Handle(end), at, n, moved, nullptr); });
}

bool WireReceiveAll(WireEnd end, char* data, std::size_t size) {
    return Whole(data, size, [end](char* at, DWORD n, DWORD* moved) { return ReadFile(Handle(end), at, n, moved, nullptr); });
}

bool WireSendWithFile(WireEnd end, const char* data, std::size_t size, WireFile file) {
    Bytes message(data, size);
    message.append(reinterpret_cast<const char*>(&file), sizeof file);
    return WireSendAll(end, message.data(), message.size());
}

bool WireReceiveWithFile(WireEnd end, char* data, std::size_t size, WireFile* file) {
    *file = kNoWireFile;
    return WireReceiveAll(end, data, size) && WireReceiveAll(end, reinterpret_cast<char*>(file), sizeof *file);
}

long WireReceiveSome(WireEnd end, char* data, std::size_t size, std::chrono::milliseconds wait) {
    // Anonymous pipes cannot be waited on: look, and look again after the wait.
    for (int look = 0; look < 2; ++look) {
        DWORD waiting = 0;
        if (!PeekNamedPipe(Handle(end), nullptr, 0, nullptr, &waiting, nullptr)) return -1;  // gone
        if (waiting > 0) {
            DWORD got = 0;
            if (!ReadFile(Handle(end), data, DWORD(std::min<std::size_t>(size, waiting)), &got, nullptr) || got == 0)
                return -1;
            return long(got);
        }
        if (look == 0) Sleep(DWORD(wait.count()));
    }
    return 0;
}

std::string_view MapWireFile(WireFile file, std::size_t size) {
    if (size == 0) return {};
    const void* bytes = MapViewOfFile(Handle(file), FILE_MAP_READ, 0, 0, size);
    if (bytes == nullptr) return {};
    return {static_cast<const char*>(bytes), size};
}

void UnmapWireFile(std::string_view mapped) { UnmapViewOfFile(mapped.data()); }

void CloseWireFile(WireFile file) {
    if (file != kNoWireFile) CloseHandle(Handle(file));
}
