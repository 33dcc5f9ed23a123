#pragma once
// The record set of a Series 5 database: waypoints (kept as Mark records, they carry no
// comment), routes, tracks and a data version, with the device's own capacities. The routes
// and tracks are the hub's records; the Series 5 adds enforce the smaller point budgets.

#include <cstddef>
#include <vector>

#include "core/NavDatabase.h"

namespace velmar {

inline constexpr Capacities kSeries5Capacities{
    .waypoints = 18000, .routes = 50, .routePoints = 300, .tracks = 40, .trackPoints = 2100};

// Initialised with initRoute / initTrack: every field zero, the date today.
using Series5Route = Route;
using Series5Track = Track;

struct Series5Data {
    std::vector<Mark> waypoints;      // at most 18,000
    std::vector<Series5Route> routes; // at most 50
    std::vector<Series5Track> tracks; // at most 40
    DataVersion version;
};

// The kinds of a set, one file each: the writer's selector.
enum Series5Kind : int { Series5Waypoints = 0, Series5Routes = 1, Series5Tracks = 2 };

// The selector of numberSeries5Records.
enum Series5NumberSelector : int { NumberSeries5Routes = 0, NumberSeries5Tracks = 1 };

// Empties the tables and sets the default data version "1.0.1", "2010.12.22".
ResultCode initSeries5Data(Series5Data* data);
// Frees every record and its points; the data version stays.
ResultCode clearSeries5Data(Series5Data* data);

// 0, 3 when memory runs out, or the full table's code (waypoints 10, routes 11, tracks 15,
// points of a route 12, points of a track 16); 5 for a missing argument. Waypoints and points
// are copied; a route or track is handed over (it is left without points).
ResultCode addSeries5Waypoint(Series5Data* data, const Mark* waypoint);
ResultCode addSeries5Route(Series5Data* data, Series5Route&& route);
ResultCode addSeries5Track(Series5Data* data, Series5Track&& track);
ResultCode addSeries5RoutePoint(Series5Route* route, const RoutePoint* point);
ResultCode addSeries5TrackPoint(Series5Track* track, const TrackPoint* point);

// Sets each route's (0) or track's (1) number to its position in its table counted from 0.
// Another selector gives 5.
ResultCode numberSeries5Records(Series5Data* data, int selector);

} // namespace velmar
