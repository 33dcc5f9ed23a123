#include "formats/series6/Series6Mapping.h"

#include <new>
#include <string>
#include <utility>

#include "core/CappedTable.h"
#include "core/Text.h"

namespace velmar {

namespace {

constexpr RgbColour kPalette[Series6Palette::kSize] = {
    {0, 0, 0},   {255, 0, 0},   {0, 255, 0},     {255, 255, 0},
    {0, 0, 255}, {255, 0, 255}, {125, 125, 125}, {255, 255, 255},
};

constexpr RgbColour kRouteColour = {0, 255, 0};

std::uint32_t byteOrZero(std::int32_t value) {
    return value >= 0 && value <= 255 ? static_cast<std::uint32_t>(value) : 0U;
}

std::string fourDigits(int number) {
    std::string text;
    appendInt(text, number, 4);
    return text;
}

void waypointsToHub(const Series6Data& data, NavDatabase* database) {
    Waypoint waypoint;
    for (const Series6Waypoint& source : data.waypoints) {
        initWaypoint(&waypoint);
        copyText(waypoint.name, source.name, kWaypointNameWidth);
        waypoint.symbol = byteOrZero(source.symbol);
        waypoint.latitude = source.latitude;
        waypoint.longitude = source.longitude;
        if (unlessOutOfMemory(addWaypoint(database, &waypoint)) == kWaypointsFull) {
            break;
        }
    }
}

void routesToHub(const Series6Data& data, NavDatabase* database) {
    Route route;
    RoutePoint point;
    for (const Series6Route& source : data.routes) {
        initRoute(&route);
        route.colour = kRouteColour;
        for (const Series6RoutePoint& sourcePoint : source.points) {
            initRoutePoint(&point);
            copyText(point.name, sourcePoint.name, kRoutePointNameWidth);
            point.symbol = byteOrZero(sourcePoint.pointCode);
            point.latitude = sourcePoint.latitude;
            point.longitude = sourcePoint.longitude;
            if (unlessOutOfMemory(addRoutePoint(&route, &point)) == kRoutePointsFull) {
                break;
            }
        }
        const ResultCode added = unlessOutOfMemory(addRoute(database, std::move(route)));
        clearRoutePoints(&route);
        if (added == kRoutesFull) {
            break;
        }
    }
    renumberRecords(database, RenumberRoutes);
}

void tracksToHub(const Series6Data& data, NavDatabase* database) {
    Track track;
    TrackPoint point;
    for (const Series6Track& source : data.tracks) {
        initTrack(&track);
        // A track without points (never read from a file) stays black.
        track.colour =
            Series6Palette::colour(source.points.empty() ? 0 : source.points.front().trackCode);
        for (const Series6TrackPoint& sourcePoint : source.points) {
            initTrackPoint(&point);
            if (sourcePoint.trackCode == kSeries6EndOfRunCode) {
                point.pointFlag = 'S';
            }
            point.latitude = sourcePoint.latitude;
            point.longitude = sourcePoint.longitude;
            if (unlessOutOfMemory(addTrackPoint(&track, &point)) == kTrackPointsFull) {
                break;
            }
        }
        const ResultCode added = unlessOutOfMemory(addTrack(database, std::move(track)));
        clearTrackPoints(&track);
        if (added == kTracksFull) {
            break;
        }
    }
    renumberRecords(database, RenumberTracks);
}

void boundariesToHub(const Series6Data& data, NavDatabase* database) {
    Zone zone;
    GeoPoint point;
    for (const Series6Boundary& source : data.boundaries) {
        initZone(&zone);
        zone.colour = Series6Palette::colour(source.colourIndex);
        for (const Series6BoundaryPoint& sourcePoint : source.points) {
            initGeoPoint(&point);
            point.latitude = sourcePoint.latitude;
            point.longitude = sourcePoint.longitude;
            if (unlessOutOfMemory(addZonePoint(&zone, &point)) == kZonePointsFull) {
                break;
            }
        }
        const ResultCode added = unlessOutOfMemory(addZone(database, std::move(zone)));
        clearZonePoints(&zone);
        if (added == kZonesFull) {
            break;
        }
    }
    renumberRecords(database, RenumberZones);
}

void waypointsFromHub(const NavDatabase& database, Series6Data* data) {
    for (const Waypoint& source : database.waypoints) {
        Series6Waypoint waypoint; // symbol 82 whatever the hub symbol
        waypoint.latitude = source.latitude;
        waypoint.longitude = source.longitude;
        if (unlessOutOfMemory(addSeries6Waypoint(data, &waypoint)) == kWaypointsFull) {
            break;
        }
    }
    // The device names its waypoints by number; hub names and comments are not carried.
    int number = 1;
    for (Series6Waypoint& waypoint : data->waypoints) {
        waypoint.name = fourDigits(number++);
    }
}

void routesFromHub(const NavDatabase& database, Series6Data* data) {
    Series6Route route;
    for (const Route& source : database.routes) {
        route.points.clear();
        for (const RoutePoint& sourcePoint : source.points) {
            Series6RoutePoint point;
            point.latitude = sourcePoint.latitude;
            point.longitude = sourcePoint.longitude;
            if (unlessOutOfMemory(addSeries6RoutePoint(&route, &point)) == kRoutePointsFull) {
                break;
            }
        }
        const ResultCode added = unlessOutOfMemory(addSeries6Route(data, std::move(route)));
        route.points.clear();
        if (added == kRoutesFull) {
            break;
        }
    }
}

// All route points plus one free number after each route must stay at or below number 100.
// A route without points still takes its number and gap.
void applyRouteBudget(Series6Data* data) {
    int used = 0;
    for (std::size_t i = 0; i < data->routes.size(); ++i) {
        std::vector<Series6RoutePoint>& points = data->routes[i].points;
        const int count = static_cast<int>(points.size());
        if (used + count >= kSeries6RouteNumberBudget) {
            const int keep = kSeries6RouteNumberBudget - used;
            if (keep < 1) {
                data->routes.resize(i);
            } else {
                points.resize(static_cast<std::size_t>(keep));
                data->routes.resize(i + 1);
            }
            return;
        }
        used += count + 1;
    }
}

// Route points are numbered in order with one number left out after each route, which is what
// lets the reader split the routes again.
void numberRoutePoints(Series6Data* data) {
    int number = 1;
    for (Series6Route& route : data->routes) {
        for (Series6RoutePoint& point : route.points) {
            point.name = fourDigits(number++);
        }
        ++number;
    }
}

void tracksFromHub(const NavDatabase& database, Series6Data* data) {
    Series6Track track;
    for (const Track& source : database.tracks) {
        track.points.clear();
        for (const TrackPoint& sourcePoint : source.points) {
            Series6TrackPoint point;
            if (sourcePoint.pointFlag == 'S') {
                point.trackCode = kSeries6EndOfRunCode;
            }
            point.latitude = sourcePoint.latitude;
            point.longitude = sourcePoint.longitude;
            if (unlessOutOfMemory(addSeries6TrackPoint(&track, &point)) == kTrackPointsFull) {
                break;
            }
        }
        if (!track.points.empty()) {
            track.points.back().trackCode = kSeries6EndOfRunCode;
        }
        // A colour outside the palette maps to 0, so such a track is coded 0 throughout.
        const std::int32_t code = Series6Palette::index(source.colour);
        for (Series6TrackPoint& point : track.points) {
            if (point.trackCode != kSeries6EndOfRunCode) {
                point.trackCode = code;
            }
        }
        const ResultCode added = unlessOutOfMemory(addSeries6Track(data, std::move(track)));
        track.points.clear();
        if (added == kTracksFull) {
            break;
        }
    }
}

void zonesFromHub(const NavDatabase& database, Series6Data* data) {
    Series6Boundary boundary;
    for (const Zone& source : database.zones) {
        boundary.points.clear();
        boundary.colourIndex = kSeries6NewColourIndex;
        for (const GeoPoint& sourcePoint : source.points) {
            Series6BoundaryPoint point;
            point.latitude = sourcePoint.latitude;
            point.longitude = sourcePoint.longitude;
            if (unlessOutOfMemory(addSeries6BoundaryPoint(&boundary, &point)) == kZonePointsFull) {
                break;
            }
        }
        if (!boundary.points.empty()) {
            boundary.points.back().pointCode = kSeries6LastBoundaryPointCode;
        }
        boundary.colourIndex = Series6Palette::index(source.colour);
        const ResultCode added = unlessOutOfMemory(addSeries6Boundary(data, std::move(boundary)));
        boundary.points.clear();
        if (added == kZonesFull) {
            break;
        }
    }
}

// The points of all records together stay within the budget: the record that reaches it is
// cut (its kept last point keeps its code) and every later record is dropped.
template <typename Record> void applyPointBudget(std::vector<Record>& records, std::size_t budget) {
    std::size_t used = 0;
    for (std::size_t i = 0; i < records.size(); ++i) {
        auto& points = records[i].points;
        if (used + points.size() >= budget) {
            points.resize(budget - used);
            records.resize(i + 1);
            return;
        }
        used += points.size();
    }
}

} // namespace

RgbColour Series6Palette::colour(int index) {
    return index >= 0 && index < kSize ? kPalette[index] : RgbColour{};
}

int Series6Palette::index(const RgbColour& colour) {
    for (int i = 0; i < kSize; ++i) {
        if (kPalette[i] == colour) {
            return i;
        }
    }
    return 0;
}

ResultCode series6ToHub(const Series6Data* data, NavDatabase* database) {
    if (data == nullptr || database == nullptr) {
        return kBadArgument;
    }
    try {
        waypointsToHub(*data, database);
        routesToHub(*data, database);
        tracksToHub(*data, database);
        boundariesToHub(*data, database);
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
    return kOk;
}

ResultCode hubToSeries6(const NavDatabase* database, Series6Data* data) {
    if (database == nullptr || data == nullptr) {
        return kBadArgument;
    }
    try {
        waypointsFromHub(*database, data);
        routesFromHub(*database, data);
        applyRouteBudget(data);
        numberRoutePoints(data);
        tracksFromHub(*database, data);
        applyPointBudget(data->tracks, kSeries6TrackPointBudget);
        zonesFromHub(*database, data);
        applyPointBudget(data->boundaries, kSeries6BoundaryPointBudget);
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
    return kOk;
}

} // namespace velmar
