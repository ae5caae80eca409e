// SPDX-License-Identifier: GPL-3.0-or-later
// The Recycle Bin through the shell. IFileOperation deletes with undo, and its
// sink refuses a file the bin cannot take (the shell would delete it outright)
// and hears where the file went. Where IFileOperation cannot delete (Wine),
// SHFileOperationW does, after the bin is asked for, and the bin is searched.
#include <windows.h>
#include <shellapi.h>
#include <shobjidl.h>

#include "platform/Trash.h"
#include "platform/win32/NoReplaceMove.h"
#include "platform/win32/RecycleBin.h"

namespace {

// An apartment for this call when the thread has none; inside one it is kept.
struct ComScope {
    HRESULT initialised = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ~ComScope() {
        if (SUCCEEDED(initialised)) CoUninitialize();
    }
};

// FOF_WANTNUKEWARNING: should the bin still turn a file away, the shell asks
// before deleting it rather than deleting it silently.
constexpr DWORD kDeleteFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI |
                               FOF_NO_CONNECTED_ELEMENTS | FOF_WANTNUKEWARNING;

const char kNoBin[] = "ごみ箱が見つかりません";

Bytes ReasonOf(HRESULT result, const Bytes& path) {
    return MoveFailureReason(HRESULT_FACILITY(result) == FACILITY_WIN32 ? HRESULT_CODE(result) : DWORD(result), path);
}

TrashOutcome Refused(Bytes reason) { return {false, std::move(reason), {}}; }

TrashOutcome Moved(std::optional<TrashedFile> trashed) { return {true, {}, trashed.value_or(TrashedFile{})}; }

// Lives on the stack for one PerformOperations; the operation holds it no longer.
class DeleteSink final : public IFileOperationProgressSink {
public:
    bool noBin = false;
    HRESULT result = S_OK;
    std::wstring created;  // the item made in the bin

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (riid == IID_IUnknown || riid == IID_IFileOperationProgressSink) {
            *out = static_cast<IFileOperationProgressSink*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    // Without this flag the item would be deleted for good.
    HRESULT STDMETHODCALLTYPE PreDeleteItem(DWORD flags, IShellItem*) override {
        if (flags & TSF_DELETE_RECYCLE_IF_POSSIBLE) return S_OK;
        noBin = true;
        return HRESULT_FROM_WIN32(ERROR_CANCELLED);
    }
    HRESULT STDMETHODCALLTYPE PostDeleteItem(DWORD, IShellItem*, HRESULT deleted, IShellItem* newlyCreated) override {
        result = deleted;
        PWSTR path = nullptr;
        if (newlyCreated != nullptr && SUCCEEDED(newlyCreated->GetDisplayName(SIGDN_FILESYSPATH, &path))) {
            created = path;
            CoTaskMemFree(path);
        }
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE StartOperations() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE FinishOperations(HRESULT) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE PreRenameItem(DWORD, IShellItem*, LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE PostRenameItem(DWORD, IShellItem*, LPCWSTR, HRESULT, IShellItem*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE PreMoveItem(DWORD, IShellItem*, IShellItem*, LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE PostMoveItem(DWORD, IShellItem*, IShellItem*, LPCWSTR, HRESULT, IShellItem*) override {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE PreCopyItem(DWORD, IShellItem*, IShellItem*, LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE PostCopyItem(DWORD, IShellItem*, IShellItem*, LPCWSTR, HRESULT, IShellItem*) override {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE PreNewItem(DWORD, IShellItem*, LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE PostNewItem(DWORD, IShellItem*, LPCWSTR, LPCWSTR, DWORD, HRESULT, IShellItem*) override {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE UpdateProgress(UINT, UINT) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ResetTimer() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE PauseTimer() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ResumeTimer() override { return S_OK; }
};

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::wstring FullPath(const std::wstring& path) {
    std::wstring full(GetFullPathNameW(path.c_str(), 0, nullptr, nullptr), L'\0');
    if (full.empty()) return path;
    full.resize(GetFullPathNameW(path.c_str(), DWORD(full.size()), full.data(), nullptr));
    return full;
}

// The delete queued on IFileOperation; false when this system's IFileOperation
// cannot delete (Wine's answers E_NOTIMPL), and nothing has been done.
bool QueueDelete(IFileOperation* operation, const std::wstring& path, DeleteSink& sink) {
    ComRef<IShellItem> item;
    return (SUCCEEDED(operation->SetOperationFlags(kDeleteFlags | FOFX_RECYCLEONDELETE)) ||
            SUCCEEDED(operation->SetOperationFlags(kDeleteFlags))) &&
           SUCCEEDED(SHCreateItemFromParsingName(path.c_str(), nullptr, IID_PPV_ARGS(item.Put()))) &&
           SUCCEEDED(operation->DeleteItem(item.Get(), &sink));
}

TrashOutcome DeleteWithShellOperation(const std::wstring& path, const Bytes& bytes, const FileIdentity& identity) {
    // With no bin Wine (and the old shell) would delete the file outright.
    SHQUERYRBINFO bin{sizeof bin, 0, 0};
    if (FAILED(SHQueryRecycleBinW(path.c_str(), &bin))) return Refused(kNoBin);
    const BinSearch search(path, identity);
    std::wstring from = path + L'\0';  // a list, ended by an empty name
    SHFILEOPSTRUCTW operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FILEOP_FLAGS(kDeleteFlags);
    const int failed = SHFileOperationW(&operation);
    if (Exists(path)) return Refused(failed != 0 ? MoveFailureReason(DWORD(failed), bytes) : Bytes(kNoBin));
    return Moved(search.Find());
}

}  // namespace

TrashOutcome MoveToTrash(const Bytes& bytes) {
    const ComScope com;
    const std::wstring path = FullPath(Wide(bytes));
    // What a move would stumble on is told first, in the move's words.
    HANDLE file = CreateFileW(path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return Refused(MoveFailureReason(GetLastError(), bytes));
    const auto identity = IdentityOfOpenFile(reinterpret_cast<std::intptr_t>(file));
    CloseHandle(file);
    if (!identity) return Refused(MoveFailureReason(GetLastError(), bytes));

    ComRef<IFileOperation> operation;
    DeleteSink sink;
    if (FAILED(CoCreateInstance(CLSID_FileOperation, nullptr, CLSCTX_ALL, IID_PPV_ARGS(operation.Put()))) ||
        !QueueDelete(operation.Get(), path, sink))
        return DeleteWithShellOperation(path, bytes, *identity);
    const HRESULT performed = operation->PerformOperations();
    if (Exists(path)) {
        // Turned away by the sink, or kept when the shell asked before deleting.
        const HRESULT failure = FAILED(sink.result) ? sink.result : performed;
        return Refused(sink.noBin || SUCCEEDED(failure) ? Bytes(kNoBin) : ReasonOf(failure, bytes));
    }
    if (auto trashed = BinFileAt(sink.created)) return Moved(trashed);
    return Moved(BinSearch(path, *identity).Find());
}
