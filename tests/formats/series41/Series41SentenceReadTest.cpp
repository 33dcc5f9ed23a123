// The Series 41 sentence reader: line ends, the end sentence, joining route sentences, route
// names, completing points, limits, and hostile bytes.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "Series41TestHelpers.h"

namespace velmar {
namespace {

using test::crlf;
using test::readSentenceBytes;
using test::routeItems;
using test::waypointLine;
using test::writeSentenceBytes;

constexpr char kEnd[] = "$PFEC,GPxfr,CTL,E";

std::string lf(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& line : lines) {
        out += line + "\n";
    }
    return out;
}

Series41Data readLines(const std::vector<std::string>& lines) {
    Series41Data set;
    EXPECT_EQ(readSentenceBytes(crlf(lines), &set), 0);
    return set;
}

TEST(Series41Read, EmptyFileIsAnEmptySet) {
    Series41Data set;
    EXPECT_EQ(readSentenceBytes("", &set), 0);
    EXPECT_TRUE(set.waypoints.empty());
    EXPECT_TRUE(set.routes.empty());
}

TEST(Series41Read, MissingArgumentsGive5) {
    Series41Data set;
    EXPECT_EQ(readSeries41Sentences(nullptr, &set), 5);
    test::TempDir dir;
    test::writeBytes(dir.file("a.s41"), waypointLine("A") + "\r\n");
    FilePtr file = openForReading(dir.file("a.s41"));
    ASSERT_TRUE(file);
    EXPECT_EQ(readSeries41Sentences(file.get(), nullptr), 5);
}

TEST(Series41Read, WaypointFieldsAsWritten) {
    const Series41Data set =
        readLines({"$PFEC,GPwpl,3512.345,N,13945.678,E,HOME  ,,@qMARINA          ,A,,,,", kEnd});
    ASSERT_EQ(set.waypoints.size(), 1u);
    const Series41Waypoint& w = set.waypoints[0];
    EXPECT_EQ(w.name, "HOME");
    EXPECT_EQ(w.comment, "MARINA          ");
    EXPECT_EQ(w.symbol, 16);
    EXPECT_EQ(w.status, 'A');
    EXPECT_DOUBLE_EQ(w.latitude, 35.0 + 12.345 / 60.0);
    EXPECT_DOUBLE_EQ(w.longitude, 139.0 + 45.678 / 60.0);
}

TEST(Series41Read, PositionFieldsTable) {
    struct Case {
        const char* fields; // fields 2 to 5
        double latitude;
        double longitude;
    };
    const Case cases[] = {
        {"0000.000,N,00000.000,E", 0.0, 0.0},
        {"9000.000,S,18000.000,W", -90.0, -180.0},
        {"0530.000,S,13506.000,W", -5.5, -(135.0 + 6.0 / 60.0)},
        // Short fields: the minutes are 0.
        {"35,N,139,E", 35.0, 139.0},
        {"3,N,13,E", 3.0, 13.0},
        // Empty fields leave the defaults; only the first letter of a hemisphere counts.
        {",,,", 0.0, 0.0},
        {"1000.000,Sxx,01000.000,Wyy", -10.0, -10.0},
        {"1000.000,s,01000.000,w", 10.0, 10.0},
        {"garbage,N,!!,E", 0.0, 0.0},
    };
    for (const Case& c : cases) {
        const Series41Data set = readLines(
            {std::string("$PFEC,GPwpl,") + c.fields + ",A     ,,@q                ,A,,,,"});
        ASSERT_EQ(set.waypoints.size(), 1u) << c.fields;
        EXPECT_NEAR(set.waypoints[0].latitude, c.latitude, 1e-12) << c.fields;
        EXPECT_NEAR(set.waypoints[0].longitude, c.longitude, 1e-12) << c.fields;
    }
}

TEST(Series41Read, NameCommentAndSymbolTable) {
    struct Case {
        std::string field6;
        std::string field8;
        std::string name;
        std::string comment;
        std::int32_t symbol;
    };
    const Case cases[] = {
        {"AB CD ", "@qA B             ", "AB", "A B             ", 16},
        {"ABCDEFGHIJ", "@u0123456789ABCDEFGHIJ", "ABCDEF", "0123456789ABCDEF", 20},
        {" LEAD", "@a", "", "", 0},
        {"", "@", "", "", -97},                     // symbol letter missing
        {"X", "", "X", "", 16},                     // empty field 8 keeps the defaults
        {"X", "#A", "X", "", 'A' - 'a'},            // below 'a': outside 0..255 on the hub
        {"X", "@\xE1\xE2", "X", "\xE2", -31 - 'a'}, // a signed byte
        {"X", "@q*ignored", "X", "", 16},           // '*' ends the field
        {"X", "@qAB$CD", "X", "AB", 16},            // '$' ends the field
    };
    for (const Case& c : cases) {
        const Series41Data set = readLines(
            {"$PFEC,GPwpl,0100.000,N,00100.000,E," + c.field6 + ",," + c.field8 + ",A,,,,"});
        ASSERT_EQ(set.waypoints.size(), 1u) << c.field8;
        EXPECT_EQ(set.waypoints[0].name, c.name) << c.field6;
        EXPECT_EQ(set.waypoints[0].comment, c.comment) << c.field8;
        EXPECT_EQ(set.waypoints[0].symbol, c.symbol) << c.field8;
    }
}

TEST(Series41Read, CrLfAndLfFilesReadAlike) {
    const std::vector<std::string> lines = {
        waypointLine("ONE", 10.5, 20.25, 'r', "FIRST"),
        waypointLine("TWO", -10.5, -20.25),
        "$GPRTE,1,1,C,04, ONE   , TWO   ",
        "$PFEC,GPrtc,04,OUT AND BACK",
        kEnd,
    };
    Series41Data withCrLf;
    Series41Data withLf;
    ASSERT_EQ(readSentenceBytes(crlf(lines), &withCrLf), 0);
    ASSERT_EQ(readSentenceBytes(lf(lines), &withLf), 0);
    ASSERT_EQ(withCrLf.waypoints.size(), 2u);
    ASSERT_EQ(withCrLf.routes.size(), 1u);
    EXPECT_EQ(withCrLf.routes[0].name, "OUT AND BACK");
    EXPECT_EQ(withLf.routes[0].name, "OUT AND BACK");
    EXPECT_EQ(writeSentenceBytes(withCrLf), writeSentenceBytes(withLf));
    // And what was read writes back byte for byte.
    EXPECT_EQ(writeSentenceBytes(withCrLf), crlf(lines));
}

TEST(Series41Read, TheEndSentenceEndsReading) {
    const std::string ends[] = {kEnd, "$PFEC,GPxfr", "$PFEC,GPxfrMORE,$PFEC,GPwpl,TEXT"};
    for (const std::string& end : ends) {
        const Series41Data set =
            readLines({waypointLine("BEFORE"), "$GPRTE,1,1,C,01, BEFORE", end,
                       waypointLine("AFTER"), "$GPRTE,1,1,C,02, AFTER", "$PFEC,GPrtc,01,RENAMED"});
        ASSERT_EQ(set.waypoints.size(), 1u) << end;
        EXPECT_EQ(set.waypoints[0].name, "BEFORE");
        ASSERT_EQ(set.routes.size(), 1u) << end;
        EXPECT_EQ(set.routes[0].name, "");
    }
    // Without an end sentence the stream is read to its end.
    const Series41Data open = readLines({waypointLine("A"), waypointLine("B")});
    EXPECT_EQ(open.waypoints.size(), 2u);
}

TEST(Series41Read, OtherLinesAreSkipped) {
    const Series41Data set = readLines({
        "$GPTRK,1,1,C,01,ABC",
        "PFEC,GPwpl,0100.000,N,00100.000,E,NODOLL,,@q,A,,,,",
        " " + waypointLine("SPACE"),
        "$pfec,gpwpl,0100.000,N,00100.000,E,LOWER ,,@q,A,,,,",
        "$PFEC,GPwpX,0100.000,N,00100.000,E,OTHER ,,@q,A,,,,",
        "$",
        "",
        waypointLine("GOOD"),
    });
    ASSERT_EQ(set.waypoints.size(), 1u);
    EXPECT_EQ(set.waypoints[0].name, "GOOD");
    EXPECT_TRUE(set.routes.empty());
}

TEST(Series41Read, RouteSentencesOfOneNumberAreJoinedInArrivalOrder) {
    // Numbering fields are not interpreted: 3 of 3 arriving first still comes first.
    const Series41Data set = readLines({
        "$GPRTE,3,3,C,07" + routeItems(1, 8),
        "$GPRTE,1,1,C,09" + routeItems(100, 2),
        "$GPRTE,3,1,C,7" + routeItems(9, 8),
        "$GPRTE,3,2,C,007" + routeItems(17, 4),
    });
    ASSERT_EQ(set.routes.size(), 2u);
    EXPECT_EQ(set.routes[0].number, 7);
    ASSERT_EQ(set.routes[0].points.size(), 20u);
    for (int i = 0; i < 20; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "%03d", i + 1);
        EXPECT_EQ(set.routes[0].points[static_cast<std::size_t>(i)].name, name);
        EXPECT_EQ(set.routes[0].points[static_cast<std::size_t>(i)].prefix, ' ');
    }
    EXPECT_EQ(set.routes[1].number, 9);
    EXPECT_EQ(set.routes[1].points.size(), 2u);
}

