// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QElapsedTimer>
#include <QImage>
#include <QSize>
#include <functional>
#include <string>
#include <vector>

#include "BenchCommon.h"
#include "core/Bytes.h"

// Median of `runs` timings of `work`, in milliseconds; `prepare` runs untimed before each.
double MedianMs(int runs, const std::function<void()>& work, const std::function<void()>& prepare = {});
// The timings themselves, in milliseconds.
std::vector<double> TimesMs(int runs, const std::function<void()>& work, const std::function<void()>& prepare = {});
// A folder holding `matching` files named scanNNNNN.<extension> and `others` .txt files.
void FillFolder(const Bytes& folder, int matching, int others, const Bytes& extension, const Bytes& contents = "x");
// A folder of `total` names, half scanNNNNNN.pdf (real copies of one small PDF when
// `realPdfs`, else one byte) and half noteNNNNNN.txt, made once and kept between runs
// under /tmp/quilvane-bench-<uid>/ (make clean removes it): this disk takes minutes
// to make and remove 100,000 files. Each use first renames the PDFs a run renamed
// back to their first names, so every run starts from the same folder.
Bytes KeptFolder(const std::string& name, int total, bool realPdfs);
// The same names, each matching file a real copy of `sample` (not a link: the viewer treats links as one file).
void FillFolderWithCopies(const Bytes& folder, int matching, int others, const Bytes& sample);
// opendir/readdir and the ".pdf" test, letter case ignored: the least any listing must do.
int BareScan(const Bytes& folder);
// The same scan keeping the names, in natural order (NaturalKey once per name).
std::vector<Bytes> BareSortedScan(const Bytes& folder);
// Read, parse and draw the first page at `size`, with Qt PDF directly.
QImage BareLoadAndRender(const Bytes& path, const QSize& size);
// VmRSS of this process, in KiB.
long RssKib();
