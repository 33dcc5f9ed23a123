#include "formats/series5/Series5Mapping.h"

#include <algorithm>
#include <new>
#include <string>

#include "core/CappedTable.h"
#include "core/Text.h"

namespace velmar {

namespace {

constexpr std::uint32_t kMaxHubSymbol = 255;
constexpr char kLineText[] =
    "a Series 5 file cannot hold line ends or the characters , * $ in a text";

std::uint32_t hubSymbol(std::uint32_t symbol) {
    return symbol <= kMaxHubSymbol ? symbol : 0;
}

// Both ways a Series 5 route or track is the hub's record: these start the record of the other
// side with the fields both keep, and copy the points' fields (a route point with the symbol
// given).
void startRouteAs(const Route& source, Route* route) {
    clearRoutePoints(route);
    initRoute(route);
    route->name = source.name;
    route->comment = source.comment;
    route->colour = source.colour;
    route->date = source.date;
}

RoutePoint routePointAs(const RoutePoint& from, std::uint32_t symbol) {
    RoutePoint point;
    initRoutePoint(&point);
    point.name = from.name;
    point.latitude = from.latitude;
    point.longitude = from.longitude;
    point.symbol = symbol;
    return point;
}

void startTrackAs(const Track& source, Track* track) {
    clearTrackPoints(track);
    initTrack(track);
    track->name = source.name;
    track->colour = source.colour;
    track->date = source.date;
}

TrackPoint trackPointAs(const TrackPoint& from) {
    TrackPoint point;
    initTrackPoint(&point);
    point.pointFlag = from.pointFlag;
    point.latitude = from.latitude;
    point.longitude = from.longitude;
    return point;
}

// The set into the database (series5ToHub). Running out of memory throws std::bad_alloc.
void mapIntoDatabase(const Series5Data& data, NavDatabase* db, ConversionReport* report) {
    for (std::size_t i = 0; i < data.waypoints.size(); ++i) {
        const Mark& mark = data.waypoints[i];
        if (db->waypoints.size() >= kNavCapacities.waypoints) {
            RecordNotes(report, RecordKind::Waypoint, i, mark.name)
                .dropped("the navigation database holds 10,000 waypoints");
            continue;
        }
        Waypoint waypoint = waypointOf(mark);
        waypoint.symbol = hubSymbol(mark.symbol);
        unlessOutOfMemory(addWaypoint(db, &waypoint));
    }

    Route route;
    for (const Series5Route& source : data.routes) {
        startRouteAs(source, &route);
        for (const RoutePoint& from : source.points) {
            const RoutePoint point = routePointAs(from, hubSymbol(from.symbol));
            unlessOutOfMemory(addRoutePoint(&route, &point));
        }
        const ResultCode added = unlessOutOfMemory(addRoute(db, std::move(route)));
        clearRoutePoints(&route);
        if (added == kRoutesFull) {
            break;
        }
    }
    renumberRecords(db, RenumberRoutes);

    Track track;
    for (const Series5Track& source : data.tracks) {
        startTrackAs(source, &track);
        for (const TrackPoint& from : source.points) {
            const TrackPoint point = trackPointAs(from);
            unlessOutOfMemory(addTrackPoint(&track, &point));
        }
        const ResultCode added = unlessOutOfMemory(addTrack(db, std::move(track)));
        clearTrackPoints(&track);
        if (added == kTracksFull) {
            break;
        }
    }
    renumberRecords(db, RenumberTracks);
}

ResultCode waypointsIntoSet(const NavDatabase& db, Series5Data* data, ConversionReport* report) {
    for (std::size_t i = 0; i < db.waypoints.size(); ++i) {
        const Waypoint& waypoint = db.waypoints[i];
        const RecordNotes notes(report, RecordKind::Waypoint, i, waypoint.name);
        if (data->waypoints.size() >= kSeries5Capacities.waypoints) {
            notes.dropped("a Series 5 device holds 18,000 waypoints");
            continue;
        }
        if (notes.active()) {
            notes.position(waypoint.latitude, waypoint.longitude);
            notes.symbol(waypoint.symbol, 0, "a Series 5 device shows every waypoint alike");
            notes.textNotCarried("comment", waypoint.comment, "a Series 5 waypoint has no comment");
            notes.written("name", waypoint.name, kFieldBreaking, kFieldReplacements, kLineText);
        }
        Mark mark = markOf(waypoint);
        mark.name.resize(std::min(mark.name.size(), kMarkNameWidth));
        mark.symbol = 0;
        const ResultCode added = addSeries5Waypoint(data, &mark);
        if (added != kOk) {
            return added;
        }
    }
    return kOk;
}

ResultCode routesIntoSet(const NavDatabase& db, Series5Data* data, ConversionReport* report) {
    Series5Route route;
    for (std::size_t i = 0; i < db.routes.size(); ++i) {
        const Route& source = db.routes[i];
        const RecordNotes notes(report, RecordKind::Route, i, source.name);
        if (data->routes.size() >= kSeries5Capacities.routes) {
            notes.dropped("a Series 5 device holds 50 routes");
            continue;
        }
        notes.written("name", source.name, kFieldBreaking, kFieldReplacements, kLineText);
        notes.written("comment", source.comment, kFieldBreaking, kFieldReplacements, kLineText);
        startRouteAs(source, &route);
        for (const RoutePoint& from : source.points) {
            const RoutePoint point = routePointAs(from, 0);
            const ResultCode appended = addSeries5RoutePoint(&route, &point);
            if (appended == kRoutePointsFull) {
                break; // the route is kept with its first 300 points
            }
            if (appended != kOk) {
                return appended;
            }
            if (notes.active()) {
                const RecordNotes pointNotes = notes.atPoint(route.points.size() - 1, from.name);
                pointNotes.position(from.latitude, from.longitude);
                pointNotes.written("name", from.name, kFieldBreaking, kFieldReplacements,
                                   kLineText);
                pointNotes.symbol(from.symbol, 0,
                                  "a Series 5 device shows every route point alike");
            }
        }
        notes.pointsDropped(source.points.size(), route.points.size(),
                            "a Series 5 route holds 300 points");
        const ResultCode added = addSeries5Route(data, std::move(route));
        clearRoutePoints(&route);
        if (added != kOk) {
            return added;
        }
    }
    numberSeries5Records(data, NumberSeries5Routes);
    return kOk;
}

ResultCode tracksIntoSet(const NavDatabase& db, Series5Data* data, ConversionReport* report) {
    Series5Track track;
    for (std::size_t i = 0; i < db.tracks.size(); ++i) {
        const Track& source = db.tracks[i];
        const RecordNotes notes(report, RecordKind::Track, i, source.name);
        if (data->tracks.size() >= kSeries5Capacities.tracks) {
            notes.dropped("a Series 5 device holds 40 tracks");
            continue;
        }
        notes.written("name", source.name, kFieldBreaking, kFieldReplacements, kLineText);
        startTrackAs(source, &track);
        for (const TrackPoint& from : source.points) {
            const TrackPoint point = trackPointAs(from);
            const ResultCode appended = addSeries5TrackPoint(&track, &point);
            if (appended == kTrackPointsFull) {
                break; // the track is kept with its first 2,100 points, flags as they were
            }
            if (appended != kOk) {
                return appended;
            }
            if (notes.active()) {
                notes.atPoint(track.points.size() - 1, source.name)
                    .position(from.latitude, from.longitude);
            }
        }
        notes.pointsDropped(source.points.size(), track.points.size(),
                            "a Series 5 track holds 2,100 points");
        if (notes.active() && !track.points.empty() && track.points.back().pointFlag != 'S') {
            notes.note(FindingKind::FieldNotCarried, "pointFlag", "the track's runs", {},
                       "a Series 5 track ends with the end of a run");
        }
        const ResultCode added = addSeries5Track(data, std::move(track));
        clearTrackPoints(&track);
        if (added != kOk) {
            return added;
        }
    }
    numberSeries5Records(data, NumberSeries5Tracks);
    return kOk;
}

// What the set holds, and the kinds it has no room for, into the report.
void noteWrittenSet(const NavDatabase& db, const Series5Data& data, ConversionReport* report) {
    noteKindDropped(report, RecordKind::Mark, db.marks, "a Series 5 device has no marks");
    noteKindDropped(report, RecordKind::Line, db.lines, "a Series 5 device has no lines");
    noteKindDropped(report, RecordKind::Zone, db.zones, "a Series 5 device has no zones");
    report->written = {};
    report->written.waypoints = static_cast<long long>(data.waypoints.size());
    for (const Series5Route& written : data.routes) {
        report->written.routePoints += static_cast<long long>(written.points.size());
    }
    for (const Series5Track& written : data.tracks) {
        report->written.trackPoints += static_cast<long long>(written.points.size());
    }
    report->written.routes = static_cast<long long>(data.routes.size());
    report->written.tracks = static_cast<long long>(data.tracks.size());
    report->wasWritten = true;
}

// The database into the set (hubToSeries5).
ResultCode mapIntoSet(const NavDatabase& db, Series5Data* data, ConversionReport* report) {
    ResultCode result = waypointsIntoSet(db, data, report);
    if (result == kOk) {
        result = routesIntoSet(db, data, report);
    }
    if (result == kOk) {
        result = tracksIntoSet(db, data, report);
    }
    if (result == kOk && report != nullptr) {
        noteWrittenSet(db, *data, report);
    }
    return result;
}

} // namespace

ResultCode series5ToHub(const Series5Data* data, NavDatabase* database, ConversionReport* report) {
    if (data == nullptr || database == nullptr) {
        return kBadArgument;
    }
    try {
        mapIntoDatabase(*data, database, report);
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
    return kOk;
}

ResultCode hubToSeries5(const NavDatabase* database, Series5Data* data, ConversionReport* report) {
    if (database == nullptr || data == nullptr) {
        return kBadArgument;
    }
    try {
        return mapIntoSet(*database, data, report);
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
}

} // namespace velmar