TEST(Series41Read, RouteKeepsItsFirstThirtyPoints) {
    std::vector<std::string> lines;
    for (int k = 0; k < 5; ++k) {
        lines.push_back("$GPRTE,5,1,C,02" + routeItems(1 + 8 * k, 8));
    }
    const Series41Data set = readLines(lines);
    ASSERT_EQ(set.routes.size(), 1u);
    ASSERT_EQ(set.routes[0].points.size(), 30u);
    EXPECT_EQ(set.routes[0].points.front().name, "001");
    EXPECT_EQ(set.routes[0].points.back().name, "030");
}

TEST(Series41Read, RouteItemsTable) {
    struct Case {
        std::string line;
        std::int32_t number;
        std::vector<std::string> names;
        std::vector<char> prefixes;
    };
    const Case cases[] = {
        {"$GPRTE,1,1,C,03,#ABC   ,+DEF", 3, {"ABC", "DEF"}, {'#', '+'}},
        // '*' and '$' end a field, so they cannot be prefixes: the items stop there.
        {"$GPRTE,1,1,C,03, ABC   ,*DEF", 3, {"ABC"}, {' '}},
        // The first empty item ends the list.
        {"$GPRTE,1,1,C,03, ABC   ,, DEF   ", 3, {"ABC"}, {' '}},
        // A name stops at its first space and at 6 characters; a prefix alone is no name.
        {"$GPRTE,1,1,C,03, A B, ABCDEFGH, ", 3, {"A", "ABCDEF", ""}, {' ', ' ', ' '}},
        // No number field: the default route number.
        {"$GPRTE,1,1,C,, ABC", 51, {"ABC"}, {' '}},
        // A checksum ends the last item; items after the eighth are not read.
        {"$GPRTE,1,1,C,03, A*7F", 3, {"A"}, {' '}},
        {"$GPRTE,1,1,C,03" + routeItems(1, 9),
         3,
         {"001", "002", "003", "004", "005", "006", "007", "008"},
         {' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '}},
        // A route sentence without items still makes a route.
        {"$GPRTE,1,1,C,03", 3, {}, {}},
    };
    for (const Case& c : cases) {
        const Series41Data set = readLines({c.line});
        ASSERT_EQ(set.routes.size(), 1u) << c.line;
        EXPECT_EQ(set.routes[0].number, c.number) << c.line;
        ASSERT_EQ(set.routes[0].points.size(), c.names.size()) << c.line;
        for (std::size_t i = 0; i < c.names.size(); ++i) {
            EXPECT_EQ(set.routes[0].points[i].name, c.names[i]) << c.line;
            EXPECT_EQ(set.routes[0].points[i].prefix, c.prefixes[i]) << c.line;
        }
    }
}

