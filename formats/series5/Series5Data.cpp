#include "formats/series5/Series5Data.h"

#include <new>

#include "core/CappedTable.h"
#include <stdexcept>
#include <utility>

namespace velmar {

namespace {

template <typename T> void numberFromZero(std::vector<T>& table) {
    std::int32_t number = 0;
    for (T& record : table) {
        record.number = number++;
    }
}

} // namespace

ResultCode initSeries5Data(Series5Data* data) {
    if (data == nullptr) {
        return kBadArgument;
    }
    *data = Series5Data{};
    return kOk;
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
    if (data == nullptr || waypoint == nullptr) {
        return kBadArgument;
    }
    return appendCapped(data->waypoints, *waypoint, kMaxSeries5Waypoints, kWaypointsFull);
}

ResultCode addSeries5Route(Series5Data* data, const Series5Route* route) {
    if (data == nullptr || route == nullptr) {
        return kBadArgument;
    }
    return appendCapped(data->routes, *route, kMaxSeries5Routes, kRoutesFull);
}

ResultCode addSeries5Track(Series5Data* data, const Series5Track* track) {
    if (data == nullptr || track == nullptr) {
        return kBadArgument;
    }
    return appendCapped(data->tracks, *track, kMaxSeries5Tracks, kTracksFull);
}

ResultCode addSeries5Route(Series5Data* data, Series5Route&& route) {
    if (data == nullptr) {
        return kBadArgument;
    }
    const ResultCode result =
        appendCapped(data->routes, std::move(route), kMaxSeries5Routes, kRoutesFull);
    route.points.clear();
    return result;
}

ResultCode addSeries5Track(Series5Data* data, Series5Track&& track) {
    if (data == nullptr) {
        return kBadArgument;
    }
    const ResultCode result =
        appendCapped(data->tracks, std::move(track), kMaxSeries5Tracks, kTracksFull);
    track.points.clear();
    return result;
}

ResultCode addSeries5RoutePoint(Series5Route* route, const RoutePoint* point) {
    if (route == nullptr || point == nullptr) {
        return kBadArgument;
    }
    return appendCapped(route->points, *point, kMaxSeries5RoutePoints, kRoutePointsFull);
}

ResultCode addSeries5TrackPoint(Series5Track* track, const TrackPoint* point) {
    if (track == nullptr || point == nullptr) {
        return kBadArgument;
    }
    return appendCapped(track->points, *point, kMaxSeries5TrackPoints, kTrackPointsFull);
}

ResultCode numberSeries5Records(Series5Data* data, int selector) {
    if (data == nullptr) {
        return kBadArgument;
    }
    switch (selector) {
    case NumberSeries5Routes:
        numberFromZero(data->routes);
        return kOk;
    case NumberSeries5Tracks:
        numberFromZero(data->tracks);
        return kOk;
    default:
        return kBadArgument;
    }
}

} // namespace velmar
