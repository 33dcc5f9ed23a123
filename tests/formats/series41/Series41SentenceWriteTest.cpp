// The Series 41 sentence writer: byte-exact lines, route splitting, write failures.
#include <algorithm>
#include <limits>

#include <gtest/gtest.h>

#include "Series41TestHelpers.h"

namespace velmar {
namespace {

using test::crlf;
using test::writeSentenceBytes;

Series41Route routeOf(int number, int points, const std::string& name = "") {
    Series41Route route;
    route.number = number;
    route.name = name;
    for (int i = 1; i <= points; ++i) {
        Series41RoutePoint point;
        char text[16];
        std::snprintf(text, sizeof text, "%03d", i);
        point.name = text;
        route.points.push_back(point);
    }
    return route;
}

TEST(Series41Write, WaypointSentenceIsByteExact) {
    Series41Data set;
    Series41Waypoint home;
    home.name = "HOME";
    home.comment = "MARINA";
    home.latitude = 35.0 + 12.345 / 60.0;
    home.longitude = 139.0 + 45.678 / 60.0;
    ASSERT_EQ(addSeries41Waypoint(&set, &home), 0);
    EXPECT_EQ(writeSentenceBytes(set),
              "$PFEC,GPwpl,3512.345,N,13945.678,E,HOME  ,,@qMARINA          ,A,,,,\r\n"
              "$PFEC,GPxfr,CTL,E\r\n");
}

TEST(Series41Write, WaypointFieldsTable) {
    struct Case {
        const char* label;
        double latitude;
        double longitude;
        const char* name;
        std::int32_t symbol;
        const char* comment;
        const char* line;
    };
    const Case cases[] = {
        {"south west, full widths", -5.5, -135.1, "ABCDEF", 20, "0123456789ABCDEF",
         "$PFEC,GPwpl,0530.000,S,13506.000,W,ABCDEF,,@u0123456789ABCDEF,A,,,,"},
        {"zero position, empty texts", 0.0, 0.0, "", 16, "",
         "$PFEC,GPwpl,0000.000,N,00000.000,E,      ,,@q                ,A,,,,"},
        {"poles and date line", -90.0, 180.0, "P", 24, "X",
         "$PFEC,GPwpl,9000.000,S,18000.000,E,P     ,,@yX               ,A,,,,"},
        {"latitude out of range", 91.0, 10.0, "BAD", 16, "",
         "$PFEC,GPwpl,,,01000.000,E,BAD   ,,@q                ,A,,,,"},
        {"longitude out of range", 10.0, -180.5, "BAD", 16, "",
         "$PFEC,GPwpl,1000.000,N,,,BAD   ,,@q                ,A,,,,"},
        {"not a number", std::numeric_limits<double>::quiet_NaN(), 0.0, "NAN", 16, "",
         "$PFEC,GPwpl,,,00000.000,E,NAN   ,,@q                ,A,,,,"},
        {"symbol zero is the letter a", 1.0, 1.0, "A", 0, "",
         "$PFEC,GPwpl,0100.000,N,00100.000,E,A     ,,@a                ,A,,,,"},
    };
    for (const Case& c : cases) {
        Series41Waypoint waypoint;
        waypoint.latitude = c.latitude;
        waypoint.longitude = c.longitude;
        waypoint.name = c.name;
        waypoint.symbol = c.symbol;
        waypoint.comment = c.comment;
        std::string line;
        appendSeries41WaypointSentence(line, waypoint);
        EXPECT_EQ(line, c.line) << c.label;
        // Always 14 fields.
        EXPECT_EQ(std::count(line.begin(), line.end(), ','), 13) << c.label;
    }
}

TEST(Series41Write, TenPointRouteIsTwoSentencesAndAName) {
    Series41Data set;
    const Series41Route route = routeOf(1, 10, "HARBOUR TOUR");
    ASSERT_EQ(addSeries41Route(&set, &route), 0);
    EXPECT_EQ(writeSentenceBytes(set),
              crlf({"$GPRTE,2,1,C,01, 001   , 002   , 003   , 004   , 005   , 006   , 007   , "
                    "008   ",
                    "$GPRTE,2,2,C,01, 009   , 010   ", "$PFEC,GPrtc,01,HARBOUR TOUR",
                    "$PFEC,GPxfr,CTL,E"}));
}

TEST(Series41Write, ThirtyPointsAreFourSentencesOfEightEightEightSix) {
    Series41Data set;
    const Series41Route route = routeOf(12, 30);
    ASSERT_EQ(addSeries41Route(&set, &route), 0);
    EXPECT_EQ(writeSentenceBytes(set), crlf({"$GPRTE,4,1,C,12" + test::routeItems(1, 8),
                                             "$GPRTE,4,2,C,12" + test::routeItems(9, 8),
                                             "$GPRTE,4,3,C,12" + test::routeItems(17, 8),
                                             "$GPRTE,4,4,C,12" + test::routeItems(25, 6),
                                             "$PFEC,GPrtc,12,", "$PFEC,GPxfr,CTL,E"}));
}

TEST(Series41Write, SentenceCountsAtTheEightBoundaries) {
    struct Case {
        int points;
        std::vector<std::string> heads;
    };
    const Case cases[] = {
        {1, {"$GPRTE,1,1,C,03"}},
        {8, {"$GPRTE,1,1,C,03"}},
        {9, {"$GPRTE,2,1,C,03", "$GPRTE,2,2,C,03"}},
        {16, {"$GPRTE,2,1,C,03", "$GPRTE,2,2,C,03"}},
        {17, {"$GPRTE,3,1,C,03", "$GPRTE,3,2,C,03", "$GPRTE,3,3,C,03"}},
    };
    for (const Case& c : cases) {
        const Series41Route route = routeOf(3, c.points);
        std::vector<std::string> lines;
        int items = 0;
        for (std::size_t k = 1; k <= c.heads.size(); ++k) {
            std::string line;
            appendSeries41RouteSentence(line, route, static_cast<int>(k));
            EXPECT_EQ(line.substr(0, c.heads[k - 1].size()), c.heads[k - 1]) << c.points;
            const int commas = static_cast<int>(std::count(line.begin(), line.end(), ','));
            items += commas - 4;
            // Only the last sentence may be short.
            if (k < c.heads.size()) {
                EXPECT_EQ(commas - 4, 8) << c.points;
            }
        }
        EXPECT_EQ(items, c.points);
    }
}

TEST(Series41Write, RouteWithoutPointsHasOnlyItsNameSentence) {
    Series41Data set;
    Series41Route route = routeOf(5, 0, "EMPTY");
    ASSERT_EQ(addSeries41Route(&set, &route), 0);
    route = routeOf(123, 1);
    route.points[0].prefix = '*';
    route.points[0].name = "LONGNAME"; // cut to 6 when added
    ASSERT_EQ(addSeries41Route(&set, &route), 0);
    EXPECT_EQ(writeSentenceBytes(set), crlf({"$PFEC,GPrtc,05,EMPTY", "$GPRTE,1,1,C,123,*LONGNA",
                                             "$PFEC,GPrtc,123,", "$PFEC,GPxfr,CTL,E"}));
}

TEST(Series41Write, OrderIsWaypointsThenRoutesThenTheEnd) {
    Series41Data set;
    Series41Waypoint waypoint;
    waypoint.name = "B";
    addSeries41Waypoint(&set, &waypoint);
    Series41Route route = routeOf(2, 1, "R2");
    addSeries41Route(&set, &route);
    waypoint.name = "A";
    addSeries41Waypoint(&set, &waypoint);
    route = routeOf(1, 1, "R1");
    addSeries41Route(&set, &route);
    EXPECT_EQ(writeSentenceBytes(set),
              crlf({"$PFEC,GPwpl,0000.000,N,00000.000,E,B     ,,@q                ,A,,,,",
                    "$PFEC,GPwpl,0000.000,N,00000.000,E,A     ,,@q                ,A,,,,",
                    "$GPRTE,1,1,C,02, 001   ", "$PFEC,GPrtc,02,R2", "$GPRTE,1,1,C,01, 001   ",
                    "$PFEC,GPrtc,01,R1", "$PFEC,GPxfr,CTL,E"}));
}

TEST(Series41Write, EmptySetIsTheEndSentenceAlone) {
    const Series41Data set;
    EXPECT_EQ(writeSentenceBytes(set), "$PFEC,GPxfr,CTL,E\r\n");
}

TEST(Series41Write, FailuresAndMissingArguments) {
    Series41Data set;
    OutputFile notOpen;
    EXPECT_EQ(writeSeries41Sentences(&notOpen, &set), 1);
    EXPECT_EQ(writeSeries41Sentences(nullptr, &set), 5);
    OutputFile file;
    EXPECT_EQ(writeSeries41Sentences(&file, nullptr), 5);
}

} // namespace
} // namespace velmar
