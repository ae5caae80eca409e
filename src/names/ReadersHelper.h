// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <optional>

// The readers' helper: a process of its own that reads the files the program
// hands it, so that a crafted file that crashes a parser, loops or eats the
// memory costs that file's names and nothing else. On Linux it is
// quilvane-readers; on Windows the program itself, started again with the
// helper's switch (ReaderWire.h). What it exits with when `argv` starts it;
// none when it is some other command line.
std::optional<int> RunAsReadersHelper(int argc, char** argv);
