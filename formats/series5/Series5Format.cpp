#include "formats/series5/Series5Format.h"

#include <new>
#include <string>
#include <string_view>

#include "core/FieldReader.h"
#include "core/Text.h"
#include "formats/hub/HubLines.h"

namespace velmar {

namespace {

enum class Block { None, Waypoints, Route, Track };

class Series5Reader {
  public:
    explicit Series5Reader(Series5Data* data) : data_(data) {}

    void read(std::FILE* file) {
        LineReader reader(file);
        std::string_view line;
        while (reader.next(&line)) {
            if (line.empty() || line.front() != '$') {
                // The count line and anything else without a '$' is skipped.
                if (block_ == Block::None && startsWith(line, "ENDDATA")) {
                    break;
                }
                continue;
            }
            line = hub::cutAtLastStar(line);
            if (block_ == Block::None) {
                outside(line);
            } else {
                inside(line);
            }
        }
        // A route or track whose block was not closed is lost with its points.
    }

  private:
    void outside(std::string_view line) {
        const std::string_view fields = line.substr(1);
        if (startsWith(line, "$WPT")) {
            block_ = Block::Waypoints;
        } else if (startsWith(line, "$ROT")) {
            clearRoutePoints(&route_);
            initRoute(&route_);
            hub::readRouteHeaderFields(fields, &route_);
            block_ = Block::Route;
        } else if (startsWith(line, "$TRK")) {
            clearTrackPoints(&track_);
            initTrack(&track_);
            hub::readTrackHeaderFields(fields, &track_);
            block_ = Block::Track;
        } else if (startsWith(line, "$VERSION")) {
            hub::readVersionFields(fields, &data_->version);
        }
        // "$MRK", "$LIN", "$ZON" and every other line are skipped.
    }

    void inside(std::string_view line) {
        const bool end = startsWith(line, "$END");
        const std::string_view fields = line.substr(1);
        switch (block_) {
        case Block::Waypoints:
            if (end) {
                block_ = Block::None;
            } else {
                addWaypoint(fields);
            }
            break;
        case Block::Route:
            if (end) {
                closeRoute();
            } else {
                const char flag = hub::readPointFlag(fields);
                RoutePoint point;
                initRoutePoint(&point);
                hub::readRoutePointFields(fields, &point);
                addSeries5RoutePoint(&route_, &point); // beyond the 300th: dropped
                if (flag == 'S') {
                    closeRoute();
                }
            }
            break;
        case Block::Track:
            if (end) {
                if (!track_.points.empty()) {
                    track_.points.back().pointFlag = 'S';
                }
                addSeries5Track(data_, std::move(track_)); // beyond the 40th: dropped
                clearTrackPoints(&track_);
                block_ = Block::None;
            } else {
                TrackPoint point;
                initTrackPoint(&point);
                hub::readTrackPointFields(fields, &point);
                addSeries5TrackPoint(&track_, &point); // beyond the 2,100th: dropped
            }
            break;
        case Block::None:
            break;
        }
    }

    // A waypoint line is read with the HUB's waypoint field reader; its comment is not kept.
    void addWaypoint(std::string_view fields) {
        initWaypoint(&scratch_);
        hub::readWaypointFields(fields, &scratch_);
        Mark mark;
        mark.name = std::move(scratch_.name);
        mark.symbol = scratch_.symbol;
        mark.colour = scratch_.colour;
        mark.latitude = scratch_.latitude;
        mark.longitude = scratch_.longitude;
        mark.date = scratch_.date;
        mark.altitude = scratch_.altitude;
        addSeries5Waypoint(data_, &mark); // beyond the 18,000th: dropped
    }

    void closeRoute() {
        addSeries5Route(data_, std::move(route_)); // beyond the 50th: dropped
        clearRoutePoints(&route_);
        block_ = Block::None;
    }

    Series5Data* data_;
    Block block_ = Block::None;
    Series5Route route_;
    Series5Track track_;
    Waypoint scratch_;
};

template <typename Record> std::size_t pointTotal(const std::vector<Record>& records) {
    std::size_t total = 0;
    for (const Record& record : records) {
        total += record.points.size();
    }
    return total;
}

bool writeCount(OutputFile& file, std::string& text, std::size_t count) {
    text.clear();
    appendInt(text, static_cast<long long>(count));
    return file.writeLine(text);
}

bool writeWaypoints(OutputFile& file, std::string& text, const Series5Data& data) {
    if (!writeCount(file, text, data.waypoints.size()) || !file.writeLine("$WPT*")) {
        return false;
    }
    // The HUB waypoint line with an empty comment field.
    Waypoint line;
    for (const Mark& mark : data.waypoints) {
        line.name.assign(mark.name);
        line.symbol = mark.symbol;
        line.colour = mark.colour;
        line.latitude = mark.latitude;
        line.longitude = mark.longitude;
        line.date = mark.date;
        line.altitude = mark.altitude;
        text.clear();
        hub::appendWaypointLine(text, line);
        if (!file.writeLine(text)) {
            return false;
        }
    }
    return file.writeLine("$END*");
}

bool writeRoutes(OutputFile& file, std::string& text, const Series5Data& data) {
    if (!writeCount(file, text, pointTotal(data.routes))) {
        return false;
    }
    for (const Series5Route& route : data.routes) {
        if (!hub::writeRouteBlock(file, text, route)) {
            return false;
        }
    }
    return true;
}

bool writeTracks(OutputFile& file, std::string& text, const Series5Data& data) {
    if (!writeCount(file, text, pointTotal(data.tracks))) {
        return false;
    }
    for (const Series5Track& track : data.tracks) {
        if (!hub::writeTrackBlock(file, text, track)) {
            return false;
        }
    }
    return true;
}

bool writeAll(OutputFile& file, const Series5Data& data, int kind) {
    std::string text;
    text.reserve(256);
    text.clear();
    hub::appendVersionLine(text, data.version);
    if (!file.writeLine(text)) {
        return false;
    }
    bool written = true;
    switch (kind) {
    case Series5Waypoints:
        written = data.waypoints.empty() || writeWaypoints(file, text, data);
        break;
    case Series5Routes:
        written = data.routes.empty() || writeRoutes(file, text, data);
        break;
    case Series5Tracks:
        written = data.tracks.empty() || writeTracks(file, text, data);
        break;
    default:
        break; // an unknown kind: the version record and "ENDDATA" only
    }
    return written && file.writeLine("ENDDATA");
}

} // namespace

ResultCode readSeries5Records(std::FILE* stream, Series5Data* data) {
    if (stream == nullptr || data == nullptr) {
        return kBadArgument;
    }
    try {
        Series5Reader reader(data);
        reader.read(stream);
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
    return kOk;
}

ResultCode writeSeries5Records(OutputFile* stream, const Series5Data* data, int kind) {
    if (stream == nullptr || data == nullptr) {
        return kBadArgument;
    }
    try {
        return writeAll(*stream, *data, kind) ? kOk : kWriteFailed;
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
}

} // namespace velmar
