#include "formats/series6/Series6Format.h"

#include <iterator>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/CappedTable.h"
#include "core/FieldCodecs.h"
#include "core/FieldReader.h"
#include "core/Text.h"

namespace velmar {

namespace {

// The header line of each kind's file, in selector order.
constexpr const char* kHeaders[] = {"$NRM", "$RUT", "$TRK", "$BND"};
constexpr int kKindCount = 4;
static_assert(std::size(kSeries6Suffixes) == kKindCount);

std::int32_t decimalField(const FieldReader& fields, int index) {
    return parseDecimal(fields.field(index));
}

std::int32_t hexField(const FieldReader& fields, int index) {
    return static_cast<std::int32_t>(parseHex(fields.field(index)));
}

void readLatitude(const FieldReader& fields, int index, double* value) {
    if (fields.has(index)) {
        parseLatitude(fields.field(index), DegreeLetter, value);
    }
}

void readLongitude(const FieldReader& fields, int index, double* value) {
    if (fields.has(index)) {
        parseLongitude(fields.field(index), DegreeLetter, value);
    }
}

enum class Section { None, Waypoints, Routes, Tracks, Boundaries };

class Series6Reader {
  public:
    explicit Series6Reader(Series6Data* data) : data_(data) {}

    void read(std::FILE* file) {
        LineReader reader(file, true); // the byte 0x1A ends the input
        std::string_view line;
        while (reader.next(&line)) {
            if (line.empty() || line.front() != '$') {
                continue;
            }
            if (section_ == Section::None) {
                open(line);
            } else if (startsWith(line, "$END")) {
                close();
            } else {
                dataLine(FieldReader(line.substr(1)));
            }
        }
        // A route, track or boundary that its section did not close is discarded.
    }

  private:
    void open(std::string_view line) {
        if (startsWith(line, "$NRM")) {
            section_ = Section::Waypoints;
        } else if (startsWith(line, "$RUT")) {
            route_.points.clear();
            routeInProgress_ = false;
            section_ = Section::Routes;
        } else if (startsWith(line, "$TRK")) {
            track_.points.clear();
            runInProgress_ = false;
            section_ = Section::Tracks;
        } else if (startsWith(line, "$BND")) {
            renewBoundary();
            section_ = Section::Boundaries;
        }
    }

    void close() {
        switch (section_) {
        case Section::Routes:
            if (!route_.points.empty()) {
                appendRoute();
            }
            routeInProgress_ = false;
            break;
        case Section::Tracks:
            if (!track_.points.empty()) {
                track_.points.back().trackCode = kSeries6EndOfRunCode;
                appendTrack();
            }
            runInProgress_ = false;
            break;
        case Section::Boundaries:
            if (!boundary_.points.empty()) {
                boundary_.points.back().pointCode = kSeries6LastBoundaryPointCode;
                appendBoundary();
            }
            break;
        case Section::Waypoints:
        case Section::None:
            break;
        }
        section_ = Section::None;
    }

    void dataLine(const FieldReader& fields) {
        switch (section_) {
        case Section::Waypoints:
            waypointLine(fields);
            break;
        case Section::Routes:
            routePointLine(fields);
            break;
        case Section::Tracks:
            trackPointLine(fields);
            break;
        case Section::Boundaries:
            boundaryPointLine(fields);
            break;
        case Section::None:
            break;
        }
    }

    void waypointLine(const FieldReader& fields) {
        Series6Waypoint waypoint;
        if (fields.has(0)) {
            copyText(waypoint.name, fields.field(0), kSeries6NameWidth);
        }
        if (fields.has(1)) {
            waypoint.symbol = decimalField(fields, 1);
        }
        readLatitude(fields, 2, &waypoint.latitude);
        readLongitude(fields, 3, &waypoint.longitude);
        unlessOutOfMemory(addSeries6Waypoint(data_, &waypoint)); // beyond the capacity: dropped
    }

