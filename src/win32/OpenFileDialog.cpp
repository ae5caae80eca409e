// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32/OpenFileDialog.h"

#include <commdlg.h>
#include <shlobj.h>

#include <algorithm>
#include <vector>

#include "core/CodePage.h"
#include "win32/ThreadWindows.h"

Bytes DialogFilter(const Bytes& filter) {
    Bytes parts = filter;
    for (std::size_t i = 0; i < parts.size(); ++i)
        if (parts[i] == '|' && !IsTrailByte(parts, i)) parts[i] = '\0';
    parts.push_back('\0');
    parts.push_back('\0');
    return parts;
}

bool ChooseFileToOpen(HWND owner, const Bytes& filter, Bytes& fileName) {
    const Bytes filters = DialogFilter(filter);
    std::vector<char> chosen(32768, '\0');
    fileName.copy(chosen.data(), std::min(fileName.size(), chosen.size() - 1));
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filters.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = chosen.data();
    dialog.nMaxFile = static_cast<DWORD>(chosen.size());
    dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING;
    // No title of ours: the system's, 開く on Japanese Windows and Wine, as on the Qt side.
    const DisabledThreadWindows modal({owner});
    if (!GetOpenFileNameA(&dialog)) return false;
    fileName = chosen.data();
    return true;
}

namespace {

// Opens the folder browser at the folder handed in.
int CALLBACK StartAt(HWND browser, UINT message, LPARAM, LPARAM folder) {
    if (message == BFFM_INITIALIZED) SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, folder);
    return 0;
}

}  // namespace

bool ChooseFolder(HWND owner, Bytes& folder) {
    char chosen[MAX_PATH] = {};
    BROWSEINFOA browse{};
    browse.hwndOwner = owner;
    browse.pszDisplayName = chosen;
    browse.lpszTitle = "移動先のフォルダ";
    browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    browse.lpfn = StartAt;
    browse.lParam = reinterpret_cast<LPARAM>(folder.c_str());
    const DisabledThreadWindows modal({owner});
    PIDLIST_ABSOLUTE item = SHBrowseForFolderA(&browse);
    if (item == nullptr) return false;
    const bool got = SHGetPathFromIDListA(item, chosen) != FALSE;
    CoTaskMemFree(item);
    if (!got || chosen[0] == '\0') return false;
    folder = chosen;
    return true;
}
