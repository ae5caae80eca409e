// SPDX-License-Identifier: GPL-3.0-or-later
// The helper on Windows is shut in by the job the program put it in (its
// memory, one process, no desktop) and its low-integrity token. Here it adds
// what a process can do to itself; all of it is best effort.
#include <windows.h>

#include "names/ReadersSandbox.h"

namespace {

// A crash, a stack overflow among them, ends the helper at once: no error box
// waits for a click and no debugger is started, and the program sees it gone.
LONG WINAPI EndAtOnce(EXCEPTION_POINTERS* exception) {
    TerminateProcess(GetCurrentProcess(), exception->ExceptionRecord->ExceptionCode);
    return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

bool EnterReadersSandbox(std::uint64_t) {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    SetUnhandledExceptionFilter(EndAtOnce);
    // No program started, even where the job's process limit is not kept.
    PROCESS_MITIGATION_CHILD_PROCESS_POLICY children{};
    children.NoChildProcessCreation = 1;
    SetProcessMitigationPolicy(ProcessChildProcessPolicy, &children, sizeof children);
    return true;
}
