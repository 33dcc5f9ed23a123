// The Series 41 record set: defaults, capacities at the limit and one past it, copies, look-ups.
#include <gtest/gtest.h>

#include "formats/series41/Series41Data.h"

namespace velmar {
namespace {

TEST(Series41Data, WaypointListHolds999) {
    Series41Data set;
    Series41Waypoint waypoint;
    for (int i = 0; i < 999; ++i) {
        waypoint.latitude = i * 0.01;
        ASSERT_EQ(addSeries41Waypoint(&set, &waypoint), 0) << i;
    }
    waypoint.name = "LAST";
    EXPECT_EQ(addSeries41Waypoint(&set, &waypoint), 10);
    ASSERT_EQ(set.waypoints.size(), 999u);
    EXPECT_TRUE(set.waypoints.back().name.empty());
}

TEST(Series41Data, RouteListHolds50) {
    Series41Data set;
    Series41Route route;
    for (int i = 1; i <= 50; ++i) {
        route.number = i;
        ASSERT_EQ(addSeries41Route(&set, &route), 0) << i;
    }
    route.number = 51;
    EXPECT_EQ(addSeries41Route(&set, &route), 11);
    EXPECT_EQ(set.routes.size(), 50u);
    EXPECT_EQ(findSeries41Route(&set, 51), nullptr);
}

TEST(Series41Data, RouteHolds30Points) {
    Series41Route route;
    Series41RoutePoint point;
    for (int i = 0; i < 30; ++i) {
        point.name = std::to_string(i);
        ASSERT_EQ(addSeries41RoutePoint(&route, &point), 0) << i;
    }
    point.name = "OVER";
    EXPECT_EQ(addSeries41RoutePoint(&route, &point), 12);
    ASSERT_EQ(route.points.size(), 30u);
    EXPECT_EQ(route.points.back().name, "29");
    EXPECT_EQ(clearSeries41RoutePoints(&route), 0);
    EXPECT_TRUE(route.points.empty());
    EXPECT_EQ(addSeries41RoutePoint(&route, &point), 0);
}

TEST(Series41Data, MissingArgumentsGive5) {
    Series41Data set;
    Series41Waypoint waypoint;
    Series41Route route;
    Series41RoutePoint point;
    EXPECT_EQ(addSeries41Waypoint(nullptr, &waypoint), 5);
    EXPECT_EQ(addSeries41Waypoint(&set, nullptr), 5);
    EXPECT_EQ(addSeries41Route(nullptr, &route), 5);
    EXPECT_EQ(addSeries41Route(&set, nullptr), 5);
    EXPECT_EQ(addSeries41RoutePoint(nullptr, &point), 5);
    EXPECT_EQ(addSeries41RoutePoint(&route, nullptr), 5);
    EXPECT_EQ(clearSeries41RoutePoints(nullptr), 5);
    EXPECT_EQ(clearSeries41Data(nullptr), 5);
    EXPECT_EQ(setSeries41RouteName(nullptr, "A"), 5);
    EXPECT_EQ(findSeries41Route(nullptr, 1), nullptr);
    EXPECT_EQ(findSeries41Waypoint(nullptr, "A"), nullptr);
    EXPECT_TRUE(set.waypoints.empty());
    EXPECT_TRUE(set.routes.empty());
}

TEST(Series41Data, AddsStoreCopiesCutToTheirWidths) {
    Series41Data set;
    Series41Waypoint waypoint;
    waypoint.name = "HARBOUR";
    waypoint.comment = "ABCDEFGHIJKLMNOPQRS";
    ASSERT_EQ(addSeries41Waypoint(&set, &waypoint), 0);
    waypoint.name = "CHANGED";
    EXPECT_EQ(set.waypoints[0].name, "HARBOU");
    EXPECT_EQ(set.waypoints[0].comment, "ABCDEFGHIJKLMNOP");

    Series41Route route;
    route.number = 4;
    route.name = "A ROUTE NAME OF TWENTY";
    Series41RoutePoint point;
    point.name = "ABCDEFGH";
    ASSERT_EQ(addSeries41RoutePoint(&route, &point), 0);
    EXPECT_EQ(route.points[0].name, "ABCDEF");
    ASSERT_EQ(addSeries41Route(&set, &route), 0);
    // The stored route is a deep copy: changing the working route leaves it alone.
    route.points[0].name = "OTHER";
    clearSeries41RoutePoints(&route);
    ASSERT_EQ(set.routes.size(), 1u);
    EXPECT_EQ(set.routes[0].name, "A ROUTE NAME OF ");
    ASSERT_EQ(set.routes[0].points.size(), 1u);
    EXPECT_EQ(set.routes[0].points[0].name, "ABCDEF");

    ASSERT_EQ(setSeries41RouteName(&set.routes[0], "SHORT"), 0);
    EXPECT_EQ(set.routes[0].name, "SHORT");
}

TEST(Series41Data, FindGivesTheFirstExactMatch) {
    Series41Data set;
    Series41Waypoint waypoint;
    waypoint.name = "HOME";
    waypoint.latitude = 1.0;
    addSeries41Waypoint(&set, &waypoint);
    waypoint.latitude = 2.0;
    addSeries41Waypoint(&set, &waypoint);
    waypoint.name = "home";
    waypoint.latitude = 3.0;
    addSeries41Waypoint(&set, &waypoint);

    const Series41Waypoint* found = findSeries41Waypoint(&set, "HOME");
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->latitude, 1.0);
    found = findSeries41Waypoint(&set, "home");
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->latitude, 3.0);
    EXPECT_EQ(findSeries41Waypoint(&set, "HOM"), nullptr);
    EXPECT_EQ(findSeries41Waypoint(&set, "HOME "), nullptr);

    Series41Route route;
    route.number = 7;
    route.name = "FIRST";
    addSeries41Route(&set, &route);
    route.name = "SECOND";
    addSeries41Route(&set, &route);
    ASSERT_NE(findSeries41Route(&set, 7), nullptr);
    EXPECT_EQ(findSeries41Route(&set, 7)->name, "FIRST");
    EXPECT_EQ(findSeries41Route(&set, 8), nullptr);

    EXPECT_EQ(clearSeries41Data(&set), 0);
    EXPECT_TRUE(set.waypoints.empty());
    EXPECT_TRUE(set.routes.empty());
    EXPECT_EQ(findSeries41Waypoint(&set, "HOME"), nullptr);
}

} // namespace
} // namespace velmar
