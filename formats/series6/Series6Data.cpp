#include "formats/series6/Series6Data.h"

#include <utility>

#include "core/CappedTable.h"

namespace velmar {

ResultCode initSeries6Data(Series6Data* data) {
    return resetRecord(data);
}

ResultCode clearSeries6Data(Series6Data* data) {
    return resetRecord(data);
}

ResultCode addSeries6Waypoint(Series6Data* data, const Series6Waypoint* waypoint) {
    return appendTo(data, &Series6Data::waypoints, waypoint, kSeries6Capacities.waypoints,
                    kWaypointsFull);
}
ResultCode addSeries6Route(Series6Data* data, Series6Route&& route) {
    return moveTo(data, &Series6Data::routes, std::move(route), kSeries6Capacities.routes,
                  kRoutesFull);
}
ResultCode addSeries6Track(Series6Data* data, Series6Track&& track) {
    return moveTo(data, &Series6Data::tracks, std::move(track), kSeries6Capacities.tracks,
                  kTracksFull);
}
ResultCode addSeries6Boundary(Series6Data* data, Series6Boundary&& boundary) {
    return moveTo(data, &Series6Data::boundaries, std::move(boundary), kSeries6Capacities.zones,
                  kZonesFull);
}

ResultCode addSeries6RoutePoint(Series6Route* route, const Series6RoutePoint* point) {
    return appendPoint(route, point, kSeries6Capacities.routePoints, kRoutePointsFull);
}
ResultCode addSeries6TrackPoint(Series6Track* track, const Series6TrackPoint* point) {
    return appendPoint(track, point, kSeries6Capacities.trackPoints, kTrackPointsFull);
}
ResultCode addSeries6BoundaryPoint(Series6Boundary* boundary, const Series6BoundaryPoint* point) {
    return appendPoint(boundary, point, kSeries6Capacities.zonePoints, kZonePointsFull);
}

} // namespace velmar
