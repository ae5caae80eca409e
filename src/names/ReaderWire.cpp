// SPDX-License-Identifier: GPL-3.0-or-later
#include "names/ReaderWire.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

void PutNumber(Bytes& out, std::uint32_t n) {
    for (int i = 0; i < 4; ++i) out += char((n >> (8 * i)) & 0xFF);
}

std::uint32_t NumberAt(const Bytes& in, std::size_t at) {
    std::uint32_t n = 0;
    for (int i = 3; i >= 0; --i) n = n << 8 | static_cast<unsigned char>(in[at + i]);
    return n;
}

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

constexpr std::size_t kHeader = 5;  // the message, then the length of what follows

}  // namespace

bool SendRead(int socket, FileKind kind, int file) {
    char body[2] = {char(WireMessage::Read), char(kind)};
    iovec part{body, sizeof body};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    msghdr message{};
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    cmsghdr* passed = CMSG_FIRSTHDR(&message);
    passed->cmsg_level = SOL_SOCKET;
    passed->cmsg_type = SCM_RIGHTS;
    passed->cmsg_len = CMSG_LEN(sizeof(int));
    std::memcpy(CMSG_DATA(passed), &file, sizeof(int));
    for (;;) {
        const ssize_t sent = sendmsg(socket, &message, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent == 1) return SendAll(socket, body + 1, 1);
        return sent == ssize_t(sizeof body);
    }
}

bool SendStop(int socket) {
    const char stop = char(WireMessage::Stop);
    return SendAll(socket, &stop, 1);
}

bool SendReady(int socket) {
    const char ready = char(WireMessage::Ready);
    return SendAll(socket, &ready, 1);
}

bool SendNames(int socket, const std::vector<Bytes>& names) {
    Bytes body;
    PutNumber(body, std::uint32_t(names.size()));
    for (const Bytes& name : names) {
        PutNumber(body, std::uint32_t(name.size()));
        body += name;
    }
    Bytes out(1, char(WireMessage::Names));
    PutNumber(out, std::uint32_t(body.size()));
    out += body;
    return SendAll(socket, out.data(), out.size());
}

std::optional<WireRequest> ReceiveRequest(int socket) {
    char first = 0;
    iovec part{&first, 1};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    msghdr message{};
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    ssize_t got = 0;
    do got = recvmsg(socket, &message, MSG_CMSG_CLOEXEC);
    while (got < 0 && errno == EINTR);
    if (got != 1) return std::nullopt;
    WireRequest request;
    for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c))
        if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_RIGHTS) std::memcpy(&request.file, CMSG_DATA(c), sizeof(int));
    request.message = WireMessage(first);
    if (request.message == WireMessage::Stop && request.file < 0) return request;
    char kind = 0;
    if (request.message == WireMessage::Read && request.file >= 0 && ReceiveAll(socket, &kind, 1) &&
        (kind == char(FileKind::Pdf) || kind == char(FileKind::Mp3))) {
        request.kind = FileKind(kind);
        return request;
    }
    if (request.file >= 0) close(request.file);
    return std::nullopt;
}

bool NamesReply::Take(const char* data, std::size_t size) {
    buffer_.append(data, size);
    if (buffer_.size() < kHeader) return false;
    const std::size_t length = NumberAt(buffer_, 1);
    return length > kLargestReply || buffer_.size() >= kHeader + length;
}

std::optional<std::vector<Bytes>> NamesReply::Names() const {
    if (buffer_.size() < kHeader || buffer_[0] != char(WireMessage::Names)) return std::nullopt;
    const std::size_t length = NumberAt(buffer_, 1);
    if (length > kLargestReply || buffer_.size() != kHeader + length || length < 4) return std::nullopt;
    std::size_t at = kHeader;
    const std::uint32_t count = NumberAt(buffer_, at);
    at += 4;
    std::vector<Bytes> names;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (buffer_.size() - at < 4) return std::nullopt;
        const std::size_t size = NumberAt(buffer_, at);
        at += 4;
        if (buffer_.size() - at < size) return std::nullopt;
        names.push_back(buffer_.substr(at, size));
        at += size;
    }
    if (at != buffer_.size()) return std::nullopt;
    return names;
}