TEST(Series41Read, RouteNameSentenceRules) {
    const Series41Data set = readLines({
        "$PFEC,GPrtc,01,TOO EARLY", // before its route: no effect
        "$GPRTE,1,1,C,01, A",
        "$GPRTE,1,1,C,02, B",
        "$GPRTE,1,1,C,00, C",
        "$GPRTE,1,1,C,03, D",
        "$PFEC,GPrtc,02,FIRST NAME",
        "$PFEC,GPrtc,02,SECOND NAME", // replaces
        "$PFEC,GPrtc,,ZERO",          // empty number: route 0
        "$PFEC,GPrtc,03,SIXTEEN CHARS AND MORE",
        "$PFEC,GPrtc,04,NO SUCH ROUTE",
        "$PFEC,GPrtc,01,NAMED",
        "$PFEC,GPrtc,01,", // empties it again
        "$PFEC,GPrtc,03,SIXTEEN CHARS AND MORE*1A",
    });
    ASSERT_EQ(set.routes.size(), 4u);
    EXPECT_EQ(set.routes[0].name, "");
    EXPECT_EQ(set.routes[1].name, "SECOND NAME");
    EXPECT_EQ(set.routes[2].number, 0);
    EXPECT_EQ(set.routes[2].name, "ZERO");
    EXPECT_EQ(set.routes[3].name, "SIXTEEN CHARS AN");
}

