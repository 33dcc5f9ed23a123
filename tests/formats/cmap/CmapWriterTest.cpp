#include <gtest/gtest.h>

#include "CmapTestSupport.h"
#include "TestSupport.h"
#include "core/Clock.h"

namespace velmar {
namespace {

using test::documentText;
using test::RecordingSink;

constexpr std::int64_t kNoonMarch15 = 1331812800; // 2012-03-15 12:00:00 UTC

CmapWaypoint newWaypoint(const char* name, double latitude, double longitude) {
    CmapWaypoint waypoint;
    initCmapWaypoint(&waypoint);
    waypoint.name = name;
    waypoint.latitude = latitude;
    waypoint.longitude = longitude;
    return waypoint;
}

// One waypoint, one route of one waypoint, one track of one point.
CmapDatabase smallDatabase() {
    CmapDatabase db;
    initCmapDatabase(&db);
    const CmapWaypoint waypoint = newWaypoint("A", 34.20575, 135.108333);
    addCmapWaypoint(&db, &waypoint);
    CmapRoute route;
    route.name = "R";
    route.description = "d";
    CmapRouteWaypoint routeWaypoint;
    initCmapRouteWaypoint(&routeWaypoint);
    routeWaypoint.name = "P";
    routeWaypoint.icon = 7;
    routeWaypoint.latitude = -0.5;
    routeWaypoint.longitude = -135.1;
    routeWaypoint.altitude = 12.5;
    routeWaypoint.bearing = 1.25;
    routeWaypoint.distance = 2.5;
    routeWaypoint.incrementalDistance = -3.0;
    addCmapRouteWaypoint(&route, &routeWaypoint);
    addCmapRoute(&db, &route);
    CmapTrack track;
    CmapTrackPoint point;
    initCmapTrackPoint(&point);
    point.latitude = 1.0;
    point.longitude = 2.0;
    point.sog = 4.5;
    point.cog = 180.0;
    point.waterTemp = 18.7;
    addCmapTrackPoint(&track, &point);
    addCmapTrack(&db, &track);
    return db;
}

const char* const kWaypointLines = "        <WAYPOINT>\r\n"
                                   "            <NAME>A</NAME>\r\n"
                                   "            <DESCRIPTION></DESCRIPTION>\r\n"
                                   "            <LATITUDE>34 12.345 N</LATITUDE>\r\n"
                                   "            <LONGITUDE>135 06.500 E</LONGITUDE>\r\n"
                                   "            <ALTITUDE>0.000000</ALTITUDE>\r\n"
                                   "            <SPEED>0.000000</SPEED>\r\n"
                                   "            <TYPE>2</TYPE>\r\n"
                                   "            <ICON>0</ICON>\r\n"
                                   "            <ICONCOLOR>0</ICONCOLOR>\r\n"
                                   "            <DATE_TIME>1331812800</DATE_TIME>\r\n"
                                   "        </WAYPOINT>\r\n";

const char* const kRouteLines =
    "    <ROUTE>\r\n"
    "        <NAME>R</NAME>\r\n"
    "        <DESCRIPTION>d</DESCRIPTION>\r\n"
    "        <COLOR>BLACK</COLOR>\r\n"
    "        <WAYPOINT>\r\n"
    "            <NAME>P</NAME>\r\n"
    "            <DESCRIPTION></DESCRIPTION>\r\n"
    "            <LATITUDE>00 30.000 S</LATITUDE>\r\n"
    "            <LONGITUDE>135 06.000 W</LONGITUDE>\r\n"
    "            <ALTITUDE>12.500000</ALTITUDE>\r\n"
    "            <SPEED>0.000000</SPEED>\r\n"
    "            <TYPE>1</TYPE>\r\n"
    "            <ICON>7</ICON>\r\n"
    "            <ICONCOLOR>0</ICONCOLOR>\r\n"
    "            <DATE_TIME>1331812800</DATE_TIME>\r\n"
    "            <BEARING>1.250000</BEARING>\r\n"
    "            <DISTANCE>2.500000</DISTANCE>\r\n"
    "            <INCREMENTAL_DISTANCE>-3.000000</INCREMENTAL_DISTANCE>\r\n"
    "        </WAYPOINT>\r\n"
    "    </ROUTE>\r\n";

const char* const kTrackLines = "    <TRACK>\r\n"
                                "        <POINT>\r\n"
                                "            <LATITUDE>01 00.000 N</LATITUDE>\r\n"
                                "            <LONGITUDE>002 00.000 E</LONGITUDE>\r\n"
                                "            <FORECOLOR>0</FORECOLOR>\r\n"
                                "            <BACKCOLOR>15</BACKCOLOR>\r\n"
                                "            <PATTERN>0</PATTERN>\r\n"
                                "            <ALTITUDE>0.000000</ALTITUDE>\r\n"
                                "            <TRIP_DIST>0.000000</TRIP_DIST>\r\n"
                                "            <SOG>4.500000</SOG>\r\n"
                                "            <DATE_TIME>1331812800</DATE_TIME>\r\n"
                                "            <DATE_TIME_TEXT>1331812800</DATE_TIME_TEXT>\r\n"
                                "            <COG>180.000000</COG>\r\n"
                                "            <WATER_TEMP>18</WATER_TEMP>\r\n"
                                "        </POINT>\r\n"
                                "    </TRACK>\r\n";

TEST(CmapWriter, WritesEveryKindLineForLine) {
    ScopedClock clock(kNoonMarch15);
    const CmapDatabase db = smallDatabase();
    const std::string waypoints =
        std::string("    <WAYPOINTS>\r\n") + kWaypointLines + "    </WAYPOINTS>\r\n";
    EXPECT_EQ(documentText(db, CmapAllKinds),
              "<C_MAP>\r\n" + waypoints + kRouteLines + kTrackLines + "</C_MAP>\r\n");
    EXPECT_EQ(documentText(db, CmapWaypointsOnly), "<C_MAP>\r\n" + waypoints + "</C_MAP>\r\n");
    EXPECT_EQ(documentText(db, CmapRoutesOnly),
              std::string("<C_MAP>\r\n") + kRouteLines + "</C_MAP>\r\n");
    EXPECT_EQ(documentText(db, CmapTracksOnly),
              std::string("<C_MAP>\r\n") + kTrackLines + "</C_MAP>\r\n");
}

TEST(CmapWriter, EmptyKindsWriteNothingButTheWholeDocumentHasItsFrame) {
    CmapDatabase empty;
    initCmapDatabase(&empty);
    EXPECT_EQ(documentText(empty, CmapAllKinds), "<C_MAP>\r\n</C_MAP>\r\n");
    for (int selector : {0, 1, 2, 3, -2}) {
        RecordingSink sink;
        EXPECT_EQ(writeCmapRecords(&sink, &empty, selector), kOk) << selector;
        EXPECT_TRUE(sink.lines.empty()) << selector;
    }
    const CmapDatabase db = smallDatabase();
    RecordingSink sink;
    EXPECT_EQ(writeCmapRecords(&sink, &db, 3), kOk);
    EXPECT_TRUE(sink.lines.empty());
    EXPECT_EQ(writeCmapRecords(static_cast<CmapLineSink*>(nullptr), &db, -1), kBadArgument);
    EXPECT_EQ(writeCmapRecords(&sink, nullptr, -1), kBadArgument);
    EXPECT_EQ(writeCmapRecords(static_cast<OutputFile*>(nullptr), &db, -1), kBadArgument);
}

TEST(CmapWriter, ValuesTheCodecsRefuseAndExtremeNumbers) {
    ScopedClock clock(kNoonMarch15);
    CmapDatabase db;
    CmapWaypoint waypoint = newWaypoint("a,b*<c>", 91.0, -180.5);
    waypoint.speed = -0.0000004; // rounds to a negative zero, as printf prints it
    addCmapWaypoint(&db, &waypoint);
    CmapTrack track;
    CmapTrackPoint point;
    initCmapTrackPoint(&point);
    for (double temperature : {-18.7, 1e300, -1e300}) {
        point.waterTemp = temperature;
        addCmapTrackPoint(&track, &point);
    }
    point.waterTemp = std::numeric_limits<double>::quiet_NaN();
    addCmapTrackPoint(&track, &point);
    addCmapTrack(&db, &track);
    RecordingSink sink;
    ASSERT_EQ(writeCmapRecords(&sink, &db, CmapAllKinds), kOk);
    const auto has = [&](const std::string& line) {
        return std::find(sink.lines.begin(), sink.lines.end(), line) != sink.lines.end();
    };
    EXPECT_TRUE(has("            <NAME>a,b*<c></NAME>")); // written as it is
    EXPECT_TRUE(has("            <LATITUDE></LATITUDE>"));
    EXPECT_TRUE(has("            <LONGITUDE></LONGITUDE>"));
    EXPECT_TRUE(has("            <SPEED>-0.000000</SPEED>"));
    EXPECT_TRUE(has("            <WATER_TEMP>-18</WATER_TEMP>"));
    EXPECT_TRUE(has("            <WATER_TEMP>2147483647</WATER_TEMP>"));
    EXPECT_TRUE(has("            <WATER_TEMP>-2147483648</WATER_TEMP>"));
    EXPECT_TRUE(has("            <WATER_TEMP>0</WATER_TEMP>"));
}

// Which failed lines end the document at once (nothing is attempted after them) and which are
// passed over (the writer goes on to the end, and still reports the loss).
struct FailureCase {
    const char* failingLine; // the first attempted line with this text fails
    bool endsDocument;
    friend void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.failingLine; }
};

class CmapWriterFailure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(CmapWriterFailure, FollowsTheRuleOfItsLine) {
    ScopedClock clock(kNoonMarch15);
    const CmapDatabase db = smallDatabase();
    RecordingSink probe;
    ASSERT_EQ(writeCmapRecords(&probe, &db, CmapAllKinds), kOk);
    const auto at = std::find(probe.lines.begin(), probe.lines.end(), GetParam().failingLine);
    ASSERT_NE(at, probe.lines.end()) << GetParam().failingLine;

