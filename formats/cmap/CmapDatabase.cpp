#include "formats/cmap/CmapDatabase.h"

#include <utility>

#include "core/Calendar.h"
#include "core/CappedTable.h"
#include "core/Clock.h"

namespace velmar {

CmapDateTime currentCmapDateTime() {
    // One reading of the clock, so the date and the time of day always belong together.
    return civilFromSeconds(clockNow());
}

ResultCode initCmapWaypoint(CmapWaypoint* record) {
    if (record == nullptr) {
        return kBadArgument;
    }
    *record = CmapWaypoint{};
    record->dateTime = currentCmapDateTime();
    return kOk;
}

ResultCode initCmapRouteWaypoint(CmapRouteWaypoint* record) {
    if (record == nullptr) {
        return kBadArgument;
    }
    *record = CmapRouteWaypoint{};
    record->dateTime = currentCmapDateTime();
    return kOk;
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
    if (record == nullptr) {
        return kBadArgument;
    }
    *record = CmapTrackPoint{};
    record->dateTime = currentCmapDateTime();
    return kOk;
}

ResultCode initCmapTrack(CmapTrack* record) {
    return record == nullptr ? kBadArgument : kOk; // a track has no fields besides its points
}

ResultCode addCmapWaypoint(CmapDatabase* database, const CmapWaypoint* record) {
    return appendTo(database, &CmapDatabase::waypoints, record, kMaxCmapWaypoints,
                    kCmapWaypointsFull);
}

ResultCode addCmapRoute(CmapDatabase* database, const CmapRoute* record) {
    return appendTo(database, &CmapDatabase::routes, record, kMaxCmapRoutes, kCmapRoutesFull);
}

ResultCode addCmapTrack(CmapDatabase* database, const CmapTrack* record) {
    return appendTo(database, &CmapDatabase::tracks, record, kMaxCmapTracks, kCmapTracksFull);
}

ResultCode addCmapRoute(CmapDatabase* database, CmapRoute&& record) {
    return moveTo(database, &CmapDatabase::routes, std::move(record), kMaxCmapRoutes,
                  kCmapRoutesFull, &CmapRoute::waypoints);
}

ResultCode addCmapTrack(CmapDatabase* database, CmapTrack&& record) {
    return moveTo(database, &CmapDatabase::tracks, std::move(record), kMaxCmapTracks,
                  kCmapTracksFull);
}

ResultCode addCmapRouteWaypoint(CmapRoute* route, const CmapRouteWaypoint* point) {
    return appendTo(route, &CmapRoute::waypoints, point, kMaxCmapRouteWaypoints,
                    kCmapRouteWaypointsFull);
}

ResultCode addCmapTrackPoint(CmapTrack* track, const CmapTrackPoint* point) {
    return appendPoint(track, point, kMaxCmapTrackPoints, kCmapTrackPointsFull);
}

ResultCode clearCmapRouteWaypoints(CmapRoute* route) {
    if (route == nullptr) {
        return kBadArgument;
    }
    std::vector<CmapRouteWaypoint>().swap(route->waypoints);
    return kOk;
}

ResultCode clearCmapTrackPoints(CmapTrack* track) {
    if (track == nullptr) {
        return kBadArgument;
    }
    std::vector<CmapTrackPoint>().swap(track->points);
    return kOk;
}

ResultCode initCmapDatabase(CmapDatabase* database) {
    if (database == nullptr) {
        return kBadArgument;
    }
    *database = CmapDatabase{};
    return kOk;
}

ResultCode clearCmapDatabase(CmapDatabase* database) {
    if (database == nullptr) {
        return kBadArgument;
    }
    *database = CmapDatabase{};
    return kOk;
}

} // namespace velmar
