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

namespace {

// A message of `size` bytes at `data`, with room for one descriptor.
struct WithDescriptor {
    WithDescriptor(const char* data, std::size_t size) : part{const_cast<char*>(data), size} {
        message.msg_iov = &part;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof control;
    }
    WithDescriptor(const WithDescriptor&) = delete;
    WithDescriptor& operator=(const WithDescriptor&) = delete;

    iovec part;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    msghdr message{};
};

}  // namespace

bool WireSendAll(WireEnd end, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t sent = send(int(end), data, size, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent <= 0) return false;
        data += sent, size -= static_cast<std::size_t>(sent);
    }
    return true;
}

bool WireReceiveAll(WireEnd end, char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t got = recv(int(end), data, size, 0);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        data += got, size -= static_cast<std::size_t>(got);
    }
    return true;
}

bool WireSendWithFile(WireEnd end, const char* data, std::size_t size, WireFile file) {
    if (file == kNoWireFile) return WireSendAll(end, data, size);
    WithDescriptor with(data, size);
    cmsghdr* passed = CMSG_FIRSTHDR(&with.message);
    passed->cmsg_level = SOL_SOCKET;
    passed->cmsg_type = SCM_RIGHTS;
    passed->cmsg_len = CMSG_LEN(sizeof(int));
    const int descriptor = int(file);
    std::memcpy(CMSG_DATA(passed), &descriptor, sizeof(int));
    ssize_t sent = 0;
    do sent = sendmsg(int(end), &with.message, MSG_NOSIGNAL);
    while (sent < 0 && errno == EINTR);
    // The descriptor went with the first byte; the rest is plain.
    return sent > 0 && WireSendAll(end, data + sent, size - std::size_t(sent));
}

bool WireReceiveWithFile(WireEnd end, char* data, std::size_t size, WireFile* file) {
    *file = kNoWireFile;
    WithDescriptor with(data, size);
    ssize_t got = 0;
    do got = recvmsg(int(end), &with.message, MSG_CMSG_CLOEXEC);
    while (got < 0 && errno == EINTR);
    for (cmsghdr* c = CMSG_FIRSTHDR(&with.message); got > 0 && c != nullptr; c = CMSG_NXTHDR(&with.message, c))
        if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_RIGHTS) {
            int descriptor = -1;
            std::memcpy(&descriptor, CMSG_DATA(c), sizeof(int));
            *file = descriptor;
        }
    return got > 0 && WireReceiveAll(end, data + got, size - std::size_t(got));
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
