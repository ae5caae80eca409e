#pragma once
#include <QElapsedTimer>
#include <functional>
#include <string>
#include <vector>

#include "core/Bytes.h"

// Median of `runs` timings of `work`, in milliseconds; `prepare` runs untimed before each.
double MedianMs(int runs, const std::function<void()>& work, const std::function<void()>& prepare = {});
// One line per figure: bench <name> ours_ms=… baseline_ms=… ratio=…
void Report(const std::string& name, double oursMs, double baselineMs);
// A folder holding `matching` files named scanNNNNN.<extension> and `others` .txt files.
void FillFolder(const Bytes& folder, int matching, int others, const Bytes& extension, const Bytes& contents = "x");
// opendir/readdir and the ".pdf" test, letter case ignored: the least any listing must do.
int BareScan(const Bytes& folder);
