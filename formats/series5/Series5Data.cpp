#include "formats/series5/Series5Data.h"

#include <utility>

#include "core/CappedTable.h"

namespace velmar {

ResultCode initSeries5Data(Series5Data* data) {
    return resetRecord(data);
}

ResultCode clearSeries5Data(Series5Data* data) {
    if (data == nullptr) {
        return kBadArgument;
    }
    DataVersion version = std::move(data->version);
    *data = Series5Data{};
    data->version = std::move(version);
    return kOk;
}

ResultCode addSeries5Waypoint(Series5Data* data, const Mark* waypoint) {
    return appendTo(data, &Series5Data::waypoints, waypoint, kSeries5Capacities.waypoints,
                    kWaypointsFull);
}

ResultCode addSeries5Route(Series5Data* data, Series5Route&& route) {
    return moveTo(data, &Series5Data::routes, std::move(route), kSeries5Capacities.routes,
                  kRoutesFull);
}

ResultCode addSeries5Track(Series5Data* data, Series5Track&& track) {
    return moveTo(data, &Series5Data::tracks, std::move(track), kSeries5Capacities.tracks,
                  kTracksFull);
}

ResultCode addSeries5RoutePoint(Series5Route* route, const RoutePoint* point) {
    return appendPoint(route, point, kSeries5Capacities.routePoints, kRoutePointsFull);
}

ResultCode addSeries5TrackPoint(Series5Track* track, const TrackPoint* point) {
    return appendPoint(track, point, kSeries5Capacities.trackPoints, kTrackPointsFull);
}

ResultCode numberSeries5Records(Series5Data* data, int selector) {
    if (data == nullptr) {
        return kBadArgument;
    }
    switch (selector) {
    case NumberSeries5Routes:
        numberRecords(data->routes, 0);
        return kOk;
    case NumberSeries5Tracks:
        numberRecords(data->tracks, 0);
        return kOk;
    default:
        return kBadArgument;
    }
}

} // namespace velmar
