// SPDX-License-Identifier: GPL-3.0-or-later
// Where a file went in the Recycle Bin. Windows names a bin item by its file
// ($R… in the drive's $Recycle.Bin, the $I… note beside it). Wine's bin is the
// freedesktop trash of the Unix user, and its items give no file name: there
// the file is found in files/, its note in info/.
#include "platform/win32/RecycleBin.h"

#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>

namespace {

bool IsFullPath(const std::wstring& path) {
    return (path.size() >= 3 && path[1] == L':' && path[2] == L'\\') || path.rfind(L"\\\\", 0) == 0;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::wstring NamePart(const std::wstring& path) { return path.substr(path.find_last_of(L'\\') + 1); }

std::wstring Extension(const std::wstring& name) {
    const std::size_t dot = name.find_last_of(L'.');
    return dot == std::wstring::npos ? std::wstring() : name.substr(dot);
}

bool SameIgnoringCase(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), int(a.size()), b.c_str(), int(b.size()), TRUE) == CSTR_EQUAL;
}

// The volume is left out: Wine numbers each drive letter as a volume of its
// own, and reaches its bin through another letter than the file's.
bool IsSameFile(const std::wstring& path, FileIdentity identity) {
    const auto bytes = Narrow(path);
    auto now = bytes ? IdentityOfPath(*bytes) : std::nullopt;
    if (!now) return false;
    now->volume = identity.volume = 0;
    return SameFile(*now, identity);
}

std::wstring Environment(const wchar_t* name) {
    std::wstring value(GetEnvironmentVariableW(name, nullptr, 0), L'\0');
    if (value.empty()) return value;
    value.resize(GetEnvironmentVariableW(name, value.data(), DWORD(value.size())));
    return value;
}

// Wine's bin as Wine finds it: $XDG_DATA_HOME/Trash (newer Wine passes the
// variable on as WINE_HOST_XDG_DATA_HOME), else ~/.local/share/Trash, through the
// names Wine gives the Unix folders. Empty on Windows.
std::wstring WineTrash() {
    std::wstring home = Environment(L"WINEHOMEDIR");  // \??\Z:\home\user
    if (home.rfind(L"\\??\\", 0) != 0) return {};
    for (const wchar_t* name : {L"WINE_HOST_XDG_DATA_HOME", L"XDG_DATA_HOME"}) {
        std::wstring data = Environment(name);
        if (data.empty() || data[0] != L'/') continue;
        std::replace(data.begin(), data.end(), L'/', L'\\');
        return L"\\\\?\\unix" + data + L"\\Trash";
    }
    home.erase(0, 4);
    if (!IsFullPath(home)) home = L"\\\\?\\" + home;
    return home + L"\\.local\\share\\Trash";
}

}  // namespace

std::wstring Wide(const Bytes& text) {
    std::wstring out(MultiByteToWideChar(CP_ACP, 0, text.data(), int(text.size()), nullptr, 0), L'\0');
    if (!out.empty()) MultiByteToWideChar(CP_ACP, 0, text.data(), int(text.size()), out.data(), int(out.size()));
    return out;
}

std::optional<Bytes> Narrow(const std::wstring& text) {
    BOOL usedDefault = FALSE;
    Bytes out(WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), int(text.size()), nullptr, 0, nullptr,
                                  &usedDefault),
              '\0');
    if (!out.empty())
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), int(text.size()), out.data(), int(out.size()),
                            nullptr, &usedDefault);
    if (usedDefault || out.empty() != text.empty()) return std::nullopt;
    return out;
}

std::optional<TrashedFile> BinFileAt(const std::wstring& itemPath) {
    if (!IsFullPath(itemPath) || !Exists(itemPath)) return std::nullopt;
    const auto path = Narrow(itemPath);
    if (!path) return std::nullopt;
    TrashedFile found{*path, {}};
    const std::wstring name = NamePart(itemPath);
    if (name.rfind(L"$R", 0) == 0) {
        const std::wstring note = itemPath.substr(0, itemPath.size() - name.size()) + L"$I" + name.substr(2);
        if (Exists(note)) found.info = Narrow(note).value_or(Bytes());
    }
    return found;
}

