#include <gtest/gtest.h>

#include <functional>

#include "Series5TestHelpers.h"
#include "core/Clock.h"

namespace velmar {
namespace {

using test::makeMark;
using test::makeRoutePoint;
using test::makeTrackPoint;

struct CapacityCase {
    const char* table;
    std::size_t capacity;
    ResultCode fullCode;
    // Adds one record; returns the add's result and the table's size afterwards.
    std::function<ResultCode(Series5Data&, Series5Route&, Series5Track&)> add;
    std::function<std::size_t(const Series5Data&, const Series5Route&, const Series5Track&)> size;
};

TEST(Series5Data, EveryTableTakesItsCapacityAndRefusesOneMoreWithItsCode) {
    const Mark mark = makeMark("WP", 1.0, 2.0);
    Series5Route route;
    initRoute(&route);
    Series5Track track;
    initTrack(&track);
    const RoutePoint routePoint = makeRoutePoint("RP", 1.0, 2.0);
    const TrackPoint trackPoint = makeTrackPoint(1.0, 2.0);

    const CapacityCase cases[] = {
        {"waypoints", 18000, 10,
         [&](Series5Data& d, Series5Route&, Series5Track&) {
             return addSeries5Waypoint(&d, &mark);
         },
         [](const Series5Data& d, const Series5Route&, const Series5Track&) {
             return d.waypoints.size();
         }},
        {"routes", 50, 11,
         [&](Series5Data& d, Series5Route&, Series5Track&) { return addSeries5Route(&d, &route); },
         [](const Series5Data& d, const Series5Route&, const Series5Track&) {
             return d.routes.size();
         }},
        {"tracks", 40, 15,
         [&](Series5Data& d, Series5Route&, Series5Track&) { return addSeries5Track(&d, &track); },
         [](const Series5Data& d, const Series5Route&, const Series5Track&) {
             return d.tracks.size();
         }},
        {"route points", 300, 12,
         [&](Series5Data&, Series5Route& r, Series5Track&) {
             return addSeries5RoutePoint(&r, &routePoint);
         },
         [](const Series5Data&, const Series5Route& r, const Series5Track&) {
             return r.points.size();
         }},
        {"track points", 2100, 16,
         [&](Series5Data&, Series5Route&, Series5Track& t) {
             return addSeries5TrackPoint(&t, &trackPoint);
         },
         [](const Series5Data&, const Series5Route&, const Series5Track& t) {
             return t.points.size();
         }},
    };
    for (const CapacityCase& c : cases) {
        SCOPED_TRACE(c.table);
        Series5Data data;
        initSeries5Data(&data);
        Series5Route workingRoute;
        initRoute(&workingRoute);
        Series5Track workingTrack;
        initTrack(&workingTrack);
        for (std::size_t i = 0; i < c.capacity; ++i) {
            ASSERT_EQ(c.add(data, workingRoute, workingTrack), kOk) << "record " << i + 1;
        }
        EXPECT_EQ(c.size(data, workingRoute, workingTrack), c.capacity);
        EXPECT_EQ(c.add(data, workingRoute, workingTrack), c.fullCode);
        EXPECT_EQ(c.size(data, workingRoute, workingTrack), c.capacity);
    }
}

TEST(Series5Data, TheSetsPointBudgetsAreItsOwnNotTheHubs) {
    // The hub takes 1,000 route points; the Series 5 add stops at 300 on the same record.
    Series5Route route;
    initRoute(&route);
    const RoutePoint point = makeRoutePoint("P", 0.0, 0.0);
    for (int i = 0; i < 300; ++i) {
        addRoutePoint(&route, &point);
    }
    EXPECT_EQ(addRoutePoint(&route, &point), kOk); // the hub would go on
    EXPECT_EQ(addSeries5RoutePoint(&route, &point), kRoutePointsFull);
}

TEST(Series5Data, InitSetsTheDefaultVersionAndClearKeepsTheVersionRead) {
    Series5Data data;
    data.version.version = "junk";
    data.waypoints.push_back(makeMark("A", 0, 0));
    ASSERT_EQ(initSeries5Data(&data), kOk);
    EXPECT_TRUE(data.waypoints.empty());
    EXPECT_EQ(data.version.version, "1.0.1");
    EXPECT_EQ(data.version.date, "2010.12.22");

    data.version.version = "2.0";
    Series5Route route;
    initRoute(&route);
    const RoutePoint point = makeRoutePoint("P", 0.0, 0.0);
    addSeries5RoutePoint(&route, &point);
    addSeries5Route(&data, &route);
    const Mark mark = makeMark("B", 0, 0);
    addSeries5Waypoint(&data, &mark);
    ASSERT_EQ(clearSeries5Data(&data), kOk);
    EXPECT_TRUE(data.waypoints.empty());
    EXPECT_TRUE(data.routes.empty());
    EXPECT_TRUE(data.tracks.empty());
    EXPECT_EQ(data.version.version, "2.0");
}

TEST(Series5Data, AddingARouteStoresADeepCopyAndTheWorkingRouteKeepsItsPoints) {
    Series5Data data;
    initSeries5Data(&data);
    Series5Route route;
    initRoute(&route);
    route.name = "R1";
    const RoutePoint point = makeRoutePoint("P1", 1.0, 2.0);
    addSeries5RoutePoint(&route, &point);
    ASSERT_EQ(addSeries5Route(&data, &route), kOk);
    ASSERT_EQ(route.points.size(), 1u);
    route.points[0].name = "CHANGED";
    EXPECT_EQ(data.routes[0].points[0].name, "P1");

    // The handing-over add leaves the working record without points.
    ASSERT_EQ(addSeries5Route(&data, std::move(route)), kOk);
    EXPECT_TRUE(route.points.empty());
    EXPECT_EQ(data.routes[1].points.at(0).name, "CHANGED");

    Series5Track track;
    initTrack(&track);
    const TrackPoint trackPoint = makeTrackPoint(1.0, 2.0, 'S');
    addSeries5TrackPoint(&track, &trackPoint);
    ASSERT_EQ(addSeries5Track(&data, std::move(track)), kOk);
    EXPECT_TRUE(track.points.empty());
    EXPECT_EQ(data.tracks.at(0).points.at(0).pointFlag, 'S');
}

TEST(Series5Data, NumberingCountsFromZeroAndRefusesAnUnknownSelector) {
    Series5Data data;
    initSeries5Data(&data);
    Series5Route route;
    initRoute(&route);
    Series5Track track;
    initTrack(&track);
    for (int i = 0; i < 3; ++i) {
        route.number = 77;
        track.number = 77;
        addSeries5Route(&data, &route);
        addSeries5Track(&data, &track);
    }
    ASSERT_EQ(numberSeries5Records(&data, NumberSeries5Routes), kOk);
    EXPECT_EQ(data.routes[0].number, 0);
    EXPECT_EQ(data.routes[2].number, 2);
    EXPECT_EQ(data.tracks[2].number, 77); // the tracks were not asked for
    ASSERT_EQ(numberSeries5Records(&data, NumberSeries5Tracks), kOk);
    EXPECT_EQ(data.tracks[0].number, 0);
    EXPECT_EQ(data.tracks[2].number, 2);

    for (const int selector : {-1, 2, 3}) {
        data.routes[1].number = 9;
        EXPECT_EQ(numberSeries5Records(&data, selector), kBadArgument) << selector;
        EXPECT_EQ(data.routes[1].number, 9);
    }
}

TEST(Series5Data, MissingArgumentsGiveFive) {
    Series5Data data;
    Series5Route route;
    Series5Track track;
    const Mark mark;
    const RoutePoint routePoint;
    const TrackPoint trackPoint;
    EXPECT_EQ(initSeries5Data(nullptr), kBadArgument);
    EXPECT_EQ(clearSeries5Data(nullptr), kBadArgument);
    EXPECT_EQ(addSeries5Waypoint(nullptr, &mark), kBadArgument);
    EXPECT_EQ(addSeries5Waypoint(&data, nullptr), kBadArgument);
    EXPECT_EQ(addSeries5Route(nullptr, &route), kBadArgument);
    EXPECT_EQ(addSeries5Route(&data, static_cast<const Series5Route*>(nullptr)), kBadArgument);
    EXPECT_EQ(addSeries5Route(nullptr, Series5Route{}), kBadArgument);
    EXPECT_EQ(addSeries5Track(nullptr, &track), kBadArgument);
    EXPECT_EQ(addSeries5Track(&data, static_cast<const Series5Track*>(nullptr)), kBadArgument);
    EXPECT_EQ(addSeries5Track(nullptr, Series5Track{}), kBadArgument);
    EXPECT_EQ(addSeries5RoutePoint(nullptr, &routePoint), kBadArgument);
    EXPECT_EQ(addSeries5RoutePoint(&route, nullptr), kBadArgument);
    EXPECT_EQ(addSeries5TrackPoint(nullptr, &trackPoint), kBadArgument);
    EXPECT_EQ(addSeries5TrackPoint(&track, nullptr), kBadArgument);
    EXPECT_EQ(numberSeries5Records(nullptr, 0), kBadArgument);
    EXPECT_TRUE(data.waypoints.empty());
    EXPECT_TRUE(route.points.empty());
}

} // namespace
} // namespace velmar
