#pragma once
// The CMAP family's own record set: waypoints, routes of route waypoints, and tracks of points,
// as the XML documents of chart software carry them. Tables grow with their content up to their
// capacity; appends to a full table are refused with the table's code (the family's own codes).

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/Calendar.h"
#include "core/CappedTable.h"
#include "core/ResultCode.h"

namespace velmar {

inline constexpr std::size_t kCmapNameWidth = 40;
inline constexpr std::size_t kCmapDescriptionWidth = 40;
// A route's points are its route waypoints.
inline constexpr Capacities kCmapCapacities{
    .waypoints = 10000, .routes = 1000, .routePoints = 1000, .tracks = 1000, .trackPoints = 100000};

// The family's codes for a full table (12, 13 and 14 differ from the navigation database's).
inline constexpr ResultCode kCmapWaypointsFull = 10;
inline constexpr ResultCode kCmapRoutesFull = 11;
inline constexpr ResultCode kCmapRouteWaypointsFull = 12;
inline constexpr ResultCode kCmapTracksFull = 13;
inline constexpr ResultCode kCmapTrackPointsFull = 14;

inline constexpr std::int32_t kNewCmapWaypointType = 2;
inline constexpr std::int32_t kNewCmapRouteWaypointType = 1;
inline constexpr std::int32_t kNewCmapBackColor = 15;

// A UTC calendar time; month 1..12, year in four digits.
using CmapDateTime = CivilTime;

struct CmapWaypoint {
    std::string name;        // up to 40
    std::string description; // up to 40
    std::int32_t icon = 0;
    std::int32_t iconColor = 0;
    double latitude = 0.0;
    double longitude = 0.0;
    std::int32_t type = kNewCmapWaypointType;
    double speed = 0.0;
    double altitude = 0.0;
    CmapDateTime dateTime;
};

// A waypoint of a route: a waypoint (of type 1 once initialised) with its leg's bearing and
// distances.
struct CmapRouteWaypoint : CmapWaypoint {
    double bearing = 0.0;
    double distance = 0.0;
    double incrementalDistance = 0.0;
};

struct CmapRoute {
    std::string name;                         // up to 40
    std::string description;                  // up to 40
    std::int32_t colour = 0;                  // always 0: the documents know only "BLACK"
    std::vector<CmapRouteWaypoint> waypoints; // at most 1,000
};

struct CmapTrackPoint {
    double latitude = 0.0;
    double longitude = 0.0;
    std::int32_t foreColor = 0;
    std::int32_t backColor = kNewCmapBackColor;
    std::int32_t pattern = 0;
    double altitude = 0.0;
    double tripDist = 0.0;
    double sog = 0.0;
    CmapDateTime dateTime;
    double cog = 0.0;
    double waterTemp = 0.0;
};

struct CmapTrack {
    std::vector<CmapTrackPoint> points; // at most 100,000
};

struct CmapDatabase {
    std::vector<CmapWaypoint> waypoints; // at most 10,000
    std::vector<CmapRoute> routes;       // at most 1,000
    std::vector<CmapTrack> tracks;       // at most 1,000
};

// The current UTC time from the program's clock, read once.
CmapDateTime currentCmapDateTime();

// New records: waypoints of type 2, route waypoints of type 1, track points with back colour
// 15, each stamped with the current UTC time; routes and tracks all zero. The inits of routes
// and tracks free nothing: a record that holds points is cleared first.
ResultCode initCmapWaypoint(CmapWaypoint* record);
ResultCode initCmapRouteWaypoint(CmapRouteWaypoint* record);
ResultCode initCmapRoute(CmapRoute* record);
ResultCode initCmapTrackPoint(CmapTrackPoint* record);
ResultCode initCmapTrack(CmapTrack* record);

// Appends a copy; 5 for a missing argument, the table's code when full, 3 when memory runs out.
ResultCode addCmapWaypoint(CmapDatabase* database, const CmapWaypoint* record);
ResultCode addCmapRoute(CmapDatabase* database, const CmapRoute* record);
ResultCode addCmapTrack(CmapDatabase* database, const CmapTrack* record);
// Readers hand over their working record (it is left without points).
ResultCode addCmapRoute(CmapDatabase* database, CmapRoute&& record);
ResultCode addCmapTrack(CmapDatabase* database, CmapTrack&& record);

ResultCode addCmapRouteWaypoint(CmapRoute* route, const CmapRouteWaypoint* point);
ResultCode addCmapTrackPoint(CmapTrack* track, const CmapTrackPoint* point);
ResultCode clearCmapRouteWaypoints(CmapRoute* route);
ResultCode clearCmapTrackPoints(CmapTrack* track);

// Empties every table (fresh storage); clearing frees every record and its points.
ResultCode initCmapDatabase(CmapDatabase* database);
ResultCode clearCmapDatabase(CmapDatabase* database);

} // namespace velmar
