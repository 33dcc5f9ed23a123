#pragma once
// Helpers of the CMAP tests: documents as text in and out of a CmapDatabase.

#include <cstdio>
#include <string>
#include <vector>

#include "formats/cmap/CmapXml.h"

namespace velmar::test {

// Lines as the writer hands them over; the line numbers in `failAt` (0-based, counted over every
// attempt) are refused once each.
class RecordingSink final : public CmapLineSink {
  public:
    std::vector<std::string> lines;    // every attempted line
    std::vector<std::string> accepted; // the lines that were written
    std::vector<std::size_t> failAt;

    bool writeLine(std::string_view text) override {
        const std::size_t index = lines.size();
        lines.emplace_back(text);
        for (std::size_t n : failAt) {
            if (n == index) {
                return false;
            }
        }
        accepted.emplace_back(text);
        return true;
    }
};

// The document's bytes with CR LF line ends, as a file would hold them.
inline std::string documentText(const CmapDatabase& database, int selector) {
    RecordingSink sink;
    writeCmapRecords(&sink, &database, selector);
    std::string text;
    for (const std::string& line : sink.accepted) {
        text += line;
        text += "\r\n";
    }
    return text;
}

// Reads a document held in memory; appends to the database.
inline ResultCode readDocument(const std::string& text, CmapDatabase* database) {
    std::string bytes = text.empty() ? std::string(" ") : text;
    std::FILE* file = fmemopen(bytes.data(), bytes.size(), "rb");
    if (file == nullptr) {
        return -1;
    }
    const ResultCode result = readCmapRecords(file, database);
    std::fclose(file);
    return result;
}

inline CmapDatabase readDocument(const std::string& text) {
    CmapDatabase database;
    initCmapDatabase(&database);
    readDocument(text, &database);
    return database;
}

} // namespace velmar::test
