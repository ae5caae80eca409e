// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstddef>

// The test program's operator new and delete, which can fail and watch:
// linked into a test binary, they replace the library's for all of it.

// While one lives, every operator new of more than `bytes` raises bad_alloc,
// as a font or a page too large for memory would.
class AllocationLimit {
public:
    explicit AllocationLimit(std::size_t bytes);
    ~AllocationLimit();
    AllocationLimit(const AllocationLimit&) = delete;
    AllocationLimit& operator=(const AllocationLimit&) = delete;
};

// While one lives, a delete of memory already deleted is counted, not done.
class DoubleDeleteWatch {
public:
    DoubleDeleteWatch();
    ~DoubleDeleteWatch();
    DoubleDeleteWatch(const DoubleDeleteWatch&) = delete;
    DoubleDeleteWatch& operator=(const DoubleDeleteWatch&) = delete;
    int Count() const;
};
