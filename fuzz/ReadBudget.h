// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <chrono>

class PdfText;

// Stops a PDF's read past its budget, as the readers' helper does, so that
// libFuzzer's timeout catches only the work MuPDF's cookie cannot stop.
// One input at a time; the budget runs from construction.
class ReadBudget {
public:
    ReadBudget(PdfText& pdf, std::chrono::milliseconds budget);
    ~ReadBudget();
    ReadBudget(const ReadBudget&) = delete;
    ReadBudget& operator=(const ReadBudget&) = delete;
};

// Under libFuzzer's timeout of 10 s, with room for what runs after the stop.
constexpr std::chrono::milliseconds kFuzzReadBudget{5000};
