#include <gtest/gtest.h>

#include "merge/MergeJob.h"

namespace velmar {
namespace {

NavDatabase withWaypoints(std::initializer_list<const char*> names) {
    NavDatabase db;
    initNavDatabase(&db);
    for (const char* name : names) {
        Waypoint waypoint;
        initWaypoint(&waypoint);
        waypoint.name = name;
        addWaypoint(&db, &waypoint);
    }
    return db;
}

std::vector<std::string> waypointNames(const NavDatabase& db) {
    std::vector<std::string> names;
    for (const Waypoint& waypoint : db.waypoints) {
        names.push_back(waypoint.name);
    }
    return names;
}

using Names = std::vector<std::string>;

TEST(FindByName, GivesTheFirstRecordWithExactlyThatName) {
    NavDatabase db = withWaypoints({"home", "HOME", "HOME"});
    db.waypoints[2].comment = "second";
    Route route;
    route.name = "R1";
    addRoute(&db, &route);
    route.comment = "later";
    addRoute(&db, &route);
    Track track;
    track.name = "T";
    addTrack(&db, &track);

    ASSERT_EQ(findWaypointByName(&db, "HOME"), &db.waypoints[1]);
    EXPECT_EQ(findWaypointByName(&db, "home"), &db.waypoints[0]);
    EXPECT_EQ(findWaypointByName(&db, "HOM"), nullptr);
    EXPECT_EQ(findWaypointByName(&db, "HOME "), nullptr);
    EXPECT_EQ(findRouteByName(&db, "R1"), &db.routes[0]);
    EXPECT_EQ(findRouteByName(&db, "r1"), nullptr);
    EXPECT_EQ(findTrackByName(&db, "T"), &db.tracks[0]);
    EXPECT_EQ(findTrackByName(&db, ""), nullptr);
    EXPECT_EQ(findWaypointByName(nullptr, "HOME"), nullptr);
    EXPECT_EQ(findRouteByName(nullptr, "R1"), nullptr);
    EXPECT_EQ(findTrackByName(nullptr, "T"), nullptr);
}

TEST(MergeNavDatabase, RenamesClashingWaypointsUniquelyAcrossAJob) {
    NavDatabase target = withWaypoints({"HOME"});
    MergeCounters counters;
    for (int file = 0; file < 2; ++file) {
        NavDatabase source = withWaypoints({"HOME"});
        ASSERT_EQ(mergeNavDatabase(&target, &source, &counters), kOk);
    }
    EXPECT_EQ(waypointNames(target), (Names{"HOME", "WPT0", "WPT1"}));
    EXPECT_EQ(counters.waypoints, 2);

    // Two equal names in one source clash with each other too; the source is renamed in place.
    NavDatabase first = withWaypoints({"B"});
    NavDatabase second = withWaypoints({"A", "A"});
    ASSERT_EQ(mergeNavDatabase(&first, &second), kOk);
    EXPECT_EQ(waypointNames(first), (Names{"B", "A", "WPT0"}));
    EXPECT_EQ(waypointNames(second), (Names{"A", "WPT0"}));
}

TEST(MergeNavDatabase, NamesAlreadyPresentAreSkippedAndUseUpTheirNumbers) {
    NavDatabase target = withWaypoints({"HOME", "WPT0", "WPT2"});
    NavDatabase source = withWaypoints({"HOME", "WPT0", "X", "WPT1"});
    ASSERT_EQ(mergeNavDatabase(&target, &source), kOk);
    // HOME tries WPT0 (taken) and becomes WPT1; WPT0 tries WPT2 (taken) and becomes WPT3; the
    // source's own WPT1 now clashes with the renamed HOME and becomes WPT4.
    EXPECT_EQ(waypointNames(target), (Names{"HOME", "WPT0", "WPT2", "WPT1", "WPT3", "X", "WPT4"}));

    // Without shared counters every call starts at 0, and the names stay unique all the same.
    NavDatabase again = withWaypoints({"HOME"});
    ASSERT_EQ(mergeNavDatabase(&target, &again), kOk);
    EXPECT_EQ(target.waypoints.back().name, "WPT5");
}

TEST(MergeNavDatabase, RoutesAndTracksHaveCountersOfTheirOwnAndOtherKindsAreNotRenamed) {
    NavDatabase target;
    initNavDatabase(&target);
    NavDatabase source;
    initNavDatabase(&source);
    for (NavDatabase* db : {&target, &source}) {
        Route route;
        initRoute(&route);
        route.name = "R1";
        RoutePoint point;
        point.name = "P";
        addRoutePoint(&route, &point);
        addRoute(db, &route);
        Track track;
        initTrack(&track);
        track.name = "T1";
        addTrack(db, &track);
        Mark mark;
        initMark(&mark);
        mark.name = "M";
        addMark(db, &mark);
        Line line;
        initLine(&line);
        line.name = "L";
        addLine(db, &line);
        Zone zone;
        initZone(&zone);
        addZone(db, &zone);
        Waypoint waypoint;
        initWaypoint(&waypoint);
        waypoint.name = "W";
        addWaypoint(db, &waypoint);
    }
    MergeCounters counters;
    ASSERT_EQ(mergeNavDatabase(&target, &source, &counters), kOk);
    ASSERT_EQ(target.routes.size(), 2u);
    EXPECT_EQ(target.routes[1].name, "RTE0");
    EXPECT_EQ(target.routes[1].points.size(), 1u);
    EXPECT_EQ(target.routes[1].points[0].name, "P"); // point names are never renamed
    ASSERT_EQ(target.tracks.size(), 2u);
    EXPECT_EQ(target.tracks[1].name, "TRK0");
    EXPECT_EQ(target.waypoints[1].name, "WPT0");
    ASSERT_EQ(target.marks.size(), 2u);
    EXPECT_EQ(target.marks[1].name, "M");
    ASSERT_EQ(target.lines.size(), 2u);
    EXPECT_EQ(target.lines[1].name, "L");
    EXPECT_EQ(target.zones.size(), 2u);
    EXPECT_EQ(counters.waypoints, 1);
    EXPECT_EQ(counters.routes, 1);
    EXPECT_EQ(counters.tracks, 1);
}

TEST(MergeNavDatabase, NewNamesFitTheirFieldsAndStayUnique) {
    NavDatabase target;
    initNavDatabase(&target);
    Route route;
    route.name = "R";
    addRoute(&target, &route);
    route.name = "RTE12345";
    addRoute(&target, &route);
    NavDatabase source;
    initNavDatabase(&source);
    route.name = "R";
    addRoute(&source, &route);
    MergeCounters counters;
    // RTE123456 .. RTE123459 are cut to the route name width, "RTE12345", which is taken.
    counters.routes = 123456;
    ASSERT_EQ(mergeNavDatabase(&target, &source, &counters), kOk);
    ASSERT_EQ(target.routes.size(), 3u);
    EXPECT_EQ(target.routes[2].name, "RTE12346");
    EXPECT_EQ(counters.routes, 123461);
}

TEST(MergeNavDatabase, EachKindStopsAtItsCapacity) {
    NavDatabase target;
    initNavDatabase(&target);
    target.waypoints.resize(kMaxWaypoints - 1);
    target.marks.resize(kMaxMarks);
    target.routes.resize(kMaxRoutes - 1);
    target.lines.resize(kMaxLines);
    NavDatabase source = withWaypoints({"", "", ""});
    Mark mark;
    addMark(&source, &mark);
    Route route;
    addRoute(&source, &route);
    addRoute(&source, &route);
    Track track;
    addTrack(&source, &track);
    Line line;
    addLine(&source, &line);
    Zone zone;
    addZone(&source, &zone);
    MergeCounters counters;
    ASSERT_EQ(mergeNavDatabase(&target, &source, &counters), kOk);
    EXPECT_EQ(target.waypoints.size(), kMaxWaypoints);
    EXPECT_EQ(target.waypoints.back().name, "WPT0"); // "" clashed with the existing ones
    EXPECT_EQ(counters.waypoints, 1);                // nothing renamed once the table is full
    EXPECT_EQ(source.waypoints[1].name, "");
    EXPECT_EQ(target.routes.size(), kMaxRoutes);
    EXPECT_EQ(counters.routes, 1);
    EXPECT_EQ(target.tracks.size(), 1u);
    EXPECT_EQ(target.marks.size(), kMaxMarks);
    EXPECT_EQ(target.lines.size(), kMaxLines);
    EXPECT_EQ(target.zones.size(), 1u); // a full line table does not stop the zones
}

TEST(MergeNavDatabase, MissingArgumentsGiveFive) {
    NavDatabase db = withWaypoints({"A"});
    EXPECT_EQ(mergeNavDatabase(nullptr, &db), kBadArgument);
    EXPECT_EQ(mergeNavDatabase(&db, nullptr), kBadArgument);
    EXPECT_EQ(db.waypoints.size(), 1u);
}

} // namespace
} // namespace velmar
