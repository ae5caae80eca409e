// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/Bytes.h"
#include "names/Fields.h"
#include "names/FileKind.h"
#include "names/FileText.h"

// What the program and the readers' helper say to each other. The program
// asks for one file at a time: its kind and size, with its bytes in memory
// handed to the helper (the helper opens nothing by path); it may ask to
// stop; the helper says once that it is ready, then answers every request
// with the fields it found. The bytes of a message are the same on every
// system; how they and the memory travel is the system's: a Unix socket with
// the memory file passed along (ReaderWireSocket.cpp), or two pipes with a
// file mapping the program put into the helper (ReaderWirePipe.cpp).

// A socket, or one way of a pipe.
using WireEnd = std::intptr_t;
// A file's bytes in memory: a memory file's descriptor, or a file mapping.
using WireFile = std::intptr_t;
constexpr WireFile kNoWireFile = -1;

// One end's way in and way out (one socket serves both).
struct WireLink {
    WireEnd receive = -1;
    WireEnd send = -1;
};

enum class WireMessage : unsigned char { Read = 'R', ReadWhole = 'W', Stop = 'S', Fields = 'F', Ready = 'H' };

struct WireRequest {
    WireMessage message = WireMessage::Stop;  // Read and ReadWhole are both reads
    FileKind kind = FileKind::Other;
    WireFile file = kNoWireFile;  // for Read: the helper's own, released with ReleaseRequestFile
    std::size_t size = 0;
};

// False when the other end is gone. `file` is as the helper will have it.
bool SendRead(const WireLink& link, FileKind kind, WireFile file, std::size_t size, ReadDepth depth = ReadDepth::Top);
bool SendStop(const WireLink& link);
// The helper is set up and shut in: from now on a file's deadline runs.
bool SendReady(const WireLink& link);
// What a read found, and whether more of the file could be read.
struct WireFields {
    FileFields fields;
    bool partial = false;
};
// At most kMostForms forms of each field go. A reply with more fields, or
// longer forms, than the readers make is nonsense.
bool SendFields(const WireLink& link, const WireFields& found);
constexpr std::size_t kMostForms = 16;
constexpr std::size_t kMostFields = 64;
constexpr std::size_t kLongestForm = 1000;

// The next request; none when the other end is gone or spoke nonsense.
std::optional<WireRequest> ReceiveRequest(const WireLink& link);
// A Read's bytes, mapped for reading; empty when they cannot be.
std::string_view MapRequestFile(const WireRequest& request);
// Unmaps `mapped` and closes the request's file.
void ReleaseRequestFile(const WireRequest& request, std::string_view mapped);

// Fields, put together from what arrives in pieces.
class FieldsReply {
public:
    // Takes what a read gave; true once a whole reply is in.
    bool Take(const char* data, std::size_t size);
    // The reply; none when it was not fields or did not make sense.
    std::optional<WireFields> Fields() const;

private:
    Bytes buffer_;
};

// The most a reply may hold: a helper gone wrong cannot make the program
// hold gigabytes.
constexpr std::size_t kLargestReply = 1 << 20;

// The helper's command line after the program's own name: the switch, its
// ends of the link, and how long it lets a file run before stopping it.
std::vector<std::string> HelperArguments(const WireLink& helperEnds, std::chrono::milliseconds budget);
struct HelperStart {
    WireLink link;
    std::chrono::milliseconds budget{0};
};
// None when `argv` is not a helper's command line.
std::optional<HelperStart> HelperStartOf(int argc, char** argv);

// How the bytes travel, per system. Each false or -1 when the other end is gone.
bool WireSendAll(WireEnd end, const char* data, std::size_t size);
bool WireReceiveAll(WireEnd end, char* data, std::size_t size);
// `data` with `file` (kNoWireFile: none); the receiver gets the file as its own.
bool WireSendWithFile(WireEnd end, const char* data, std::size_t size, WireFile file);
bool WireReceiveWithFile(WireEnd end, char* data, std::size_t size, WireFile* file);
// Waits at most `wait` for bytes: how many came, 0 when none did.
long WireReceiveSome(WireEnd end, char* data, std::size_t size, std::chrono::milliseconds wait);
std::string_view MapWireFile(WireFile file, std::size_t size);
void UnmapWireFile(std::string_view mapped);
void CloseWireFile(WireFile file);
