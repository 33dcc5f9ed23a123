#include "formats/hub/HubFile.h"

#include <new>
#include <string>

#include "core/FieldReader.h"
#include "core/Text.h"
#include "core/TextFile.h"
#include "formats/hub/HubLines.h"

namespace velmar {

namespace {

enum class Block { None, Waypoints, Marks, Route, Track, Line, Zone };

class HubReader {
  public:
    explicit HubReader(NavDatabase* database) : db_(database) {}

    void read(std::FILE* file) {
        LineReader reader(file);
        std::string_view line;
        while (reader.next(&line)) {
            if (line.empty() || line.front() != '$') {
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
        // Records whose block was not closed are not added.
    }

  private:
    void outside(std::string_view line) {
        const std::string_view fields = line.substr(1);
        if (startsWith(line, "$WPT")) {
            block_ = Block::Waypoints;
        } else if (startsWith(line, "$MRK")) {
            block_ = Block::Marks;
        } else if (startsWith(line, "$ROT")) {
            clearRoutePoints(&route_);
            initRoute(&route_);
            hub::readRouteHeaderFields(fields, &route_);
            block_ = Block::Route;
        } else if (startsWith(line, "$LIN")) {
            clearLinePoints(&line_);
            initLine(&line_);
            hub::readLineHeaderFields(fields, &line_);
            block_ = Block::Line;
        } else if (startsWith(line, "$TRK")) {
            clearTrackPoints(&track_);
            initTrack(&track_);
            hub::readTrackHeaderFields(fields, &track_);
            block_ = Block::Track;
        } else if (startsWith(line, "$ZON")) {
            clearZonePoints(&zone_);
            initZone(&zone_);
            hub::readZoneHeaderFields(fields, &zone_);
            block_ = Block::Zone;
        } else if (startsWith(line, "$VERSION")) {
            hub::readVersionFields(fields, &db_->version);
        }
    }

    void inside(std::string_view line) {
        const bool end = startsWith(line, "$END");
        const std::string_view fields = line.substr(1);
        switch (block_) {
        case Block::Waypoints:
            if (end) {
                block_ = Block::None;
            } else {
                Waypoint waypoint;
                initWaypoint(&waypoint);
                hub::readWaypointFields(fields, &waypoint);
                addWaypoint(db_, &waypoint);
            }
            break;
        case Block::Marks:
            if (end) {
                block_ = Block::None;
            } else {
                Mark mark;
                initMark(&mark);
                hub::readMarkFields(fields, &mark);
                addMark(db_, &mark);
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
                addRoutePoint(&route_, &point);
                if (flag == 'S') {
                    closeRoute();
                }
            }
            break;
        case Block::Line:
            if (end) {
                closeLine();
            } else {
                const char flag = hub::readPointFlag(fields);
                GeoPoint point;
                initGeoPoint(&point);
                hub::readGeoPointFields(fields, &point);
                addLinePoint(&line_, &point);
                if (flag == 'S') {
                    closeLine();
                }
            }
            break;
        case Block::Zone:
            if (end) {
                closeZone();
            } else {
                const char flag = hub::readPointFlag(fields);
                GeoPoint point;
                initGeoPoint(&point);
                hub::readGeoPointFields(fields, &point);
                addZonePoint(&zone_, &point);
                if (flag == 'S') {
                    closeZone();
                }
            }
            break;
        case Block::Track:
            if (end) {
                if (!track_.points.empty()) {
                    track_.points.back().pointFlag = 'S';
                }
                addTrack(db_, std::move(track_));
                clearTrackPoints(&track_);
                block_ = Block::None;
            } else {
                TrackPoint point;
                initTrackPoint(&point);
                hub::readTrackPointFields(fields, &point);
                addTrackPoint(&track_, &point);
            }
            break;
        case Block::None:
            break;
        }
    }

    void closeRoute() {
        addRoute(db_, std::move(route_));
        clearRoutePoints(&route_);
        block_ = Block::None;
    }
    void closeLine() {
        addLine(db_, std::move(line_));
        clearLinePoints(&line_);
        block_ = Block::None;
    }
    void closeZone() {
        addZone(db_, std::move(zone_));
        clearZonePoints(&zone_);
        block_ = Block::None;
    }

    NavDatabase* db_;
    Block block_ = Block::None;
    Route route_;
    Track track_;
    Line line_;
    Zone zone_;
};

bool writeAll(OutputFile& file, const NavDatabase& db) {
    std::string text;
    text.reserve(256);
    text.clear();
    hub::appendVersionLine(text, db.version);
    if (!file.writeLine(text)) {
        return false;
    }
    if (!db.waypoints.empty()) {
        if (!file.writeLine("$WPT*")) {
            return false;
        }
        for (const Waypoint& waypoint : db.waypoints) {
            text.clear();
            hub::appendWaypointLine(text, waypoint);
            if (!file.writeLine(text)) {
                return false;
            }
        }
        if (!file.writeLine("$END*")) {
            return false;
        }
    }
    if (!db.marks.empty()) {
        if (!file.writeLine("$MRK*")) {
            return false;
        }
        for (const Mark& mark : db.marks) {
            text.clear();
            hub::appendMarkLine(text, mark);
            if (!file.writeLine(text)) {
                return false;
            }
        }
        if (!file.writeLine("$END*")) {
            return false;
        }
    }
    for (const Route& route : db.routes) {
        if (!hub::writeRouteBlock(file, text, route)) {
            return false;
        }
    }
    for (const Track& track : db.tracks) {
        if (!hub::writeTrackBlock(file, text, track)) {
            return false;
        }
    }
    for (const Line& line : db.lines) {
        if (!hub::writeLineBlock(file, text, line)) {
            return false;
        }
    }
    for (const Zone& zone : db.zones) {
        if (!hub::writeZoneBlock(file, text, zone)) {
            return false;
        }
    }
    return file.writeLine("ENDDATA");
}

} // namespace

ResultCode readHubFile(const char* path, NavDatabase* database) {
    if (path == nullptr || database == nullptr) {
        return kBadArgument;
    }
    FilePtr file = openForReading(path);
    if (!file) {
        return kCannotOpen;
    }
    try {
        HubReader reader(database);
        reader.read(file.get());
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
    return kOk;
}

ResultCode writeHubFile(NavDatabase* database, const char* path) {
    if (path == nullptr || database == nullptr) {
        return kBadArgument;
    }
    OutputFile file;
    if (file.create(path) != kOk) {
        return kCannotOpen;
    }
    try {
        const bool written = writeAll(file, *database);
        const ResultCode closed = file.close();
        return written ? closed : kWriteFailed;
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
}

} // namespace velmar