    // Points of one route carry consecutive numbers; any other number starts a new route.
    void routePointLine(const FieldReader& fields) {
        Series6RoutePoint point;
        if (fields.has(0)) {
            copyText(point.name, fields.field(0), kSeries6NameWidth);
        }
        if (fields.has(1)) {
            point.pointCode = hexField(fields, 1);
        }
        readLatitude(fields, 2, &point.latitude);
        readLongitude(fields, 3, &point.longitude);
        const std::int64_t number = parseDecimal(point.name);
        if (routeInProgress_ && number != lastNumber_ + 1) {
            appendRoute();
        }
        routeInProgress_ = true;
        lastNumber_ = number;
        unlessOutOfMemory(addSeries6RoutePoint(&route_, &point));
    }

    // A run that starts with a colour code ends at its first code 0; a run of code-0 points
    // goes on until a point with a colour code starts the next track.
    void trackPointLine(const FieldReader& fields) {
        Series6TrackPoint point;
        if (fields.has(0)) {
            point.trackCode = decimalField(fields, 0);
        }
        readLatitude(fields, 1, &point.latitude);
        readLongitude(fields, 2, &point.longitude);
        if (!runInProgress_) {
            firstCode_ = point.trackCode;
            unlessOutOfMemory(addSeries6TrackPoint(&track_, &point));
            runInProgress_ = true;
        } else if (firstCode_ != kSeries6EndOfRunCode) {
            unlessOutOfMemory(addSeries6TrackPoint(&track_, &point));
            if (point.trackCode == kSeries6EndOfRunCode) {
                appendTrack();
                runInProgress_ = false;
            }
        } else if (point.trackCode != kSeries6EndOfRunCode) {
            appendTrack();
            firstCode_ = point.trackCode;
            unlessOutOfMemory(addSeries6TrackPoint(&track_, &point));
        } else {
            unlessOutOfMemory(addSeries6TrackPoint(&track_, &point));
        }
    }

    // Every line sets the boundary's colour; the point coded 0xC0 ends the boundary.
    void boundaryPointLine(const FieldReader& fields) {
        boundary_.colourIndex = decimalField(fields, 0);
        Series6BoundaryPoint point;
        if (fields.has(2)) {
            point.pointCode = hexField(fields, 2);
        }
        readLatitude(fields, 3, &point.latitude);
        readLongitude(fields, 4, &point.longitude);
        unlessOutOfMemory(addSeries6BoundaryPoint(&boundary_, &point));
        if (point.pointCode == kSeries6LastBoundaryPointCode) {
            appendBoundary();
        }
    }

    // A full table refuses the record (running out of memory ends the read); the working record
    // is cleared all the same.
    void appendRoute() {
        unlessOutOfMemory(addSeries6Route(data_, std::move(route_)));
        route_.points.clear();
    }
    void appendTrack() {
        unlessOutOfMemory(addSeries6Track(data_, std::move(track_)));
        track_.points.clear();
    }
    void appendBoundary() {
        unlessOutOfMemory(addSeries6Boundary(data_, std::move(boundary_)));
        renewBoundary();
    }
    void renewBoundary() {
        boundary_.points.clear();
        boundary_.colourIndex = kSeries6NewColourIndex;
    }

