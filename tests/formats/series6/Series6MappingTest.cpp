// The Series 6 palette and the mappings to and from the navigation database.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Series6TestHelpers.h"
#include "core/Clock.h"
#include "formats/series6/Series6Mapping.h"

namespace velmar::test {
namespace {

constexpr RgbColour kRed{255, 0, 0};
constexpr RgbColour kBlue{0, 0, 255};
constexpr RgbColour kBlack{0, 0, 0};

NavDatabase emptyDatabase() {
    NavDatabase database;
    initNavDatabase(&database);
    return database;
}

Series6Data mapOut(const NavDatabase& database) {
    Series6Data data;
    initSeries6Data(&data);
    EXPECT_EQ(hubToSeries6(&database, &data), kOk);
    return data;
}

NavDatabase mapIn(const Series6Data& data) {
    NavDatabase database = emptyDatabase();
    EXPECT_EQ(series6ToHub(&data, &database), kOk);
    return database;
}

Route hubRoute(int points) {
    Route route;
    initRoute(&route);
    for (int i = 0; i < points; ++i) {
        route.points.push_back({"P" + std::to_string(i), 7, i * 0.01, i * 0.02});
    }
    return route;
}

Track hubTrack(const std::vector<char>& flags, RgbColour colour) {
    Track track;
    initTrack(&track);
    track.colour = colour;
    for (std::size_t i = 0; i < flags.size(); ++i) {
        track.points.push_back({flags[i], 1.0 + static_cast<double>(i), 2.0});
    }
    return track;
}

Track plainTrack(std::size_t points, RgbColour colour = kRed) {
    return hubTrack(std::vector<char>(points, 'N'), colour);
}

Zone hubZone(std::size_t points, RgbColour colour) {
    Zone zone;
    initZone(&zone);
    zone.colour = colour;
    for (std::size_t i = 0; i < points; ++i) {
        zone.points.push_back({static_cast<double>(i), -static_cast<double>(i)});
    }
    return zone;
}

std::vector<int> trackCodes(const Series6Track& track) {
    std::vector<int> codes;
    for (const Series6TrackPoint& point : track.points) {
        codes.push_back(point.trackCode);
    }
    return codes;
}

std::vector<int> flags(const Track& track) {
    std::vector<int> result;
    for (const TrackPoint& point : track.points) {
        result.push_back(point.pointFlag);
    }
    return result;
}

// --- palette ------------------------------------------------------------------------------

TEST(Series6Palette, IndexesAndColoursBothWays) {
    const std::vector<RgbColour> colours = {{0, 0, 0},       {255, 0, 0},    {0, 255, 0},
                                            {255, 255, 0},   {0, 0, 255},    {255, 0, 255},
                                            {125, 125, 125}, {255, 255, 255}};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(Series6Palette::colour(i), colours[static_cast<std::size_t>(i)]) << i;
        EXPECT_EQ(Series6Palette::index(colours[static_cast<std::size_t>(i)]), i) << i;
    }
    for (int index : {-1, 8, 9, 255, 1 << 30}) {
        EXPECT_EQ(Series6Palette::colour(index), kBlack) << index;
    }
    for (RgbColour colour : {RgbColour{10, 20, 30}, RgbColour{254, 0, 0}, RgbColour{126, 125, 125},
                             RgbColour{0, 0, 254}}) {
        EXPECT_EQ(Series6Palette::index(colour), 0);
    }
}

// --- out of the hub -----------------------------------------------------------------------

TEST(Series6HubToSeries6, WaypointsAreRenumberedAndGetSymbol82) {
    NavDatabase database = emptyDatabase();
    Waypoint home;
    initWaypoint(&home);
    home.name = "HOME";
    home.symbol = 5;
    home.latitude = 34.5;
    home.longitude = -120.25;
    Waypoint buoy = home;
    buoy.name = "BUOY 12";
    buoy.symbol = 40;
    buoy.comment = "red can";
    buoy.latitude = -1.0;
    database.waypoints = {home, buoy};
    const Series6Data data = mapOut(database);
    ASSERT_EQ(data.waypoints.size(), 2u);
    EXPECT_EQ(data.waypoints[0].name, "0001");
    EXPECT_EQ(data.waypoints[1].name, "0002");
    EXPECT_EQ(data.waypoints[0].symbol, 82);
    EXPECT_EQ(data.waypoints[1].symbol, 82);
    EXPECT_DOUBLE_EQ(data.waypoints[0].latitude, 34.5);
    EXPECT_DOUBLE_EQ(data.waypoints[0].longitude, -120.25);
    EXPECT_DOUBLE_EQ(data.waypoints[1].latitude, -1.0);
    EXPECT_EQ(writtenSection(data, Series6Waypoints),
              "$NRM\r\n$0001,82,34D30.000N,120D15.000W,\r\n$0002,82,1D00.000S,120D15.000W,\r\n"
              "$END\r\n\x1A");
}

TEST(Series6HubToSeries6, WaypointTableStopsAt4000) {
    NavDatabase database = emptyDatabase();
    Waypoint waypoint;
    initWaypoint(&waypoint);
    database.waypoints.assign(4001, waypoint);
    const Series6Data data = mapOut(database);
    ASSERT_EQ(data.waypoints.size(), 4000u);
    EXPECT_EQ(data.waypoints.back().name, "4000");
}

TEST(Series6HubToSeries6, RoutePointsAreNumberedWithAGapAfterEachRoute) {
    NavDatabase database = emptyDatabase();
    database.routes = {hubRoute(3), hubRoute(2)};
    const Series6Data data = mapOut(database);
    ASSERT_EQ(pointCounts(data.routes), (std::vector<std::size_t>{3, 2}));
    std::vector<std::string> names;
    for (const Series6Route& route : data.routes) {
        for (const Series6RoutePoint& point : route.points) {
            names.push_back(point.name);
            EXPECT_EQ(point.pointCode, 0xC0);
        }
    }
    EXPECT_EQ(names, (std::vector<std::string>{"0001", "0002", "0003", "0005", "0006"}));
    EXPECT_DOUBLE_EQ(data.routes[1].points[1].latitude, 0.01);
    EXPECT_DOUBLE_EQ(data.routes[1].points[1].longitude, 0.02);
}

TEST(Series6HubToSeries6, RouteBudgetKeepsEveryNumberAtOrBelow100) {
    struct Case {
        std::vector<int> hubRoutes;
        std::vector<std::size_t> kept;
        std::string lastName;
    };
    const std::vector<Case> cases = {
        {{60, 50}, {60, 39}, "0100"},
        {{99, 5}, {99}, "0099"},
        {{100}, {100}, "0100"},
        {{101}, {100}, "0100"}, // the route table of the device holds 100 points
        {{100, 1}, {100}, "0100"},
        {{98, 1}, {98, 1}, "0100"},
        {{98, 2}, {98, 1}, "0100"},
        {{0, 3}, {0, 3}, "0004"}, // a route without points still takes its gap
        {{98, 0, 5}, {98, 0}, "0098"},
        {{10, 10, 10}, {10, 10, 10}, "0032"},
    };
    for (const Case& c : cases) {
        NavDatabase database = emptyDatabase();
        for (int points : c.hubRoutes) {
            database.routes.push_back(hubRoute(points));
        }
        const Series6Data data = mapOut(database);
        EXPECT_EQ(pointCounts(data.routes), c.kept) << c.hubRoutes.front();
        std::string last;
        for (const Series6Route& route : data.routes) {
            if (!route.points.empty()) {
                last = route.points.back().name;
            }
        }
        EXPECT_EQ(last, c.lastName) << c.hubRoutes.front();
    }
}

TEST(Series6HubToSeries6, RouteTableStopsAt100Routes) {
    NavDatabase database = emptyDatabase();
    database.routes.assign(150, hubRoute(0));
    EXPECT_EQ(mapOut(database).routes.size(), 100u);
}

TEST(Series6HubToSeries6, SecondRouteCutTo39PointsEndsAtNumber100) {
    NavDatabase database = emptyDatabase();
    database.routes = {hubRoute(60), hubRoute(50)};
    const Series6Data data = mapOut(database);
    ASSERT_EQ(pointCounts(data.routes), (std::vector<std::size_t>{60, 39}));
    EXPECT_EQ(data.routes[0].points.front().name, "0001");
    EXPECT_EQ(data.routes[0].points.back().name, "0060");
    EXPECT_EQ(data.routes[1].points.front().name, "0062");
    EXPECT_EQ(data.routes[1].points.back().name, "0100");
    EXPECT_DOUBLE_EQ(data.routes[1].points.back().latitude, 38 * 0.01) << "the first 39 stay";
}

TEST(Series6HubToSeries6, TrackCodesComeFromFlagsAndPalette) {
    struct Case {
        std::vector<char> flags;
        RgbColour colour;
        std::vector<int> codes;
    };
    const std::vector<Case> cases = {
        {{'N', 'N', 'S', 'N', 'N'}, kRed, {1, 1, 0, 1, 0}},
        {{'N', 'N', 'N'}, RgbColour{10, 20, 30}, {0, 0, 0}},
        {{'N', 'N', 'N'}, kBlack, {0, 0, 0}},
        {{'N', 'N'}, RgbColour{255, 255, 255}, {7, 0}},
        {{'S'}, kBlue, {0}},
        {{'X', 'N'}, RgbColour{125, 125, 125}, {6, 0}},
    };
    for (const Case& c : cases) {
        NavDatabase database = emptyDatabase();
        database.tracks = {hubTrack(c.flags, c.colour)};
        const Series6Data data = mapOut(database);
        ASSERT_EQ(data.tracks.size(), 1u);
        EXPECT_EQ(trackCodes(data.tracks[0]), c.codes);
        EXPECT_DOUBLE_EQ(data.tracks[0].points.back().latitude,
                         static_cast<double>(c.flags.size()));
    }
}

TEST(Series6HubToSeries6, TrackBudgetCutsTheTrackThatReaches8000) {
    NavDatabase database = emptyDatabase();
    database.tracks = {plainTrack(5000), plainTrack(4000), plainTrack(10)};
    Series6Data data = mapOut(database);
    ASSERT_EQ(pointCounts(data.tracks), (std::vector<std::size_t>{5000, 3000}));
    EXPECT_EQ(data.tracks[1].points.back().trackCode, 1) << "the kept last point keeps its code";
    EXPECT_EQ(data.tracks[0].points.back().trackCode, 0);

    database.tracks = {plainTrack(7999), plainTrack(0), plainTrack(1), plainTrack(1)};
    data = mapOut(database);
    EXPECT_EQ(pointCounts(data.tracks), (std::vector<std::size_t>{7999, 0, 1}));

    database.tracks = {plainTrack(8001), plainTrack(1)};
    data = mapOut(database);
    ASSERT_EQ(pointCounts(data.tracks), (std::vector<std::size_t>{8000}));
    EXPECT_EQ(data.tracks[0].points.back().trackCode, 0) << "the device track ends at 8,000";
}

TEST(Series6HubToSeries6, ZonesBecomeBoundariesCodedByPalette) {
    NavDatabase database = emptyDatabase();
    database.zones = {hubZone(4, kBlue), hubZone(1, RgbColour{1, 2, 3})};
    const Series6Data data = mapOut(database);
    ASSERT_EQ(data.boundaries.size(), 2u);
    EXPECT_EQ(data.boundaries[0].colourIndex, 4);
    std::vector<int> codes;
    for (const Series6BoundaryPoint& point : data.boundaries[0].points) {
        codes.push_back(point.pointCode);
    }
    EXPECT_EQ(codes, (std::vector<int>{0x80, 0x80, 0x80, 0xC0}));
    EXPECT_EQ(data.boundaries[1].colourIndex, 0);
    EXPECT_EQ(data.boundaries[1].points[0].pointCode, 0xC0);
    EXPECT_EQ(writtenSection(data, Series6Boundaries), "$BND\r\n"
                                                       "$04,000,80,0D00.000N,0D00.000E\r\n"
                                                       "$04,001,80,1D00.000N,1D00.000W\r\n"
                                                       "$04,002,80,2D00.000N,2D00.000W\r\n"
                                                       "$04,003,C0,3D00.000N,3D00.000W\r\n"
                                                       "$00,000,C0,0D00.000N,0D00.000E\r\n"
                                                       "$END\r\n\x1A");
}

TEST(Series6HubToSeries6, BoundaryBudgetAndCapacities) {
    NavDatabase database = emptyDatabase();
    database.zones = {hubZone(150, kRed), hubZone(100, kRed), hubZone(3, kRed)};
    Series6Data data = mapOut(database);
    ASSERT_EQ(pointCounts(data.boundaries), (std::vector<std::size_t>{150, 50}));
    EXPECT_EQ(data.boundaries[1].points.back().pointCode, 0x80);

    database.zones = {hubZone(201, kRed)};
    data = mapOut(database);
    ASSERT_EQ(pointCounts(data.boundaries), (std::vector<std::size_t>{200}));
    EXPECT_EQ(data.boundaries[0].points.back().pointCode, 0xC0);
    EXPECT_DOUBLE_EQ(data.boundaries[0].points.back().latitude, 199.0);

    database.zones.assign(250, hubZone(0, kRed));
    EXPECT_EQ(mapOut(database).boundaries.size(), 200u);
}

TEST(Series6HubToSeries6, MarksAndLinesHaveNoCounterpart) {
    NavDatabase database = emptyDatabase();
    Mark mark;
    initMark(&mark);
    Line line;
    initLine(&line);
    line.points.push_back({1.0, 1.0});
    database.marks = {mark, mark};
    database.lines = {line};
    const Series6Data data = mapOut(database);
    EXPECT_TRUE(data.waypoints.empty() && data.routes.empty() && data.tracks.empty() &&
                data.boundaries.empty());
}

// --- into the hub -------------------------------------------------------------------------

TEST(Series6ToHub, RecordsMapWithGreenRoutesPaletteColoursAndDefaults) {
    const ScopedClock clock(1700000000); // 2023-11-14 UTC
    Series6Data data;
    data.waypoints = {{"0001", 82, 1.0, 2.0},
                      {"0002", 300, 3.0, 4.0},
                      {"0003", -1, 0.0, 0.0},
                      {"0004", 255, 0.0, 0.0}};
    data.routes = {{{{"0001", 0xC0, 1.0, 1.0}, {"0002", 0x1FF, 2.0, 2.0}}},
                   {{{"0004", 0xC0, 3.0, 3.0}}}};
    data.tracks = {{{{9, 1.0, 1.0}, {0, 2.0, 2.0}}}, {{{3, 1.0, 1.0}, {3, 2.0, 2.0}}}};
    data.boundaries = {{4, {{0x80, 1.0, 1.0}, {0xC0, 2.0, 2.0}}}, {12, {{0xC0, 0.0, 0.0}}}};
    const NavDatabase database = mapIn(data);

    ASSERT_EQ(database.waypoints.size(), 4u);
    EXPECT_EQ(database.waypoints[0].name, "0001");
    EXPECT_EQ(database.waypoints[0].symbol, 82u);
    EXPECT_EQ(database.waypoints[1].symbol, 0u);
    EXPECT_EQ(database.waypoints[2].symbol, 0u);
    EXPECT_EQ(database.waypoints[3].symbol, 255u);
    EXPECT_EQ(database.waypoints[1].comment, "");
    EXPECT_EQ(database.waypoints[1].date, (RecordDate{14, 11, 2023}));
    EXPECT_DOUBLE_EQ(database.waypoints[1].longitude, 4.0);

    ASSERT_EQ(database.routes.size(), 2u);
    EXPECT_EQ(database.routes[0].colour, (RgbColour{0, 255, 0}));
    EXPECT_EQ(database.routes[1].number, 2);
    EXPECT_EQ(database.routes[0].points[0].symbol, 192u);
    EXPECT_EQ(database.routes[0].points[1].symbol, 0u);
    EXPECT_EQ(database.routes[0].points[1].name, "0002");

    ASSERT_EQ(database.tracks.size(), 2u);
    EXPECT_EQ(database.tracks[0].colour, kBlack) << "code 9 is outside the palette";
    EXPECT_EQ(database.tracks[1].colour, (RgbColour{255, 255, 0}));
    EXPECT_EQ(flags(database.tracks[0]), (std::vector<int>{'N', 'S'}));
    EXPECT_EQ(flags(database.tracks[1]), (std::vector<int>{'N', 'N'}));
    EXPECT_EQ(database.tracks[1].number, 2);

    ASSERT_EQ(database.zones.size(), 2u);
    EXPECT_EQ(database.zones[0].colour, kBlue);
    EXPECT_EQ(database.zones[0].zoneKind, 2);
    EXPECT_EQ(database.zones[0].points.size(), 2u);
    EXPECT_EQ(database.zones[1].colour, kBlack);
    EXPECT_EQ(database.zones[1].number, 2);
}

TEST(Series6ToHub, FullHubTablesEndTheirKindSilently) {
    Series6Data data;
    data.tracks.assign(1001, Series6Track{{{0, 1.0, 1.0}}});
    data.boundaries.assign(2, Series6Boundary{1, {{0xC0, 0.0, 0.0}}});
    NavDatabase database = emptyDatabase();
    EXPECT_EQ(series6ToHub(&data, &database), kOk);
    EXPECT_EQ(database.tracks.size(), 1000u);
    EXPECT_EQ(database.tracks.back().number, 1000);
    EXPECT_EQ(database.zones.size(), 2u) << "the next kind is still mapped";
}

TEST(Series6Mapping, MissingArgumentsGiveFive) {
    Series6Data data;
    NavDatabase database;
    EXPECT_EQ(series6ToHub(nullptr, &database), 5);
    EXPECT_EQ(series6ToHub(&data, nullptr), 5);
    EXPECT_EQ(hubToSeries6(nullptr, &data), 5);
    EXPECT_EQ(hubToSeries6(&database, nullptr), 5);
}

// --- through the files --------------------------------------------------------------------

NavDatabase throughSection(const NavDatabase& database, int kind) {
    std::string bytes = writtenSection(mapOut(database), kind);
    return mapIn(readBytesAsSeries6(bytes));
}

TEST(Series6RoundTrip, RedTrackWithAnEndOfRunComesBackAsTwoRedTracks) {
    NavDatabase database = emptyDatabase();
    database.tracks = {hubTrack({'N', 'N', 'S', 'N', 'N'}, kRed)};
    const NavDatabase back = throughSection(database, Series6Tracks);
    ASSERT_EQ(back.tracks.size(), 2u);
    EXPECT_EQ(back.tracks[0].colour, kRed);
    EXPECT_EQ(back.tracks[1].colour, kRed);
    EXPECT_EQ(flags(back.tracks[0]), (std::vector<int>{'N', 'N', 'S'}));
    EXPECT_EQ(flags(back.tracks[1]), (std::vector<int>{'N', 'S'}));
    EXPECT_DOUBLE_EQ(back.tracks[1].points[0].latitude, 4.0);
}

TEST(Series6RoundTrip, TwoBlackTracksComeBackAsOne) {
    NavDatabase database = emptyDatabase();
    database.tracks = {plainTrack(3, kBlack), plainTrack(3, kBlack)};
    const NavDatabase back = throughSection(database, Series6Tracks);
    ASSERT_EQ(back.tracks.size(), 1u);
    EXPECT_EQ(back.tracks[0].colour, kBlack);
    EXPECT_EQ(flags(back.tracks[0]), (std::vector<int>(6, 'S')));
}

TEST(Series6RoundTrip, ZoneComesBackAsOneBoundaryOfFourPoints) {
    NavDatabase database = emptyDatabase();
    database.zones = {hubZone(4, kBlue)};
    const NavDatabase back = throughSection(database, Series6Boundaries);
    ASSERT_EQ(back.zones.size(), 1u);
    EXPECT_EQ(back.zones[0].colour, kBlue);
    ASSERT_EQ(back.zones[0].points.size(), 4u);
    EXPECT_DOUBLE_EQ(back.zones[0].points[3].longitude, -3.0);
}

TEST(Series6RoundTrip, SeveralZonesComeBackSeparately) {
    NavDatabase database = emptyDatabase();
    database.zones = {hubZone(3, kBlue), hubZone(2, kRed), hubZone(5, RgbColour{0, 255, 0})};
    const NavDatabase back = throughSection(database, Series6Boundaries);
    ASSERT_EQ(back.zones.size(), 3u);
    EXPECT_EQ(back.zones[1].colour, kRed);
    EXPECT_EQ(back.zones[2].points.size(), 5u);
}

TEST(Series6RoundTrip, RoutesSplitAgainAtTheGaps) {
    NavDatabase database = emptyDatabase();
    database.routes = {hubRoute(3), hubRoute(1), hubRoute(2)};
    const NavDatabase back = throughSection(database, Series6Routes);
    ASSERT_EQ(back.routes.size(), 3u);
    EXPECT_EQ(back.routes[0].points.size(), 3u);
    EXPECT_EQ(back.routes[1].points.size(), 1u);
    EXPECT_EQ(back.routes[2].points[1].name, "0008");
    EXPECT_EQ(back.routes[2].number, 3);
    EXPECT_EQ(back.routes[2].colour, (RgbColour{0, 255, 0}));
}

} // namespace
} // namespace velmar::test
