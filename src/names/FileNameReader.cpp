// SPDX-License-Identifier: GPL-3.0-or-later
#include "names/Candidates.h"
#include "names/FileReader.h"
#include "names/NameSuggestions.h"

NameSuggestions::MakeReader FileNameReader(std::string ocrData) {
    return [ocrData] {
        auto reader = std::make_shared<FileReader>(ocrData);
        return [reader](const Bytes& path, const std::atomic<bool>& cancelled, ReadDepth depth) {
            FileReader::Result result = reader->Read(path, &cancelled, depth);
            FileFields fields = ReadFields(result.text);
            std::vector<Bytes> names = NameCandidates(fields);
            const bool partial = !result.text.pages.empty() && result.text.pages[0].partial;
            return NameSuggestions::Read{result.identity, {std::move(names), std::move(fields), partial}};
        };
    };
}
