// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <optional>
#include <vector>

#include "core/Bytes.h"
#include "names/FileKind.h"

// What the program and the readers' helper say to each other over one stream
// socket. The program asks for one file at a time: its kind, with its bytes
// in a memory file passed along (the helper opens nothing by path); it may
// ask to stop; the helper says once that it is ready, then answers every
// request with the names it found.

enum class WireMessage : unsigned char { Read = 'R', Stop = 'S', Names = 'N', Ready = 'H' };

struct WireRequest {
    WireMessage message = WireMessage::Stop;
    FileKind kind = FileKind::Other;
    int file = -1;  // the memory file with the bytes, for Read; the receiver closes it
};

// False when the other end is gone.
bool SendRead(int socket, FileKind kind, int file);
bool SendStop(int socket);
// The helper is set up and shut in: from now on a file's deadline runs.
bool SendReady(int socket);
bool SendNames(int socket, const std::vector<Bytes>& names);

// The next request; none when the other end is gone or spoke nonsense.
std::optional<WireRequest> ReceiveRequest(int socket);

// Names, put together from what arrives on the socket in pieces.
class NamesReply {
public:
    // Takes what a read of the socket gave; true once a whole reply is in.
    bool Take(const char* data, std::size_t size);
    // The reply; none when it was not names or did not make sense.
    std::optional<std::vector<Bytes>> Names() const;

private:
    Bytes buffer_;
};

// The most a reply may hold: a helper gone wrong cannot make the program
// hold gigabytes.
constexpr std::size_t kLargestReply = 1 << 20;
