// Series 41 sentences byte for byte both ways, the mapping to and from the navigation database,
// file errors and `velmar convert`.

#include <gtest/gtest.h>

#include <limits>
#include <tuple>

#include "TestSupport.h"
#include "core/Clock.h"
#include "core/Text.h"
#include "formats/FamilyEntryPoints.h"
#include "formats/series41/Series41Mapping.h"
#include "formats/series41/Series41Sentences.h"

namespace velmar {
namespace {

using namespace test;

constexpr char kS41End[] = "$PFEC,GPxfr,CTL,E";

std::string waypointLine(const std::string& name, double latitude = 35.0, double longitude = 139.0,
                         char letter = 'q') {
    std::string line;
    appendSeries41WaypointSentence(line, {latitude, longitude, name, letter - 'a', "", 'A'});
    return line;
}

std::string name3(int i) {
    std::string name;
    appendInt(name, i, 3);
    return name;
}

Series41Data readBytesAsSet(const std::string& bytes) {
    TempDir dir;
    writeBytes(dir.file("in.s41"), bytes);
    FilePtr file = openForReading(dir.file("in.s41"));
    Series41Data set;
    EXPECT_EQ(readSeries41Sentences(file.get(), &set), 0);
    return set;
}

Series41Data readLines(const std::vector<std::string>& lines) {
    return readBytesAsSet(crlf(lines));
}

std::string writtenBytes(const Series41Data& set) {
    TempDir dir;
    OutputFile file;
    EXPECT_EQ(file.create(dir.file("out.s41")), 0);
    EXPECT_EQ(writeSeries41Sentences(&file, &set), 0);
    EXPECT_EQ(file.close(), 0);
    return readBytes(dir.file("out.s41"));
}

// Route items ", 001   , 002   ..." naming `count` points from `first` on.
std::string routeItems(int first, int count) {
    std::string out;
    for (int i = first; i < first + count; ++i) {
        out += ", " + name3(i) + "   ";
    }
    return out;
}

TEST(Series41Write, SentencesAreByteExact) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    Series41Data set{{{35.0 + 12.345 / 60.0, 139.0 + 45.678 / 60.0, "HOME", 16, "MARINA", 'A'},
                      {-5.5, -135.1, "ABCDEF", 20, "0123456789ABCDEF", 'A'},
                      {-90.0, 180.0, "", 0, "", 'A'},
                      {91.0, -180.5, "BAD", 16, "", 'A'},
                      {nan, 10.0, "NAN", 24, "X", 'A'}},
                     {{12, "", {}}, {1, "HARBOUR TOUR", {}}, {123, "", {}}, {5, "EMPTY", {}}}};
    const int points[] = {30, 9, 8, 0};
    for (std::size_t k = 0; k < 4; ++k) {
        for (int i = 1; i <= points[k]; ++i) {
            set.routes[k].points.push_back({name3(i), ' ', 0.0, 0.0, 16});
        }
    }
    // A position out of range leaves both its fields empty: the line keeps its 14 fields.
    // Every route is split into sentences of 8 points and followed by its name sentence.
    EXPECT_EQ(writtenBytes(set),
              crlf({"$PFEC,GPwpl,3512.345,N,13945.678,E,HOME  ,,@qMARINA          ,A,,,,",
                    "$PFEC,GPwpl,0530.000,S,13506.000,W,ABCDEF,,@u0123456789ABCDEF,A,,,,",
                    "$PFEC,GPwpl,9000.000,S,18000.000,E,      ,,@a                ,A,,,,",
                    "$PFEC,GPwpl,,,,,BAD   ,,@q                ,A,,,,",
                    "$PFEC,GPwpl,,,01000.000,E,NAN   ,,@yX               ,A,,,,",
                    "$GPRTE,4,1,C,12" + routeItems(1, 8), "$GPRTE,4,2,C,12" + routeItems(9, 8),
                    "$GPRTE,4,3,C,12" + routeItems(17, 8), "$GPRTE,4,4,C,12" + routeItems(25, 6),
                    "$PFEC,GPrtc,12,", "$GPRTE,2,1,C,01" + routeItems(1, 8),
                    "$GPRTE,2,2,C,01" + routeItems(9, 1), "$PFEC,GPrtc,01,HARBOUR TOUR",
                    "$GPRTE,1,1,C,123" + routeItems(1, 8), "$PFEC,GPrtc,123,",
                    "$PFEC,GPrtc,05,EMPTY", kS41End}));
    OutputFile notOpen;
    EXPECT_EQ(writeSeries41Sentences(&notOpen, &set), 1);
    EXPECT_EQ(writeSeries41Sentences(nullptr, &set), 5);
}

TEST(Series41Read, WaypointFields) {
    // Fields 2 to 8 -> latitude, longitude, name|comment|symbol as read.
    const std::pair<std::string, std::string> cases[] = {
        {"3512.345,N,13945.678,E,HOME  ,,@qMARINA          ",
         "35.205750 139.761300 HOME|MARINA          |16"},
        {"9000.000,S,18000.000,W,AB CD ,,@u0123456789ABCDEFGH",
         "-90.000000 -180.000000 AB|0123456789ABCDEF|20"},
        // Short fields read no minutes; only a hemisphere's first letter counts, in capitals.
        {"35,N,139,E,ABCDEFGH,,@a", "35.000000 139.000000 ABCDEF||0"},
        {"1000.000,Sxx,01000.000,w,,,", "-10.000000 10.000000 ||16"},
        // The symbol letter is a signed byte after the '@'; a letter below 'a' gives less than 0.
        {",,,,X,,@", "0.000000 0.000000 X||-97"},
        {"garbage,N,!!,E,X,,#A", "0.000000 0.000000 X||-32"},
        {"0100.000,N,00100.000,E,X,,@\xE1\xE2", "1.000000 1.000000 X|\xE2|-128"},
        {"0100.000,N,00100.000,E,X,,@qAB*CD", "1.000000 1.000000 X|AB|16"},
    };
    for (const auto& [fields, expected] : cases) {
        const Series41Data set = readLines({"$PFEC,GPwpl," + fields + ",A,,,,"});
        ASSERT_EQ(set.waypoints.size(), 1u) << fields;
        const Series41Waypoint& w = set.waypoints[0];
        EXPECT_EQ(std::to_string(w.latitude) + " " + std::to_string(w.longitude) + " " + w.name +
                      "|" + w.comment + "|" + std::to_string(w.symbol),
                  expected);
    }
}

TEST(Series41Read, LineEndsAndTheEndSentence) {
    const std::vector<std::string> lines = {
        waypointLine("ONE", 10.5, 20.25, 'r'), waypointLine("TWO", -10.5, -20.25),
        "$GPRTE,1,1,C,04, ONE   , TWO   ", "$PFEC,GPrtc,04,OUT AND BACK", kS41End};
    // CR LF and LF files read alike, and what was read writes back byte for byte.
    EXPECT_EQ(writtenBytes(readBytesAsSet(crlf(lines, "\n"))), crlf(lines));
    EXPECT_EQ(writtenBytes(readLines(lines)), crlf(lines));
    for (const std::string end : {kS41End, "$PFEC,GPxfr", "$PFEC,GPxfrMORE,$PFEC,GPwpl,TEXT"}) {
        const Series41Data set =
            readLines({waypointLine("BEFORE"), "$GPRTE,1,1,C,01, BEFORE", end,
                       waypointLine("AFTER"), "$GPRTE,1,1,C,02, AFTER", "$PFEC,GPrtc,01,LATE"});
        EXPECT_EQ(set.waypoints.size() + set.routes.size(), 2u) << end;
        EXPECT_EQ(set.routes.at(0).name, "") << end;
    }
}

// Sentences of one number join in arrival order ("3 of 4" first still comes first) up to 30
// points; '*' and an empty item end the items; a route name before its route has no effect, the
// last one holds; an empty number field is route 0.
TEST(Series41Read, RoutesJoinGetNamesAndTakeTheFirstWaypointOfTheirName) {
    const Series41Data set = readLines(
        {"$PFEC,GPrtc,07,TOO EARLY",
         // The route sentences, then their names, then the waypoints.
         "$GPRTE,4,3,C,07" + routeItems(1, 8), "$GPRTE,1,1,C,00, TWIN  , NONE  , LATE  ",
         "$GPRTE,4,1,C,7" + routeItems(9, 8), "$GPRTE,4,2,C,007" + routeItems(17, 8),
         "$GPRTE,4,4,C,07" + routeItems(25, 8), "$GPRTE,1,1,C,03", "$GPRTE,1,1,C,, A",
         "$GPRTE,1,1,C,21,#ABC   ,+DEF", "$GPRTE,1,1,C,22, ABC   ,*DEF",
         "$GPRTE,1,1,C,23, ABC   ,, DEF   ", "$GPRTE,1,1,C,24, A B, ABCDEFGH, ",
         "$GPRTE,1,1,C,25" + routeItems(1, 9), "$PFEC,GPrtc,07,FIRST NAME",
         "$PFEC,GPrtc,07,SECOND NAME", "$PFEC,GPrtc,,ZERO", "$PFEC,GPrtc,03,SIXTEEN CHARS AND MORE",
         "$PFEC,GPrtc,04,NO SUCH ROUTE", "$PFEC,GPrtc,51,NAMED", "$PFEC,GPrtc,51,",
         waypointLine("TWIN", 10.0, 20.0, 'r'), waypointLine("TWIN", 30.0, 40.0, 's'),
         waypointLine("twin", 50.0, 60.0, 't'), kS41End, waypointLine("LATE", 1.0, 1.0, 'u')});
    std::string read;
    for (const Series41Route& route : set.routes) {
        read += std::to_string(route.number) + ":" + route.name + ":";
        for (const Series41RoutePoint& point : route.points) {
            read += point.prefix + point.name + "|";
        }
        read += "\n";
    }
    std::string thirty;
    for (int i = 1; i <= 30; ++i) {
        thirty += " " + name3(i) + "|";
    }
    ASSERT_EQ(read, "7:SECOND NAME:" + thirty +
                        "\n0:ZERO: TWIN| NONE| LATE|\n3:SIXTEEN CHARS AN:\n" +
                        "51:: A|\n21::#ABC|+DEF|\n22:: ABC|\n23:: ABC|\n24:: A| ABCDEF| |\n25::" +
                        thirty.substr(0, 8 * 5) + "\n");
    Series41Route full = set.routes[0];
    EXPECT_EQ(addSeries41RoutePoint(&full, &full.points[0]), 12);
    const auto& twin = set.routes[1].points;
    EXPECT_EQ(twin[0].latitude + twin[0].longitude + twin[0].symbol, 10.0 + 20.0 + 'r' - 'a');
    for (std::size_t i = 1; i < 3; ++i) { // no such waypoint (before the end)
        EXPECT_EQ(twin[i].latitude + twin[i].longitude + twin[i].symbol, 16.0);
    }
}

TEST(Series41Read, LimitsAndHostileBytes) {
    std::string bytes = noiseBytes(20000, 131, 7);
    bytes += "\r\n" + crlf({"$GPTRK,1,1,C,01,ABC", " " + waypointLine("SPACE"),
                            "$pfec,gpwpl,0100.000,N,00100.000,E,LOWER ,,@q,A,,,,", "$", ""});
    bytes += waypointLine("NUL") + std::string("\0GARBAGE,$GPRTE,1", 17) + "\r\n";
    bytes += std::string(1 << 20, ',') + "\r\n";
    for (int i = 1; i <= 1000; ++i) {
        bytes += waypointLine("W" + std::to_string(i)) + "\r\n";
    }
    for (int i = 1; i <= 51; ++i) {
        bytes += "$GPRTE,1,1,C," + std::to_string(i) + ", W1\r\n";
    }
    bytes += "$GPRTE,1,1,C,50, W2\r\n"; // a full list still joins sentences to route 50
    Series41Data set = readBytesAsSet(bytes);
    ASSERT_EQ(set.waypoints.size(), 999u);
    EXPECT_EQ(set.waypoints[0].name, "NUL");
    EXPECT_EQ(set.waypoints.back().name, "W998");
    ASSERT_EQ(set.routes.size(), 50u);
    EXPECT_EQ(set.routes.back().points.size(), 2u);
    EXPECT_EQ(findSeries41Route(&set, 51), nullptr);
    EXPECT_EQ(addSeries41Waypoint(&set, &set.waypoints[0]), 10); // the codes of full tables
    EXPECT_EQ(addSeries41Route(&set, &set.routes[0]), 11);
    EXPECT_TRUE(readBytesAsSet("").waypoints.empty());
    EXPECT_EQ(readSeries41Sentences(nullptr, &set), 5);
}

Waypoint hubWaypoint(const std::string& name, double latitude, double longitude,
                     std::uint32_t symbol = 16, const std::string& comment = "") {
    return {name, comment, symbol, {}, latitude, longitude, {}, 0.0};
}

// A database of the waypoints and of one route (comment, points) per entry.
NavDatabase hubOf(const std::vector<Waypoint>& waypoints,
                  const std::vector<std::pair<std::string, std::vector<Waypoint>>>& routes = {}) {
    NavDatabase database;
    initNavDatabase(&database);
    for (const Waypoint& waypoint : waypoints) {
        EXPECT_EQ(addWaypoint(&database, &waypoint), 0);
    }
    for (const auto& [comment, points] : routes) {
        Route route;
        initRoute(&route);
        route.comment = comment;
        for (const Waypoint& p : points) {
            route.points.push_back({p.name, p.symbol, p.latitude, p.longitude});
        }
        EXPECT_EQ(addRoute(&database, &route), 0);
    }
    return database;
}

std::string fileBytes(NavDatabase database) {
    TempDir dir;
    EXPECT_EQ(writeSeries41File(&database, dir.file("out.s41").c_str()), 0);
    return readBytes(dir.file("out.s41"));
}

NavDatabase readFileBytes(const std::string& bytes) {
    TempDir dir;
    writeBytes(dir.file("in.s41"), bytes);
    NavDatabase database = hubOf({});
    EXPECT_EQ(readSeries41File(dir.file("in.s41").c_str(), &database), 0);
    return database;
}

TEST(Series41ToHub, SymbolLettersRouteNamesAndNumbers) {
    const ScopedClock clock(1620216000); // 2021-05-05 12:00:00 UTC
    const NavDatabase database = readFileBytes(crlf(
        {waypointLine("A", 10.0, 20.0, 'r'), waypointLine("B", 11.0, 21.0, 'a'),
         waypointLine("Z", 1.0, 1.0, 'z'), waypointLine("DEL", 1.0, 1.0, '\x7F'),
         waypointLine("BELOW", 1.0, 1.0, '`'), waypointLine("HIGH", 1.0, 1.0, '\xE1'),
         "$PFEC,GPwpl,,,,,NONE,,@,A,,,,", "$GPRTE,1,1,C,07, A     , B     , C     ",
         "$PFEC,GPrtc,07,SOUND PASSAGE", "$GPRTE,1,1,C,123456789, B", "$GPRTE,1,1,C,-5", kS41End}));
    std::string symbols;
    for (const Waypoint& waypoint : database.waypoints) {
        symbols += std::to_string(waypoint.symbol) + " ";
    }
    EXPECT_EQ(symbols, "17 0 25 30 0 0 0 ");
    std::string routes;
    for (const Route& route : database.routes) {
        routes += std::to_string(route.number) + ":" + route.name + ":" + route.comment + "|";
    }
    EXPECT_EQ(routes, "1:7:SOUND PASSAGE|2:12345678:|3:-5:|");
    const Route& r = database.routes[0];
    EXPECT_TRUE(r.date == database.waypoints[0].date && r.date == (RecordDate{5, 5, 2021}));
    ASSERT_EQ(r.points.size(), 3u);
    EXPECT_EQ(r.points[0].latitude + r.points[0].longitude + r.points[0].symbol, 47.0);
    EXPECT_EQ(r.points[2].name + std::to_string(r.points[2].symbol), "C16");
}

TEST(HubToSeries41, WidthsCharacterFilterAndSymbols) {
    EXPECT_EQ(
        fileBytes(hubOf({hubWaypoint("Harbour", 1.0, 1.0, 5, "Fuel dock"),
                         hubWaypoint("BUOY 1", 2.0, 2.0, 20, "A_&()+-/=?}Z09 !"),
                         hubWaypoint("BUOY 2", 3.0, 3.0, 24, "Longer than sixteen"),
                         hubWaypoint("Y", 4.0, 4.0, 25, "\x80\xFF,*$")})),
        crlf({"$PFEC,GPwpl,0100.000,N,00100.000,E,Harbou,,@qF????????       ,A,,,,",
              "$PFEC,GPwpl,0200.000,N,00200.000,E,BUOY 1,,@uA_&()+-/=?}Z09??,A,,,,",
              "$PFEC,GPwpl,0300.000,N,00300.000,E,BUOY 2,,@yL???????????????,A,,,,",
              "$PFEC,GPwpl,0400.000,N,00400.000,E,Y     ,,@q?????           ,A,,,,", kS41End}));
    std::string all;
    for (int c = 1; c < 256; ++c) {
        all.push_back(static_cast<char>(c));
    }
    std::string kept = filterSeries41Text(all);
    std::erase(kept, '?');
    EXPECT_EQ(kept, "&()+-/0123456789=ABCDEFGHIJKLMNOPQRSTUVWXYZ_}");
}

TEST(HubToSeries41, DuplicateSixCharacterNamesRenameEveryWaypoint) {
    const Waypoint start = hubWaypoint("START", 1.0, 1.0, 17);
    const Waypoint one = hubWaypoint("MARINA1", 2.0, 2.0, 18);
    const Waypoint two = hubWaypoint("MARINA2", 3.0, 3.0, 19);
    EXPECT_EQ(fileBytes(hubOf({start, one, two}, {{"Marinas", {two, start, one}}})),
              crlf({"$PFEC,GPwpl,0100.000,N,00100.000,E,001   ,,@r                ,A,,,,",
                    "$PFEC,GPwpl,0200.000,N,00200.000,E,002   ,,@s                ,A,,,,",
                    "$PFEC,GPwpl,0300.000,N,00300.000,E,003   ,,@t                ,A,,,,",
                    "$GPRTE,1,1,C,01, 003   , 001   , 002   ", "$PFEC,GPrtc,01,M??????", kS41End}));
}

TEST(HubToSeries41, WaypointLimits) {
    // {count, the waypoint that repeats the first one's name or -1, waypoints written}: 996
    // (named "001".."996") when a duplicate is among the first 999.
    const int cases[][3] = {{1200, -1, 999}, {1200, 998, 996}, {1200, 999, 999},
                            {997, 996, 996}, {996, 995, 996},  {10, 9, 10}};
    for (const auto& [count, duplicateAt, written] : cases) {
        std::vector<Waypoint> waypoints;
        for (int i = 0; i < count; ++i) {
            const int n = i == duplicateAt ? 0 : i;
            waypoints.push_back(hubWaypoint("W" + std::to_string(n), i * 0.01, 0.5));
        }
        const NavDatabase database = hubOf(waypoints);
        Series41Data set;
        ASSERT_EQ(hubToSeries41(&database, &set), 0);
        ASSERT_EQ(set.waypoints.size(), std::size_t(written)) << count;
        EXPECT_EQ(set.waypoints.back().name, written == 999 ? "W998" : name3(written)) << count;
        EXPECT_NEAR(set.waypoints.back().latitude, (written - 1) * 0.01, 1e-9) << count;
    }
}

TEST(HubToSeries41, RoutesKeepPointsOnNamedWaypointsAtTheirPosition) {
    std::vector<Waypoint> forty;
    for (int i = 1; i <= 40; ++i) {
        forty.push_back(hubWaypoint(name3(i), i * 0.1, 1.0));
    }
    std::vector<std::pair<std::string, std::vector<Waypoint>>> routes = {
        {"FORTY", forty},                                                // keeps 30
        {"NOWHERE", {hubWaypoint("X", 5.0, 5.0)}},                       // at no waypoint
        {"UNNAMED", {hubWaypoint("", 9.0, 9.0)}},                        // at an unnamed one
        {"HOME", {hubWaypoint("WP7", 34.500001, 135.25, 3), forty[0]}}}; // first at position
    for (int i = 0; i < 60; ++i) {
        routes.push_back({"R" + std::to_string(i), {forty[0]}});
    }
    NavDatabase database =
        hubOf({hubWaypoint("HOME", 34.5, 135.25, 22), hubWaypoint("ALSO", 34.5, 135.25, 18),
               forty[0], hubWaypoint("", 9.0, 9.0)},
              routes);
    Series41Data set;
    ASSERT_EQ(hubToSeries41(&database, &set), 0); // no waypoints added for the points
    ASSERT_EQ(set.routes.size(), 50u);
    EXPECT_EQ(set.routes[0].points.size(), 1u); // only 001 is a waypoint here
    const Series41Route& home = set.routes[1];
    ASSERT_EQ(home.name + std::to_string(home.points.size()), "HOME2");
    EXPECT_EQ(home.points[0].name + std::to_string(home.points[0].symbol) + home.points[1].name,
              "HOME22001");
    EXPECT_EQ(set.routes[49].name + std::to_string(set.routes[49].number), "R4750");
    // The file writer first gives every route point a waypoint.
    ASSERT_EQ(addRoutePointsAsWaypoints(&database), 0);
    set = {};
    ASSERT_EQ(hubToSeries41(&database, &set), 0);
    ASSERT_EQ(set.routes.size(), 50u);
    EXPECT_EQ(set.routes[0].points.size(), 30u);
    EXPECT_EQ(set.routes[0].points.back().name, "030");
    EXPECT_EQ(set.routes[1].name, "NOWHERE");
}

TEST(Series41File, ErrorsAndMissingArguments) {
    TempDir dir;
    NavDatabase database = hubOf({}, {{"", {hubWaypoint("P", 1.0, 1.0)}}});
    EXPECT_EQ(readSeries41File(nullptr, &database), 5);
    EXPECT_EQ(readSeries41File(dir.file("missing.s41").c_str(), &database), 2);
    EXPECT_EQ(readSeries41File(dir.path().string().c_str(), &database), 2);
    EXPECT_EQ(writeSeries41File(&database, nullptr), 5);
    EXPECT_EQ(writeSeries41File(&database, dir.file("no/such.s41").c_str()), 2);
    EXPECT_EQ(writeSeries41File(&database, dir.path().string().c_str()), 2);
    EXPECT_TRUE(database.waypoints.empty()); // untouched when the file cannot be created
    if (fileExists("/dev/full")) {
        EXPECT_EQ(writeSeries41File(&database, "/dev/full"), 1);
    }
}

TEST(Series41Convert, DeviceFileSurvivesTheHubUnchanged) {
    const std::string original =
        crlf({"$PFEC,GPwpl,3512.345,N,13945.678,E,HOME  ,,@qMARINA(NORTH)=1},A,,,,",
              "$PFEC,GPwpl,0530.000,S,00006.500,W,REEF  ,,@y0123456789ABCDEF,A,,,,",
              "$PFEC,GPwpl,6000.000,N,17959.999,E,FAR   ,,@uA/B-C_D&E+F?GHIJ,A,,,,",
              // Comments the device padded with spaces keep their padding.
              "$PFEC,GPwpl,6000.000,N,17959.000,E,DOCK  ,,@qMARINA          ,A,,,,",
              "$PFEC,GPwpl,6000.000,N,17958.000,E,MOOR  ,,@q                ,A,,,,",
              "$GPRTE,2,1,C,01, HOME  , REEF  , FAR   , HOME  , REEF  , FAR   , HOME  , REEF  ",
              "$GPRTE,2,2,C,01, FAR   ", "$PFEC,GPrtc,01,ROUND(TRIP)",
              "$GPRTE,1,1,C,02, FAR   , HOME  ", "$PFEC,GPrtc,02,", kS41End});
    TempDir dir;
    writeBytes(dir.file("trip.s41"), original);
    for (const auto& [from, to, file] :
         {std::tuple{"s41", "hub", "trip.s41"}, {"hub", "s41", "trip.s41.hub"}}) {
        ASSERT_EQ(runVelmar({"convert", "--from", from, "--to", to, "--out", dir.path().string(),
                             dir.file(file)})
                      .exitCode,
                  0);
    }
    EXPECT_EQ(readBytes(dir.file("trip.s41.hub.s41")), original);
}

} // namespace
} // namespace velmar
