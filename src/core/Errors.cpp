// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Errors.h"

#include <cstdarg>
#include <cstdio>

#include "core/CodePage.h"

namespace {
CodeLocation (*locator)(const void*) = nullptr;
}

void UseCodeLocator(CodeLocation (*locate)(const void* address)) { locator = locate; }

const void* CurrentCodeAddress() { return __builtin_return_address(0); }

Exception::Exception(Bytes message, const void* raisedAt) : message_(std::move(message)), raisedAt_(raisedAt) {}

Bytes Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    char buffer[1024];
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return buffer;
}

Bytes WithFullStop(const Bytes& message) {
    if (message.empty()) return message;
    std::size_t last = message.size() - 1;
    if (IsTrailByte(message, last)) --last;  // compare a whole double-byte character
    if (message.compare(last, Bytes::npos, ".") > 0) return message + ".";
    return message;
}

Bytes StartupErrorReport(const Exception& error) {
    const CodeLocation module = locator ? locator(error.RaisedAt()) : CodeLocation{};
    const Bytes& message = error.Message();
    const bool endsInStop = !message.empty() && message.back() == '.';
    return Format("%sがモジュール %s の %08lX で発生しました。\n%s%s", error.TypeName(), module.moduleFileName.c_str(),
                  static_cast<unsigned long>(module.offset), message.c_str(), endsInStop ? "" : ".");
}

void RunGuarded(const std::function<void()>& handler, const std::function<void(const Exception&)>& show) {
    try {
        handler();
    } catch (const Exception& error) {
        show(error);
    } catch (const std::exception& error) {
        show(Exception(error.what()));
    }
}
