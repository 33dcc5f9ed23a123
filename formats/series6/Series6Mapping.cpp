#include "formats/series6/Series6Mapping.h"

#include <algorithm>
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

void tracksToHub(const Series6Data& data, NavDatabase* database, ConversionReport* report) {
    Track track;
    TrackPoint point;
    for (std::size_t i = 0; i < data.tracks.size(); ++i) {
        const Series6Track& source = data.tracks[i];
        if (database->tracks.size() >= kNavCapacities.tracks) {
            static const std::string kNoName;
            RecordNotes(report, RecordKind::Track, i, kNoName)
                .dropped("the navigation database holds 1,000 tracks");
            continue;
        }
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
        unlessOutOfMemory(addTrack(database, std::move(track)));
        clearTrackPoints(&track);
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

void waypointsFromHub(const NavDatabase& database, Series6Data* data, ConversionReport* report) {
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
    for (std::size_t i = 0; report != nullptr && i < database.waypoints.size(); ++i) {
        const Waypoint& source = database.waypoints[i];
        const RecordNotes notes(report, RecordKind::Waypoint, i, source.name);
        if (i >= data->waypoints.size()) {
            notes.dropped("a Series 6 device holds 4,000 waypoints");
            continue;
        }
        notes.position(source.latitude, source.longitude);
        notes.renamed(source.name, data->waypoints[i].name,
                      "a Series 6 device names its waypoints by number");
        notes.symbol(source.symbol, kSeries6NewSymbol,
                     "a Series 6 device shows every waypoint "
                     "with the same symbol");
        notes.textNotCarried("comment", source.comment, "a Series 6 waypoint has no comment");
        notes.colourNotCarried(source.colour, "a Series 6 waypoint has no colour");
        notes.dateNotCarried(source.date, "a Series 6 waypoint has no date");
        notes.altitudeNotCarried(source.altitude, "a Series 6 waypoint has no altitude");
    }
}

// What the route, track and boundary tables kept of the database's records, in the same order.
void noteRoutes(const NavDatabase& database, const Series6Data& data, ConversionReport* report) {
    for (std::size_t i = 0; i < database.routes.size(); ++i) {
        const Route& source = database.routes[i];
        const RecordNotes notes(report, RecordKind::Route, i, source.name);
        if (i >= data.routes.size()) {
            notes.dropped(i >= kSeries6Capacities.routes
                              ? "a Series 6 device holds 100 routes"
                              : "the points of all routes together, with one "
                                "number free after each route, may not pass "
                                "number 100 on a Series 6 device");
            continue;
        }
        const Series6Route& route = data.routes[i];
        if (route.points.empty()) {
            notes.dropped(source.points.empty() ? "a Series 6 device keeps no route without points"
                                                : "the points of all routes together may not "
                                                  "pass number 100 on a Series 6 device");
            continue;
        }
        const std::size_t limited = std::min(source.points.size(), kSeries6Capacities.routePoints);
        notes.pointsDropped(source.points.size(), limited, "a Series 6 route holds 100 points");
        notes.pointsDropped(limited, route.points.size(),
                            "the points of all routes together, with one number free after each "
                            "route, may not pass number 100 on a Series 6 device");
        notes.textNotCarried("name", source.name, "a Series 6 route has no name");
        notes.textNotCarried("comment", source.comment, "a Series 6 route has no comment");
        notes.colour(source.colour, kRouteColour, "a Series 6 route is always shown green");
        notes.dateNotCarried(source.date, "a Series 6 route has no date");
        for (std::size_t p = 0; p < route.points.size(); ++p) {
            const RoutePoint& point = source.points[p];
            const RecordNotes pointNotes = notes.atPoint(p, point.name);
            pointNotes.position(point.latitude, point.longitude);
            pointNotes.renamed(point.name, route.points[p].name,
                               "a Series 6 device names its route points by number");
            pointNotes.symbol(point.symbol, static_cast<std::uint32_t>(kSeries6RoutePointCode),
                              "a Series 6 device shows every route point alike");
        }
    }
}

void noteTracks(const NavDatabase& database, const Series6Data& data, ConversionReport* report) {
    bool blackRunOpen = false; // the last track written is black: the next black one joins it
    for (std::size_t i = 0; i < database.tracks.size(); ++i) {
        const Track& source = database.tracks[i];
        const RecordNotes notes(report, RecordKind::Track, i, source.name);
        if (i >= data.tracks.size() || data.tracks[i].points.empty()) {
            notes.dropped(source.points.empty()
                              ? "a Series 6 device keeps no track without points"
                              : "the points of all tracks together may not pass 8,000 on a "
                                "Series 6 device");
            continue;
        }
        const Series6Track& track = data.tracks[i];
        const std::size_t limited = std::min(source.points.size(), kSeries6Capacities.trackPoints);
        notes.pointsDropped(source.points.size(), limited, "a Series 6 track holds 8,000 points");
        notes.pointsDropped(limited, track.points.size(),
                            "the points of all tracks together may not pass 8,000 on a Series 6 "
                            "device");
        notes.textNotCarried("name", source.name, "a Series 6 track has no name");
        notes.dateNotCarried(source.date, "a Series 6 track has no date");
        for (std::size_t p = 0; p < track.points.size(); ++p) {
            notes.atPoint(p, source.name)
                .position(source.points[p].latitude, source.points[p].longitude);
        }
        const int code = Series6Palette::index(source.colour);
        notes.colour(source.colour, Series6Palette::colour(code),
                     "a Series 6 device shows tracks in its eight colours only; another colour "
                     "becomes black");
        // The flags as the device gives them back: a run ends at every code 0.
        bool flagsKept = true;
        for (std::size_t p = 0; p < track.points.size(); ++p) {
            const bool ends = code == kSeries6EndOfRunCode || p + 1 == track.points.size() ||
                              track.points[p].trackCode == kSeries6EndOfRunCode;
            flagsKept = flagsKept && ends == (source.points[p].pointFlag == 'S');
        }
        if (!flagsKept) {
            notes.note(FindingKind::FieldNotCarried, "pointFlag", "the track's runs", {},
                       code == kSeries6EndOfRunCode
                           ? "a black track on a Series 6 device ends a run at every point"
                           : "a Series 6 track ends with the end of a run");
        }
        if (code == kSeries6EndOfRunCode) {
            if (blackRunOpen) {
                notes.note(FindingKind::RecordJoined, "", {}, {},
                           "a Series 6 device tells black tracks apart by colour only, so this "
                           "track joins the black track before it");
            }
            blackRunOpen = true;
            continue;
        }
        blackRunOpen = false;
        const auto runs = std::count_if(
            track.points.begin(), track.points.end(),
            [](const Series6TrackPoint& point) { return point.trackCode == kSeries6EndOfRunCode; });
        if (runs > 1) {
            notes.note(FindingKind::RecordSplit, "", "1", numberText(static_cast<double>(runs)),
                       "a Series 6 track is one run: the track is split where its runs end");
        }
    }
}

void noteZones(const NavDatabase& database, const Series6Data& data, ConversionReport* report) {
    static const std::string kNoName;
    for (std::size_t i = 0; i < database.zones.size(); ++i) {
        const Zone& source = database.zones[i];
        const RecordNotes notes(report, RecordKind::Zone, i, kNoName);
        if (i >= data.boundaries.size() || data.boundaries[i].points.empty()) {
            notes.dropped(source.points.empty()
                              ? "a Series 6 device keeps no boundary without points"
                          : i >= kSeries6Capacities.zones
                              ? "a Series 6 device holds 200 boundaries"
                              : "the points of all boundaries together may not pass 200 on a "
                                "Series 6 device");
            continue;
        }
        const Series6Boundary& boundary = data.boundaries[i];
        const std::size_t limited = std::min(source.points.size(), kSeries6Capacities.zonePoints);
        notes.pointsDropped(source.points.size(), limited, "a Series 6 boundary holds 200 points");
        notes.pointsDropped(limited, boundary.points.size(),
                            "the points of all boundaries together may not pass 200 on a Series "
                            "6 device");
        notes.colour(source.colour, Series6Palette::colour(boundary.colourIndex),
                     "a Series 6 device shows boundaries in its eight colours only; another "
                     "colour becomes black");
        if (source.secondColour != RgbColour{}) {
            notes.note(FindingKind::FieldNotCarried, "secondColour",
                       colourText(source.secondColour), {}, "a Series 6 boundary has one colour");
        }
        if (source.zoneKind != kNewZoneKind) {
            notes.note(FindingKind::FieldNotCarried, "zoneKind", numberText(source.zoneKind), {},
                       "a Series 6 boundary has no kind");
        }
        notes.dateNotCarried(source.date, "a Series 6 boundary has no date");
        for (std::size_t p = 0; p < boundary.points.size(); ++p) {
            notes.atPoint(p, kNoName)
                .position(source.points[p].latitude, source.points[p].longitude);
        }
    }
}

void noteWritten(const NavDatabase& database, const Series6Data& data, ConversionReport* report) {
    noteRoutes(database, data, report);
    noteTracks(database, data, report);
    noteZones(database, data, report);
    noteKindDropped(report, RecordKind::Mark, database.marks, "a Series 6 device has no marks");
    noteKindDropped(report, RecordKind::Line, database.lines, "a Series 6 device has no lines");
    RecordCounts& written = report->written;
    written = {};
    written.waypoints = static_cast<long long>(data.waypoints.size());
    for (const Series6Route& route : data.routes) {
        written.routes += route.points.empty() ? 0 : 1;
        written.routePoints += static_cast<long long>(route.points.size());
    }
    for (const Series6Track& track : data.tracks) {
        written.tracks += track.points.empty() ? 0 : 1;
        written.trackPoints += static_cast<long long>(track.points.size());
    }
    for (const Series6Boundary& boundary : data.boundaries) {
        written.zones += boundary.points.empty() ? 0 : 1;
    }
    report->wasWritten = true;
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

ResultCode series6ToHub(const Series6Data* data, NavDatabase* database, ConversionReport* report) {
    if (data == nullptr || database == nullptr) {
        return kBadArgument;
    }
    try {
        waypointsToHub(*data, database);
        routesToHub(*data, database);
        tracksToHub(*data, database, report);
        boundariesToHub(*data, database);
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
    return kOk;
}

ResultCode hubToSeries6(const NavDatabase* database, Series6Data* data, ConversionReport* report) {
    if (database == nullptr || data == nullptr) {
        return kBadArgument;
    }
    try {
        waypointsFromHub(*database, data, report);
        routesFromHub(*database, data);
        applyRouteBudget(data);
        numberRoutePoints(data);
        tracksFromHub(*database, data);
        applyPointBudget(data->tracks, kSeries6TrackPointBudget);
        zonesFromHub(*database, data);
        applyPointBudget(data->boundaries, kSeries6BoundaryPointBudget);
        if (report != nullptr) {
            noteWritten(*database, *data, report);
        }
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
    return kOk;
}

} // namespace velmar