    Series6Data* data_;
    Section section_ = Section::None;
    Series6Route route_;
    bool routeInProgress_ = false;
    std::int64_t lastNumber_ = 0;
    Series6Track track_;
    bool runInProgress_ = false;
    std::int32_t firstCode_ = 0;
    Series6Boundary boundary_;
};

// Field texts of the data lines; a coordinate the codec refuses is written as an empty field.
void appendPosition(std::string& text, double latitude, double longitude) {
    appendLatitude(text, latitude, DegreeLetter);
    text.push_back(',');
    appendLongitude(text, longitude, DegreeLetter);
}

void appendWaypointLine(std::string& text, const Series6Waypoint& waypoint) {
    text.push_back('$');
    appendFieldText(text, waypoint.name, kFieldBreaking, kFieldReplacements); // a field of its own
    text.push_back(',');
    appendInt(text, waypoint.symbol, 2);
    text.push_back(',');
    appendPosition(text, waypoint.latitude, waypoint.longitude);
    text.push_back(',');
}

void appendRoutePointLine(std::string& text, const Series6RoutePoint& point) {
    text.push_back('$');
    appendFieldText(text, point.name, kFieldBreaking, kFieldReplacements);
    text.push_back(',');
    appendHex(text, static_cast<std::uint32_t>(point.pointCode), 2);
    text.push_back(',');
    appendPosition(text, point.latitude, point.longitude);
}

void appendTrackPointLine(std::string& text, const Series6TrackPoint& point) {
    text.push_back('$');
    appendInt(text, point.trackCode, 2);
    text.push_back(',');
    appendPosition(text, point.latitude, point.longitude);
}

// Boundary point codes are hexadecimal both ways ("80", "C0"), so each boundary reads back
// as the boundary that was written.
void appendBoundaryPointLine(std::string& text, std::int32_t colourIndex, int position,
                             const Series6BoundaryPoint& point) {
    text.push_back('$');
    appendInt(text, colourIndex, 2);
    text.push_back(',');
    appendInt(text, position, 3);
    text.push_back(',');
    appendHex(text, static_cast<std::uint32_t>(point.pointCode), 2);
    text.push_back(',');
    appendPosition(text, point.latitude, point.longitude);
}

bool kindHasRecords(const Series6Data& data, int kind) {
    switch (kind) {
    case Series6Waypoints:
        return !data.waypoints.empty();
    case Series6Routes:
        return !data.routes.empty();
    case Series6Tracks:
        return !data.tracks.empty();
    case Series6Boundaries:
        return !data.boundaries.empty();
    default:
        return false;
    }
}

template <typename Record, typename Append>
bool writeLines(OutputFile& file, std::string& text, const std::vector<Record>& records,
                Append appendLine) {
    for (const Record& record : records) {
        text.clear();
        appendLine(text, record);
        if (!file.writeLine(text)) {
            return false;
        }
    }
    return true;
}

bool writeDataLines(OutputFile& file, const Series6Data& data, int kind) {
    std::string text;
    text.reserve(64);
    switch (kind) {
    case Series6Waypoints:
        return writeLines(file, text, data.waypoints, appendWaypointLine);
    case Series6Routes:
        for (const Series6Route& route : data.routes) {
            if (!writeLines(file, text, route.points, appendRoutePointLine)) {
                return false;
            }
        }
        return true;
    case Series6Tracks:
        for (const Series6Track& track : data.tracks) {
            if (!writeLines(file, text, track.points, appendTrackPointLine)) {
                return false;
            }
        }
        return true;
    case Series6Boundaries:
        for (const Series6Boundary& boundary : data.boundaries) {
            int position = 0;
            for (const Series6BoundaryPoint& point : boundary.points) {
                text.clear();
                appendBoundaryPointLine(text, boundary.colourIndex, position++, point);
                if (!file.writeLine(text)) {
                    return false;
                }
            }
        }
        return true;
    default:
        return true;
    }
}

bool writeSection(OutputFile& file, const Series6Data& data, int kind) {
    const std::string_view endMark(&kSeries6EndMark, 1);
    if (!kindHasRecords(data, kind)) {
        return file.write(endMark);
    }
    return file.writeLine(kHeaders[kind]) && writeDataLines(file, data, kind) &&
           file.writeLine("$END") && file.write(endMark);
}

} // namespace

ResultCode readSeries6Records(std::FILE* file, Series6Data* data) {
    if (file == nullptr || data == nullptr) {
        return kBadArgument;
    }
    try {
        Series6Reader reader(data);
        reader.read(file);
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
    return kOk;
}

ResultCode writeSeries6Section(OutputFile* file, const Series6Data* data, int kind) {
    if (file == nullptr || data == nullptr) {
        return kBadArgument;
    }
    try {
        return writeSection(*file, *data, kind) ? kOk : kWriteFailed;
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
}

ResultCode writeSeries6FileSet(const Series6Data* data, const char* basePath) {
    if (data == nullptr || basePath == nullptr) {
        return kBadArgument;
    }
    try {
        std::vector<FileSetPart> parts;
        parts.reserve(kKindCount);
        for (int kind = 0; kind < kKindCount; ++kind) {
            parts.push_back({kSeries6Suffixes[kind], kindHasRecords(*data, kind),
                             [data, kind](OutputFile& file) {
                                 return writeSeries6Section(&file, data, kind);
                             }});
        }
        return writeFileSet(basePath, parts);
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
}

} // namespace velmar
