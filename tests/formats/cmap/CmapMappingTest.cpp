#include <gtest/gtest.h>

#include "CmapTestSupport.h"
#include "TestSupport.h"
#include "core/Clock.h"
#include "formats/cmap/CmapFile.h"

namespace velmar {
namespace {

constexpr std::int64_t kNoonMarch15 = 1331812800;  // 2012-03-15 12:00:00 UTC
constexpr std::int64_t kJuly4Morning = 1341392400; // 2012-07-04 09:00:00 UTC

NavDatabase hubWithRoute() {
    NavDatabase db;
    initNavDatabase(&db);
    Route route;
    initRoute(&route);
    route.name = "R1";
    route.comment = "harbour";
    route.colour = {255, 0, 0};
    const std::uint32_t symbols[] = {3, 300, 255};
    for (int i = 0; i < 3; ++i) {
        RoutePoint point;
        point.name = "P" + std::to_string(i + 1);
        point.symbol = symbols[i];
        point.latitude = 34.5 + i;
        point.longitude = 135.0;
        addRoutePoint(&route, &point);
    }
    addRoute(&db, &route);
    return db;
}

TEST(CmapMapping, AHubRouteBecomesARouteDocument) {
    ScopedClock clock(kNoonMarch15);
    test::TempDir dir;
    NavDatabase db = hubWithRoute();
    const std::string base = dir.file("trip.cmap");
    ASSERT_EQ(writeCmapFiles(&db, base.c_str()), kOk);
    EXPECT_FALSE(test::fileExists(base + ".Marks.UP.xml"));
    EXPECT_FALSE(test::fileExists(base + ".Multi TRK.TRK.xml"));
    std::string expected = "<C_MAP>\r\n    <ROUTE>\r\n        <NAME>R1</NAME>\r\n"
                           "        <DESCRIPTION>harbour</DESCRIPTION>\r\n"
                           "        <COLOR>BLACK</COLOR>\r\n";
    const char* const latitudes[] = {"34 30.000 N", "35 30.000 N", "36 30.000 N"};
    const char* const icons[] = {"3", "0", "255"}; // 300 is not carried
    for (int i = 0; i < 3; ++i) {
        expected += "        <WAYPOINT>\r\n";
        expected += "            <NAME>P" + std::to_string(i + 1) + "</NAME>\r\n";
        expected += "            <DESCRIPTION></DESCRIPTION>\r\n";
        expected += std::string("            <LATITUDE>") + latitudes[i] + "</LATITUDE>\r\n";
        expected += "            <LONGITUDE>135 00.000 E</LONGITUDE>\r\n"
                    "            <ALTITUDE>0.000000</ALTITUDE>\r\n"
                    "            <SPEED>0.000000</SPEED>\r\n"
                    "            <TYPE>1</TYPE>\r\n";
        expected += std::string("            <ICON>") + icons[i] + "</ICON>\r\n";
        expected += "            <ICONCOLOR>0</ICONCOLOR>\r\n"
                    "            <DATE_TIME>1331812800</DATE_TIME>\r\n"
                    "            <BEARING>0.000000</BEARING>\r\n"
                    "            <DISTANCE>0.000000</DISTANCE>\r\n"
                    "            <INCREMENTAL_DISTANCE>0.000000</INCREMENTAL_DISTANCE>\r\n"
                    "        </WAYPOINT>\r\n";
    }
    expected += "    </ROUTE>\r\n</C_MAP>\r\n";
    EXPECT_EQ(test::readBytes(base + ".Multi RT.RT.xml"), expected);
}

TEST(CmapMapping, CmapRecordsIntoTheHubAreCutAndLoseTheirColours) {
    ScopedClock clock(kJuly4Morning);
    CmapDatabase cmap;
    CmapWaypoint waypoint;
    initCmapWaypoint(&waypoint);
    waypoint.name = "A waypoint name longer than nineteen";
    waypoint.description = "A description that is longer than thirty-four";
    waypoint.icon = 300;
    waypoint.iconColor = 5;
    waypoint.latitude = -12.25;
    waypoint.longitude = 44.5;
    waypoint.altitude = 7.5;
    waypoint.speed = 3.0;
    waypoint.dateTime = {23, 30, 0, 15, 3, 2012};
    addCmapWaypoint(&cmap, &waypoint);
    waypoint.name = "B";
    waypoint.icon = 255;
    addCmapWaypoint(&cmap, &waypoint);
    waypoint.icon = -1;
    addCmapWaypoint(&cmap, &waypoint);
    CmapRoute route{"Evening run", "d", 0, {}};
    CmapRouteWaypoint routeWaypoint;
    initCmapRouteWaypoint(&routeWaypoint);
    routeWaypoint.name = "Route waypoint with a long name";
    routeWaypoint.icon = 17;
    routeWaypoint.latitude = 1.0;
    addCmapRouteWaypoint(&route, &routeWaypoint);
    addCmapRoute(&cmap, &route);
    addCmapRoute(&cmap, &route);

    NavDatabase db;
    initNavDatabase(&db);
    ASSERT_EQ(cmapToHub(&cmap, &db), kOk);
    ASSERT_EQ(db.waypoints.size(), 3u);
    const Waypoint& w = db.waypoints[0];
    EXPECT_EQ(w.name, "A waypoint name lon");
    EXPECT_EQ(w.comment, "A description that is longer than "); // 34
    EXPECT_EQ(w.symbol, 0u);
    EXPECT_EQ(w.colour, (RgbColour{0, 0, 0}));
    EXPECT_DOUBLE_EQ(w.latitude, -12.25);
    EXPECT_DOUBLE_EQ(w.longitude, 44.5);
    EXPECT_DOUBLE_EQ(w.altitude, 7.5);
    EXPECT_EQ(w.date, (RecordDate{15, 3, 2012}));
    EXPECT_EQ(db.waypoints[1].symbol, 255u);
    EXPECT_EQ(db.waypoints[2].symbol, 0u);
    ASSERT_EQ(db.routes.size(), 2u);
    EXPECT_EQ(db.routes[0].name, "Evening ");
    EXPECT_EQ(db.routes[0].comment, "d");
    EXPECT_EQ(db.routes[0].date, (RecordDate{4, 7, 2012})); // today
    EXPECT_EQ(db.routes[0].number, 1);
    EXPECT_EQ(db.routes[1].number, 2);
    ASSERT_EQ(db.routes[0].points.size(), 1u);
    EXPECT_EQ(db.routes[0].points[0].name, "Route waypoint with");
    EXPECT_EQ(db.routes[0].points[0].symbol, 17u);
    EXPECT_DOUBLE_EQ(db.routes[0].points[0].latitude, 1.0);

    EXPECT_EQ(cmapToHub(nullptr, &db), kBadArgument);
    EXPECT_EQ(cmapToHub(&cmap, nullptr), kBadArgument);
    EXPECT_EQ(hubToCmap(nullptr, &cmap), kBadArgument);
    EXPECT_EQ(hubToCmap(&db, nullptr), kBadArgument);
}

TEST(CmapMapping, AWaypointKeepsItsDateAndTakesTheTimeOfWriting) {
    test::TempDir dir;
    const std::string base = dir.file("w");
    {
        ScopedClock clock(kJuly4Morning + 3 * 3600); // written at 12:00:00 UTC on another day
        NavDatabase db;
        initNavDatabase(&db);
        Waypoint waypoint;
        initWaypoint(&waypoint);
        waypoint.name = "HOME";
        waypoint.symbol = 9;
        waypoint.colour = {1, 2, 3};
        waypoint.date = {15, 3, 2012};
        addWaypoint(&db, &waypoint);
        ASSERT_EQ(writeCmapFiles(&db, base.c_str()), kOk);
    }
    const std::string text = test::readBytes(base + ".Marks.UP.xml");
    EXPECT_NE(text.find("            <DATE_TIME>1331812800</DATE_TIME>\r\n"), std::string::npos);
    EXPECT_NE(text.find("            <ICON>9</ICON>\r\n            <ICONCOLOR>0</ICONCOLOR>"),
              std::string::npos);
    NavDatabase back;
    initNavDatabase(&back);
    ASSERT_EQ(readCmapFile((base + ".Marks.UP.xml").c_str(), &back), kOk);
    ASSERT_EQ(back.waypoints.size(), 1u);
    EXPECT_EQ(back.waypoints[0].date, (RecordDate{15, 3, 2012}));
    EXPECT_EQ(back.waypoints[0].colour, (RgbColour{0, 0, 0}));
    EXPECT_EQ(back.waypoints[0].symbol, 9u);
}

TEST(CmapMapping, ATrackOfTwoRunsComesBackAsOneRunWithoutItsHeader) {
    ScopedClock clock(kNoonMarch15);
    test::TempDir dir;
    NavDatabase db;
    initNavDatabase(&db);
    Track track;
    initTrack(&track);
    track.name = "T";
    track.colour = {9, 9, 9};
    const char flags[] = {'N', 'S', 'N', 'S'};
    for (int i = 0; i < 4; ++i) {
        TrackPoint point;
        point.pointFlag = flags[i];
        point.latitude = i;
        point.longitude = -i;
        addTrackPoint(&track, &point);
    }
    addTrack(&db, &track);
    const std::string base = dir.file("t");
    ASSERT_EQ(writeCmapFiles(&db, base.c_str()), kOk);
    CmapDatabase cmap;
    ASSERT_EQ(loadCmapFile((base + ".Multi TRK.TRK.xml").c_str(), &cmap), kOk);
    ASSERT_EQ(cmap.tracks.size(), 1u);
    ASSERT_EQ(cmap.tracks[0].points.size(), 4u);
    EXPECT_EQ(cmap.tracks[0].points[0].backColor, 15);

    NavDatabase back;
    initNavDatabase(&back);
    ASSERT_EQ(readCmapFile((base + ".Multi TRK.TRK.xml").c_str(), &back), kOk);
    ASSERT_EQ(back.tracks.size(), 1u);
    EXPECT_EQ(back.tracks[0].name, "");
    EXPECT_EQ(back.tracks[0].colour, (RgbColour{0, 0, 0}));
    EXPECT_EQ(back.tracks[0].number, 1);
    ASSERT_EQ(back.tracks[0].points.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(back.tracks[0].points[i].pointFlag, 'N') << i;
        EXPECT_DOUBLE_EQ(back.tracks[0].points[i].latitude, i);
    }
}

TEST(CmapMapping, KindsWithoutACmapFormWriteNothing) {
    test::TempDir dir;
    NavDatabase db;
    initNavDatabase(&db);
    Mark mark;
    initMark(&mark);
    addMark(&db, &mark);
    Line line;
    initLine(&line);
    addLine(&db, &line);
    Zone zone;
    initZone(&zone);
    addZone(&db, &zone);
    const std::string base = dir.file("m");
    EXPECT_EQ(writeCmapFiles(&db, base.c_str()), kOk);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
    EXPECT_EQ(writeCmapFiles(nullptr, base.c_str()), kBadArgument);
    EXPECT_EQ(writeCmapFiles(&db, nullptr), kBadArgument);
}

TEST(CmapMapping, FullHubTablesEndTheirKindSilently) {
    std::string text = "<C_MAP>\r\n";
    for (int i = 0; i < 1200; ++i) {
        text += "<ROUTE>\r\n<NAME>R" + std::to_string(i) + "</NAME>\r\n</ROUTE>\r\n";
    }
    text += "</C_MAP>\r\n";
    test::TempDir dir;
    test::writeBytes(dir.file("routes.xml"), text);
    NavDatabase db;
    initNavDatabase(&db);
    ASSERT_EQ(readCmapFile(dir.file("routes.xml").c_str(), &db), kOk);
    ASSERT_EQ(db.routes.size(), 1000u);
    EXPECT_EQ(db.routes.back().name, "R999");
    EXPECT_EQ(db.routes.back().number, 1000);

    // A hub database already holding 9,999 waypoints takes one more from the CMAP side.
    NavDatabase nearlyFull;
    initNavDatabase(&nearlyFull);
    nearlyFull.waypoints.resize(9999);
    CmapDatabase cmap;
    CmapWaypoint waypoint;
    waypoint.name = "X";
    addCmapWaypoint(&cmap, &waypoint);
    waypoint.name = "Y";
    addCmapWaypoint(&cmap, &waypoint);
    ASSERT_EQ(cmapToHub(&cmap, &nearlyFull), kOk);
    ASSERT_EQ(nearlyFull.waypoints.size(), 10000u);
    EXPECT_EQ(nearlyFull.waypoints.back().name, "X");
}

TEST(CmapMapping, UnreadableFilesGiveTwo) {
    test::TempDir dir;
    NavDatabase db;
    initNavDatabase(&db);
    EXPECT_EQ(readCmapFile(dir.file("missing.xml").c_str(), &db), kCannotOpen);
    EXPECT_EQ(readCmapFile(dir.path().c_str(), &db), kCannotOpen);
    EXPECT_EQ(readCmapFile(nullptr, &db), kBadArgument);
    EXPECT_EQ(readCmapFile(dir.file("missing.xml").c_str(), nullptr), kBadArgument);
    NavDatabase withWaypoint = db;
    Waypoint waypoint;
    initWaypoint(&waypoint);
    addWaypoint(&withWaypoint, &waypoint);
    EXPECT_EQ(writeCmapFiles(&withWaypoint, dir.file("no/folder/x").c_str()), kCannotOpen);
}

} // namespace
} // namespace velmar
