// SPDX-License-Identifier: GPL-3.0-or-later
#include "names/ReadersSandbox.h"

#include <iconv.h>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sched.h>
#include <sys/syscall.h>

#include <cerrno>
#include <cstddef>
#include <vector>

#include "core/CodePage.h"

namespace {

// Refused with an error, not killed: a library that tries one of these (a
// font look-up, a locale file) fails that step and the read goes on.
constexpr int kRefused[] = {
    SYS_open, SYS_openat, SYS_openat2, SYS_creat, SYS_open_by_handle_at, SYS_name_to_handle_at,
    SYS_execve, SYS_execveat, SYS_fork, SYS_vfork,
    SYS_socket, SYS_socketpair, SYS_connect, SYS_bind, SYS_listen, SYS_accept, SYS_accept4,
    SYS_unlink, SYS_unlinkat, SYS_rename, SYS_renameat, SYS_renameat2, SYS_link, SYS_linkat, SYS_symlink,
    SYS_symlinkat, SYS_mkdir, SYS_mkdirat, SYS_rmdir, SYS_mknod, SYS_mknodat, SYS_truncate, SYS_chmod,
    SYS_fchmodat, SYS_chown, SYS_lchown, SYS_fchownat, SYS_utimes, SYS_utimensat, SYS_ptrace,
    SYS_process_vm_readv, SYS_process_vm_writev, SYS_mount, SYS_umount2, SYS_chroot, SYS_pivot_root,
    SYS_setrlimit, SYS_prlimit64, SYS_memfd_create, SYS_io_uring_setup, SYS_bpf, SYS_userfaultfd,
    SYS_perf_event_open, SYS_kexec_load, SYS_init_module, SYS_finit_module, SYS_delete_module,
};

// iconv reads its tables and loads its modules at the first use, which opens
// files, and lets a module go with its last descriptor: every code page the
// readers use is opened here, before the filter, and kept open.
void KeepCodePagesLoaded() {
    for (const CodePage& cp : {CodePage::System(), CodePage::FromNumber(65001), CodePage::FromNumber(932)}) {
        iconv_open(cp.Name().c_str(), "UTF-16LE");
        iconv_open("UTF-16LE", cp.Name().c_str());
    }
}

}  // namespace

bool EnterReadersSandbox(std::uint64_t addressSpace) {
    KeepCodePagesLoaded();
    bool whole = true;
    if (addressSpace != 0) {
        const rlimit limit{addressSpace, addressSpace};
        whole = setrlimit(RLIMIT_AS, &limit) == 0;
    }
    std::vector<sock_filter> program{
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, AUDIT_ARCH_X86_64, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_KILL_PROCESS),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        // The x32 numbers would be another way to every call below.
        BPF_JUMP(BPF_JMP | BPF_JGE | BPF_K, 0x40000000u, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_KILL_PROCESS),
    };
    // Threads, yes; another process, no. clone3 hides its flags from the
    // filter: without it, the C library falls back to clone.
    program.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_clone3, 0, 1));
    program.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | ENOSYS));
    program.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_clone, 0, 4));
    program.push_back(BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[0])));
    program.push_back(BPF_JUMP(BPF_JMP | BPF_JSET | BPF_K, CLONE_THREAD, 0, 1));
    program.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW));
    program.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EACCES));
    for (const int call : kRefused) {
        program.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, static_cast<unsigned>(call), 0, 1));
        program.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EACCES));
    }
    program.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW));
    const sock_fprog filter{static_cast<unsigned short>(program.size()), program.data()};
    if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) return false;
    return prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &filter) == 0 && whole;
}
