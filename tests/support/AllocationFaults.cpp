// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/AllocationFaults.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <new>

namespace {

std::atomic<std::size_t> limit{SIZE_MAX};
std::atomic<bool> watching{false};
// The watch may not allocate: the freed blocks sit in a fixed ring.
std::mutex watchMutex;
std::array<void*, 256> freed{};
std::size_t nextFreed = 0;
int doubleDeletes = 0;

}  // namespace

AllocationLimit::AllocationLimit(std::size_t bytes) { limit = bytes; }
AllocationLimit::~AllocationLimit() { limit = SIZE_MAX; }

DoubleDeleteWatch::DoubleDeleteWatch() {
    std::lock_guard lock(watchMutex);
    freed.fill(nullptr);
    doubleDeletes = 0;
    watching = true;
}
DoubleDeleteWatch::~DoubleDeleteWatch() { watching = false; }
int DoubleDeleteWatch::Count() const {
    std::lock_guard lock(watchMutex);
    return doubleDeletes;
}

void* operator new(std::size_t size) {
    if (size > limit) throw std::bad_alloc();
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block == nullptr) throw std::bad_alloc();
    if (watching) {
        std::lock_guard lock(watchMutex);
        std::replace(freed.begin(), freed.end(), block, static_cast<void*>(nullptr));
    }
    return block;
}

void operator delete(void* block) noexcept {
    if (block == nullptr) return;
    if (watching) {
        std::lock_guard lock(watchMutex);
        if (std::find(freed.begin(), freed.end(), block) != freed.end()) {
            ++doubleDeletes;
            return;
        }
        freed[nextFreed++ % freed.size()] = block;
    }
    std::free(block);
}

void operator delete(void* block, std::size_t) noexcept { operator delete(block); }
