#include "core/NavDatabase.h"

#include <new>

#include "core/CappedTable.h"

#include "core/Clock.h"
#include "core/PositionIndex.h"

namespace velmar {

namespace {

// Room a reader's working track starts with (a fresh track is most often short).
constexpr std::size_t kFirstTrackRoom = 4096;

RecordDate today() {
    RecordDate date;
    todayDate(&date.day, &date.month, &date.year);
    return date;
}

// Every field zero and the date today.
template <typename R> ResultCode initRecord(R* record) {
    if (record == nullptr) {
        return kBadArgument;
    }
    if constexpr (requires { record->points; }) {
        // Points are not freed by an init: a record that owns points is cleared first.
        auto points = std::move(record->points);
        *record = R{};
        record->points = std::move(points);
    } else {
        *record = R{};
    }
    record->date = today();
    return kOk;
}

} // namespace

ResultCode initWaypoint(Waypoint* record) {
    return initRecord(record);
}
ResultCode initMark(Mark* record) {
    return initRecord(record);
}

void reserveTrackPoints(Track* track) {
    track->points.reserve(kFirstTrackRoom);
}

void fitTrackPoints(Track* track) {
    if (track->points.capacity() / 2 > track->points.size()) {
        track->points.shrink_to_fit();
    }
}

ResultCode initRoute(Route* record) {
    return initRecord(record);
}
ResultCode initTrack(Track* record) {
    return initRecord(record);
}
ResultCode initLine(Line* record) {
    return initRecord(record);
}
ResultCode initZone(Zone* record) {
    return initRecord(record);
}

ResultCode initRoutePoint(RoutePoint* point) {
    return resetRecord(point);
}

ResultCode initTrackPoint(TrackPoint* point) {
    return resetRecord(point);
}

ResultCode initGeoPoint(GeoPoint* point) {
    return resetRecord(point);
}

ResultCode addWaypoint(NavDatabase* database, const Waypoint* record) {
    return appendTo(database, &NavDatabase::waypoints, record, kNavCapacities.waypoints,
                    kWaypointsFull);
}
ResultCode addMark(NavDatabase* database, const Mark* record) {
    return appendTo(database, &NavDatabase::marks, record, kNavCapacities.marks, kMarksFull);
}
ResultCode addRoute(NavDatabase* database, const Route* record) {
    return appendTo(database, &NavDatabase::routes, record, kNavCapacities.routes, kRoutesFull);
}
ResultCode addTrack(NavDatabase* database, const Track* record) {
    return appendTo(database, &NavDatabase::tracks, record, kNavCapacities.tracks, kTracksFull);
}
ResultCode addLine(NavDatabase* database, const Line* record) {
    return appendTo(database, &NavDatabase::lines, record, kNavCapacities.lines, kLinesFull);
}
ResultCode addZone(NavDatabase* database, const Zone* record) {
    return appendTo(database, &NavDatabase::zones, record, kNavCapacities.zones, kZonesFull);
}

ResultCode addRoute(NavDatabase* database, Route&& record) {
    return moveTo(database, &NavDatabase::routes, std::move(record), kNavCapacities.routes,
                  kRoutesFull);
}
ResultCode addTrack(NavDatabase* database, Track&& record) {
    return moveTo(database, &NavDatabase::tracks, std::move(record), kNavCapacities.tracks,
                  kTracksFull);
}
ResultCode addLine(NavDatabase* database, Line&& record) {
    return moveTo(database, &NavDatabase::lines, std::move(record), kNavCapacities.lines,
                  kLinesFull);
}
ResultCode addZone(NavDatabase* database, Zone&& record) {
    return moveTo(database, &NavDatabase::zones, std::move(record), kNavCapacities.zones,
                  kZonesFull);
}

ResultCode addRoutePoint(Route* route, const RoutePoint* point) {
    return appendPoint(route, point, kNavCapacities.routePoints, kRoutePointsFull);
}
ResultCode addTrackPoint(Track* track, const TrackPoint* point) {
    // A track that outgrows its first room gets room for a full track at once: one move of a
    // few thousand points instead of a move at every doubling.
    if (track != nullptr && track->points.size() == track->points.capacity() &&
        track->points.size() >= kFirstTrackRoom &&
        track->points.size() < kNavCapacities.trackPoints) {
        try {
            track->points.reserve(kNavCapacities.trackPoints);
        } catch (const std::bad_alloc&) {
            return kNoMemory;
        }
    }
    return appendPoint(track, point, kNavCapacities.trackPoints, kTrackPointsFull);
}
ResultCode addLinePoint(Line* line, const GeoPoint* point) {
    return appendPoint(line, point, kNavCapacities.linePoints, kLinePointsFull);
}
ResultCode addZonePoint(Zone* zone, const GeoPoint* point) {
    return appendPoint(zone, point, kNavCapacities.zonePoints, kZonePointsFull);
}

ResultCode clearRoutePoints(Route* route) {
    return clearPoints(route);
}
ResultCode clearTrackPoints(Track* track) {
    return clearPoints(track);
}
ResultCode clearLinePoints(Line* line) {
    return clearPoints(line);
}
ResultCode clearZonePoints(Zone* zone) {
    return clearPoints(zone);
}

ResultCode initNavDatabase(NavDatabase* database) {
    return resetRecord(database);
}

ResultCode clearNavDatabase(NavDatabase* database) {
    if (database == nullptr) {
        return kBadArgument;
    }
    DataVersion version = std::move(database->version);
    *database = NavDatabase{};
    database->version = std::move(version);
    return kOk;
}

ResultCode renumberRecords(NavDatabase* database, int selector) {
    if (database == nullptr) {
        return kBadArgument;
    }
    switch (selector) {
    case RenumberRoutes:
        numberRecords(database->routes, 1);
        return kOk;
    case RenumberTracks:
        numberRecords(database->tracks, 1);
        return kOk;
    case RenumberZones:
        numberRecords(database->zones, 1);
        return kOk;
    case RenumberLines:
        numberRecords(database->lines, 1);
        return kOk;
    default:
        return kBadArgument;
    }
}

ResultCode addRoutePointsAsWaypoints(NavDatabase* database) {
    if (database == nullptr) {
        return kBadArgument;
    }
    PositionIndex index;
    try {
        index = PositionIndex::of(database->waypoints);
        for (const Route& route : database->routes) {
            for (const RoutePoint& point : route.points) {
                const int found = index.find(point.latitude, point.longitude);
                if (found != PositionIndex::kNone) {
                    const Waypoint& waypoint = database->waypoints[static_cast<std::size_t>(found)];
                    if (waypoint.name == point.name && waypoint.symbol == point.symbol) {
                        continue;
                    }
                }
                Waypoint waypoint;
                initWaypoint(&waypoint);
                waypoint.name =
                    point.name.substr(0, std::min(point.name.size(), kWaypointNameWidth));
                waypoint.symbol = point.symbol;
                waypoint.latitude = point.latitude;
                waypoint.longitude = point.longitude;
                const ResultCode added = addWaypoint(database, &waypoint);
                if (added == kNoMemory) {
                    return kNoMemory;
                }
                if (added == kOk) {
                    index.add(waypoint.latitude, waypoint.longitude,
                              static_cast<int>(database->waypoints.size() - 1));
                }
            }
        }
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
    return kOk;
}

} // namespace velmar
