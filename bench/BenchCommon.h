// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>
#include <sys/types.h>
#include <vector>

// What the benchmarks share without Qt: the report lines, a busy machine, its
// load. The probe of the Windows program under Wine links this alone.

struct Spread {
    double median = 0, p10 = 0, p90 = 0;
};
Spread SpreadOf(std::vector<double> ms);
// One line per figure: bench <name> ours_ms=… baseline_ms=… ratio=…
void Report(const std::string& name, double oursMs, double baselineMs);
// The same line with p10 and p90 of both after it.
void Report(const std::string& name, const std::vector<double>& oursMs, const std::vector<double>& baselineMs);

// `count` cores kept busy by child processes that spin; they die with the bench.
class BusyCores {
public:
    explicit BusyCores(int count);
    ~BusyCores();
    BusyCores(const BusyCores&) = delete;
    BusyCores& operator=(const BusyCores&) = delete;

private:
    std::vector<pid_t> pids_;
};

// The machine's load as a phase starts: other users' work shows in "quiet" too.
void NoteLoad(const std::string& what);