TEST(Series41Read, RoutePointsTakeTheFirstWaypointOfTheirName) {
    const Series41Data set = readLines({
        "$GPRTE,1,1,C,01, TWIN  , NONE  , LATE  ", waypointLine("TWIN", 10.0, 20.0, 'r'),
        waypointLine("TWIN", 30.0, 40.0, 's'), waypointLine("twin", 50.0, 60.0, 't'), kEnd,
        waypointLine("LATE", 1.0, 1.0, 'u'), // after the end: not a waypoint
    });
    ASSERT_EQ(set.waypoints.size(), 3u);
    ASSERT_EQ(set.routes.size(), 1u);
    const auto& points = set.routes[0].points;
    ASSERT_EQ(points.size(), 3u);
    EXPECT_DOUBLE_EQ(points[0].latitude, 10.0);
    EXPECT_DOUBLE_EQ(points[0].longitude, 20.0);
    EXPECT_EQ(points[0].symbol, 'r' - 'a');
    for (std::size_t i = 1; i < 3; ++i) {
        EXPECT_EQ(points[i].latitude, 0.0);
        EXPECT_EQ(points[i].longitude, 0.0);
        EXPECT_EQ(points[i].symbol, 16);
    }
}

TEST(Series41Read, The1000thWaypointAndThe51stRouteAreDropped) {
    std::string bytes;
    for (int i = 1; i <= 1000; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "W%04d", i);
        bytes += waypointLine(name) + "\r\n";
    }
    for (int i = 1; i <= 51; ++i) {
        char line[64];
        std::snprintf(line, sizeof line, "$GPRTE,1,1,C,%02d, W0001\r\n", i);
        bytes += line;
    }
    // Route 50 still takes points once the list is full; route 51 stays out.
    bytes += "$GPRTE,1,1,C,50, W0002\r\n$GPRTE,1,1,C,51, W0003\r\n";
    Series41Data set;
    ASSERT_EQ(readSentenceBytes(bytes, &set), 0);
    ASSERT_EQ(set.waypoints.size(), 999u);
    EXPECT_EQ(set.waypoints.back().name, "W0999");
    ASSERT_EQ(set.routes.size(), 50u);
    EXPECT_EQ(set.routes.back().number, 50);
    EXPECT_EQ(set.routes.back().points.size(), 2u);
    EXPECT_EQ(findSeries41Route(&set, 51), nullptr);
}

TEST(Series41Read, HostileBytesDoNotBreakTheReader) {
    std::string bytes;
    // Binary noise with line ends and dollar signs in it.
    for (int i = 0; i < 20000; ++i) {
        bytes.push_back(static_cast<char>((i * 131 + 7) & 0xFF));
    }
    bytes += "\r\n";
    // A NUL byte ends the text of its line.
    bytes += waypointLine("NUL") + std::string("\0GARBAGE,$GPRTE,1", 17) + "\r\n";
    // A megabyte line of commas: read in 255-byte pieces, none a sentence.
    bytes += std::string(1 << 20, ',') + "\r\n";
    // A lone CR is no line end; CR LF is.
    bytes += "\r\r\n";
    bytes += waypointLine("LAST") + "\r\n";
    Series41Data set;
    ASSERT_EQ(readSentenceBytes(bytes, &set), 0);
    ASSERT_GE(set.waypoints.size(), 2u);
    EXPECT_EQ(set.waypoints[set.waypoints.size() - 2].name, "NUL");
    EXPECT_EQ(set.waypoints.back().name, "LAST");
}

TEST(Series41Read, LongLinesAreReadInPiecesOf255) {
    // The piece after the first 255 bytes starts a line of its own, and that one is a sentence.
    const std::string line = std::string(255, 'x') + waypointLine("PIECE");
    Series41Data set;
    ASSERT_EQ(readSentenceBytes(line + "\r\n", &set), 0);
    ASSERT_EQ(set.waypoints.size(), 1u);
    EXPECT_EQ(set.waypoints[0].name, "PIECE");
    // 254 bytes of filler leave the sentence inside the first piece: nothing is read.
    Series41Data none;
    ASSERT_EQ(readSentenceBytes(std::string(254, 'x') + waypointLine("PIECE") + "\r\n", &none), 0);
    EXPECT_TRUE(none.waypoints.empty());
}

} // namespace
} // namespace velmar
