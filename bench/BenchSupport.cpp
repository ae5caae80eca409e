// SPDX-License-Identifier: GPL-3.0-or-later
#include "BenchSupport.h"

#include <dirent.h>
#include <strings.h>
#include <QBuffer>
#include <QPdfDocument>
#include <algorithm>
#include <cmath>
#include <set>
#include <sys/stat.h>
#include <cstring>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "core/NaturalOrder.h"
#include "support/Fixtures.h"

std::vector<double> TimesMs(int runs, const std::function<void()>& work, const std::function<void()>& prepare) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        if (prepare) prepare();
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    return times;
}

double MedianMs(int runs, const std::function<void()>& work, const std::function<void()>& prepare) {
    return SpreadOf(TimesMs(runs, work, prepare)).median;
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

Bytes PreparedFolder(const std::string& name, int total, bool realPdfs);

// QUILVANE_BENCH_VIA names a mount of the bench folders (a bindfs or sshfs
// of /tmp/quilvane-bench-UID): the figures are then taken through it.
Bytes KeptFolder(const std::string& name, int total, bool realPdfs) {
    const Bytes folder = PreparedFolder(name, total, realPdfs);
    const char* via = std::getenv("QUILVANE_BENCH_VIA");
    return via != nullptr ? Bytes(via) + "/" + name + "/" : folder;
}

Bytes PreparedFolder(const std::string& name, int total, bool realPdfs) {
    const Bytes base = "/tmp/quilvane-bench-" + std::to_string(getuid()) + "/";
    mkdir(base.c_str(), 0700);
    const Bytes folder = base + name + "/", done = base + name + ".done", sample = base + name + ".sample";
    char canonical[64];
    if (!Exists(done)) {
        std::filesystem::remove_all(folder);  // a run stopped half-way
        MakeFolder(folder);
        if (realPdfs) {
            MakePdf(sample);
            FillFolderWithCopies(folder, total / 2, total / 2, sample);
        } else {
            FillFolder(folder, total / 2, total / 2, ".pdf");
        }
        WriteFile(done, "");
        return folder;
    }
    std::set<Bytes> missing;
    for (int i = 0; i < total / 2; ++i) {
        std::snprintf(canonical, sizeof canonical, "scan%06d.pdf", i);
        missing.insert(canonical);
    }
    std::vector<Bytes> renamed;
    for (const Bytes& n : ListNames(folder)) {
        if (n.size() < 4 || strcasecmp(n.c_str() + n.size() - 4, ".pdf") != 0) continue;
        if (missing.erase(n) == 0) renamed.push_back(n);
    }
    auto next = missing.begin();
    for (const Bytes& n : renamed) {
        if (next == missing.end()) {
            std::remove((folder + n).c_str());
            continue;
        }
        std::rename((folder + n).c_str(), (folder + *next++).c_str());
    }
    for (; next != missing.end(); ++next) {
        if (realPdfs) std::filesystem::copy_file(sample, folder + *next);
        else WriteFile(folder + *next, "x");
    }
    return folder;
}

void FillFolderWithCopies(const Bytes& folder, int matching, int others, const Bytes& sample) {
    char name[64];
    for (int i = 0; i < matching; ++i) {
        std::snprintf(name, sizeof name, "scan%06d.pdf", i);
        std::filesystem::copy_file(sample, folder + name);
    }
    FillFolder(folder, 0, others, ".txt");
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

std::vector<Bytes> BareSortedScan(const Bytes& folder) {
    std::vector<std::pair<std::string, Bytes>> keyed;
    DIR* dir = opendir(folder.c_str());
    while (const dirent* entry = readdir(dir)) {
        const std::size_t n = std::strlen(entry->d_name);
        if (n >= 4 && strcasecmp(entry->d_name + n - 4, ".pdf") == 0) keyed.emplace_back(NaturalKey(entry->d_name), entry->d_name);
    }
    closedir(dir);
    std::sort(keyed.begin(), keyed.end());
    std::vector<Bytes> names;
    names.reserve(keyed.size());
    for (auto& k : keyed) names.push_back(std::move(k.second));
    return names;
}

QImage BareLoadAndRender(const Bytes& path, const QSize& size) {
    std::ifstream in(path, std::ios::binary);
    QByteArray data = QByteArray::fromStdString(std::string(std::istreambuf_iterator<char>(in), {}));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QPdfDocument document;
    document.load(&buffer);
    return document.render(0, size);
}

long RssKib() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    }
    return -1;
}