    RecordingSink sink;
    sink.failAt = {static_cast<std::size_t>(at - probe.lines.begin())};
    EXPECT_EQ(writeCmapRecords(&sink, &db, CmapAllKinds), kWriteFailed);
    if (GetParam().endsDocument) {
        EXPECT_EQ(sink.lines.back(), GetParam().failingLine);
    } else {
        EXPECT_EQ(sink.lines, probe.lines); // every line was still attempted
    }
}

INSTANTIATE_TEST_SUITE_P(
    StepFive, CmapWriterFailure,
    ::testing::Values(FailureCase{"<C_MAP>", true}, FailureCase{"    <WAYPOINTS>", true},
                      FailureCase{"        <WAYPOINT>", true},
                      FailureCase{"            <NAME>A</NAME>", true},
                      FailureCase{"            <DATE_TIME>1331812800</DATE_TIME>", true},
                      FailureCase{"    </WAYPOINTS>", true}, FailureCase{"    <ROUTE>", true},
                      FailureCase{"        <NAME>R</NAME>", true},
                      FailureCase{"        <DESCRIPTION>d</DESCRIPTION>", true},
                      FailureCase{"        <COLOR>BLACK</COLOR>", true},
                      FailureCase{"            <NAME>P</NAME>", false},
                      FailureCase{"            <BEARING>1.250000</BEARING>", false},
                      FailureCase{"    </ROUTE>", true}, FailureCase{"    <TRACK>", true},
                      FailureCase{"        <POINT>", false},
                      FailureCase{"            <WATER_TEMP>18</WATER_TEMP>", false},
                      FailureCase{"    </TRACK>", true}, FailureCase{"</C_MAP>", true}));

TEST(CmapFiles, SaveWritesOneDocumentOfAllKindsAndReportsFailures) {
    ScopedClock clock(kNoonMarch15);
    test::TempDir dir;
    const CmapDatabase db = smallDatabase();
    const std::string path = dir.file("all.xml");
    ASSERT_EQ(saveCmapFile(&db, path.c_str()), kOk);
    EXPECT_EQ(test::readBytes(path), documentText(db, CmapAllKinds));

    EXPECT_EQ(saveCmapFile(&db, dir.file("no/such/folder.xml").c_str()), kCannotOpen);
    EXPECT_EQ(saveCmapFile(&db, dir.path().c_str()), kCannotOpen); // a folder
    EXPECT_EQ(saveCmapFile(&db, "/dev/full"), kWriteFailed);
    EXPECT_EQ(saveCmapFile(nullptr, path.c_str()), kBadArgument);
    EXPECT_EQ(saveCmapFile(&db, nullptr), kBadArgument);
}

TEST(CmapFiles, FileSetWritesOneDocumentPerKindWithRecords) {
    ScopedClock clock(kNoonMarch15);
    test::TempDir dir;
    const CmapDatabase db = smallDatabase();
    const std::string base = dir.file("trip.cmap");
    ASSERT_EQ(writeCmapFileSet(&db, base.c_str()), kOk);
    EXPECT_EQ(test::readBytes(base + ".Marks.UP.xml"), documentText(db, CmapWaypointsOnly));
    EXPECT_EQ(test::readBytes(base + ".Multi RT.RT.xml"), documentText(db, CmapRoutesOnly));
    EXPECT_EQ(test::readBytes(base + ".Multi TRK.TRK.xml"), documentText(db, CmapTracksOnly));

    CmapDatabase routesOnly;
    routesOnly.routes = db.routes;
    const std::string other = dir.file("other");
    ASSERT_EQ(writeCmapFileSet(&routesOnly, other.c_str()), kOk);
    EXPECT_FALSE(test::fileExists(other + ".Marks.UP.xml"));
    EXPECT_TRUE(test::fileExists(other + ".Multi RT.RT.xml"));
    EXPECT_FALSE(test::fileExists(other + ".Multi TRK.TRK.xml"));

    CmapDatabase empty;
    EXPECT_EQ(writeCmapFileSet(&empty, dir.file("none").c_str()), kOk);
    EXPECT_FALSE(test::fileExists(dir.file("none.Marks.UP.xml")));
}

TEST(CmapFiles, FileSetReportsTheFirstFailureAndStillWritesTheRest) {
    ScopedClock clock(kNoonMarch15);
    test::TempDir dir;
    const CmapDatabase db = smallDatabase();
    const std::string base = dir.file("set");
    // A folder where the waypoint document should go: it cannot be created.
    std::filesystem::create_directory(base + ".Marks.UP.xml");
    EXPECT_EQ(writeCmapFileSet(&db, base.c_str()), kCannotOpen);
    EXPECT_EQ(test::readBytes(base + ".Multi RT.RT.xml"), documentText(db, CmapRoutesOnly));
    EXPECT_EQ(test::readBytes(base + ".Multi TRK.TRK.xml"), documentText(db, CmapTracksOnly));
    EXPECT_EQ(writeCmapFileSet(&db, nullptr), kBadArgument);
}

} // namespace
} // namespace velmar
