// SPDX-License-Identifier: GPL-3.0-or-later
// The helper on Linux: quilvane-readers from the program's lib folder, its
// end of a socket pair as its descriptor 3, the file's bytes in a memory file.
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "names/ReaderProcess.h"
#include "platform/Module.h"

extern char** environ;

bool ReaderProcess::Start(std::chrono::milliseconds budget) {
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) return false;
    const std::string program = ProgramFolder() + "../lib/quilvane/quilvane-readers";
    // dup2 lets the helper's end through exec.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[1], 3);
    std::vector<std::string> arguments = HelperArguments({3, 3}, budget);
    arguments.insert(arguments.begin(), "quilvane-readers");
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int error = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(ends[1]);
    if (error != 0) {
        close(ends[0]);
        return false;
    }
    process_ = pid;
    id_ = pid;
    link_ = {ends[0], ends[0]};
    return true;
}

void ReaderProcess::Kill() {
    if (process_ > 0) {
        kill(pid_t(process_), SIGKILL);
        waitpid(pid_t(process_), nullptr, 0);
    }
    if (link_.receive >= 0) close(int(link_.receive));
    process_ = 0;
    id_ = -1;
    link_ = {};
}

// The descriptor itself travels with the request.
WireFile ReaderProcess::Hand(WireFile file) { return file; }

FileMemory::~FileMemory() {
    Seal();
    CloseWireFile(file_);
}

char* FileMemory::Make(std::size_t size) {
    const int file = memfd_create("quilvane-file", MFD_CLOEXEC);
    if (file < 0) return nullptr;
    file_ = file;
    if (ftruncate(file, off_t(size)) != 0) return nullptr;
    void* mapped = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, file, 0);
    if (mapped == MAP_FAILED) return nullptr;
    mapped_ = static_cast<char*>(mapped);
    size_ = size;
    return mapped_;
}

void FileMemory::Seal() {
    if (mapped_ != nullptr) munmap(mapped_, size_);
    mapped_ = nullptr;
}
