#include "platform/FileIdentity.h"

#include <sys/stat.h>

namespace {

FileIdentity Of(const struct stat& info) {
    return {std::uint64_t(info.st_dev), std::uint64_t(info.st_ino), std::uint64_t(info.st_size),
            std::int64_t(info.st_mtim.tv_sec) * 1000000000LL + info.st_mtim.tv_nsec};
}

}  // namespace

std::optional<FileIdentity> IdentityOfPath(const Bytes& path) {
    struct stat info{};
    if (stat(path.c_str(), &info) != 0) return std::nullopt;
    return Of(info);
}

std::optional<FileIdentity> IdentityOfOpenFile(std::intptr_t nativeHandle) {
    struct stat info{};
    if (fstat(static_cast<int>(nativeHandle), &info) != 0) return std::nullopt;
    return Of(info);
}
