#include "formats/series5/Series5Format.h"

#include <new>
#include <string>
#include <string_view>

#include "core/CappedTable.h"
#include "core/FieldReader.h"
#include "core/Text.h"
#include "formats/hub/HubBlockReader.h"
#include "formats/hub/HubLines.h"

namespace velmar {

namespace {

// A Series 5 file holds waypoints, routes and tracks within the device's own capacities;
// "$MRK", "$LIN" and "$ZON" blocks are skipped.
class Series5Sink final : public hub::BlockSink {
  public:
    explicit Series5Sink(Series5Data* data) : data_(data) {}
    DataVersion& version() override { return data_->version; }

    // A waypoint line is read with the HUB's waypoint field reader; its comment is not kept.
    void addWaypoint(Waypoint& waypoint) override {
        const Mark mark = markOf(waypoint);
        unlessOutOfMemory(addSeries5Waypoint(data_, &mark)); // beyond the 18,000th: dropped
    }
    void addRoutePoint(Route& route, const RoutePoint& point) override {
        unlessOutOfMemory(addSeries5RoutePoint(&route, &point)); // beyond the 300th: dropped
    }
    void addRoute(Route&& route) override {
        unlessOutOfMemory(addSeries5Route(data_, std::move(route))); // beyond the 50th: dropped
    }
    void addTrackPoint(Track& track, const TrackPoint& point) override {
        unlessOutOfMemory(addSeries5TrackPoint(&track, &point)); // beyond the 2,100th: dropped
    }
    void addTrack(Track&& track) override {
        unlessOutOfMemory(addSeries5Track(data_, std::move(track))); // beyond the 40th: dropped
    }

  private:
    Series5Data* data_;
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
    for (const Mark& mark : data.waypoints) {
        text.clear();
        hub::appendWaypointLine(text, waypointOf(mark));
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
        if (!hub::writeRouteBlock(file, route)) {
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
        if (!hub::writeTrackBlock(file, track)) {
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
        Series5Sink sink(data);
        hub::readBlocks(stream, sink);
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