BinSearch::BinSearch(const std::wstring& original, const FileIdentity& identity)
    : name_(NamePart(original)), identity_(identity), wineTrash_(WineTrash()), before_(WineEntries()) {}

std::optional<TrashedFile> BinSearch::Find() const {
    if (auto found = FromShell()) return found;
    return FromWine();
}

// Only items with the file's extension are opened: the bin keeps it on the $R name.
std::optional<TrashedFile> BinSearch::FromShell() const {
    ComRef<IShellItem> bin;
    ComRef<IShellFolder> folder;
    if (FAILED(SHGetKnownFolderItem(FOLDERID_RecycleBinFolder, KF_FLAG_DEFAULT, nullptr, IID_PPV_ARGS(bin.Put()))) ||
        FAILED(bin->BindToHandler(nullptr, BHID_SFObject, IID_PPV_ARGS(folder.Put()))))
        return std::nullopt;
    PIDLIST_ABSOLUTE binList = nullptr;
    ComRef<IEnumIDList> items;
    if (FAILED(SHGetIDListFromObject(bin.Get(), &binList))) return std::nullopt;
    std::optional<TrashedFile> found;
    if (folder->EnumObjects(nullptr, SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN, items.Put()) == S_OK && items) {
        PITEMID_CHILD child = nullptr;
        while (!found && items->Next(1, &child, nullptr) == S_OK) {
            PIDLIST_ABSOLUTE full = ILCombine(binList, child);
            PWSTR path = nullptr;
            if (full != nullptr && SUCCEEDED(SHGetNameFromIDList(full, SIGDN_FILESYSPATH, &path))) {
                const std::wstring itemPath = path;
                if (IsFullPath(itemPath) && SameIgnoringCase(Extension(NamePart(itemPath)), Extension(name_)) &&
                    IsSameFile(itemPath, identity_))
                    found = BinFileAt(itemPath);
                CoTaskMemFree(path);
            }
            ILFree(full);
            CoTaskMemFree(child);
        }
    }
    ILFree(binList);
    return found;
}

// Wine names a file in its bin NAME, or NAME-xxxxxxxx when NAME is taken.
std::vector<std::wstring> BinSearch::WineEntries() const {
    std::vector<std::wstring> entries;
    if (wineTrash_.empty() || name_.empty()) return entries;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((wineTrash_ + L"\\files\\" + name_ + L"*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return entries;
    do {
        const std::wstring entry = data.cFileName;
        const std::wstring rest = entry.substr(std::min(entry.size(), name_.size()));
        const bool numbered = rest.size() == 9 && rest[0] == L'-' &&
                              std::all_of(rest.begin() + 1, rest.end(), [](wchar_t c) { return iswxdigit(c) != 0; });
        if (entry.compare(0, name_.size(), name_) == 0 && (rest.empty() || numbered)) entries.push_back(entry);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return entries;
}

std::optional<TrashedFile> BinSearch::FromWine() const {
    const std::vector<std::wstring> entries = WineEntries();
    std::vector<std::wstring> added;
    for (const std::wstring& entry : entries)
        if (std::find(before_.begin(), before_.end(), entry) == before_.end()) added.push_back(entry);
    auto chosen = std::find_if(entries.begin(), entries.end(), [&](const std::wstring& entry) {
        return IsSameFile(wineTrash_ + L"\\files\\" + entry, identity_);
    });
    if (chosen == entries.end() && added.size() == 1) chosen = std::find(entries.begin(), entries.end(), added[0]);
    if (chosen == entries.end()) return std::nullopt;
    const auto path = Narrow(wineTrash_ + L"\\files\\" + *chosen);
    const std::wstring note = wineTrash_ + L"\\info\\" + *chosen + L".trashinfo";
    if (!path) return std::nullopt;
    return TrashedFile{*path, Exists(note) ? Narrow(note).value_or(Bytes()) : Bytes()};
}
