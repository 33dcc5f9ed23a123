#pragma once
// Small builders and file round trips shared by the Series 5 test files.

#include <string>

#include "TestSupport.h"
#include "core/TextFile.h"
#include "formats/series5/Series5Data.h"
#include "formats/series5/Series5Format.h"

namespace velmar::test {

inline Mark makeMark(const std::string& name, double latitude, double longitude) {
    Mark mark;
    initMark(&mark);
    mark.name = name;
    mark.latitude = latitude;
    mark.longitude = longitude;
    mark.date = RecordDate{1, 5, 2012};
    return mark;
}

inline RoutePoint makeRoutePoint(const std::string& name, double latitude, double longitude) {
    RoutePoint point;
    initRoutePoint(&point);
    point.name = name;
    point.latitude = latitude;
    point.longitude = longitude;
    return point;
}

inline TrackPoint makeTrackPoint(double latitude, double longitude, char flag = 'N') {
    TrackPoint point;
    initTrackPoint(&point);
    point.pointFlag = flag;
    point.latitude = latitude;
    point.longitude = longitude;
    return point;
}

// The bytes writeSeries5Records gives for one kind; `result` receives its result code.
inline std::string writtenBytes(const Series5Data& data, int kind, ResultCode* result = nullptr) {
    TempDir dir;
    const std::string path = dir.file("out.s5");
    OutputFile file;
    if (file.create(path) != kOk) {
        return "<cannot create>";
    }
    const ResultCode written = writeSeries5Records(&file, &data, kind);
    const ResultCode closed = file.close();
    if (result != nullptr) {
        *result = written != kOk ? written : closed;
    }
    return readBytes(path);
}

// Reads the given file text into a fresh set.
inline Series5Data readBytesAsSet(const std::string& bytes, ResultCode* result = nullptr) {
    TempDir dir;
    const std::string path = dir.file("in.s5");
    writeBytes(path, bytes);
    Series5Data data;
    initSeries5Data(&data);
    FilePtr file = openForReading(path);
    const ResultCode read = readSeries5Records(file.get(), &data);
    if (result != nullptr) {
        *result = read;
    }
    return data;
}

// Joins lines with CR LF after each.
inline std::string crlf(std::initializer_list<std::string> lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

} // namespace velmar::test
