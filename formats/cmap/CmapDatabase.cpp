#include "formats/cmap/CmapDatabase.h"

#include <utility>

#include "core/Calendar.h"
#include "core/CappedTable.h"
#include "core/Clock.h"

namespace velmar {

namespace {

// A new record stamped with the current UTC time.
template <typename R> ResultCode initStamped(R* record) {
    if (record == nullptr) {
        return kBadArgument;
    }
    *record = R{};
    record->dateTime = currentCmapDateTime();
    return kOk;
}

} // namespace

CmapDateTime currentCmapDateTime() {
    // One reading of the clock, so the date and the time of day always belong together.
    return civilFromSeconds(clockNow());
}

ResultCode initCmapWaypoint(CmapWaypoint* record) {
    return initStamped(record);
}

ResultCode initCmapRouteWaypoint(CmapRouteWaypoint* record) {
    const ResultCode result = initStamped(record);
    if (result == kOk) {
        record->type = kNewCmapRouteWaypointType;
    }
    return result;
}

ResultCode initCmapRoute(CmapRoute* record) {
    if (record == nullptr) {
        return kBadArgument;
    }
    auto waypoints = std::move(record->waypoints);
    *record = CmapRoute{};
    record->waypoints = std::move(waypoints);
    return kOk;
}

ResultCode initCmapTrackPoint(CmapTrackPoint* record) {
    return initStamped(record);
}

ResultCode initCmapTrack(CmapTrack* record) {
    return record == nullptr ? kBadArgument : kOk; // a track has no fields besides its points
}

ResultCode addCmapWaypoint(CmapDatabase* database, const CmapWaypoint* record) {
    return appendTo(database, &CmapDatabase::waypoints, record, kCmapCapacities.waypoints,
                    kCmapWaypointsFull);
}

ResultCode addCmapRoute(CmapDatabase* database, const CmapRoute* record) {
    return appendTo(database, &CmapDatabase::routes, record, kCmapCapacities.routes,
                    kCmapRoutesFull);
}

ResultCode addCmapTrack(CmapDatabase* database, const CmapTrack* record) {
    return appendTo(database, &CmapDatabase::tracks, record, kCmapCapacities.tracks,
                    kCmapTracksFull);
}

ResultCode addCmapRoute(CmapDatabase* database, CmapRoute&& record) {
    return moveTo(database, &CmapDatabase::routes, std::move(record), kCmapCapacities.routes,
                  kCmapRoutesFull, &CmapRoute::waypoints);
}

ResultCode addCmapTrack(CmapDatabase* database, CmapTrack&& record) {
    return moveTo(database, &CmapDatabase::tracks, std::move(record), kCmapCapacities.tracks,
                  kCmapTracksFull);
}

ResultCode addCmapRouteWaypoint(CmapRoute* route, const CmapRouteWaypoint* point) {
    return appendTo(route, &CmapRoute::waypoints, point, kCmapCapacities.routePoints,
                    kCmapRouteWaypointsFull);
}

ResultCode addCmapTrackPoint(CmapTrack* track, const CmapTrackPoint* point) {
    return appendPoint(track, point, kCmapCapacities.trackPoints, kCmapTrackPointsFull);
}

ResultCode clearCmapRouteWaypoints(CmapRoute* route) {
    return clearPoints(route, &CmapRoute::waypoints);
}

ResultCode clearCmapTrackPoints(CmapTrack* track) {
    return clearPoints(track);
}

ResultCode initCmapDatabase(CmapDatabase* database) {
    return resetRecord(database);
}

ResultCode clearCmapDatabase(CmapDatabase* database) {
    return resetRecord(database);
}

} // namespace velmar
