#include "platform/FileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/NaturalOrder.h"
#include "core/Paths.h"

PathStyle NativePathStyle() { return PathStyle::Posix; }

namespace {

unsigned char Fold(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; }

bool HasWildcard(std::string_view pattern) { return pattern.find_first_of("*?") != std::string_view::npos; }

// Closes a DIR* on every path.
struct DirCloser {
    void operator()(DIR* d) const { closedir(d); }
};

bool IsDirectoryEntry(int dirFd, const dirent& entry) {
    if (entry.d_type == DT_DIR) return true;
    if (entry.d_type != DT_UNKNOWN && entry.d_type != DT_LNK) return false;
    struct stat st{};
    return fstatat(dirFd, entry.d_name, &st, 0) == 0 && S_ISDIR(st.st_mode);
}

std::vector<DirEntry> ReadMatchingEntries(const Bytes& folder, std::string_view pattern, bool firstOnly) {
    std::vector<DirEntry> entries;
    std::unique_ptr<DIR, DirCloser> dir(opendir(folder.empty() ? "." : folder.c_str()));
    if (!dir) return entries;
    const int fd = dirfd(dir.get());
    while (const dirent* entry = readdir(dir.get())) {
        if (!WildcardMatch(pattern, entry->d_name)) continue;
        entries.push_back({entry->d_name, IsDirectoryEntry(fd, *entry)});
        if (firstOnly) break;
    }
    return entries;
}

Bytes ReasonOf(int error) {
    switch (error) {
    case EACCES:
    case EPERM: return "アクセスが拒否されました";
    case EEXIST: return "同じ名前のファイルが既にあります";
    case ENOENT: return "ファイルが見つかりません";
    case EROFS: return "読み取り専用のドライブです";
    case EBUSY:
    case ETXTBSY: return "ファイルは使用中です";
    case ENAMETOOLONG: return "ファイル名が長すぎます";
    case EINVAL:
    case EILSEQ: return "ファイル名が正しくありません";
    case EXDEV: return "別のドライブには移動できません";
    case ENOSPC: return "ディスクに空きがありません";
    case ENOTDIR: return "フォルダが見つかりません";
    case EISDIR: return "同じ名前のフォルダがあります";
    default: return std::strerror(error);
    }
}

}  // namespace

bool WildcardMatch(std::string_view pattern, std::string_view name) {
    std::size_t p = 0, n = 0, starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == '?' || Fold(static_cast<unsigned char>(pattern[p])) ==
                                             Fold(static_cast<unsigned char>(name[n])))) {
            ++p;
            ++n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

DirectorySearch::DirectorySearch(const Bytes& searchPath) {
    const Bytes pattern = FileNamePart(searchPath);
    if (pattern.empty()) return;
    std::vector<DirEntry> found = ReadMatchingEntries(FolderPart(searchPath), pattern, false);
    // Sorted by keys made once per name: a folder of 100,000 names sorts in a few ms.
    std::vector<std::pair<std::string, std::size_t>> keys;
    keys.reserve(found.size());
    for (std::size_t i = 0; i < found.size(); ++i) keys.emplace_back(NaturalKey(found[i].name), i);
    std::sort(keys.begin(), keys.end(), [&found](const auto& a, const auto& b) {
        const int c = a.first.compare(b.first);
        return c != 0 ? c < 0 : found[a.second].name < found[b.second].name;
    });
    entries_.reserve(found.size());
    for (const auto& key : keys) entries_.push_back(std::move(found[key.second]));
    next_ = entries_.empty() ? 0 : 1;
}

DirectorySearch::~DirectorySearch() = default;

bool DirectorySearch::Next() {
    if (next_ == 0 || next_ > entries_.size()) return false;
    ++next_;
    return next_ <= entries_.size();
}

std::optional<DirEntry> FindFirstMatch(const Bytes& searchPath) {
    const Bytes folder = FolderPart(searchPath);
    const Bytes pattern = FileNamePart(searchPath);
    if (pattern.empty()) return std::nullopt;
    if (!HasWildcard(pattern)) {
        // The exact name is the common case and costs one stat, not a scan.
        struct stat st{};
        if (stat(searchPath.c_str(), &st) == 0) return DirEntry{pattern, S_ISDIR(st.st_mode)};
        if (errno == ENOTDIR) return std::nullopt;
    }
    std::vector<DirEntry> found = ReadMatchingEntries(folder, pattern, HasWildcard(pattern));
    if (found.empty()) return std::nullopt;
    return *std::min_element(found.begin(), found.end(),
                             [](const DirEntry& a, const DirEntry& b) { return NaturalLess(a.name, b.name); });
}

bool FolderExists(const Bytes& path) {
    struct stat st{};
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

MoveOutcome MoveFileNoReplace(const Bytes& from, const Bytes& to) {
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return {true, {}};
    int error = errno;
    if (error == EINVAL || error == ENOSYS || error == EOPNOTSUPP) {
        // The file system has no atomic no-replace rename: link fails when the
        // target exists, so nothing is ever overwritten.
        if (link(from.c_str(), to.c_str()) == 0) {
            if (unlink(from.c_str()) == 0) return {true, {}};
            error = errno;
            unlink(to.c_str());
        } else {
            error = errno;
        }
    }
    return {false, ReasonOf(error)};
}
