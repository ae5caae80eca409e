#include "core/Errors.h"

#include <dlfcn.h>
#include <cstdarg>
#include <cstdio>
#include <filesystem>

#include "core/CodePage.h"
#include "core/Paths.h"

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

namespace {

struct ModuleOfAddress {
    Bytes fileName;
    std::uintptr_t offset = 0;
};

ModuleOfAddress FindModule(const void* address) {
    ModuleOfAddress module;
    Dl_info info{};
    if (address != nullptr && dladdr(address, &info) != 0 && info.dli_fbase != nullptr) {
        module.offset = reinterpret_cast<std::uintptr_t>(address) - reinterpret_cast<std::uintptr_t>(info.dli_fbase);
    }
    std::error_code ignored;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ignored);
    module.fileName = exe.empty() ? Bytes("quilvane") : FileNamePart(exe.native(), PathStyle::Posix);
    return module;
}

}  // namespace

Bytes StartupErrorReport(const Exception& error) {
    const ModuleOfAddress module = FindModule(error.RaisedAt());
    const Bytes& message = error.Message();
    const bool endsInStop = !message.empty() && message.back() == '.';
    return Format("%sがモジュール %s の %08lX で発生しました。\n%s%s", error.TypeName(), module.fileName.c_str(),
                  static_cast<unsigned long>(module.offset), message.c_str(), endsInStop ? "" : ".");
}
