#pragma once
// The record set of a Series 6 device: waypoints, routes, tracks and boundaries, each table
// capped at the device's capacity. Appends to a full table are refused with the table's code.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/CappedTable.h"
#include "core/ResultCode.h"

namespace velmar {

inline constexpr std::size_t kSeries6NameWidth = 4;

// Zones are the device's boundaries.
inline constexpr Capacities kSeries6Capacities{.waypoints = 4000,
                                               .routes = 100,
                                               .routePoints = 100,
                                               .tracks = 8000,
                                               .trackPoints = 8000,
                                               .zones = 200,
                                               .zonePoints = 200};

inline constexpr std::int32_t kSeries6NewSymbol = 82;
inline constexpr std::int32_t kSeries6RoutePointCode = 0xC0;
inline constexpr std::int32_t kSeries6NewTrackCode = 1;
inline constexpr std::int32_t kSeries6EndOfRunCode = 0;
inline constexpr std::int32_t kSeries6BoundaryPointCode = 0x80;
inline constexpr std::int32_t kSeries6LastBoundaryPointCode = 0xC0;
inline constexpr std::int32_t kSeries6NewColourIndex = 1;

struct Series6Waypoint {
    std::string name; // up to 4
    std::int32_t symbol = kSeries6NewSymbol;
    double latitude = 0.0;
    double longitude = 0.0;
};

struct Series6RoutePoint {
    std::string name; // up to 4: the point's number in four decimal digits
    std::int32_t pointCode = kSeries6RoutePointCode;
    double latitude = 0.0;
    double longitude = 0.0;
};

struct Series6Route {
    std::vector<Series6RoutePoint> points; // at most 100
};

struct Series6TrackPoint {
    // The palette index of the track's colour, or 0 on the point that ends a run.
    std::int32_t trackCode = kSeries6NewTrackCode;
    double latitude = 0.0;
    double longitude = 0.0;
};

struct Series6Track {
    std::vector<Series6TrackPoint> points; // at most 8,000
};

struct Series6BoundaryPoint {
    // 0x80, or 0xC0 on the last point of a boundary.
    std::int32_t pointCode = kSeries6BoundaryPointCode;
    double latitude = 0.0;
    double longitude = 0.0;
};

struct Series6Boundary {
    std::int32_t colourIndex = kSeries6NewColourIndex; // palette index
    std::vector<Series6BoundaryPoint> points;          // at most 200
};

struct Series6Data {
    std::vector<Series6Waypoint> waypoints;  // at most 4,000
    std::vector<Series6Route> routes;        // at most 100
    std::vector<Series6Track> tracks;        // at most 8,000
    std::vector<Series6Boundary> boundaries; // at most 200
};

// The kind selector of the writers, in file-set order.
enum Series6Kind : int {
    Series6Waypoints = 0,
    Series6Routes = 1,
    Series6Tracks = 2,
    Series6Boundaries = 3,
};

// Empties the four tables (fresh storage).
ResultCode initSeries6Data(Series6Data* data);
// Frees every record and its points; every count becomes 0.
ResultCode clearSeries6Data(Series6Data* data);

// 5 for a missing argument, the table's code when full (10, 11, 15, 17; 12, 16, 18 for the
// points of one record), 3 when memory runs out; the table is then unchanged. Waypoints and
// points are copied; a route, track or boundary is handed over (it is left without points, as
// after clearing them).
ResultCode addSeries6Waypoint(Series6Data* data, const Series6Waypoint* waypoint);
ResultCode addSeries6Route(Series6Data* data, Series6Route&& route);
ResultCode addSeries6Track(Series6Data* data, Series6Track&& track);
ResultCode addSeries6Boundary(Series6Data* data, Series6Boundary&& boundary);
ResultCode addSeries6RoutePoint(Series6Route* route, const Series6RoutePoint* point);
ResultCode addSeries6TrackPoint(Series6Track* track, const Series6TrackPoint* point);
ResultCode addSeries6BoundaryPoint(Series6Boundary* boundary, const Series6BoundaryPoint* point);

} // namespace velmar
