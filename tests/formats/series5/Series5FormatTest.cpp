#include <gtest/gtest.h>

#include <filesystem>

#include "Series5TestHelpers.h"
#include "core/Clock.h"

namespace velmar {
namespace {

using test::crlf;
using test::makeMark;
using test::makeRoutePoint;
using test::makeTrackPoint;
using test::readBytesAsSet;
using test::writtenBytes;

constexpr double kHomeLatitude = 35.0 + 12.345 / 60.0;
constexpr double kHomeLongitude = 139.0 + 45.678 / 60.0;

Series5Data homeSet() {
    Series5Data data;
    initSeries5Data(&data);
    const Mark home = makeMark("HOME", kHomeLatitude, kHomeLongitude);
    addSeries5Waypoint(&data, &home);
    return data;
}

Series5Route makeRoute(int number, const std::string& name, int points) {
    Series5Route route;
    initRoute(&route);
    route.number = number;
    route.name = name;
    route.comment = "VIA " + name;
    route.colour = RgbColour{0xFF, 0x00, 0x80};
    route.date = RecordDate{2, 6, 2013};
    for (int i = 0; i < points; ++i) {
        RoutePoint point = makeRoutePoint("P" + std::to_string(i + 1), 35.5, 139.25 + i / 60.0);
        point.symbol = static_cast<std::uint32_t>(i);
        addSeries5RoutePoint(&route, &point);
    }
    return route;
}

TEST(Series5Write, TheOneWaypointExampleComesOutByteForByte) {
    ResultCode result = -1;
    EXPECT_EQ(writtenBytes(homeSet(), Series5Waypoints, &result),
              "$VERSION,1.0.1,2010.12.22*\r\n"
              "1\r\n"
              "$WPT*\r\n"
              "$HOME,,00,000000,35D12.345N,139D45.678E,20120501,0.0,,,*\r\n"
              "$END*\r\n"
              "ENDDATA\r\n");
    EXPECT_EQ(result, kOk);
}

TEST(Series5Write, RouteFileCountsThePointsOfAllRoutes) {
    Series5Data data;
    initSeries5Data(&data);
    Series5Route first = makeRoute(0, "NORTH", 3);
    Series5Route second = makeRoute(1, "SOUTH", 5);
    addSeries5Route(&data, &first);
    addSeries5Route(&data, &second);
    ResultCode result = -1;
    EXPECT_EQ(writtenBytes(data, Series5Routes, &result),
              crlf({"$VERSION,1.0.1,2010.12.22*", "8", "$ROT,000,NORTH,VIA NORTH,FF0080,20130602*",
                    "$001,N,35D30.000N,139D15.000E,P1,00*", "$002,N,35D30.000N,139D16.000E,P2,01*",
                    "$003,S,35D30.000N,139D17.000E,P3,02*", "$END*",
                    "$ROT,001,SOUTH,VIA SOUTH,FF0080,20130602*",
                    "$001,N,35D30.000N,139D15.000E,P1,00*", "$002,N,35D30.000N,139D16.000E,P2,01*",
                    "$003,N,35D30.000N,139D17.000E,P3,02*", "$004,N,35D30.000N,139D18.000E,P4,03*",
                    "$005,S,35D30.000N,139D19.000E,P5,04*", "$END*", "ENDDATA"}));
    EXPECT_EQ(result, kOk);
}

TEST(Series5Write, TrackFileCountsAllPointsAndWritesTheStoredFlags) {
    Series5Data data;
    initSeries5Data(&data);
    Series5Track track;
    initTrack(&track);
    track.name = "MORNING";
    track.colour = RgbColour{0x01, 0x02, 0x03};
    track.date = RecordDate{31, 12, 2011};
    const TrackPoint points[] = {makeTrackPoint(-0.5, -135.1, 'N'),
                                 makeTrackPoint(-0.5, -135.1, 'S'),
                                 makeTrackPoint(10.0, 20.0, 'N')};
    for (const TrackPoint& p : points) {
        addSeries5TrackPoint(&track, &p);
    }
    addSeries5Track(&data, &track);
    track.number = 1;
    track.name = "EMPTY";
    track.points.clear();
    addSeries5Track(&data, &track);
    EXPECT_EQ(writtenBytes(data, Series5Tracks),
              crlf({"$VERSION,1.0.1,2010.12.22*", "3", "$TRK,000,MORNING,010203,20111231*",
                    "$00001,N,0D30.000S,135D06.000W*", "$00002,S,0D30.000S,135D06.000W*",
                    "$00003,N,10D00.000N,20D00.000E*", "$END*", "$TRK,001,EMPTY,010203,20111231*",
                    "$END*", "ENDDATA"}));
}

TEST(Series5Write, AKindWithoutRecordsOrAnUnknownKindIsTheVersionAndEnddataOnly) {
    const Series5Data data = homeSet();
    const std::string empty = "$VERSION,1.0.1,2010.12.22*\r\nENDDATA\r\n";
    for (const int kind : {int(Series5Routes), int(Series5Tracks), -1, 3}) {
        ResultCode result = -1;
        EXPECT_EQ(writtenBytes(data, kind, &result), empty) << kind;
        EXPECT_EQ(result, kOk);
    }
}

TEST(Series5Write, TheSetsOwnVersionIsWrittenAndTextsGoOutUnescaped) {
    Series5Data data;
    initSeries5Data(&data);
    data.version.version = "2.0";
    data.version.date = "2013.01.01";
    Mark odd = makeMark("A,B*C$", 91.0, -181.0); // out of range: empty position fields
    odd.symbol = 0x1AB;
    odd.colour = RgbColour{0x0A, 0xB0, 0xFF};
    odd.altitude = -12.25;
    addSeries5Waypoint(&data, &odd);
    EXPECT_EQ(writtenBytes(data, Series5Waypoints),
              crlf({"$VERSION,2.0,2013.01.01*", "1", "$WPT*",
                    "$A,B*C$,,1AB,0AB0FF,,,20120501,-12.2,,,*", "$END*", "ENDDATA"}));
}

TEST(Series5Write, AFailingStreamGivesOne) {
    if (!std::filesystem::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full";
    }
    Series5Data data;
    initSeries5Data(&data);
    const Mark mark = makeMark("FILLER", 10.0, 10.0);
    for (int i = 0; i < 5000; ++i) { // far beyond one buffer of output
        addSeries5Waypoint(&data, &mark);
    }
    OutputFile file;
    ASSERT_EQ(file.create("/dev/full"), kOk);
    EXPECT_EQ(writeSeries5Records(&file, &data, Series5Waypoints), kWriteFailed);
    EXPECT_EQ(file.close(), kWriteFailed);
}

TEST(Series5Write, MissingArgumentsGiveFive) {
    const Series5Data data = homeSet();
    OutputFile file;
    EXPECT_EQ(writeSeries5Records(nullptr, &data, 0), kBadArgument);
    EXPECT_EQ(writeSeries5Records(&file, nullptr, 0), kBadArgument);
}

// ---- reading ----

const std::string kVersion = "$VERSION,1.0.1,2010.12.22*";

std::string waypointLine(const std::string& name) {
    return "$" + name + ",,00,000000,35D12.345N,139D45.678E,20120501,0.0,,,*";
}

TEST(Series5Read, TheExampleReadsBackWithEveryField) {
    ResultCode result = -1;
    const Series5Data data = readBytesAsSet(writtenBytes(homeSet(), Series5Waypoints), &result);
    EXPECT_EQ(result, kOk);
    ASSERT_EQ(data.waypoints.size(), 1u);
    const Mark& home = data.waypoints[0];
    EXPECT_EQ(home.name, "HOME");
    EXPECT_NEAR(home.latitude, kHomeLatitude, 1e-9);
    EXPECT_NEAR(home.longitude, kHomeLongitude, 1e-9);
    EXPECT_EQ(home.date, (RecordDate{1, 5, 2012}));
    EXPECT_EQ(home.symbol, 0u);
}

TEST(Series5Read, WaypointFieldsSkipTheCommentAndKeepInitialValuesWhenEmpty) {
    const ScopedClock clock(1356998400); // 2013-01-01 00:00:00 UTC
    const Series5Data data =
        readBytesAsSet(crlf({kVersion, "2", "$WPT*",
                             "$A_NAME_LONGER_THAN_NINETEEN,IGNORED,1F,0A0B0C,1D30.000S,"
                             "2D15.000W,19991231,123.45,,,*",
                             "$EMPTY,,,,,,,,,,*", "$END*", "ENDDATA"}));
    ASSERT_EQ(data.waypoints.size(), 2u);
    const Mark& a = data.waypoints[0];
    EXPECT_EQ(a.name, "A_NAME_LONGER_THAN_");
    EXPECT_EQ(a.symbol, 0x1Fu);
    EXPECT_EQ(a.colour, (RgbColour{0x0A, 0x0B, 0x0C}));
    EXPECT_DOUBLE_EQ(a.latitude, -1.5);
    EXPECT_DOUBLE_EQ(a.longitude, -2.25);
    EXPECT_EQ(a.date, (RecordDate{31, 12, 1999}));
    EXPECT_DOUBLE_EQ(a.altitude, 123.45);
    const Mark& empty = data.waypoints[1];
    EXPECT_EQ(empty.symbol, 0u);
    EXPECT_EQ(empty.latitude, 0.0);
    EXPECT_EQ(empty.date, (RecordDate{1, 1, 2013}));
}

struct BlockCase {
    const char* what;
    std::string text;
    std::vector<std::string> waypoints;   // names
    std::vector<std::size_t> routePoints; // points per route
    std::vector<std::size_t> trackPoints; // points per track
};

std::string routeHeader(int number) {
    return "$ROT," + std::to_string(100 + number).substr(1) + ",R,,000000,20120501*";
}
const std::string kTrackHeader = "$TRK,000,T,000000,20120501*";
std::string routePoint(int index, char flag) {
    return "$" + std::to_string(1000 + index).substr(1) + "," + flag + ",1D00.000N,2D00.000E,P,00*";
}
std::string trackPoint(int index, char flag) {
    return "$" + std::to_string(100000 + index).substr(1) + "," + flag + ",1D00.000N,2D00.000E*";
}

TEST(Series5Read, BlockRules) {
    const BlockCase cases[] = {
        {"marks, lines and zones are skipped",
         crlf({kVersion, "$MRK*", "$BUOY,00,000000,1D00.000N,2D00.000E,20120501,0.0,,,*", "$END*",
               "$LIN,001,EDGE,000000,20120501*", "$001,N,1D00.000N,2D00.000E*",
               "$002,S,1D00.000N,2D00.000E*", "$END*", "$ZON,001,000000,000000,\x02,20120501*",
               "$001,S,1D00.000N,2D00.000E*", "$END*", "$WPT*", waypointLine("KEPT"), "$END*",
               "ENDDATA"}),
         {"KEPT"},
         {},
         {}},
        {"a waypoint named END... ends the block",
         crlf({kVersion, "$WPT*", waypointLine("FIRST"), waypointLine("ENDURANCE"),
               waypointLine("AFTER"), "$END*", "ENDDATA"}),
         {"FIRST"},
         {},
         {}},
        {"an S flag ends a route at once",
         crlf({kVersion, routeHeader(0), routePoint(1, 'N'), routePoint(2, 'S'), routePoint(3, 'N'),
               "$END*", "ENDDATA"}),
         {},
         {2},
         {}},
        {"a route is closed by $END* alone",
         crlf({kVersion, routeHeader(0), routePoint(1, 'N'), routePoint(2, 'N'), "$END*",
               routeHeader(1), "$END*", "ENDDATA"}),
         {},
         {2, 0},
         {}},
        {"an unclosed route is lost",
         crlf({kVersion, routeHeader(0), routePoint(1, 'N'), routePoint(2, 'N')}),
         {},
         {},
         {}},
        {"an unclosed track is lost, an S point does not end it",
         crlf({kVersion, kTrackHeader, trackPoint(1, 'S'), trackPoint(2, 'N'), "$END*",
               kTrackHeader, trackPoint(1, 'N')}),
         {},
         {},
         {2}},
        {"an unclosed waypoint block keeps its waypoints",
         crlf({kVersion, "$WPT*", waypointLine("A"), waypointLine("B")}),
         {"A", "B"},
         {},
         {}},
        {"nothing after ENDDATA",
         crlf({kVersion, "$WPT*", waypointLine("A"), "$END*", "ENDDATA", "$WPT*", waypointLine("B"),
               "$END*", routeHeader(0), routePoint(1, 'S')}),
         {"A"},
         {},
         {}},
        {"ENDDATA inside a block is only a line without '$'",
         crlf({kVersion, routeHeader(0), routePoint(1, 'N'), "ENDDATA", routePoint(2, 'S'), "$WPT*",
               waypointLine("A"), "$END*"}),
         {"A"},
         {2},
         {}},
        {"all kinds in one file, whatever its name, LF line ends",
         "$WPT*\n" + waypointLine("A") + "\n$END*\n" + routeHeader(0) + "\n" + routePoint(1, 'S') +
             "\n" + kTrackHeader + "\n" + trackPoint(1, 'N') + "\n$END*\nENDDATA\n",
         {"A"},
         {1},
         {1}},
        {"tags are case-sensitive, blank and foreign lines are skipped",
         crlf({"", "garbage", "$wpt*", waypointLine("LOST"), "  $WPT*", "$WPT*", waypointLine("A"),
               "$END*"}),
         {"A"},
         {},
         {}},
    };
    for (const BlockCase& c : cases) {
        SCOPED_TRACE(c.what);
        ResultCode result = -1;
        const Series5Data data = readBytesAsSet(c.text, &result);
        EXPECT_EQ(result, kOk);
        std::vector<std::string> names;
        for (const Mark& m : data.waypoints) {
            names.push_back(m.name);
        }
        EXPECT_EQ(names, c.waypoints);
        std::vector<std::size_t> routes;
        for (const Series5Route& r : data.routes) {
            routes.push_back(r.points.size());
        }
        EXPECT_EQ(routes, c.routePoints);
        std::vector<std::size_t> tracks;
        for (const Series5Track& t : data.tracks) {
            tracks.push_back(t.points.size());
        }
        EXPECT_EQ(tracks, c.trackPoints);
    }
}

TEST(Series5Read, TrackEndFlagsTheLastPointAndMiddleFlagsStay) {
    const Series5Data data =
        readBytesAsSet(crlf({kVersion, kTrackHeader, trackPoint(1, 'N'), trackPoint(2, 'S'),
                             trackPoint(3, 'N'), trackPoint(4, 'N'), "$END*"}));
    ASSERT_EQ(data.tracks.size(), 1u);
    std::string flags;
    for (const TrackPoint& p : data.tracks[0].points) {
        flags.push_back(static_cast<char>(p.pointFlag));
    }
    EXPECT_EQ(flags, "NSNS");
}

TEST(Series5Read, HeadersAndPointsKeepTheirFields) {
    const Series5Data data =
        readBytesAsSet(crlf({kVersion, "$ROT,007,LONGROUTENAME,A COMMENT,112233,20200229*",
                             "$001,S,34D12.345N,135D06.500W,POINT NAME,A5*",
                             "$TRK,012,TRACKNAME_TOO_LONG,445566,"
                             "20210101*",
                             "$00001,N,5D30.000S,0D30.000E*", "$END*"}));
    ASSERT_EQ(data.routes.size(), 1u);
    const Series5Route& route = data.routes[0];
    EXPECT_EQ(route.number, 7);
    EXPECT_EQ(route.name, "LONGROUT");
    EXPECT_EQ(route.comment, "A COMMENT");
    EXPECT_EQ(route.colour, (RgbColour{0x11, 0x22, 0x33}));
    EXPECT_EQ(route.date, (RecordDate{29, 2, 2020}));
    ASSERT_EQ(route.points.size(), 1u);
    EXPECT_EQ(route.points[0].name, "POINT NAME");
    EXPECT_EQ(route.points[0].symbol, 0xA5u);
    EXPECT_NEAR(route.points[0].latitude, 34.20575, 1e-9);
    EXPECT_NEAR(route.points[0].longitude, -135.108333333, 1e-8);
    ASSERT_EQ(data.tracks.size(), 1u);
    EXPECT_EQ(data.tracks[0].number, 12);
    EXPECT_EQ(data.tracks[0].name, "TRACKNAME_T");
    EXPECT_DOUBLE_EQ(data.tracks[0].points.at(0).latitude, -5.5);
    EXPECT_EQ(data.tracks[0].points.at(0).pointFlag, 'S');
}

TEST(Series5Read, VersionRecordReplacesTheDefaultCutToItsWidths) {
    EXPECT_EQ(readBytesAsSet(crlf({"$WPT*", "$END*"})).version.version, "1.0.1");
    const Series5Data data = readBytesAsSet(crlf({"$VERSION,123456789,2013.01.01.99*", "ENDDATA"}));
    EXPECT_EQ(data.version.version, "12345678");
    EXPECT_EQ(data.version.date, "2013.01.01");
    const Series5Data half = readBytesAsSet(crlf({"$VERSION,,2014.02.02*"}));
    EXPECT_EQ(half.version.version, "1.0.1");
    EXPECT_EQ(half.version.date, "2014.02.02");
}

TEST(Series5Read, RecordsBeyondTheCapacitiesAreDropped) {
    std::string text = kVersion + "\r\n";
    // One route of 301 points, 50 more routes, 41 tracks the first of 2,101 points.
    text += routeHeader(0) + "\r\n";
    for (int i = 1; i <= 301; ++i) {
        text += routePoint(i, i == 301 ? 'S' : 'N') + "\r\n";
    }
    for (int r = 1; r <= 50; ++r) {
        text += routeHeader(r % 1000) + "\r\n" + routePoint(1, 'S') + "\r\n";
    }
    for (int t = 0; t < 41; ++t) {
        text += kTrackHeader + "\r\n";
        const int points = t == 0 ? 2101 : 1;
        for (int i = 1; i <= points; ++i) {
            text += trackPoint(i, 'N') + "\r\n";
        }
        text += "$END*\r\n";
    }
    text += "$WPT*\r\n";
    for (int i = 0; i < 18001; ++i) {
        text += waypointLine("W" + std::to_string(i)) + "\r\n";
    }
    text += "$END*\r\nENDDATA\r\n";

    const Series5Data data = readBytesAsSet(text);
    ASSERT_EQ(data.routes.size(), 50u);
    EXPECT_EQ(data.routes[0].points.size(), 300u);
    EXPECT_EQ(data.routes[49].number, 49); // the 51st route (number 50) is the one dropped
    ASSERT_EQ(data.tracks.size(), 40u);
    ASSERT_EQ(data.tracks[0].points.size(), 2100u);
    EXPECT_EQ(data.tracks[0].points.back().pointFlag, 'S');
    EXPECT_EQ(data.tracks[0].points[2098].pointFlag, 'N');
    ASSERT_EQ(data.waypoints.size(), 18000u);
    EXPECT_EQ(data.waypoints.back().name, "W17999");
}

TEST(Series5Read, HostileBytesAreSurvived) {
    std::string megabyte(1 << 20, 'x');
    megabyte[1000] = '\0';
    std::string binary;
    for (int i = 0; i < 256; ++i) {
        binary.push_back(static_cast<char>(i));
    }
    const std::string text = megabyte + "\r\n" + binary + "\r\n" + "$WPT*\r\n" +
                             std::string("$NUL\0NAME,,00,000000,1D00.000N", 30) + "\r\n" +
                             waypointLine("OK") + "\r\n$END*\r\n";
    ResultCode result = -1;
    const Series5Data data = readBytesAsSet(text, &result);
    EXPECT_EQ(result, kOk);
    ASSERT_EQ(data.waypoints.size(), 2u);
    EXPECT_EQ(data.waypoints[0].name, "NUL"); // a NUL ends the line's text
    EXPECT_EQ(data.waypoints[0].latitude, 0.0);
    EXPECT_EQ(data.waypoints[1].name, "OK");
}

TEST(Series5Read, MissingArgumentsGiveFive) {
    Series5Data data;
    initSeries5Data(&data);
    EXPECT_EQ(readSeries5Records(nullptr, &data), kBadArgument);
    test::TempDir dir;
    test::writeBytes(dir.file("a"), "x");
    FilePtr file = openForReading(dir.file("a"));
    EXPECT_EQ(readSeries5Records(file.get(), nullptr), kBadArgument);
}

} // namespace
} // namespace velmar
