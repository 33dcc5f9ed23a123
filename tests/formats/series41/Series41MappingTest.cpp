// Series 41 files to and from the navigation database: widths, the character filter, symbols,
// duplicate names, route points attached by position, limits, and file errors.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "Series41TestHelpers.h"
#include "core/Clock.h"
#include "formats/series41/Series41File.h"
#include "formats/series41/Series41Mapping.h"

namespace velmar {
namespace {

using test::crlf;
using test::waypointLine;

constexpr char kEnd[] = "$PFEC,GPxfr,CTL,E";
constexpr std::int64_t kMay5th2021 = 1620216000; // 2021-05-05 12:00:00 UTC

Waypoint hubWaypoint(const std::string& name, double latitude, double longitude,
                     std::uint32_t symbol = 16, const std::string& comment = "") {
    Waypoint waypoint;
    initWaypoint(&waypoint);
    waypoint.name = name;
    waypoint.latitude = latitude;
    waypoint.longitude = longitude;
    waypoint.symbol = symbol;
    waypoint.comment = comment;
    return waypoint;
}

RoutePoint hubPoint(const std::string& name, double latitude, double longitude,
                    std::uint32_t symbol = 16) {
    RoutePoint point;
    initRoutePoint(&point);
    point.name = name;
    point.latitude = latitude;
    point.longitude = longitude;
    point.symbol = symbol;
    return point;
}

// The bytes of the Series 41 file written from the database.
std::string writeFileBytes(NavDatabase* database) {
    test::TempDir dir;
    const std::string path = dir.file("out.s41");
    EXPECT_EQ(writeSeries41File(database, path.c_str()), 0);
    return test::readBytes(path);
}

// The file read back into a record set, to look at what was written.
Series41Data writtenSet(NavDatabase* database) {
    Series41Data set;
    EXPECT_EQ(test::readSentenceBytes(writeFileBytes(database), &set), 0);
    return set;
}

NavDatabase readFileBytes(const std::string& bytes) {
    test::TempDir dir;
    const std::string path = dir.file("in.s41");
    test::writeBytes(path, bytes);
    NavDatabase database;
    initNavDatabase(&database);
    EXPECT_EQ(readSeries41File(path.c_str(), &database), 0);
    return database;
}

ResultCode put(NavDatabase* database, const Waypoint& waypoint) {
    return addWaypoint(database, &waypoint);
}

ResultCode put(Route* route, const RoutePoint& point) {
    return addRoutePoint(route, &point);
}

std::string name3(int i) {
    char text[16];
    std::snprintf(text, sizeof text, "%03d", i);
    return text;
}

// ---- Series 41 into the hub ----

TEST(Series41ToHub, WaypointsTakeTodaysDateAndTheirFields) {
    const ScopedClock clock(kMay5th2021);
    const NavDatabase database = readFileBytes(crlf({
        "$PFEC,GPwpl,3512.345,N,13945.678,E,HOME  ,,@qMARINA          ,A,,,,",
        kEnd,
    }));
    ASSERT_EQ(database.waypoints.size(), 1u);
    const Waypoint& w = database.waypoints[0];
    EXPECT_EQ(w.name, "HOME");
    EXPECT_EQ(w.comment, "MARINA          "); // trailing spaces as read
    EXPECT_EQ(w.symbol, 16u);
    EXPECT_DOUBLE_EQ(w.latitude, 35.0 + 12.345 / 60.0);
    EXPECT_DOUBLE_EQ(w.longitude, 139.0 + 45.678 / 60.0);
    EXPECT_EQ(w.date, (RecordDate{5, 5, 2021}));
    EXPECT_EQ(w.colour, RgbColour{});
    EXPECT_EQ(w.altitude, 0.0);
}

TEST(Series41ToHub, SymbolLettersTable) {
    struct Case {
        std::string field8;
        std::uint32_t symbol;
    };
    const Case cases[] = {
        {"@a", 0u}, {"@q", 16u}, {"@u", 20u},   {"@z", 25u},   {"@\x7F", 30u},
        {"@A", 0u}, {"@", 0u},   {"@\xE1", 0u}, {"@\xFF", 0u}, {"@`", 0u},
    };
    for (const Case& c : cases) {
        const NavDatabase database = readFileBytes(
            crlf({"$PFEC,GPwpl,0100.000,N,00100.000,E,S     ,," + c.field8 + ",A,,,,"}));
        ASSERT_EQ(database.waypoints.size(), 1u) << c.field8;
        EXPECT_EQ(database.waypoints[0].symbol, c.symbol) << c.field8;
    }
}

TEST(Series41ToHub, RoutesAreNamedByTheirNumberAndRenumbered) {
    const ScopedClock clock(kMay5th2021);
    const NavDatabase database = readFileBytes(crlf({
        waypointLine("A", 10.0, 20.0, 'r'),
        waypointLine("B", 11.0, 21.0, 'a'),
        "$GPRTE,1,1,C,07, A     , B     , C     ",
        "$PFEC,GPrtc,07,SOUND PASSAGE",
        "$GPRTE,1,1,C,123456789, B",
        "$GPRTE,1,1,C,-5, A",
        "$GPRTE,1,1,C,02",
        kEnd,
    }));
    ASSERT_EQ(database.routes.size(), 4u);
    const Route& r = database.routes[0];
    EXPECT_EQ(r.number, 1);
    EXPECT_EQ(r.name, "7");
    EXPECT_EQ(r.comment, "SOUND PASSAGE");
    EXPECT_EQ(r.date, (RecordDate{5, 5, 2021}));
    ASSERT_EQ(r.points.size(), 3u);
    EXPECT_EQ(r.points[0].name, "A");
    EXPECT_DOUBLE_EQ(r.points[0].latitude, 10.0);
    EXPECT_DOUBLE_EQ(r.points[0].longitude, 20.0);
    EXPECT_EQ(r.points[0].symbol, 17u);
    EXPECT_EQ(r.points[1].symbol, 0u);
    EXPECT_EQ(r.points[2].name, "C"); // no waypoint of that name: 0,0 and symbol 16
    EXPECT_EQ(r.points[2].latitude, 0.0);
    EXPECT_EQ(r.points[2].symbol, 16u);
    EXPECT_EQ(database.routes[1].name, "12345678"); // cut to the hub's 8 characters
    EXPECT_EQ(database.routes[1].number, 2);
    EXPECT_EQ(database.routes[2].name, "-5");
    EXPECT_EQ(database.routes[3].name, "2");
    EXPECT_TRUE(database.routes[3].points.empty());
    EXPECT_EQ(database.routes[3].number, 4);
}

TEST(Series41ToHub, MissingArgumentsAndUnreadableFiles) {
    NavDatabase database;
    initNavDatabase(&database);
    test::TempDir dir;
    EXPECT_EQ(readSeries41File(nullptr, &database), 5);
    EXPECT_EQ(readSeries41File(dir.file("x").c_str(), nullptr), 5);
    EXPECT_EQ(readSeries41File(dir.file("missing.s41").c_str(), &database), 2);
    EXPECT_EQ(readSeries41File(dir.path().string().c_str(), &database), 2);
    EXPECT_EQ(readSeries41File("", &database), 2);
    EXPECT_EQ(series41ToHub(nullptr, &database), 5);
    const Series41Data set;
    EXPECT_EQ(series41ToHub(&set, nullptr), 5);
    EXPECT_EQ(hubToSeries41(&database, nullptr), 5);
    Series41Data out;
    EXPECT_EQ(hubToSeries41(nullptr, &out), 5);
    if (::geteuid() != 0) {
        const std::string locked = dir.file("locked.s41");
        test::writeBytes(locked, waypointLine("A") + "\r\n");
        ASSERT_EQ(::chmod(locked.c_str(), 0), 0);
        EXPECT_EQ(readSeries41File(locked.c_str(), &database), 2);
    }
    EXPECT_TRUE(database.waypoints.empty());
}

// ---- the hub into Series 41 ----

TEST(HubToSeries41, WidthsFilterAndSymbols) {
    NavDatabase database;
    initNavDatabase(&database);
    put(&database, hubWaypoint("Harbour", 1.0, 1.0, 5, "Fuel dock"));
    put(&database, hubWaypoint("buoy 1", 2.0, 2.0, 20, "A_&()+-/=?}Z09 !"));
    put(&database, hubWaypoint("X", 3.0, 3.0, 24, "Longer than sixteen"));
    put(&database, hubWaypoint("Y", 4.0, 4.0, 25,
                               "\x80\xFF"
                               "abc\t,*$"));
    put(&database, hubWaypoint("Z", 5.0, 5.0, 15, ""));
    EXPECT_EQ(writeFileBytes(&database),
              crlf({
                  "$PFEC,GPwpl,0100.000,N,00100.000,E,Harbou,,@qF????????       ,A,,,,",
                  "$PFEC,GPwpl,0200.000,N,00200.000,E,buoy 1,,@uA_&()+-/=?}Z09??,A,,,,",
                  "$PFEC,GPwpl,0300.000,N,00300.000,E,X     ,,@yL???????????????,A,,,,",
                  "$PFEC,GPwpl,0400.000,N,00400.000,E,Y     ,,@q?????????       ,A,,,,",
                  "$PFEC,GPwpl,0500.000,N,00500.000,E,Z     ,,@q                ,A,,,,",
                  kEnd,
              }));
}

TEST(HubToSeries41, FilterKeepsOnlyTheDeviceCharacters) {
    std::string all;
    for (int c = 1; c < 256; ++c) {
        all.push_back(static_cast<char>(c));
    }
    const std::string filtered = filterSeries41Text(all);
    ASSERT_EQ(filtered.size(), all.size());
    const std::string kept = "&()+-/0123456789=?ABCDEFGHIJKLMNOPQRSTUVWXYZ_}";
    for (std::size_t i = 0; i < all.size(); ++i) {
        const bool allowed = kept.find(all[i]) != std::string::npos;
        EXPECT_EQ(filtered[i], allowed ? all[i] : '?') << i + 1;
    }
}

TEST(HubToSeries41, NamesDifferingInTheSixthCharacterStay) {
    NavDatabase database;
    initNavDatabase(&database);
    put(&database, hubWaypoint("BUOY 1", 1.0, 1.0));
    put(&database, hubWaypoint("BUOY 2", 2.0, 2.0));
    const Series41Data set = writtenSet(&database);
    ASSERT_EQ(set.waypoints.size(), 2u);
    // The reader stops a name at its first space; the file holds the full names.
    const std::string bytes = writeFileBytes(&database);
    EXPECT_NE(bytes.find(",BUOY 1,,"), std::string::npos);
    EXPECT_NE(bytes.find(",BUOY 2,,"), std::string::npos);
}

TEST(HubToSeries41, DuplicateSixCharacterNamesRenameEveryWaypoint) {
    NavDatabase database;
    initNavDatabase(&database);
    put(&database, hubWaypoint("START", 1.0, 1.0, 17));
    put(&database, hubWaypoint("MARINA1", 2.0, 2.0, 18));
    put(&database, hubWaypoint("MARINA2", 3.0, 3.0, 19));
    Route route;
    initRoute(&route);
    route.comment = "Marinas";
    put(&route, hubPoint("MARINA2", 3.0, 3.0, 19));
    put(&route, hubPoint("START", 1.0, 1.0, 17));
    put(&route, hubPoint("MARINA1", 2.0, 2.0, 18));
    addRoute(&database, &route);
    EXPECT_EQ(writeFileBytes(&database),
              crlf({
                  "$PFEC,GPwpl,0100.000,N,00100.000,E,001   ,,@r                ,A,,,,",
                  "$PFEC,GPwpl,0200.000,N,00200.000,E,002   ,,@s                ,A,,,,",
                  "$PFEC,GPwpl,0300.000,N,00300.000,E,003   ,,@t                ,A,,,,",
                  "$GPRTE,1,1,C,01, 003   , 001   , 002   ",
                  "$PFEC,GPrtc,01,M??????",
                  kEnd,
              }));
}

TEST(HubToSeries41, WaypointLimits) {
    struct Case {
        const char* label;
        int count;
        int duplicateOf;    // index whose name the last waypoint of the first 999 repeats, or -1
        int extraDuplicate; // index 999 (the 1000th) repeats this name, or -1
        std::size_t written;
        bool renamed;
    };
    const Case cases[] = {
        {"1200 distinct", 1200, -1, -1, 999, false},
        {"1200 with a duplicate among the first 999", 1200, 0, -1, 996, true},
        {"duplicate only past the 999th", 1200, -1, 0, 999, false},
        {"999 distinct", 999, -1, -1, 999, false},
        {"997 with a duplicate", 997, 3, -1, 996, true},
        {"996 with a duplicate", 996, 3, -1, 996, true},
        {"10 with a duplicate", 10, 3, -1, 10, true},
    };
    for (const Case& c : cases) {
        NavDatabase database;
        initNavDatabase(&database);
        for (int i = 0; i < c.count; ++i) {
            std::string name = "W" + std::to_string(i);
            if (i == std::min(c.count, 999) - 1 && c.duplicateOf >= 0) {
                name = "W" + std::to_string(c.duplicateOf);
            }
            if (i == 999 && c.extraDuplicate >= 0) {
                name = "W" + std::to_string(c.extraDuplicate);
            }
            put(&database, hubWaypoint(name, i * 0.01, 0.5));
        }
        const Series41Data set = writtenSet(&database);
        ASSERT_EQ(set.waypoints.size(), c.written) << c.label;
        EXPECT_EQ(set.waypoints.front().name, c.renamed ? "001" : "W0") << c.label;
        EXPECT_EQ(set.waypoints.back().name, c.renamed ? name3(static_cast<int>(c.written))
                                                       : "W" + std::to_string(c.written - 1))
            << c.label;
        EXPECT_NEAR(set.waypoints.back().latitude, (c.written - 1) * 0.01, 1e-9) << c.label;
    }
}

TEST(HubToSeries41, RouteOfFortyPointsKeepsItsFirstThirty) {
    NavDatabase database;
    initNavDatabase(&database);
    Route route;
    initRoute(&route);
    for (int i = 1; i <= 40; ++i) {
        put(&route, hubPoint(name3(i), i * 0.1, 1.0));
    }
    addRoute(&database, &route);
    const Series41Data set = writtenSet(&database);
    EXPECT_EQ(set.waypoints.size(), 40u); // every point became a waypoint
    ASSERT_EQ(set.routes.size(), 1u);
    ASSERT_EQ(set.routes[0].points.size(), 30u);
    EXPECT_EQ(set.routes[0].points.front().name, "001");
    EXPECT_EQ(set.routes[0].points.back().name, "030");
    EXPECT_EQ(set.routes[0].number, 1);
}

TEST(HubToSeries41, PointsTakeTheFirstWaypointAtTheirPosition) {
    NavDatabase database;
    initNavDatabase(&database);
    put(&database, hubWaypoint("HOME", 34.5, 135.25, 22));
    put(&database, hubWaypoint("ALSO", 34.5, 135.25, 18));
    Route route;
    initRoute(&route);
    // Same position at the grain of a thousandth of a minute.
    put(&route, hubPoint("WP7", 34.500001, 135.25, 3));
    put(&route, hubPoint("HOME", 34.5, 135.25, 22));
    addRoute(&database, &route);
    const std::string bytes = writeFileBytes(&database);
    EXPECT_NE(bytes.find("\r\n$GPRTE,1,1,C,01, HOME  , HOME  \r\n"), std::string::npos) << bytes;
    // The writer added a waypoint for WP7 to the database it was given, after the first two.
    ASSERT_EQ(database.waypoints.size(), 3u);
    EXPECT_EQ(database.waypoints[2].name, "WP7");
    const Series41Data set = writtenSet(&database);
    ASSERT_EQ(set.routes.size(), 1u);
    EXPECT_EQ(set.routes[0].points[0].symbol, 22);
}

TEST(HubToSeries41, PointsWithoutAWaypointAreRemovedAndEmptyRoutesDropped) {
    NavDatabase database;
    initNavDatabase(&database);
    for (int i = 0; i < 999; ++i) {
        put(&database, hubWaypoint("W" + std::to_string(i), 10.0 + i * 0.01, 10.0));
    }
    // Route 1: at no waypoint; the waypoints added for it come after the 999th.
    Route route;
    initRoute(&route);
    route.comment = "GONE";
    put(&route, hubPoint("P1", -1.0, -1.0));
    put(&route, hubPoint("P2", -2.0, -2.0));
    addRoute(&database, &route);
    clearRoutePoints(&route);
    // Route 2: one point on a waypoint, one out of range, one at no waypoint.
    route.comment = "KEPT";
    put(&route, hubPoint("X", 95.0, 10.0));
    put(&route, hubPoint("W5", 10.0 + 5 * 0.01, 10.0));
    put(&route, hubPoint("Q", -3.0, -3.0));
    addRoute(&database, &route);
    const std::string bytes = writeFileBytes(&database);
    EXPECT_NE(bytes.find("\r\n$GPRTE,1,1,C,01, W5    \r\n$PFEC,GPrtc,01,KEPT\r\n$PFEC,GPxfr,CTL,E"
                         "\r\n"),
              std::string::npos);
    EXPECT_EQ(bytes.find("GONE"), std::string::npos);
    EXPECT_EQ(bytes.find("P1"), std::string::npos);
}

TEST(HubToSeries41, PointsOnAWaypointWithoutANameAreRemoved) {
    NavDatabase database;
    initNavDatabase(&database);
    put(&database, hubWaypoint("", 1.0, 1.0, 0));
    put(&database, hubWaypoint("NAMED", 2.0, 2.0));
    Route route;
    initRoute(&route);
    route.comment = "FIRST";
    put(&route, hubPoint("", 1.0, 1.0, 0)); // matches the unnamed waypoint
    addRoute(&database, &route);
    clearRoutePoints(&route);
    route.comment = "SECOND";
    put(&route, hubPoint("", 1.0, 1.0, 0));
    put(&route, hubPoint("NAMED", 2.0, 2.0));
    addRoute(&database, &route);
    const Series41Data set = writtenSet(&database);
    ASSERT_EQ(database.waypoints.size(), 2u); // nothing had to be added
    ASSERT_EQ(set.routes.size(), 1u);
    EXPECT_EQ(set.routes[0].number, 1);
    EXPECT_EQ(set.routes[0].name, "SECOND");
    ASSERT_EQ(set.routes[0].points.size(), 1u);
    EXPECT_EQ(set.routes[0].points[0].name, "NAMED");
}

TEST(HubToSeries41, FiftyRoutesAtMost) {
    NavDatabase database;
    initNavDatabase(&database);
    Route route;
    for (int i = 0; i < 60; ++i) {
        initRoute(&route);
        route.comment = "R" + std::to_string(i);
        put(&route, hubPoint("P" + std::to_string(i), 1.0 + i * 0.01, 1.0));
        addRoute(&database, &route);
        clearRoutePoints(&route);
    }
    const Series41Data set = writtenSet(&database);
    ASSERT_EQ(set.routes.size(), 50u);
    EXPECT_EQ(set.routes.back().number, 50);
    EXPECT_EQ(set.routes.back().name, "R49");
}

TEST(HubToSeries41, DirectMappingWithoutAddedWaypoints) {
    // Without the writer's step that adds waypoints, a point at no waypoint drops its route.
    NavDatabase database;
    initNavDatabase(&database);
    put(&database, hubWaypoint("A", 1.0, 1.0));
    Route route;
    initRoute(&route);
    put(&route, hubPoint("NOWHERE", 5.0, 5.0));
    addRoute(&database, &route);
    clearRoutePoints(&route);
    put(&route, hubPoint("ALIAS", 1.0, 1.0));
    addRoute(&database, &route);
    Series41Data set;
    ASSERT_EQ(hubToSeries41(&database, &set), 0);
    ASSERT_EQ(set.routes.size(), 1u);
    EXPECT_EQ(set.routes[0].number, 1);
    EXPECT_EQ(set.routes[0].points[0].name, "A");
    EXPECT_EQ(database.waypoints.size(), 1u);
}

TEST(HubToSeries41, FileErrors) {
    NavDatabase database;
    initNavDatabase(&database);
    Route route;
    initRoute(&route);
    put(&route, hubPoint("P", 1.0, 1.0));
    addRoute(&database, &route);
    test::TempDir dir;
    EXPECT_EQ(writeSeries41File(nullptr, dir.file("a.s41").c_str()), 5);
    EXPECT_EQ(writeSeries41File(&database, nullptr), 5);
    EXPECT_EQ(writeSeries41File(&database, dir.file("no/such/folder.s41").c_str()), 2);
    EXPECT_EQ(writeSeries41File(&database, dir.path().string().c_str()), 2);
    // A file that cannot be created leaves the database as it was.
    EXPECT_TRUE(database.waypoints.empty());
    if (test::fileExists("/dev/full")) {
        EXPECT_EQ(writeSeries41File(&database, "/dev/full"), 1);
    }
    // An existing file is replaced.
    const std::string path = dir.file("old.s41");
    test::writeBytes(path, std::string(5000, 'x'));
    ASSERT_EQ(writeSeries41File(&database, path.c_str()), 0);
    EXPECT_EQ(test::readBytes(path),
              crlf({"$PFEC,GPwpl,0100.000,N,00100.000,E,P     ,,@q                ,A,,,,",
                    "$GPRTE,1,1,C,01, P     ", "$PFEC,GPrtc,01,", kEnd}));
}

TEST(HubToSeries41, RoundTripKeepsWhatTheDevicesHold) {
    const ScopedClock clock(kMay5th2021);
    NavDatabase database;
    initNavDatabase(&database);
    put(&database, hubWaypoint("NORTH", 12.5, -45.75, 18, "WATER + FUEL"));
    put(&database, hubWaypoint("SOUTH", -33.125, 151.5, 23, "ANCHOR"));
    Route route;
    initRoute(&route);
    route.comment = "CROSSING";
    put(&route, hubPoint("NORTH", 12.5, -45.75, 18));
    put(&route, hubPoint("SOUTH", -33.125, 151.5, 23));
    addRoute(&database, &route);

    const NavDatabase back = readFileBytes(writeFileBytes(&database));
    ASSERT_EQ(back.waypoints.size(), 2u);
    EXPECT_EQ(back.waypoints[0].name, "NORTH");
    EXPECT_EQ(back.waypoints[0].comment, "WATER?+?FUEL    ");
    EXPECT_EQ(back.waypoints[0].symbol, 18u);
    EXPECT_NEAR(back.waypoints[0].latitude, 12.5, 1e-9);
    EXPECT_NEAR(back.waypoints[0].longitude, -45.75, 1e-9);
    EXPECT_NEAR(back.waypoints[1].latitude, -33.125, 1e-9);
    ASSERT_EQ(back.routes.size(), 1u);
    EXPECT_EQ(back.routes[0].name, "1");
    EXPECT_EQ(back.routes[0].comment, "CROSSING");
    ASSERT_EQ(back.routes[0].points.size(), 2u);
    EXPECT_EQ(back.routes[0].points[1].name, "SOUTH");
    EXPECT_EQ(back.routes[0].points[1].symbol, 23u);
    EXPECT_NEAR(back.routes[0].points[1].longitude, 151.5, 1e-9);
}

} // namespace
} // namespace velmar
