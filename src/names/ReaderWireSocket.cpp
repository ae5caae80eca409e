// SPDX-License-Identifier: GPL-3.0-or-later
// The wire on Linux: one stream socket both ways, the memory file passed with
// its request by SCM_RIGHTS.
#include <poll.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "names/ReaderWire.h"
#include "platform/posix/SocketMessages.h"

bool WireSendAll(WireEnd end, const char* data, std::size_t size) { return SendAll(int(end), data, size); }

bool WireReceiveAll(WireEnd end, char* data, std::size_t size) { return ReceiveAll(int(end), data, size); }

bool WireSendWithFile(WireEnd end, const char* data, std::size_t size, WireFile file) {
    return SendWithDescriptor(int(end), data, size, file == kNoWireFile ? -1 : int(file));
}

bool WireReceiveWithFile(WireEnd end, char* data, std::size_t size, WireFile* file) {
    int descriptor = -1;
    const bool whole = ReceiveWithDescriptor(int(end), data, size, &descriptor);
    *file = descriptor < 0 ? kNoWireFile : WireFile(descriptor);
    return whole;
}

long WireReceiveSome(WireEnd end, char* data, std::size_t size, std::chrono::milliseconds wait) {
    pollfd ready{int(end), POLLIN, 0};
    if (poll(&ready, 1, int(wait.count())) <= 0) return 0;
    const ssize_t got = recv(int(end), data, size, 0);
    return got > 0 ? long(got) : -1;  // 0: gone; crashed, or killed by its limits
}

std::string_view MapWireFile(WireFile file, std::size_t size) {
    struct stat info{};
    if (fstat(int(file), &info) != 0 || info.st_size < 0 || std::size_t(info.st_size) < size || size == 0) return {};
    void* bytes = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, int(file), 0);
    if (bytes == MAP_FAILED) return {};
    return {static_cast<const char*>(bytes), size};
}

void UnmapWireFile(std::string_view mapped) { munmap(const_cast<char*>(mapped.data()), mapped.size()); }

void CloseWireFile(WireFile file) {
    if (file != kNoWireFile) close(int(file));
}
