// SPDX-License-Identifier: GPL-3.0-or-later
#include "names/ReaderWire.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

void PutNumber(Bytes& out, std::uint32_t n) {
    for (int i = 0; i < 4; ++i) out += char((n >> (8 * i)) & 0xFF);
}

std::uint32_t NumberAt(std::string_view in, std::size_t at) {
    std::uint32_t n = 0;
    for (int i = 3; i >= 0; --i) n = n << 8 | static_cast<unsigned char>(in[at + i]);
    return n;
}

constexpr std::size_t kHeader = 5;   // a reply's message, then the length of what follows
constexpr std::size_t kRequest = 6;  // a request's message, the file's kind and its size
constexpr const char* kHelperSwitch = "--readers";

bool SendRequest(const WireLink& link, WireMessage message, FileKind kind, WireFile file, std::size_t size) {
    Bytes frame{char(message), char(kind)};
    PutNumber(frame, std::uint32_t(size));
    return WireSendWithFile(link.send, frame.data(), frame.size(), file);
}

bool SendByte(const WireLink& link, WireMessage message) {
    const char byte = char(message);
    return WireSendAll(link.send, &byte, 1);
}

// A number of the command line, whole or nothing.
std::optional<long long> Number(const char* text) {
    char* end = nullptr;
    const long long n = std::strtoll(text, &end, 10);
    if (end == text || *end != '\0') return std::nullopt;
    return n;
}

}  // namespace

bool SendRead(const WireLink& link, FileKind kind, WireFile file, std::size_t size, ReadDepth depth) {
    const WireMessage message = depth == ReadDepth::Whole ? WireMessage::ReadWhole : WireMessage::Read;
    return size <= kLargestMp3 && SendRequest(link, message, kind, file, size);
}

bool SendStop(const WireLink& link) { return SendRequest(link, WireMessage::Stop, FileKind::Other, kNoWireFile, 0); }

bool SendReady(const WireLink& link) { return SendByte(link, WireMessage::Ready); }

bool SendFields(const WireLink& link, const WireFields& found) {
    Bytes body;
    body += char(found.partial);
    PutNumber(body, std::uint32_t(found.fields.size()));
    for (const Field& field : found.fields) {
        body += char(field.kind);
        body += char(std::min(field.rank, 255));
        const std::size_t forms = std::min<std::size_t>(field.forms.size(), kMostForms);
        body += char(forms);
        for (std::size_t i = 0; i < forms; ++i) {
            PutNumber(body, std::uint32_t(field.forms[i].size()));
            for (char16_t unit : field.forms[i]) body += char(unit & 0xFF), body += char(unit >> 8);
        }
    }
    Bytes out(1, char(WireMessage::Fields));
    PutNumber(out, std::uint32_t(body.size()));
    out += body;
    return WireSendAll(link.send, out.data(), out.size());
}

std::optional<WireRequest> ReceiveRequest(const WireLink& link) {
    char frame[kRequest];
    WireRequest request;
    if (!WireReceiveWithFile(link.receive, frame, sizeof frame, &request.file)) {
        CloseWireFile(request.file);
        return std::nullopt;
    }
    request.message = WireMessage(frame[0]);
    request.kind = FileKind(frame[1]);
    request.size = NumberAt({frame, sizeof frame}, 2);
    if (request.message == WireMessage::Stop && request.file == kNoWireFile) return request;
    const bool read = request.message == WireMessage::Read || request.message == WireMessage::ReadWhole;
    if (read && request.file != kNoWireFile && request.size > 0 &&
        (request.kind == FileKind::Pdf || request.kind == FileKind::Mp3))
        return request;
    CloseWireFile(request.file);
    return std::nullopt;
}

std::string_view MapRequestFile(const WireRequest& request) { return MapWireFile(request.file, request.size); }

void ReleaseRequestFile(const WireRequest& request, std::string_view mapped) {
    if (!mapped.empty()) UnmapWireFile(mapped);
    CloseWireFile(request.file);
}

bool FieldsReply::Take(const char* data, std::size_t size) {
    buffer_.append(data, size);
    if (buffer_.size() < kHeader) return false;
    const std::size_t length = NumberAt(buffer_, 1);
    return length > kLargestReply || buffer_.size() >= kHeader + length;
}

std::optional<WireFields> FieldsReply::Fields() const {
    if (buffer_.size() < kHeader || buffer_[0] != char(WireMessage::Fields)) return std::nullopt;
    const std::size_t length = NumberAt(buffer_, 1);
    if (length > kLargestReply || buffer_.size() != kHeader + length || length < 5) return std::nullopt;
    std::size_t at = kHeader;
    const auto left = [&] { return buffer_.size() - at; };
    if (buffer_[at] != 0 && buffer_[at] != 1) return std::nullopt;
    WireFields found;
    found.partial = buffer_[at] == 1;
    ++at;
    const std::uint32_t count = NumberAt(buffer_, at);
    at += 4;
    // A helper gone wrong cannot make the scheme's search long either.
    if (count > kMostFields) return std::nullopt;
    FileFields fields;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (left() < 3) return std::nullopt;
        Field field;
        const auto kind = static_cast<unsigned char>(buffer_[at]);
        field.rank = static_cast<unsigned char>(buffer_[at + 1]);
        const std::size_t forms = static_cast<unsigned char>(buffer_[at + 2]);
        at += 3;
        if (kind >= kFieldKinds || forms > kMostForms) return std::nullopt;
        field.kind = FieldKind(kind);
        for (std::size_t f = 0; f < forms; ++f) {
            if (left() < 4) return std::nullopt;
            const std::size_t units = NumberAt(buffer_, at);
            at += 4;
            if (left() / 2 < units || units > kLongestForm) return std::nullopt;
            std::u16string form(units, u'\0');
            for (std::size_t u = 0; u < units; ++u, at += 2)
                form[u] = char16_t(static_cast<unsigned char>(buffer_[at]) | static_cast<unsigned char>(buffer_[at + 1]) << 8);
            field.forms.push_back(std::move(form));
        }
        fields.push_back(std::move(field));
    }
    if (at != buffer_.size()) return std::nullopt;
    found.fields = std::move(fields);
    return found;
}

std::vector<std::string> HelperArguments(const WireLink& helperEnds, std::chrono::milliseconds budget) {
    return {kHelperSwitch, std::to_string(helperEnds.receive), std::to_string(helperEnds.send),
            std::to_string(budget.count())};
}

std::optional<HelperStart> HelperStartOf(int argc, char** argv) {
    if (argc != 5 || std::strcmp(argv[1], kHelperSwitch) != 0) return std::nullopt;
    const std::optional<long long> receive = Number(argv[2]), send = Number(argv[3]), budget = Number(argv[4]);
    if (!receive || !send || !budget || *budget <= 0) return std::nullopt;
    return HelperStart{{WireEnd(*receive), WireEnd(*send)}, std::chrono::milliseconds(*budget)};
}
