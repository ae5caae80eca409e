// SPDX-License-Identifier: GPL-3.0-or-later
// The helper on Windows: this very program started again with the helper's
// switch, so that nothing ships beside it. It runs in a job that holds it to
// one process and its memory, keeps it off the user's desktop and clipboard,
// and ends it when the program's handle closes, however the program ends;
// and at low integrity, with no privileges, where the system allows. A part
// the system refuses is done without: the helper still starts.
#include <windows.h>

#include <string>
#include <vector>

#include "names/ReaderProcess.h"
#include "names/ReadersSandbox.h"

namespace {

HANDLE Handle(std::intptr_t value) { return reinterpret_cast<HANDLE>(value); }
std::intptr_t Value(HANDLE handle) { return reinterpret_cast<std::intptr_t>(handle); }

HANDLE LimitingJob() {
    HANDLE job = CreateJobObjectW(nullptr, nullptr);
    if (job == nullptr) return nullptr;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE | JOB_OBJECT_LIMIT_ACTIVE_PROCESS |
                                              JOB_OBJECT_LIMIT_PROCESS_MEMORY | JOB_OBJECT_LIMIT_DIE_ON_UNHANDLED_EXCEPTION;
    limits.BasicLimitInformation.ActiveProcessLimit = 1;
    limits.ProcessMemoryLimit = SIZE_T(kReadersMemory);
    SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    JOBOBJECT_BASIC_UI_RESTRICTIONS ui{JOB_OBJECT_UILIMIT_DESKTOP | JOB_OBJECT_UILIMIT_DISPLAYSETTINGS |
                                       JOB_OBJECT_UILIMIT_EXITWINDOWS | JOB_OBJECT_UILIMIT_GLOBALATOMS |
                                       JOB_OBJECT_UILIMIT_HANDLES | JOB_OBJECT_UILIMIT_READCLIPBOARD |
                                       JOB_OBJECT_UILIMIT_SYSTEMPARAMETERS | JOB_OBJECT_UILIMIT_WRITECLIPBOARD};
    SetInformationJobObject(job, JobObjectBasicUIRestrictions, &ui, sizeof ui);
    return job;
}

// The program's own token without its privileges, labelled low integrity, so
// that the helper can write nowhere the user's programs keep things; null
// when the system makes none. Being the program's own, it needs no privilege
// to be given to a process.
HANDLE LowIntegrityToken() {
    HANDLE own = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_DUPLICATE | TOKEN_QUERY | TOKEN_ASSIGN_PRIMARY | TOKEN_ADJUST_DEFAULT,
                          &own))
        return nullptr;
    HANDLE restricted = nullptr;
    const BOOL made = CreateRestrictedToken(own, DISABLE_MAX_PRIVILEGE, 0, nullptr, 0, nullptr, 0, nullptr, &restricted);
    CloseHandle(own);
    if (!made) return nullptr;
    SID_IDENTIFIER_AUTHORITY authority = SECURITY_MANDATORY_LABEL_AUTHORITY;
    PSID low = nullptr;
    if (AllocateAndInitializeSid(&authority, 1, SECURITY_MANDATORY_LOW_RID, 0, 0, 0, 0, 0, 0, 0, &low)) {
        TOKEN_MANDATORY_LABEL label{};
        label.Label.Attributes = SE_GROUP_INTEGRITY;
        label.Label.Sid = low;
        SetTokenInformation(restricted, TokenIntegrityLevel, &label, DWORD(sizeof label + GetLengthSid(low)));
        FreeSid(low);
    }
    return restricted;
}

std::wstring CommandLine(const std::wstring& program, const WireLink& helperEnds, std::chrono::milliseconds budget) {
    std::wstring command = L"\"" + program + L"\"";
    for (const std::string& argument : HelperArguments(helperEnds, budget))
        command += L" " + std::wstring(argument.begin(), argument.end());  // digits and the switch
    return command;
}

