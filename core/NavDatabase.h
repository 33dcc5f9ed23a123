#pragma once
// The navigation database: the hub of every conversion and merge. Six record tables and a
// data version; tables grow with their content up to their capacity, and appends to a full
// table are refused with the table's code.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/BulkAllocator.h"
#include "core/CappedTable.h"
#include "core/FieldCodecs.h"
#include "core/ResultCode.h"

namespace velmar {

// Text widths (longer input is cut).
inline constexpr std::size_t kWaypointNameWidth = 19;
inline constexpr std::size_t kCommentWidth = 34;
inline constexpr std::size_t kMarkNameWidth = 19;
inline constexpr std::size_t kRouteNameWidth = 8;
inline constexpr std::size_t kRoutePointNameWidth = 19;
inline constexpr std::size_t kTrackNameWidth = 11;
inline constexpr std::size_t kLineNameWidth = 34;
inline constexpr std::size_t kVersionWidth = 8;
inline constexpr std::size_t kVersionDateWidth = 10;

inline constexpr Capacities kNavCapacities{.waypoints = 10000,
                                           .marks = 1000,
                                           .routes = 1000,
                                           .routePoints = 1000,
                                           .tracks = 1000,
                                           .trackPoints = 100000,
                                           .lines = 1000,
                                           .linePoints = 1000,
                                           .zones = 1000,
                                           .zonePoints = 1000};

inline constexpr char kDefaultVersion[] = "1.0.1";
inline constexpr char kDefaultVersionDate[] = "2010.12.22";

struct Waypoint {
    std::string name;    // up to 19
    std::string comment; // up to 34
    std::uint32_t symbol = 0;
    RgbColour colour;
    double latitude = 0.0;
    double longitude = 0.0;
    RecordDate date;
    double altitude = 0.0;
};

struct Mark {
    std::string name; // up to 19
    std::uint32_t symbol = 0;
    RgbColour colour;
    double latitude = 0.0;
    double longitude = 0.0;
    RecordDate date;
    double altitude = 0.0;
};

// A waypoint is a mark with a comment: the one as the other, every shared field kept (a
// waypoint made of a mark has no comment).
inline Mark markOf(const Waypoint& waypoint) {
    return {waypoint.name,      waypoint.symbol, waypoint.colour,  waypoint.latitude,
            waypoint.longitude, waypoint.date,   waypoint.altitude};
}
inline Waypoint waypointOf(const Mark& mark) {
    return {mark.name,      {},        mark.symbol,  mark.colour, mark.latitude,
            mark.longitude, mark.date, mark.altitude};
}

struct RoutePoint {
    std::string name; // up to 19
    std::uint32_t symbol = 0;
    double latitude = 0.0;
    double longitude = 0.0;
};

struct Route {
    std::int32_t number = 0;
    std::string name;    // up to 8
    std::string comment; // up to 34
    RgbColour colour;
    RecordDate date;
    std::vector<RoutePoint> points; // at most 1,000
};

struct TrackPoint {
    std::int32_t pointFlag = 'N'; // 'N' followed by more points of its run, 'S' last of a run
    double latitude = 0.0;
    double longitude = 0.0;
};

struct Track {
    std::int32_t number = 0;
    std::string name; // up to 11
    RgbColour colour;
    RecordDate date;
    std::vector<TrackPoint, BulkAllocator<TrackPoint>> points; // at most 100,000
};

struct GeoPoint {
    double latitude = 0.0;
    double longitude = 0.0;
};

struct Line {
    std::int32_t number = 0;
    std::string name; // up to 34
    RgbColour colour;
    RecordDate date;
    std::vector<GeoPoint> points; // at most 1,000
};

inline constexpr std::int8_t kNewZoneKind = 2; // the byte value 2, not the digit

struct Zone {
    std::int32_t number = 0;
    RgbColour colour;
    RgbColour secondColour;
    std::int8_t zoneKind = kNewZoneKind;
    RecordDate date;
    std::vector<GeoPoint> points; // at most 1,000
};

struct DataVersion {
    std::string version = kDefaultVersion;  // up to 8
    std::string date = kDefaultVersionDate; // up to 10
};

struct NavDatabase {
    std::vector<Waypoint> waypoints;
    std::vector<Mark> marks;
    std::vector<Route> routes;
    std::vector<Track> tracks;
    std::vector<Line> lines;
    std::vector<Zone> zones;
    DataVersion version;
};

// Record operations. A missing argument gives 5; a full table its code; 3 when memory runs out.
// The init operations zero every field and stamp today's UTC date. The inits of records with
// points keep the points they hold (an init does not free them): clear a record's points first.
ResultCode initWaypoint(Waypoint* record);
ResultCode initMark(Mark* record);
ResultCode initRoute(Route* record);
ResultCode initTrack(Track* record);
ResultCode initLine(Line* record);
ResultCode initZone(Zone* record);
ResultCode initRoutePoint(RoutePoint* point);
ResultCode initTrackPoint(TrackPoint* point);
ResultCode initGeoPoint(GeoPoint* point);

ResultCode addWaypoint(NavDatabase* database, const Waypoint* record);
ResultCode addMark(NavDatabase* database, const Mark* record);
ResultCode addRoute(NavDatabase* database, const Route* record);
ResultCode addTrack(NavDatabase* database, const Track* record);
ResultCode addLine(NavDatabase* database, const Line* record);
ResultCode addZone(NavDatabase* database, const Zone* record);

// Readers hand over their working record instead of copying it (it is left without points, as
// after clearing them). Same capacities and codes as the copying adds.
ResultCode addRoute(NavDatabase* database, Route&& record);
ResultCode addTrack(NavDatabase* database, Track&& record);
ResultCode addLine(NavDatabase* database, Line&& record);
ResultCode addZone(NavDatabase* database, Zone&& record);

// A reader's working track: room for a few thousand points, and once it outgrows them room for
// a full track at once (in huge pages where the system has them), so its points move at most
// once while it grows; before the track is added, room that stayed mostly empty is given back.
void reserveTrackPoints(Track* track);
void fitTrackPoints(Track* track);

ResultCode addRoutePoint(Route* route, const RoutePoint* point);
ResultCode addTrackPoint(Track* track, const TrackPoint* point);
ResultCode addLinePoint(Line* line, const GeoPoint* point);
ResultCode addZonePoint(Zone* zone, const GeoPoint* point);

ResultCode clearRoutePoints(Route* route);
ResultCode clearTrackPoints(Track* track);
ResultCode clearLinePoints(Line* line);
ResultCode clearZonePoints(Zone* zone);

// Empties every table and sets the default data version.
ResultCode initNavDatabase(NavDatabase* database);
// Frees every record; the data version stays.
ResultCode clearNavDatabase(NavDatabase* database);

enum RenumberSelector : int {
    RenumberRoutes = 0,
    RenumberTracks = 1,
    RenumberZones = 2,
    RenumberLines = 3
};
// Sets each record's number to its 1-based position in its table; 5 for another selector.
ResultCode renumberRecords(NavDatabase* database, int selector);

// Gives every route point a waypoint at its position with its name and symbol (as far as the
// waypoint table has room). Only the first waypoint found at a position is compared.
ResultCode addRoutePointsAsWaypoints(NavDatabase* database);

} // namespace velmar
