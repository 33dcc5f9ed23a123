#pragma once
// Small helpers of the Series 6 tests: reading bytes through the reader, sections as bytes.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "core/TextFile.h"
#include "formats/series6/Series6Data.h"
#include "formats/series6/Series6Format.h"

namespace velmar::test {

inline constexpr double kLat = 34.20575;                 // 34D12.345N
inline constexpr double kLon = 135.0 + 6.5 / 60.0;       // 135D06.500E
inline constexpr char kPos[] = "34D12.345N,135D06.500E"; // both fields of a line

// Reads the bytes as one Series 6 file.
inline Series6Data readBytesAsSeries6(const std::string& bytes) {
    TempDir dir;
    const std::string path = dir.file("in.s6");
    writeBytes(path, bytes);
    Series6Data data;
    initSeries6Data(&data);
    const FilePtr file = openForReading(path);
    EXPECT_TRUE(file);
    EXPECT_EQ(readSeries6Records(file.get(), &data), kOk);
    return data;
}

// The lines joined with CR LF, each line ended.
inline std::string crlfLines(const std::vector<std::string>& lines) {
    std::string bytes;
    for (const std::string& line : lines) {
        bytes += line;
        bytes += "\r\n";
    }
    return bytes;
}

// A whole file of one section: header, lines, "$END", 0x1A.
inline std::string sectionBytes(const std::string& header, const std::vector<std::string>& lines) {
    std::vector<std::string> all{header};
    all.insert(all.end(), lines.begin(), lines.end());
    all.push_back("$END");
    return crlfLines(all) + '\x1A';
}

// The section of one kind as written into a fresh file.
inline std::string writtenSection(const Series6Data& data, int kind) {
    TempDir dir;
    const std::string path = dir.file("out.s6");
    OutputFile file;
    EXPECT_EQ(file.create(path), kOk);
    EXPECT_EQ(writeSeries6Section(&file, &data, kind), kOk);
    EXPECT_EQ(file.close(), kOk);
    return readBytes(path);
}

template <typename Record>
std::vector<std::size_t> pointCounts(const std::vector<Record>& records) {
    std::vector<std::size_t> counts;
    for (const Record& record : records) {
        counts.push_back(record.points.size());
    }
    return counts;
}

} // namespace velmar::test
