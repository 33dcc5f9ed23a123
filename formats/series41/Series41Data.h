#pragma once
// The record set of one Series 41 file: waypoints and routes as the devices keep them, with the
// devices' widths and table sizes. Adds store a copy (texts cut to their widths); full tables
// refuse further records with their code.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/CappedTable.h"
#include "core/ResultCode.h"

namespace velmar {

inline constexpr std::size_t kSeries41NameWidth = 6;
inline constexpr std::size_t kSeries41CommentWidth = 16;
inline constexpr std::size_t kSeries41RouteNameWidth = 16;

// The waypoint list of the devices has room for 1000 but holds at most 999.
inline constexpr Capacities kSeries41Capacities{.waypoints = 999, .routes = 50, .routePoints = 30};

inline constexpr std::int32_t kSeries41DefaultSymbol = 16; // the letter 'q'
inline constexpr std::int32_t kSeries41DefaultRouteNumber = 51;
inline constexpr char kSeries41SymbolBase = 'a'; // symbol n is written as the letter 'a' + n

struct Series41Waypoint {
    double latitude = 0.0;
    double longitude = 0.0;
    std::string name; // up to 6
    std::int32_t symbol = kSeries41DefaultSymbol;
    std::string comment; // up to 16
    char status = 'A';   // written, never read back
};

struct Series41RoutePoint {
    std::string name; // up to 6: the waypoint the point stands on
    char prefix = ' ';
    double latitude = 0.0;
    double longitude = 0.0;
    std::int32_t symbol = kSeries41DefaultSymbol;
};

struct Series41Route {
    std::int32_t number = kSeries41DefaultRouteNumber;
    std::string name;                       // up to 16
    std::vector<Series41RoutePoint> points; // at most 30
};

struct Series41Data {
    std::vector<Series41Waypoint> waypoints; // at most 999
    std::vector<Series41Route> routes;       // at most 50
};

// Sets every field to its default (the route loses its points). 5 for a missing route.
ResultCode initSeries41Route(Series41Route* route);

// 0, 3 when memory runs out, 10 when 999 waypoints are there, 5 for a missing argument.
ResultCode addSeries41Waypoint(Series41Data* set, const Series41Waypoint* waypoint);
// A deep copy of the route and its points: 0, 3, 11 when 50 routes are there, 5.
ResultCode addSeries41Route(Series41Data* set, const Series41Route* route);
// 0, 3, 12 when the route has 30 points, 5.
ResultCode addSeries41RoutePoint(Series41Route* route, const Series41RoutePoint* point);
ResultCode clearSeries41RoutePoints(Series41Route* route);

// The first route with the number; null when there is none.
Series41Route* findSeries41Route(Series41Data* set, std::int32_t number);

// Replaces the route's name with at most 16 characters of the text.
ResultCode setSeries41RouteName(Series41Route* route, std::string_view name);

// Frees every route's points, every route and every waypoint.
ResultCode clearSeries41Data(Series41Data* set);

} // namespace velmar
