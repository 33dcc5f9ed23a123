#include <gtest/gtest.h>

#include <random>

#include "TestSupport.h"
#include "core/Clock.h"
#include "core/FieldReader.h"
#include "core/Text.h"
#include "formats/hub/HubFile.h"
#include "formats/hub/HubLines.h"

namespace velmar {
namespace {

constexpr std::int64_t kMay2012 = 1335830400; // 1 May 2012, UTC

class HubFileTest : public ::testing::Test {
  protected:
    NavDatabase read(const std::string& bytes) {
        test::writeBytes(dir.file("in.hub"), bytes);
        NavDatabase db;
        initNavDatabase(&db);
        EXPECT_EQ(readHubFile(dir.file("in.hub").c_str(), &db), kOk);
        return db;
    }

    std::string write(NavDatabase& db) {
        EXPECT_EQ(writeHubFile(&db, dir.file("out.hub").c_str()), kOk);
        return test::readBytes(dir.file("out.hub"));
    }

    const ScopedClock clock{kMay2012};
    test::TempDir dir;
};

// One record of every kind, dated 1 May 2012.
NavDatabase sample() {
    const RecordDate may{1, 5, 2012};
    NavDatabase db;
    db.waypoints = {{"HOME", "Marina", 0x1A, {255, 0, 16}, 35.20575, 139.7613, may, 12.25}};
    db.marks = {{"ROCK", 3, {}, -0.5, -135.1, may, 0.0}};
    db.routes = {
        {1, "R1", "Out", {}, may, {{"P0", 0, 10, 20}, {"P1", 1, 11, 21}, {"P2", 2, 12, 22}}}};
    db.tracks = {{1, "Morning", {0, 0, 255}, may, {{'N', 1, 2}, {'S', 1.001, 2}, {'S', 1.002, 2}}}};
    db.lines = {{1, "Channel", {}, may, {{5, 6}, {6, 6}}}};
    db.zones = {{1, {1, 2, 3}, {4, 5, 6}, kNewZoneKind, may, {{7, 8}, {7, 9}}}};
    return db;
}

// Every kind's lines byte for byte are the golden test's (the HUB example holds every kind and
// comes back unchanged); the sample's odd values come back as they went.
TEST_F(HubFileTest, RoundTripsByteIdentical) {
    NavDatabase db = sample();
    const std::string first = write(db);
    NavDatabase back = read(first);
    EXPECT_EQ(write(back), first);
    ASSERT_EQ(back.tracks.size(), 1u);
    EXPECT_EQ(back.tracks[0].points[1].pointFlag, 'S'); // a point flagged 'S' does not end a track
    EXPECT_EQ(back.zones[0].zoneKind, 2);
    EXPECT_EQ(back.waypoints[0].colour, (RgbColour{255, 0, 16}));
    EXPECT_DOUBLE_EQ(back.waypoints[0].altitude, 12.2);
    NavDatabase empty;
    EXPECT_EQ(write(empty), "$VERSION,1.0.1,2010.12.22*\r\nENDDATA\r\n");
    NavDatabase far; // positions out of range are written empty
    far.waypoints = {{"FAR", "", 0, {}, 91, -200, {1, 5, 2012}, 0.0}};
    EXPECT_NE(write(far).find("$FAR,,00,000000,,,20120501,0.0,,,*\r\n"), std::string::npos);
}

TEST_F(HubFileTest, BlockRules) {
    const NavDatabase db = read("garbage line\r\n"
                                "\r\n"
                                "$WPT*\r\n"
                                "$A,,00,000000,1D00.000N,2D00.000E,20120501,0.0,,,*\r\n"
                                "$ENDEAVOUR,,00,000000,1D00.000N,2D00.000E,20120501,0.0,,,*\r\n"
                                "$LOST,,00,000000,1D00.000N,2D00.000E,20120501,0.0,,,*\r\n"
                                "$ROT,007,CLOSED,,000000,20120501*\n"
                                "$001,N,1D00.000N,2D00.000E,P,00*\n"
                                "$END*\n"
                                "$ROT,008,BYFLAG,,000000,20120501*\r\n"
                                "$001,N,1D00.000N,2D00.000E,P,00*\r\n"
                                "$002,S,1D00.000N,2D00.000E,Q,00*\r\n"
                                "$003,N,1D00.000N,2D00.000E,R,00*\r\n"
                                "$END*\r\n"
                                "$ROT,009,EMPTY,,000000,20120501*\r\n"
                                "$END*\r\n"
                                "$TRK,001,T,000000,20120501*\r\n"
                                "$00001,N,1D00.000N,2D00.000E*\r\n"
                                "$00002,N,1D00.000N,2D00.000E*\r\n"
                                "$END*\r\n"
                                "$ROT,010,UNCLOSED,,000000,20120501*\r\n"
                                "$001,N,1D00.000N,2D00.000E,P,00*\r\n");
    ASSERT_EQ(db.waypoints.size(), 1u); // END... ends the block; LOST is outside it
    EXPECT_EQ(db.waypoints[0].name, "A");
    std::string routes; // name, number, points
    for (const Route& route : db.routes) {
        routes += route.name + " " + std::to_string(route.number) + " " +
                  std::to_string(route.points.size()) + "|";
    }
    EXPECT_EQ(routes, "CLOSED 7 1|BYFLAG 8 2|EMPTY 9 0|");
    ASSERT_EQ(db.tracks.size(), 1u);
    EXPECT_EQ(db.tracks[0].points[0].pointFlag, 'N');
    EXPECT_EQ(db.tracks[0].points[1].pointFlag, 'S');
    EXPECT_EQ(db.version.version, "1.0.1"); // no version record: the default stays
}

TEST_F(HubFileTest, FieldsVersionAndEndData) {
    const NavDatabase db =
        read("$VERSION,2.0.123456789,2012.05.01.99*\r\n"
             "$WPT*\r\n"
             "$A,B,C,x,7F,FF00AA,34D12.345N,135D06.500W,20120305,1.5,,,*\r\n"
             "$NAME_LONGER_THAN_NINETEEN,,,,,,,,*\r\n"
             "$END*\r\n"
             "ENDDATA\r\n"
             "$MRK*\r\n$LATE,00,000000,1D00.000N,2D00.000E,20120501,0.0,,,*\r\n$END*\r\n");
    EXPECT_EQ(db.version.version, "2.0.1234");
    EXPECT_EQ(db.version.date, "2012.05.01");
    ASSERT_EQ(db.waypoints.size(), 2u);
    const Waypoint& w = db.waypoints[0];
    // A comma in the name shifts every following field.
    EXPECT_EQ(w.name, "A");
    EXPECT_EQ(w.comment, "B");
    EXPECT_EQ(w.symbol, 0xCu);
    EXPECT_EQ(w.colour, (RgbColour{0, 0, 0})); // "x" holds no hex digit
    EXPECT_EQ(db.waypoints[1].name, "NAME_LONGER_THAN_NI");
    EXPECT_EQ(db.waypoints[1].date, (RecordDate{1, 5, 2012})); // empty date field: today
    EXPECT_TRUE(db.marks.empty());                             // nothing after ENDDATA
}

TEST_F(HubFileTest, CapacitiesHoldWhileReading) {
    std::string bytes = "$WPT*\r\n";
    for (int i = 0; i < 10001; ++i) {
        bytes += "$W" + std::to_string(i) + ",,00,000000,1D00.000N,2D00.000E,20120501,0.0,,,*\r\n";
    }
    bytes += "$END*\r\n$ROT,001,FULL,,000000,20120501*\r\n";
    for (int i = 1; i <= 1000; ++i) {
        bytes += "$" + std::to_string(i) + ",N,1D00.000N,2D00.000E,P,00*\r\n";
    }
    bytes += "$1001,S,1D00.000N,2D00.000E,LAST,00*\r\n$002,N,1D00.000N,2D00.000E,OUTSIDE,00*\r\n";
    const NavDatabase db = read(bytes);
    EXPECT_EQ(db.waypoints.size(), 10000u);
    EXPECT_EQ(db.waypoints.back().name, "W9999");
    // The 1,001st point does not fit, but its 'S' still ends and adds the route.
    ASSERT_EQ(db.routes.size(), 1u);
    EXPECT_EQ(db.routes[0].points.size(), 1000u);
    EXPECT_EQ(db.routes[0].points.back().name, "P");
}

TEST_F(HubFileTest, HostileInputAndFailures) {
    const std::string noise = test::noiseBytes(200000, 131, 7) + "\n$WPT*\n" +
                              std::string(2 << 20, 'A') + "\n$END*\n" + std::string(1000, '\0');
    read(noise); // must not crash; content is irrelevant
    read("$WPT*\n$ROT,1*\n$TRK*\n$ZON*\n$LIN*\n$VERSION\n$,,,,,,,,,,,,,,,,*\n*\n$\n");

    NavDatabase db;
    initNavDatabase(&db);
    EXPECT_EQ(readHubFile(dir.path().c_str(), &db), kCannotOpen);
    EXPECT_EQ(readHubFile(dir.file("missing.hub").c_str(), &db), kCannotOpen);
    EXPECT_EQ(readHubFile(nullptr, &db), kBadArgument);
    EXPECT_EQ(readHubFile("x", nullptr), kBadArgument);
    EXPECT_EQ(writeHubFile(&db, dir.path().c_str()), kCannotOpen);
    EXPECT_EQ(writeHubFile(&db, nullptr), kBadArgument);
    NavDatabase big = sample();
    EXPECT_EQ(writeHubFile(&big, "/dev/full"), kWriteFailed);
}

// The point lines the writers make are read in one pass; every line, written or hostile, reads
// as the field reader and the general coordinate layouts read it.
TEST(HubLines, PointLinesReadAsTheFieldReaderReadsThem) {
    std::mt19937_64 random(11);
    std::uniform_real_distribution<double> latitude(-90.0, 90.0), longitude(-180.0, 180.0);
    std::vector<std::string> lines;
    for (int i = 0; i < 400; ++i) {
        RoutePoint p;
        p.latitude = i < 4 ? std::vector<double>{0.0, -0.5, 90.0, 9.999999}[i] : latitude(random);
        p.longitude =
            i < 4 ? std::vector<double>{-180.0, 5.5, 99.99999, 0.0}[i] : longitude(random);
        p.name = "P" + std::to_string(i);
        lines.emplace_back();
        hub::appendRoutePointLine(lines.back(), i, i % 2 == 0, p);
        lines.emplace_back();
        hub::appendTrackPointLine(lines.back(), i * 977, TrackPoint{'S', p.latitude, p.longitude});
    }
    for (std::size_t l = 0; l < 8; ++l) {
        for (std::size_t at = 1; at < lines[l].size(); ++at) {
            lines.push_back(lines[l].substr(0, at));
            for (char c : std::string_view(",*$\0D. 9NSEW-", 14)) {
                lines.push_back(lines[l]);
                lines.back()[at] = c;
            }
        }
    }
    for (const std::string& line : lines) {
        const std::string_view fields = hub::cutAtLastStar(std::string_view(line).substr(1));
        const FieldReader f(fields);
        RoutePoint expected, route;
        const std::string_view flag = f.field(1);
        if (!f.field(2).empty()) {
            parseLatitude(f.field(2), DegreeLetter, &expected.latitude);
        }
        if (!f.field(3).empty()) {
            parseLongitude(f.field(3), DegreeLetter, &expected.longitude);
        }
        if (f.has(4)) {
            copyText(expected.name, f.field(4), kRoutePointNameWidth);
        }
        if (f.has(5)) {
            expected.symbol = parseHex(f.field(5));
        }
        EXPECT_EQ(hub::readRoutePointFields(fields, &route), flag.empty() ? '\0' : flag.front());
        TrackPoint track;
        GeoPoint geo;
        hub::readTrackPointFields(fields, &track);
        hub::readGeoPointFields(fields, &geo);
        EXPECT_EQ(track.pointFlag, flag.empty() ? 'N' : flag.front()) << line;
        const std::pair<double, double> positions[] = {{route.latitude, route.longitude},
                                                       {track.latitude, track.longitude},
                                                       {geo.latitude, geo.longitude}};
        for (const auto& [lat, lon] : positions) {
            EXPECT_EQ(lat, expected.latitude) << line;
            EXPECT_EQ(lon, expected.longitude) << line;
        }
        EXPECT_EQ(route.name, expected.name) << line;
        EXPECT_EQ(route.symbol, expected.symbol) << line;
    }
}

} // namespace
} // namespace velmar
