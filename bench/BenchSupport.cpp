#include "BenchSupport.h"

#include <dirent.h>
#include <strings.h>
#include <algorithm>
#include <cstring>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

double MedianMs(int runs, const std::function<void()>& work, const std::function<void()>& prepare) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        if (prepare) prepare();
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void Report(const std::string& name, double oursMs, double baselineMs) {
    std::printf("bench %s ours_ms=%.3f baseline_ms=%.3f ratio=%.2f\n", name.c_str(), oursMs, baselineMs,
                baselineMs > 0 ? oursMs / baselineMs : 0.0);
    std::fflush(stdout);
}

void FillFolder(const Bytes& folder, int matching, int others, const Bytes& extension, const Bytes& contents) {
    char name[64];
    auto create = [&](const char* n) {
        const int fd = open((folder + n).c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
        if (fd >= 0) {
            if (::write(fd, contents.data(), contents.size()) < 0) std::perror("write");
            close(fd);
        }
    };
    for (int i = 0; i < matching; ++i) {
        std::snprintf(name, sizeof name, "scan%06d%s", i, extension.c_str());
        create(name);
    }
    for (int i = 0; i < others; ++i) {
        std::snprintf(name, sizeof name, "note%06d.txt", i);
        create(name);
    }
}

int BareScan(const Bytes& folder) {
    int found = 0;
    DIR* dir = opendir(folder.c_str());
    while (const dirent* entry = readdir(dir)) {
        const std::size_t n = std::strlen(entry->d_name);
        if (n >= 4 && strcasecmp(entry->d_name + n - 4, ".pdf") == 0) ++found;
    }
    closedir(dir);
    return found;
}
