// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <atomic>
#include <chrono>
#include <cstddef>

#include "names/ReaderWire.h"

// The readers' helper process as each system starts it, from the program's
// side: quilvane-readers beside the program, over a socket pair
// (ReaderProcessSpawn.cpp), or the program itself again in a job of its own,
// over two pipes (ReaderProcessJob.cpp). Used by one thread at a time.
class ReaderProcess {
public:
    ReaderProcess() = default;
    ~ReaderProcess() { Kill(); }
    ReaderProcess(const ReaderProcess&) = delete;
    ReaderProcess& operator=(const ReaderProcess&) = delete;

    // Starts the helper, which stops a file itself once it has run for
    // `budget`; false when it could not be started.
    bool Start(std::chrono::milliseconds budget);
    // Kills the helper, when one runs, and waits until it is gone.
    void Kill();
    // The program's ends, while the helper runs.
    const WireLink& Link() const { return link_; }
    // `file` as the helper gets it with a request; kNoWireFile when it cannot.
    WireFile Hand(WireFile file);
    // The helper's process id, -1 when none runs; any thread may ask.
    int Id() const { return id_.load(); }
    // The job object the helper runs in; 0 where there is none.
    std::intptr_t Job() const { return job_; }

private:
    WireLink link_;
    std::intptr_t process_ = 0;  // a process id or handle; 0 when none runs
    std::intptr_t job_ = 0;
    std::atomic<int> id_{-1};
};

// Memory that a file's bytes are read into, to be handed to the helper.
class FileMemory {
public:
    FileMemory() = default;
    ~FileMemory();
    FileMemory(const FileMemory&) = delete;
    FileMemory& operator=(const FileMemory&) = delete;

    // Room for `size` bytes, written here until Seal(); null when there is none.
    char* Make(std::size_t size);
    void Seal();
    WireFile File() const { return file_; }
    std::size_t Size() const { return size_; }

private:
    WireFile file_ = kNoWireFile;
    char* mapped_ = nullptr;
    std::size_t size_ = 0;
};
