// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/posix/SocketMessages.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

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

bool SendAll(int socket, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t sent = send(socket, data, size, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent <= 0) return false;
        data += sent, size -= static_cast<std::size_t>(sent);
    }
    return true;
}

bool ReceiveAll(int socket, char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t got = recv(socket, data, size, 0);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        data += got, size -= static_cast<std::size_t>(got);
    }
    return true;
}

bool SendWithDescriptor(int socket, const char* data, std::size_t size, int descriptor) {
    if (descriptor < 0) return SendAll(socket, data, size);
    WithDescriptor with(data, size);
    cmsghdr* passed = CMSG_FIRSTHDR(&with.message);
    passed->cmsg_level = SOL_SOCKET;
    passed->cmsg_type = SCM_RIGHTS;
    passed->cmsg_len = CMSG_LEN(sizeof(int));
    std::memcpy(CMSG_DATA(passed), &descriptor, sizeof(int));
    ssize_t sent = 0;
    do sent = sendmsg(socket, &with.message, MSG_NOSIGNAL);
    while (sent < 0 && errno == EINTR);
    // The descriptor went with the first byte; the rest is plain.
    return sent > 0 && SendAll(socket, data + sent, size - std::size_t(sent));
}

bool ReceiveWithDescriptor(int socket, char* data, std::size_t size, int* descriptor) {
    *descriptor = -1;
    WithDescriptor with(data, size);
    ssize_t got = 0;
    do got = recvmsg(socket, &with.message, MSG_CMSG_CLOEXEC);
    while (got < 0 && errno == EINTR);
    for (cmsghdr* c = CMSG_FIRSTHDR(&with.message); got > 0 && c != nullptr; c = CMSG_NXTHDR(&with.message, c))
        if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_RIGHTS) std::memcpy(descriptor, CMSG_DATA(c), sizeof(int));
    return got > 0 && ReceiveAll(socket, data + got, size - std::size_t(got));
}
