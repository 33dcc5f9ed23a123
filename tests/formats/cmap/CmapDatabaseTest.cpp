#include <gtest/gtest.h>

#include "core/Clock.h"
#include "formats/cmap/CmapDatabase.h"

namespace velmar {
namespace {

constexpr std::int64_t kNoonMarch15 = 1331812800; // 2012-03-15 12:00:00 UTC

TEST(CmapDatabase, NewRecordsCarryTheirDefaultsAndTheClocksTime) {
    ScopedClock clock(kNoonMarch15 + 3661); // 13:01:01
    CmapWaypoint waypoint;
    waypoint.name = "old";
    waypoint.type = 7;
    ASSERT_EQ(initCmapWaypoint(&waypoint), kOk);
    EXPECT_EQ(waypoint.name, "");
    EXPECT_EQ(waypoint.type, 2);
    EXPECT_EQ(waypoint.dateTime, (CmapDateTime{13, 1, 1, 15, 3, 2012}));

    CmapRouteWaypoint routeWaypoint;
    routeWaypoint.bearing = 9.0;
    ASSERT_EQ(initCmapRouteWaypoint(&routeWaypoint), kOk);
    EXPECT_EQ(routeWaypoint.type, 1);
    EXPECT_EQ(routeWaypoint.bearing, 0.0);
    EXPECT_EQ(routeWaypoint.dateTime, (CmapDateTime{13, 1, 1, 15, 3, 2012}));

    CmapTrackPoint point;
    point.foreColor = 4;
    ASSERT_EQ(initCmapTrackPoint(&point), kOk);
    EXPECT_EQ(point.foreColor, 0);
    EXPECT_EQ(point.backColor, 15);
    EXPECT_EQ(point.dateTime, (CmapDateTime{13, 1, 1, 15, 3, 2012}));
}

TEST(CmapDatabase, MissingArgumentsGiveFive) {
    CmapDatabase db;
    CmapRoute route;
    CmapTrack track;
    CmapWaypoint waypoint;
    CmapRouteWaypoint routeWaypoint;
    CmapTrackPoint point;
    EXPECT_EQ(initCmapWaypoint(nullptr), kBadArgument);
    EXPECT_EQ(initCmapRouteWaypoint(nullptr), kBadArgument);
    EXPECT_EQ(initCmapRoute(nullptr), kBadArgument);
    EXPECT_EQ(initCmapTrack(nullptr), kBadArgument);
    EXPECT_EQ(initCmapTrackPoint(nullptr), kBadArgument);
    EXPECT_EQ(addCmapWaypoint(nullptr, &waypoint), kBadArgument);
    EXPECT_EQ(addCmapWaypoint(&db, nullptr), kBadArgument);
    EXPECT_EQ(addCmapRoute(nullptr, &route), kBadArgument);
    EXPECT_EQ(addCmapRoute(nullptr, CmapRoute{}), kBadArgument);
    EXPECT_EQ(addCmapTrack(&db, nullptr), kBadArgument);
    EXPECT_EQ(addCmapRouteWaypoint(&route, nullptr), kBadArgument);
    EXPECT_EQ(addCmapRouteWaypoint(nullptr, &routeWaypoint), kBadArgument);
    EXPECT_EQ(addCmapTrackPoint(nullptr, &point), kBadArgument);
    EXPECT_EQ(clearCmapRouteWaypoints(nullptr), kBadArgument);
    EXPECT_EQ(clearCmapTrackPoints(nullptr), kBadArgument);
    EXPECT_EQ(initCmapDatabase(nullptr), kBadArgument);
    EXPECT_EQ(clearCmapDatabase(nullptr), kBadArgument);
    EXPECT_TRUE(db.routes.empty());
    EXPECT_TRUE(db.tracks.empty());
}

// Every table takes exactly its capacity; one more is refused with the family's own code and
// leaves the table as it was.
TEST(CmapDatabase, TablesFillToCapacityAndRefuseOneMore) {
    CmapDatabase db;
    initCmapDatabase(&db);
    CmapWaypoint waypoint;
    for (std::size_t i = 0; i < kMaxCmapWaypoints; ++i) {
        ASSERT_EQ(addCmapWaypoint(&db, &waypoint), kOk);
    }
    EXPECT_EQ(addCmapWaypoint(&db, &waypoint), 10);
    EXPECT_EQ(db.waypoints.size(), 10000u);

    CmapRoute route;
    CmapRouteWaypoint routeWaypoint;
    for (std::size_t i = 0; i < kMaxCmapRouteWaypoints; ++i) {
        ASSERT_EQ(addCmapRouteWaypoint(&route, &routeWaypoint), kOk);
    }
    EXPECT_EQ(addCmapRouteWaypoint(&route, &routeWaypoint), 12);
    EXPECT_EQ(route.waypoints.size(), 1000u);
    ASSERT_EQ(addCmapRoute(&db, &route), kOk);
    EXPECT_EQ(db.routes.back().waypoints.size(), 1000u); // a deep copy
    EXPECT_EQ(route.waypoints.size(), 1000u);
    CmapRoute empty;
    for (std::size_t i = 1; i < kMaxCmapRoutes; ++i) {
        ASSERT_EQ(addCmapRoute(&db, &empty), kOk);
    }
    EXPECT_EQ(addCmapRoute(&db, &route), 11);
    EXPECT_EQ(addCmapRoute(&db, std::move(route)), 11);
    EXPECT_EQ(db.routes.size(), 1000u);

    CmapTrack track;
    CmapTrackPoint point;
    for (std::size_t i = 0; i < kMaxCmapTrackPoints; ++i) {
        ASSERT_EQ(addCmapTrackPoint(&track, &point), kOk);
    }
    EXPECT_EQ(addCmapTrackPoint(&track, &point), 14);
    EXPECT_EQ(track.points.size(), 100000u);
    CmapTrack small;
    addCmapTrackPoint(&small, &point);
    for (std::size_t i = 0; i < kMaxCmapTracks; ++i) {
        ASSERT_EQ(addCmapTrack(&db, &small), kOk);
    }
    EXPECT_EQ(addCmapTrack(&db, &track), 13);
    EXPECT_EQ(db.tracks.size(), 1000u);

    ASSERT_EQ(clearCmapDatabase(&db), kOk);
    EXPECT_TRUE(db.waypoints.empty());
    EXPECT_TRUE(db.routes.empty());
    EXPECT_TRUE(db.tracks.empty());
}

TEST(CmapDatabase, HandingOverARouteLeavesTheWorkingRecordWithoutPoints) {
    CmapDatabase db;
    CmapRoute route;
    route.name = "R";
    CmapRouteWaypoint waypoint;
    waypoint.name = "P";
    addCmapRouteWaypoint(&route, &waypoint);
    addCmapRouteWaypoint(&route, &waypoint);
    ASSERT_EQ(addCmapRoute(&db, std::move(route)), kOk);
    EXPECT_TRUE(route.waypoints.empty());
    ASSERT_EQ(db.routes.size(), 1u);
    EXPECT_EQ(db.routes[0].name, "R");
    EXPECT_EQ(db.routes[0].waypoints.size(), 2u);

    // Initialising keeps the points (they are cleared first by whoever reuses the record).
    CmapTrack track;
    CmapTrackPoint point;
    addCmapTrackPoint(&track, &point);
    initCmapTrack(&track);
    EXPECT_EQ(track.points.size(), 1u);
    clearCmapTrackPoints(&track);
    EXPECT_TRUE(track.points.empty());
}

} // namespace
} // namespace velmar
