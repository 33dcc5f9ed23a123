#include "formats/hub/HubBlockReader.h"

#include <string_view>

#include "core/Text.h"
#include "core/TextFile.h"
#include "formats/hub/HubLines.h"

namespace velmar::hub {

namespace {

enum class Block { None, Waypoints, Marks, Route, Track, Line, Zone };

class BlockReader {
  public:
    explicit BlockReader(BlockSink& sink) : sink_(sink) {}

    void read(std::FILE* file) {
        LineReader reader(file);
        std::string_view line;
        while (reader.next(&line)) {
            if (line.empty() || line.front() != '$') {
                // Count lines and anything else without a '$' are skipped.
                if (block_ == Block::None && startsWith(line, "ENDDATA")) {
                    break;
                }
                continue;
            }
            line = cutAtLastStar(line);
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
        } else if (startsWith(line, "$MRK") && sink_.readsMarks()) {
            block_ = Block::Marks;
        } else if (startsWith(line, "$ROT")) {
            clearRoutePoints(&route_);
            initRoute(&route_);
            readRouteHeaderFields(fields, &route_);
            block_ = Block::Route;
        } else if (startsWith(line, "$LIN") && sink_.readsLinesAndZones()) {
            clearLinePoints(&line_);
            initLine(&line_);
            readLineHeaderFields(fields, &line_);
            block_ = Block::Line;
        } else if (startsWith(line, "$TRK")) {
            clearTrackPoints(&track_);
            initTrack(&track_);
            reserveTrackPoints(&track_);
            readTrackHeaderFields(fields, &track_);
            block_ = Block::Track;
        } else if (startsWith(line, "$ZON") && sink_.readsLinesAndZones()) {
            clearZonePoints(&zone_);
            initZone(&zone_);
            readZoneHeaderFields(fields, &zone_);
            block_ = Block::Zone;
        } else if (startsWith(line, "$VERSION")) {
            readVersionFields(fields, &sink_.version());
        }
    }

    void inside(std::string_view line) {
        if (startsWith(line, "$END")) {
            endBlock();
            return;
        }
        const std::string_view fields = line.substr(1);
        switch (block_) {
        case Block::Waypoints: {
            Waypoint waypoint;
            initWaypoint(&waypoint);
            readWaypointFields(fields, &waypoint);
            sink_.addWaypoint(waypoint);
            break;
        }
        case Block::Marks: {
            Mark mark;
            initMark(&mark);
            readMarkFields(fields, &mark);
            sink_.addMark(mark);
            break;
        }
        case Block::Route:
            routePoint(fields);
            break;
        case Block::Line:
        case Block::Zone:
            geoPoint(fields);
            break;
        case Block::Track: {
            TrackPoint point;
            initTrackPoint(&point);
            readTrackPointFields(fields, &point);
            sink_.addTrackPoint(track_, point);
            break;
        }
        case Block::None:
            break;
        }
    }

    // A point flagged 'S' ends its route, also when the point itself did not fit.
    void routePoint(std::string_view fields) {
        RoutePoint point;
        initRoutePoint(&point);
        const char flag = readRoutePointFields(fields, &point);
        sink_.addRoutePoint(route_, point);
        if (flag == 'S') {
            endBlock();
        }
    }

    // The points of lines and zones, which a point flagged 'S' ends in the same way.
    void geoPoint(std::string_view fields) {
        GeoPoint point;
        initGeoPoint(&point);
        const char flag = readGeoPointFields(fields, &point);
        if (block_ == Block::Line) {
            sink_.addLinePoint(line_, point);
        } else {
            sink_.addZonePoint(zone_, point);
        }
        if (flag == 'S') {
            endBlock();
        }
    }

    // "$END", or the last point of a route, line or zone: the record goes to the sink.
    void endBlock() {
        switch (block_) {
        case Block::Route:
            sink_.addRoute(std::move(route_));
            clearRoutePoints(&route_);
            break;
        case Block::Track:
            // A point flagged 'S' does not end a track; "$END" flags its last point 'S'.
            if (!track_.points.empty()) {
                track_.points.back().pointFlag = 'S';
            }
            fitTrackPoints(&track_);
            sink_.addTrack(std::move(track_));
            clearTrackPoints(&track_);
            break;
        case Block::Line:
            sink_.addLine(std::move(line_));
            clearLinePoints(&line_);
            break;
        case Block::Zone:
            sink_.addZone(std::move(zone_));
            clearZonePoints(&zone_);
            break;
        default:
            break;
        }
        block_ = Block::None;
    }

    BlockSink& sink_;
    Block block_ = Block::None;
    Route route_;
    Track track_;
    Line line_;
    Zone zone_;
};

} // namespace

void readBlocks(std::FILE* file, BlockSink& sink) {
    BlockReader reader(sink);
    reader.read(file);
}

} // namespace velmar::hub
