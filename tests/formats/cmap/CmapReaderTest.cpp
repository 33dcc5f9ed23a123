#include <gtest/gtest.h>

#include "CmapTestSupport.h"
#include "TestSupport.h"
#include "core/Clock.h"

namespace velmar {
namespace {

using test::readDocument;

constexpr std::int64_t kNoonMarch15 = 1331812800;

std::string lines(std::initializer_list<std::string> list) {
    std::string text;
    for (const std::string& line : list) {
        text += line;
        text += "\r\n";
    }
    return text;
}

// A document with one plain waypoint holding the given lines.
std::string waypointDocument(const std::string& body) {
    return "<C_MAP>\n<WAYPOINTS>\n<WAYPOINT>\n" + body + "</WAYPOINT>\n</WAYPOINTS>\n</C_MAP>\n";
}

TEST(CmapReader, ReadsBackWhatTheWriterWrote) {
    ScopedClock clock(kNoonMarch15);
    CmapDatabase db;
    CmapWaypoint waypoint;
    initCmapWaypoint(&waypoint);
    waypoint = {"Harbour entrance",    "red light", 42, 3, -33.5, 151.25, 2, 1.5, -2.5,
                {6, 7, 8, 9, 10, 2011}};
    addCmapWaypoint(&db, &waypoint);
    CmapRoute route{"Evening run", "along the coast", 0, {}};
    CmapRouteWaypoint routeWaypoint{
        "P1", "x", 5, 6, 10.0, -20.0, 1, 3.0, 4.0, 90.0, 1.5, 0.75, {1, 2, 3, 4, 5, 2020}};
    addCmapRouteWaypoint(&route, &routeWaypoint);
    addCmapRoute(&db, &route);
    CmapTrack track;
    CmapTrackPoint point{0.5,   -0.5, 1, 2, 3, 4.0, 5.0, 6.0, {23, 59, 59, 31, 12, 1999},
                         270.0, 12.0};
    addCmapTrackPoint(&track, &point);
    addCmapTrack(&db, &track);

    const CmapDatabase back = readDocument(test::documentText(db, CmapAllKinds));
    ASSERT_EQ(back.waypoints.size(), 1u);
    const CmapWaypoint& w = back.waypoints[0];
    EXPECT_EQ(w.name, "Harbour entrance");
    EXPECT_EQ(w.description, "red light");
    EXPECT_EQ(w.icon, 42);
    EXPECT_EQ(w.iconColor, 3);
    EXPECT_DOUBLE_EQ(w.latitude, -33.5);
    EXPECT_DOUBLE_EQ(w.longitude, 151.25);
    EXPECT_DOUBLE_EQ(w.speed, 1.5);
    EXPECT_DOUBLE_EQ(w.altitude, -2.5);
    EXPECT_EQ(w.dateTime, (CmapDateTime{6, 7, 8, 9, 10, 2011}));
    ASSERT_EQ(back.routes.size(), 1u);
    EXPECT_EQ(back.routes[0].name, "Evening run");
    EXPECT_EQ(back.routes[0].description, "along the coast");
    ASSERT_EQ(back.routes[0].waypoints.size(), 1u);
    const CmapRouteWaypoint& r = back.routes[0].waypoints[0];
    EXPECT_EQ(r.name, "P1");
    EXPECT_EQ(r.icon, 5);
    EXPECT_DOUBLE_EQ(r.bearing, 90.0);
    EXPECT_DOUBLE_EQ(r.distance, 1.5);
    EXPECT_DOUBLE_EQ(r.incrementalDistance, 0.75);
    EXPECT_EQ(r.dateTime, (CmapDateTime{1, 2, 3, 4, 5, 2020}));
    ASSERT_EQ(back.tracks.size(), 1u);
    ASSERT_EQ(back.tracks[0].points.size(), 1u);
    const CmapTrackPoint& p = back.tracks[0].points[0];
    EXPECT_DOUBLE_EQ(p.latitude, 0.5);
    EXPECT_DOUBLE_EQ(p.longitude, -0.5);
    EXPECT_EQ(p.foreColor, 1);
    EXPECT_EQ(p.backColor, 2);
    EXPECT_EQ(p.pattern, 3);
    EXPECT_DOUBLE_EQ(p.altitude, 4.0);
    EXPECT_DOUBLE_EQ(p.tripDist, 5.0);
    EXPECT_DOUBLE_EQ(p.sog, 6.0);
    EXPECT_DOUBLE_EQ(p.cog, 270.0);
    EXPECT_DOUBLE_EQ(p.waterTemp, 12.0);
    EXPECT_EQ(p.dateTime, (CmapDateTime{23, 59, 59, 31, 12, 1999}));
}

TEST(CmapReader, IndentationAndLineEndsDoNotMatter) {
    const std::string body = "<C_MAP>\n\t<WAYPOINTS>\n \t  <WAYPOINT>   \r\r\n"
                             "\t\t\t<NAME>A</NAME>\t\n"
                             "  <ICON>12</ICON>  \r\n"
                             "<TYPE> 7</TYPE>\n"
                             "\n   \n"
                             "</WAYPOINT>\n</WAYPOINTS>\n</C_MAP>";
    const CmapDatabase db = readDocument(body);
    ASSERT_EQ(db.waypoints.size(), 1u);
    EXPECT_EQ(db.waypoints[0].name, "A");
    EXPECT_EQ(db.waypoints[0].icon, 12);
    EXPECT_EQ(db.waypoints[0].type, 7);
}

struct FieldCase {
    const char* line;
    const char* name;
    int type;
    friend void PrintTo(const FieldCase& c, std::ostream* os) { *os << c.line; }
};

class CmapReaderFieldLine : public ::testing::TestWithParam<FieldCase> {};

// How one line inside a waypoint of name "W" and type 4 changes it.
TEST_P(CmapReaderFieldLine, TakesOnlyCompleteNonEmptyFieldsWithExactTags) {
    const FieldCase& c = GetParam();
    const CmapDatabase db = readDocument(
        waypointDocument(std::string("<NAME>W</NAME>\n<TYPE>4</TYPE>\n") + c.line + "\n"));
    ASSERT_EQ(db.waypoints.size(), 1u) << c.line;
    EXPECT_EQ(db.waypoints[0].name, c.name) << c.line;
    EXPECT_EQ(db.waypoints[0].type, c.type) << c.line;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, CmapReaderFieldLine,
    ::testing::Values(FieldCase{"<NAME>abc</NAME>", "abc", 4},
                      FieldCase{"<NAME>abc", "W", 4},     // no closing tag: no value
                      FieldCase{"<NAME></NAME>", "W", 4}, // an empty value is not taken
                      FieldCase{"<name>abc</name>", "W", 4}, FieldCase{"<NAME >abc</NAME>", "W", 4},
                      FieldCase{"<NAME abc</NAME>", "W", 4}, FieldCase{"NAME>abc</NAME>", "W", 4},
                      FieldCase{"<NAME", "W", 4}, // a tag without '>'
                      FieldCase{"junk <NAME>a b </NAME> junk", "a b ", 4},
                      FieldCase{"<NAME>  x\t</NAME>", "  x\t", 4},
                      FieldCase{"<NAME>12345678901234567890123456789012345678901234</NAME>",
                                "1234567890123456789012345678901234567890", 4},
                      FieldCase{"<TYPE>-12abc</TYPE>", "W", -12},
                      FieldCase{"<TYPE>abc</TYPE>", "W", 0},
                      FieldCase{"<TYPE>4294967297</TYPE>", "W", 1}, // low 32 bits
                      FieldCase{"<BEARING>5</BEARING>", "W", 4},
                      FieldCase{"<WAYPOINT>x</WAYPOINT>", "W", 4}));

TEST(CmapReader, ValuesAndTagsUpTo127CharactersAreTaken) {
    const std::string value127 = std::string(123, '0') + "12.5";
    const std::string value128 = std::string(124, '0') + "12.5";
    CmapDatabase db = readDocument(waypointDocument("<ALTITUDE>" + value127 + "</ALTITUDE>\n"));
    ASSERT_EQ(db.waypoints.size(), 1u);
    EXPECT_DOUBLE_EQ(db.waypoints[0].altitude, 12.5);
    db = readDocument(waypointDocument("<ALTITUDE>" + value128 + "</ALTITUDE>\n"));
    ASSERT_EQ(db.waypoints.size(), 1u);
    EXPECT_DOUBLE_EQ(db.waypoints[0].altitude, 0.0);

    // A 128-character tag makes its line ignored; the lines around it still count.
    db = readDocument(waypointDocument("<" + std::string(128, 'T') + ">1</X>\n<ICON>3</ICON>\n"));
    ASSERT_EQ(db.waypoints.size(), 1u);
    EXPECT_EQ(db.waypoints[0].icon, 3);
}

TEST(CmapReader, ContainerTagsNeedAnEmptyValueAndTheRightState) {
    const std::string text = lines({"<C_MAP>", "<ROUTE >", "<route>", "<TRACK>x</TRACK>",
                                    "<WAYPOINT>", // not in WAYPOINTS: ignored
                                    "<NAME>stray</NAME>", "<WAYPOINTS>", "<POINT>", "<WAYPOINT>",
                                    "<NAME>ok</NAME>", "</WAYPOINT>", "</WAYPOINTS>", "</C_MAP>"});
    const CmapDatabase db = readDocument(text);
    EXPECT_TRUE(db.routes.empty());
    EXPECT_TRUE(db.tracks.empty());
    ASSERT_EQ(db.waypoints.size(), 1u);
    EXPECT_EQ(db.waypoints[0].name, "ok");
}

TEST(CmapReader, BearingIsAFieldOfRouteWaypointsOnly) {
    const std::string text = lines(
        {"<C_MAP>", "<WAYPOINTS>", "<WAYPOINT>", "<NAME>plain</NAME>", "<BEARING>45.5</BEARING>",
         "<ALTITUDE>3</ALTITUDE>", "</WAYPOINT>", "</WAYPOINTS>", "<ROUTE>", "<NAME>R</NAME>",
         "<COLOR>RED</COLOR>", "<WAYPOINT>", "<NAME>inroute</NAME>", "<BEARING>45.5</BEARING>",
         "<DISTANCE>2</DISTANCE>", "<INCREMENTAL_DISTANCE>1</INCREMENTAL_DISTANCE>", "</WAYPOINT>",
         "</ROUTE>", "</C_MAP>"});
    const CmapDatabase db = readDocument(text);
    ASSERT_EQ(db.waypoints.size(), 1u);
    EXPECT_EQ(db.waypoints[0].name, "plain");
    EXPECT_DOUBLE_EQ(db.waypoints[0].altitude, 3.0);
    EXPECT_DOUBLE_EQ(db.waypoints[0].speed, 0.0);
    ASSERT_EQ(db.routes.size(), 1u);
    EXPECT_EQ(db.routes[0].colour, 0);
    ASSERT_EQ(db.routes[0].waypoints.size(), 1u);
    EXPECT_EQ(db.routes[0].waypoints[0].name, "inroute");
    EXPECT_DOUBLE_EQ(db.routes[0].waypoints[0].bearing, 45.5);
    EXPECT_DOUBLE_EQ(db.routes[0].waypoints[0].distance, 2.0);
    EXPECT_DOUBLE_EQ(db.routes[0].waypoints[0].incrementalDistance, 1.0);
}

TEST(CmapReader, DatesAndPositionsThatCannotBeReadKeepOrZeroTheField) {
    ScopedClock clock(kNoonMarch15);
    const CmapDatabase db =
        readDocument(waypointDocument("<DATE_TIME>-5</DATE_TIME>\n<LATITUDE>34D12.345N</LATITUDE>\n"
                                      "<LONGITUDE>135 06.500 W</LONGITUDE>\n"));
    ASSERT_EQ(db.waypoints.size(), 1u);
    EXPECT_EQ(db.waypoints[0].dateTime, (CmapDateTime{12, 0, 0, 15, 3, 2012})); // as it was
    EXPECT_DOUBLE_EQ(db.waypoints[0].latitude, 0.0); // no Spaced layout matches
    EXPECT_NEAR(db.waypoints[0].longitude, -135.108333, 1e-6);
}

TEST(CmapReader, StopsAtTheFirstDocumentEndAndDropsUnclosedRecords) {
    const std::string first = lines({"<C_MAP>", "<WAYPOINTS>", "<WAYPOINT>", "<NAME>one</NAME>",
                                     "</WAYPOINT>", "</WAYPOINTS>", "</C_MAP>"});
    const std::string second = lines({"<C_MAP>", "<WAYPOINTS>", "<WAYPOINT>", "<NAME>two</NAME>",
                                      "</WAYPOINT>", "</WAYPOINTS>", "</C_MAP>"});
    CmapDatabase db = readDocument(first + second);
    ASSERT_EQ(db.waypoints.size(), 1u);
    EXPECT_EQ(db.waypoints[0].name, "one");

    // Without C_MAP nothing is read; unclosed waypoints, routes and tracks are not appended.
    EXPECT_TRUE(readDocument(lines({"<WAYPOINTS>", "<WAYPOINT>", "<NAME>x</NAME>", "</WAYPOINT>"}))
                    .waypoints.empty());
    db = readDocument(lines({"<C_MAP>", "<ROUTE>", "<WAYPOINT>", "</WAYPOINT>"}));
    EXPECT_TRUE(db.routes.empty());
    // /C_MAP ends the document only where the document expects it, not inside a route.
    db = readDocument(
        lines({"<C_MAP>", "<ROUTE>", "<WAYPOINT>", "</WAYPOINT>", "</C_MAP>", "</ROUTE>"}));
    ASSERT_EQ(db.routes.size(), 1u);
    EXPECT_EQ(db.routes[0].waypoints.size(), 1u);
    db = readDocument(lines({"<C_MAP>", "<TRACK>", "<POINT>", "</POINT>"}));
    EXPECT_TRUE(db.tracks.empty());
    db = readDocument(lines({"<C_MAP>", "<TRACK>", "<POINT>", "</TRACK>", "</C_MAP>"}));
    EXPECT_TRUE(db.tracks.empty()); // /TRACK inside an open POINT is not a row of that state
}

TEST(CmapReader, AppendsToWhatTheDatabaseHolds) {
    test::TempDir dir;
    const std::string a = dir.file("a.xml");
    const std::string b = dir.file("b.xml");
    test::writeBytes(a, lines({"<C_MAP>", "<WAYPOINTS>", "<WAYPOINT>", "<NAME>a</NAME>",
                               "</WAYPOINT>", "</WAYPOINTS>", "<TRACK>", "</TRACK>", "</C_MAP>"}));
    test::writeBytes(b, lines({"<C_MAP>", "<WAYPOINTS>", "<WAYPOINT>", "<NAME>b</NAME>",
                               "</WAYPOINT>", "</WAYPOINTS>", "</C_MAP>"}));
    CmapDatabase db;
    initCmapDatabase(&db);
    ASSERT_EQ(loadCmapFile(a.c_str(), &db), kOk);
    ASSERT_EQ(loadCmapFile(b.c_str(), &db), kOk);
    ASSERT_EQ(db.waypoints.size(), 2u);
    EXPECT_EQ(db.waypoints[0].name, "a");
    EXPECT_EQ(db.waypoints[1].name, "b");
    EXPECT_EQ(db.tracks.size(), 1u);

    EXPECT_EQ(loadCmapFile(dir.file("missing.xml").c_str(), &db), kCannotOpen);
    EXPECT_EQ(loadCmapFile(dir.path().c_str(), &db), kCannotOpen);
    EXPECT_EQ(loadCmapFile(nullptr, &db), kBadArgument);
    EXPECT_EQ(loadCmapFile(a.c_str(), nullptr), kBadArgument);
    EXPECT_EQ(readCmapRecords(nullptr, &db), kBadArgument);
    EXPECT_EQ(db.waypoints.size(), 2u);
}

TEST(CmapReader, RecordsBeyondACapacityAreDropped) {
    std::string text = "<C_MAP>\n<WAYPOINTS>\n";
    for (int i = 0; i < 10001; ++i) {
        text += "<WAYPOINT>\n<ICON>" + std::to_string(i) + "</ICON>\n</WAYPOINT>\n";
    }
    text += "</WAYPOINTS>\n<ROUTE>\n";
    for (int i = 0; i < 1001; ++i) {
        text += "<WAYPOINT>\n</WAYPOINT>\n";
    }
    text += "</ROUTE>\n<TRACK>\n";
    for (int i = 0; i < 100001; ++i) {
        text += "<POINT>\n</POINT>\n";
    }
    text += "</TRACK>\n";
    for (int i = 0; i < 1000; ++i) {
        text += "<TRACK>\n</TRACK>\n";
    }
    text += "</C_MAP>\n";
    const CmapDatabase db = readDocument(text);
    ASSERT_EQ(db.waypoints.size(), 10000u);
    EXPECT_EQ(db.waypoints.back().icon, 9999);
    ASSERT_EQ(db.routes.size(), 1u);
    EXPECT_EQ(db.routes[0].waypoints.size(), 1000u);
    ASSERT_EQ(db.tracks.size(), 1000u);
    EXPECT_EQ(db.tracks[0].points.size(), 100000u);
}

TEST(CmapReader, HostileBytesNeverBreakIt) {
    std::string binary;
    for (int i = 0; i < 4096; ++i) {
        binary.push_back(static_cast<char>((i * 37) & 0xFF));
    }
    const std::string megabyteLine = "<NAME>" + std::string(1 << 20, 'x') + "</NAME>\n";
    const std::string text = "<C_MAP>\n<WAYPOINTS>\n<WAYPOINT>\n" + binary + "\n" + megabyteLine +
                             std::string("<ICON>7\0<</ICON>\n", 17) + "<" + std::string(300, '<') +
                             ">\n" + std::string(1000, '>') +
                             "\n</WAYPOINT>\n</WAYPOINTS>\n</C_MAP>\n";
    const CmapDatabase db = readDocument(text);
    ASSERT_EQ(db.waypoints.size(), 1u);
    EXPECT_EQ(db.waypoints[0].icon, 0); // a NUL byte ends the line's text: "<ICON>7" has no value
    EXPECT_LE(db.waypoints[0].name.size(), 40u);
}

} // namespace
} // namespace velmar

namespace velmar {
namespace {

// The hand-made example is exactly what the writer makes of its own records.
TEST(CmapExample, ReadsAndWritesBackByteForByte) {
    const std::string path = test::sourcePath("examples/coastal-run.xml");
    CmapDatabase db;
    initCmapDatabase(&db);
    ASSERT_EQ(loadCmapFile(path.c_str(), &db), kOk);
    EXPECT_EQ(db.waypoints.size(), 3u);
    ASSERT_EQ(db.routes.size(), 1u);
    EXPECT_EQ(db.routes[0].name, "Coastal run");
    EXPECT_EQ(db.tracks.size(), 1u);
    EXPECT_EQ(test::documentText(db, CmapAllKinds), test::readBytes(path));
}

} // namespace
} // namespace velmar