// Started suspended, so that it is in its job before it runs a line; only
// `inherited` goes to it. A program with windows of its own, it would give
// the pointer the busy cursor while it starts.
bool CreateHelper(const std::wstring& program, std::wstring command, std::vector<HANDLE> inherited,
                  PROCESS_INFORMATION* created) {
    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof startup.StartupInfo;
    startup.StartupInfo.dwFlags = STARTF_FORCEOFFFEEDBACK;
    DWORD flags = CREATE_SUSPENDED | CREATE_NO_WINDOW;
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    std::vector<char> list(size);
    const auto attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(list.data());
    const bool listed = size > 0 && InitializeProcThreadAttributeList(attributes, 1, 0, &size);
    if (listed && UpdateProcThreadAttribute(attributes, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inherited.data(),
                                            inherited.size() * sizeof(HANDLE), nullptr, nullptr)) {
        startup.StartupInfo.cb = sizeof startup;
        startup.lpAttributeList = attributes;
        flags |= EXTENDED_STARTUPINFO_PRESENT;
    }
    HANDLE token = LowIntegrityToken();
    BOOL started = token != nullptr && CreateProcessAsUserW(token, program.c_str(), command.data(), nullptr, nullptr, TRUE,
                                                            flags, nullptr, nullptr, &startup.StartupInfo, created);
    if (!started)
        started = CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, TRUE, flags, nullptr, nullptr,
                                 &startup.StartupInfo, created);
    if (token != nullptr) CloseHandle(token);
    if (listed) DeleteProcThreadAttributeList(attributes);
    return started;
}

}  // namespace

bool ReaderProcess::Start(std::chrono::milliseconds budget) {
    std::wstring program(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, program.data(), DWORD(program.size()));
    if (length == 0 || length >= program.size()) return false;
    program.resize(length);
    HANDLE toHelper = nullptr, helperIn = nullptr, fromHelper = nullptr, helperOut = nullptr;
    if (!CreatePipe(&helperIn, &toHelper, nullptr, 0)) return false;
    if (!CreatePipe(&fromHelper, &helperOut, nullptr, 0)) {
        CloseHandle(helperIn);
        CloseHandle(toHelper);
        return false;
    }
    SetHandleInformation(helperIn, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    SetHandleInformation(helperOut, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    PROCESS_INFORMATION created{};
    const bool started = CreateHelper(program, CommandLine(program, {Value(helperIn), Value(helperOut)}, budget),
                                      {helperIn, helperOut}, &created);
    // Only the helper holds its ends now: its going breaks the pipes.
    CloseHandle(helperIn);
    CloseHandle(helperOut);
    if (!started) {
        CloseHandle(toHelper);
        CloseHandle(fromHelper);
        return false;
    }
    HANDLE job = LimitingJob();
    if (job != nullptr && !AssignProcessToJobObject(job, created.hProcess)) {
        CloseHandle(job);
        job = nullptr;
    }
    ResumeThread(created.hThread);
    CloseHandle(created.hThread);
    process_ = Value(created.hProcess);
    job_ = Value(job);
    id_ = int(created.dwProcessId);
    link_ = {Value(fromHelper), Value(toHelper)};
    return true;
}

void ReaderProcess::Kill() {
    if (process_ != 0) {
        TerminateProcess(Handle(process_), 1);
        WaitForSingleObject(Handle(process_), 5000);
        CloseHandle(Handle(process_));
    }
    if (job_ != 0) CloseHandle(Handle(job_));
    for (const WireEnd end : {link_.receive, link_.send})
        if (end != -1) CloseHandle(Handle(end));
    process_ = 0;
    job_ = 0;
    id_ = -1;
    link_ = {};
}

// Duplicated into the helper for reading only: it cannot change what the
// program read, and its copy goes with it.
WireFile ReaderProcess::Hand(WireFile file) {
    HANDLE theirs = nullptr;
    if (process_ == 0 ||
        !DuplicateHandle(GetCurrentProcess(), Handle(file), Handle(process_), &theirs, FILE_MAP_READ, FALSE, 0))
        return kNoWireFile;
    return Value(theirs);
}

FileMemory::~FileMemory() {
    Seal();
    CloseWireFile(file_);
}

// Backed by the paging file: nothing is written to a folder.
char* FileMemory::Make(std::size_t size) {
    const std::uint64_t n = size;
    HANDLE mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, DWORD(n >> 32), DWORD(n), nullptr);
    if (mapping == nullptr) return nullptr;
    file_ = Value(mapping);
    void* view = MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, size);
    if (view == nullptr) return nullptr;
    mapped_ = static_cast<char*>(view);
    size_ = size;
    return mapped_;
}

void FileMemory::Seal() {
    if (mapped_ != nullptr) UnmapViewOfFile(mapped_);
    mapped_ = nullptr;
}
