// SPDX-License-Identifier: GPL-3.0-or-later
#include "names/Candidates.h"
#include "names/FileReader.h"
#include "names/NameSuggestions.h"

NameSuggestions::MakeReader FileNameReader(std::string ocrData) {
    return [ocrData] {
        auto reader = std::make_shared<FileReader>(ocrData);
        return [reader](const Bytes& path, const std::atomic<bool>& cancelled) {
            FileReader::Result result = reader->Read(path, &cancelled);
            FileFields fields = ReadFields(result.text);
            std::vector<Bytes> names = NameCandidates(fields);
            return NameSuggestions::Read{result.identity, {std::move(names), std::move(fields)}};
        };
    };
}
