#include "formats/series41/Series41Data.h"

#include <algorithm>
#include <new>

#include "core/CappedTable.h"
#include "core/Text.h"

namespace velmar {

ResultCode initSeries41Route(Series41Route* route) {
    return resetRecord(route);
}

ResultCode addSeries41Waypoint(Series41Data* set, const Series41Waypoint* waypoint) {
    if (set == nullptr || waypoint == nullptr) {
        return kBadArgument;
    }
    if (set->waypoints.size() >= kSeries41Capacities.waypoints) {
        return kWaypointsFull;
    }
    try {
        Series41Waypoint copy = *waypoint;
        copyText(copy.name, waypoint->name, kSeries41NameWidth);
        copyText(copy.comment, waypoint->comment, kSeries41CommentWidth);
        return appendCapped(set->waypoints, std::move(copy), kSeries41Capacities.waypoints,
                            kWaypointsFull);
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
}

ResultCode addSeries41Route(Series41Data* set, const Series41Route* route) {
    if (set == nullptr || route == nullptr) {
        return kBadArgument;
    }
    if (set->routes.size() >= kSeries41Capacities.routes) {
        return kRoutesFull;
    }
    try {
        // The copy is built whole before it is stored, so a failure midway stores nothing.
        Series41Route copy;
        copy.number = route->number;
        copyText(copy.name, route->name, kSeries41RouteNameWidth);
        const std::size_t count = std::min(route->points.size(), kSeries41Capacities.routePoints);
        copy.points.reserve(count);
        for (std::size_t i = 0; i < count; ++i) {
            Series41RoutePoint point = route->points[i];
            copyText(point.name, route->points[i].name, kSeries41NameWidth);
            copy.points.push_back(std::move(point));
        }
        return appendCapped(set->routes, std::move(copy), kSeries41Capacities.routes, kRoutesFull);
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
}

ResultCode addSeries41RoutePoint(Series41Route* route, const Series41RoutePoint* point) {
    if (route == nullptr || point == nullptr) {
        return kBadArgument;
    }
    if (route->points.size() >= kSeries41Capacities.routePoints) {
        return kRoutePointsFull;
    }
    try {
        Series41RoutePoint copy = *point;
        copyText(copy.name, point->name, kSeries41NameWidth);
        return appendCapped(route->points, std::move(copy), kSeries41Capacities.routePoints,
                            kRoutePointsFull);
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
}

ResultCode clearSeries41RoutePoints(Series41Route* route) {
    return clearPoints(route);
}

Series41Route* findSeries41Route(Series41Data* set, std::int32_t number) {
    if (set == nullptr) {
        return nullptr;
    }
    for (Series41Route& route : set->routes) {
        if (route.number == number) {
            return &route;
        }
    }
    return nullptr;
}

ResultCode setSeries41RouteName(Series41Route* route, std::string_view name) {
    if (route == nullptr) {
        return kBadArgument;
    }
    try {
        copyText(route->name, name, kSeries41RouteNameWidth);
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
    return kOk;
}

ResultCode clearSeries41Data(Series41Data* set) {
    return resetRecord(set);
}

} // namespace velmar
