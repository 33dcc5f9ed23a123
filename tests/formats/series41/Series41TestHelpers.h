#pragma once
// Shared helpers of the Series 41 tests: sentences in and out through real files.

#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "core/TextFile.h"
#include "formats/series41/Series41Data.h"
#include "formats/series41/Series41Sentences.h"

namespace velmar::test {

// Lines joined with CR LF after every line, as the writer ends them.
inline std::string crlf(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& line : lines) {
        out += line;
        out += "\r\n";
    }
    return out;
}

// Reads the bytes as a Series 41 file into `set`; returns the reader's result.
inline int readSentenceBytes(const std::string& bytes, Series41Data* set) {
    TempDir dir;
    const std::string path = dir.file("in.s41");
    writeBytes(path, bytes);
    FilePtr file = openForReading(path);
    EXPECT_TRUE(file);
    return readSeries41Sentences(file.get(), set);
}

// The bytes the sentence writer produces for the set.
inline std::string writeSentenceBytes(const Series41Data& set) {
    TempDir dir;
    const std::string path = dir.file("out.s41");
    OutputFile file;
    EXPECT_EQ(file.create(path), 0);
    EXPECT_EQ(writeSeries41Sentences(&file, &set), 0);
    EXPECT_EQ(file.close(), 0);
    return readBytes(path);
}

// A waypoint sentence as the writer makes it, for building input files.
inline std::string waypointLine(const std::string& name, double latitude = 35.0,
                                double longitude = 139.0, char letter = 'q',
                                const std::string& comment = "") {
    Series41Waypoint waypoint;
    waypoint.name = name;
    waypoint.latitude = latitude;
    waypoint.longitude = longitude;
    waypoint.symbol = letter - 'a';
    waypoint.comment = comment;
    std::string line;
    appendSeries41WaypointSentence(line, waypoint);
    return line;
}

// Three-digit names "001".."nnn" as route items: " 001   ".
inline std::string routeItems(int first, int count) {
    std::string out;
    for (int i = first; i < first + count; ++i) {
        char item[16];
        std::snprintf(item, sizeof item, ", %03d   ", i);
        out += item;
    }
    return out;
}

} // namespace velmar::test
