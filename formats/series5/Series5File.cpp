#include "formats/series5/Series5File.h"

#include <algorithm>
#include <new>
#include <string>
#include <vector>

#include "core/CappedTable.h"
#include "core/TextFile.h"
#include "formats/series5/Series5Data.h"
#include "formats/series5/Series5Format.h"

namespace velmar {

namespace {

constexpr std::uint32_t kMaxHubSymbol = 255;

std::uint32_t hubSymbol(std::uint32_t symbol) {
    return symbol <= kMaxHubSymbol ? symbol : 0;
}

// The set into the database: waypoints, routes and tracks keep their fields; symbols above 255
// become 0; the records are numbered from 1; the set's data version stays out. Running out of
// memory throws std::bad_alloc.
void mapIntoDatabase(Series5Data& data, NavDatabase* db) {
    for (const Mark& mark : data.waypoints) {
        Waypoint waypoint;
        initWaypoint(&waypoint);
        waypoint.name = mark.name;
        waypoint.symbol = hubSymbol(mark.symbol);
        waypoint.colour = mark.colour;
        waypoint.latitude = mark.latitude;
        waypoint.longitude = mark.longitude;
        waypoint.date = mark.date;
        waypoint.altitude = mark.altitude;
        if (unlessOutOfMemory(addWaypoint(db, &waypoint)) == kWaypointsFull) {
            break;
        }
    }

    Route route;
    for (const Series5Route& source : data.routes) {
        clearRoutePoints(&route);
        initRoute(&route);
        route.name = source.name;
        route.comment = source.comment;
        route.colour = source.colour;
        route.date = source.date;
        for (const RoutePoint& from : source.points) {
            RoutePoint point;
            initRoutePoint(&point);
            point.name = from.name;
            point.latitude = from.latitude;
            point.longitude = from.longitude;
            point.symbol = hubSymbol(from.symbol);
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
        clearTrackPoints(&track);
        initTrack(&track);
        track.name = source.name;
        track.colour = source.colour;
        track.date = source.date;
        for (const TrackPoint& from : source.points) {
            TrackPoint point;
            initTrackPoint(&point);
            point.pointFlag = from.pointFlag;
            point.latitude = from.latitude;
            point.longitude = from.longitude;
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

// The database into the set: names cut to the device's widths, every symbol 0, no waypoint
// comments, routes kept with their first 300 points and tracks with their first 2,100, the
// records numbered from 0. Marks, lines and zones stay out; the version is the default one.
ResultCode mapIntoSet(const NavDatabase& db, Series5Data* data) {
    for (const Waypoint& waypoint : db.waypoints) {
        Mark mark;
        initMark(&mark);
        mark.name = waypoint.name.substr(0, std::min(waypoint.name.size(), kMarkNameWidth));
        mark.symbol = 0;
        mark.colour = waypoint.colour;
        mark.latitude = waypoint.latitude;
        mark.longitude = waypoint.longitude;
        mark.date = waypoint.date;
        mark.altitude = waypoint.altitude;
        const ResultCode added = addSeries5Waypoint(data, &mark);
        if (added == kWaypointsFull) {
            break;
        }
        if (added != kOk) {
            return added;
        }
    }

    Series5Route route;
    for (const Route& source : db.routes) {
        clearRoutePoints(&route);
        initRoute(&route);
        route.name = source.name;
        route.comment = source.comment;
        route.colour = source.colour;
        route.date = source.date;
        for (const RoutePoint& from : source.points) {
            RoutePoint point;
            initRoutePoint(&point);
            point.name = from.name;
            point.latitude = from.latitude;
            point.longitude = from.longitude;
            point.symbol = 0;
            const ResultCode appended = addSeries5RoutePoint(&route, &point);
            if (appended == kRoutePointsFull) {
                break; // the route is kept with its first 300 points
            }
            if (appended != kOk) {
                return appended;
            }
        }
        const ResultCode added = addSeries5Route(data, std::move(route));
        clearRoutePoints(&route);
        if (added == kRoutesFull) {
            break;
        }
        if (added != kOk) {
            return added;
        }
    }
    numberSeries5Records(data, NumberSeries5Routes);

    Series5Track track;
    for (const Track& source : db.tracks) {
        clearTrackPoints(&track);
        initTrack(&track);
        track.name = source.name;
        track.colour = source.colour;
        track.date = source.date;
        for (const TrackPoint& from : source.points) {
            TrackPoint point;
            initTrackPoint(&point);
            point.pointFlag = from.pointFlag;
            point.latitude = from.latitude;
            point.longitude = from.longitude;
            const ResultCode appended = addSeries5TrackPoint(&track, &point);
            if (appended == kTrackPointsFull) {
                break; // the track is kept with its first 2,100 points, flags as they were
            }
            if (appended != kOk) {
                return appended;
            }
        }
        const ResultCode added = addSeries5Track(data, std::move(track));
        clearTrackPoints(&track);
        if (added == kTracksFull) {
            break;
        }
        if (added != kOk) {
            return added;
        }
    }
    numberSeries5Records(data, NumberSeries5Tracks);
    return kOk;
}

} // namespace

ResultCode readSeries5File(const char* path, NavDatabase* database) {
    if (path == nullptr || database == nullptr) {
        return kBadArgument;
    }
    FilePtr file = openForReading(path);
    if (!file) {
        return kCannotOpen;
    }
    try {
        Series5Data data;
        initSeries5Data(&data);
        const ResultCode read = readSeries5Records(file.get(), &data);
        file.reset();
        if (read != kOk) {
            return read;
        }
        mapIntoDatabase(data, database);
        clearSeries5Data(&data);
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
    return kOk;
}

ResultCode writeSeries5Files(NavDatabase* database, const char* basePath) {
    if (database == nullptr || basePath == nullptr) {
        return kBadArgument;
    }
    try {
        Series5Data data;
        initSeries5Data(&data);
        const ResultCode mapped = mapIntoSet(*database, &data);
        if (mapped != kOk) {
            clearSeries5Data(&data);
            return mapped;
        }
        const auto kind = [&data](int selector) {
            return [&data, selector](OutputFile& file) {
                return writeSeries5Records(&file, &data, selector);
            };
        };
        const std::vector<FileSetPart> parts = {
            {".wpt", !data.waypoints.empty(), kind(Series5Waypoints)},
            {".rut", !data.routes.empty(), kind(Series5Routes)},
            {".trk", !data.tracks.empty(), kind(Series5Tracks)},
        };
        // Every kind with records is tried; the first failure of the set is the result.
        const ResultCode written = writeFileSet(basePath, parts);
        clearSeries5Data(&data);
        return written;
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
}

} // namespace velmar
