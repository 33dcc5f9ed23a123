#include <gtest/gtest.h>

#include <tuple>

#include "core/Clock.h"
#include "core/NavDatabase.h"

namespace velmar {
namespace {

// A fixed clock: 1 May 2012.
constexpr std::int64_t kMay2012 = 1335830400;

TEST(NavDatabase, InitStampsTodayAndDefaults) {
    const ScopedClock clock(kMay2012);
    Zone zone;
    zone.points.push_back({});
    ASSERT_EQ(initZone(&zone), kOk);
    EXPECT_EQ(zone.zoneKind, 2);
    EXPECT_EQ(zone.date, (RecordDate{1, 5, 2012}));
    Waypoint waypoint;
    waypoint.name = "X";
    ASSERT_EQ(initWaypoint(&waypoint), kOk);
    EXPECT_EQ(waypoint.name, "");
    EXPECT_EQ(waypoint.date, (RecordDate{1, 5, 2012}));
    TrackPoint point;
    point.pointFlag = 'S';
    initTrackPoint(&point);
    EXPECT_EQ(point.pointFlag, 'N');
    NavDatabase db;
    initNavDatabase(&db);
    EXPECT_EQ(db.version.version, "1.0.1");
    EXPECT_EQ(db.version.date, "2010.12.22");
    EXPECT_EQ(initWaypoint(nullptr), kBadArgument);
    EXPECT_EQ(addWaypoint(nullptr, &waypoint), kBadArgument);
    EXPECT_EQ(addWaypoint(&db, nullptr), kBadArgument);
    EXPECT_EQ(addRoutePoint(nullptr, nullptr), kBadArgument);
    EXPECT_EQ(renumberRecords(&db, 4), kBadArgument); // the merge's test renumbers
    EXPECT_EQ(renumberRecords(nullptr, 0), kBadArgument);
}

template <typename Table, typename Add>
void fillTo(std::size_t capacity, ResultCode full, const Table& table, Add add) {
    for (std::size_t i = 0; i < capacity; ++i) {
        ASSERT_EQ(add(), kOk) << i;
    }
    EXPECT_EQ(add(), full);
    EXPECT_EQ(table.size(), capacity);
}

TEST(NavDatabase, EveryTableStopsAtItsCapacityWithItsCode) {
    NavDatabase db;
    Waypoint w;
    Mark m;
    Route r;
    Track t;
    Line l;
    Zone z;
    RoutePoint rp;
    TrackPoint tp;
    GeoPoint gp;
    fillTo(10000, 10, db.waypoints, [&] { return addWaypoint(&db, &w); });
    fillTo(1000, 19, db.marks, [&] { return addMark(&db, &m); });
    fillTo(1000, 11, db.routes, [&] { return addRoute(&db, &r); });
    fillTo(1000, 15, db.tracks, [&] { return addTrack(&db, &t); });
    fillTo(1000, 13, db.lines, [&] { return addLine(&db, &l); });
    fillTo(1000, 17, db.zones, [&] { return addZone(&db, &z); });
    fillTo(1000, 12, r.points, [&] { return addRoutePoint(&r, &rp); });
    fillTo(100000, 16, t.points, [&] { return addTrackPoint(&t, &tp); });
    fillTo(1000, 14, l.points, [&] { return addLinePoint(&l, &gp); });
    fillTo(1000, 18, z.points, [&] { return addZonePoint(&z, &gp); });
    EXPECT_EQ(addTrack(&db, std::move(t)), 15); // the moving adds keep the same capacities
    // Clearing empties the tables and keeps the version.
    db.version.version = "2.0";
    clearNavDatabase(&db);
    EXPECT_TRUE(db.routes.empty());
    EXPECT_EQ(db.version.version, "2.0");
}

// A reader's track moves from its first room to room for a full track (a block of its own) and,
// when short, back into a block of its size: every point survives each move.
TEST(NavDatabase, AReadersTrackKeepsItsPointsAsItsRoomChanges) {
    for (const std::size_t count : {std::size_t{5000}, std::size_t{100000}}) {
        Track track;
        reserveTrackPoints(&track);
        TrackPoint point;
        for (std::size_t i = 0; i < count; ++i) {
            point.latitude = static_cast<double>(i);
            ASSERT_EQ(addTrackPoint(&track, &point), kOk);
        }
        fitTrackPoints(&track);
        EXPECT_EQ(track.points.capacity(), count == 5000 ? 5000u : 100000u);
        for (std::size_t i = 0; i < count; ++i) {
            ASSERT_EQ(track.points[i].latitude, static_cast<double>(i)) << count;
        }
    }
}

Waypoint wp(const char* name, std::uint32_t symbol, double latitude, double longitude) {
    Waypoint w;
    w.name = name;
    w.symbol = symbol;
    w.latitude = latitude;
    w.longitude = longitude;
    return w;
}

Route routeOf(std::initializer_list<RoutePoint> points) {
    Route route;
    initRoute(&route);
    route.points = points;
    return route;
}

TEST(NavDatabase, RoutePointsBecomeWaypointsOnceWhileThereIsRoom) {
    // What, the waypoints, the route's points, and the names of all waypoints afterwards.
    using Names = std::vector<std::string>;
    const std::tuple<const char*, std::vector<Waypoint>, std::vector<RoutePoint>, Names> cases[] = {
        {"same position, name and symbol", {}, {{"A", 1, 10, 20}, {"A", 1, 10, 20}}, {"A"}},
        {"different names", {}, {{"A", 1, 10, 20}, {"B", 1, 10, 20}}, {"A", "B"}},
        {"matching waypoint within the key grain",
         {wp("HOME", 3, 34.5, 135)},
         {{"HOME", 3, 34.500001, 135}},
         {"HOME"}},
        {"first waypoint there differs",
         {wp("X", 3, 1, 1), wp("Y", 3, 1, 1)},
         {{"Y", 3, 1, 1}},
         {"X", "Y", "Y"}},
        {"symbol differs", {wp("A", 3, 1, 1)}, {{"A", 4, 1, 1}}, {"A", "A"}},
        {"out of range never matches", {}, {{"Q", 0, 95, 0}, {"Q", 0, 95, 0}}, {"Q", "Q"}},
    };
    for (const auto& [what, waypoints, points, expected] : cases) {
        NavDatabase db;
        initNavDatabase(&db);
        db.waypoints = waypoints;
        Route route = routeOf({});
        route.points = points;
        addRoute(&db, &route);
        ASSERT_EQ(addRoutePointsAsWaypoints(&db), kOk);
        std::vector<std::string> names;
        for (const Waypoint& w : db.waypoints) {
            names.push_back(w.name);
        }
        EXPECT_EQ(names, expected) << what;
    }
    // A full waypoint table skips the route points silently.
    NavDatabase db;
    db.waypoints.resize(kNavCapacities.waypoints);
    Route route = routeOf({{"NEW", 0, 5, 5}});
    addRoute(&db, &route);
    EXPECT_EQ(addRoutePointsAsWaypoints(&db), kOk);
    EXPECT_EQ(db.waypoints.size(), kNavCapacities.waypoints);
}

} // namespace
} // namespace velmar
