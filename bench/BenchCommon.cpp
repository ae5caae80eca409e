// SPDX-License-Identifier: GPL-3.0-or-later
#include "BenchCommon.h"

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

Spread SpreadOf(std::vector<double> ms) {
    if (ms.empty()) return {};
    std::sort(ms.begin(), ms.end());
    auto at = [&](double q) { return ms[std::min(ms.size() - 1, static_cast<std::size_t>(std::lround(q * (ms.size() - 1))))]; };
    return {ms[ms.size() / 2], at(0.1), at(0.9)};
}

void Report(const std::string& name, double oursMs, double baselineMs) {
    std::printf("bench %s ours_ms=%.3f baseline_ms=%.3f ratio=%.2f\n", name.c_str(), oursMs, baselineMs,
                baselineMs > 0 ? oursMs / baselineMs : 0.0);
    std::fflush(stdout);
}

void Report(const std::string& name, const std::vector<double>& oursMs, const std::vector<double>& baselineMs) {
    const Spread ours = SpreadOf(oursMs), base = SpreadOf(baselineMs);
    std::printf("bench %s ours_ms=%.3f baseline_ms=%.3f ratio=%.2f p10=%.3f p90=%.3f baseline_p10=%.3f "
                "baseline_p90=%.3f runs=%zu\n",
                name.c_str(), ours.median, base.median, base.median > 0 ? ours.median / base.median : 0.0, ours.p10,
                ours.p90, base.p10, base.p90, oursMs.size());
    std::fflush(stdout);
}

BusyCores::BusyCores(int count) {
    for (int i = 0; i < count; ++i) {
        const pid_t pid = fork();
        if (pid == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            volatile unsigned long spin = 0;
            for (;;) spin = spin + 1;
        }
        if (pid > 0) pids_.push_back(pid);
    }
}

BusyCores::~BusyCores() {
    for (const pid_t pid : pids_) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
}

void NoteLoad(const std::string& what) {
    std::ifstream in("/proc/loadavg");
    std::string load;
    std::getline(in, load);
    std::printf("# %s: load average %s\n", what.c_str(), load.c_str());
    std::fflush(stdout);
}
