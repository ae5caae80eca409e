// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstddef>

// Whole messages over a stream socket to a helper process, an open
// descriptor passed along with the first byte where there is one (the
// helpers get their files that way, never a path). False when the other end
// is gone.
bool SendAll(int socket, const char* data, std::size_t size);
bool ReceiveAll(int socket, char* data, std::size_t size);
bool SendWithDescriptor(int socket, const char* data, std::size_t size, int descriptor);
// `descriptor` gets the one passed with the bytes, -1 when none came.
bool ReceiveWithDescriptor(int socket, char* data, std::size_t size, int* descriptor);
