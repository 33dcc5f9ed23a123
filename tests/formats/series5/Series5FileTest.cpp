#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

#include "Series5TestHelpers.h"
#include "core/Clock.h"
#include "formats/FamilyTable.h"
#include "formats/series5/Series5File.h"

namespace velmar {
namespace {

using test::crlf;
using test::fileExists;
using test::readBytes;
using test::TempDir;
using test::writeBytes;

const std::string kDefaultVersionLine = "$VERSION,1.0.1,2010.12.22*";

Waypoint makeWaypoint(const std::string& name, double latitude, double longitude) {
    Waypoint waypoint;
    initWaypoint(&waypoint);
    waypoint.name = name;
    waypoint.latitude = latitude;
    waypoint.longitude = longitude;
    waypoint.date = RecordDate{1, 5, 2012};
    return waypoint;
}

Route makeHubRoute(const std::string& name, int points) {
    Route route;
    initRoute(&route);
    route.name = name;
    route.date = RecordDate{1, 5, 2012};
    for (int i = 0; i < points; ++i) {
        RoutePoint point = test::makeRoutePoint("P" + std::to_string(i), 1.0, i / 600.0);
        point.symbol = 7;
        addRoutePoint(&route, &point);
    }
    return route;
}

Track makeHubTrack(const std::string& name, int points) {
    Track track;
    initTrack(&track);
    track.name = name;
    track.date = RecordDate{1, 5, 2012};
    for (int i = 0; i < points; ++i) {
        const TrackPoint point = test::makeTrackPoint(2.0, i / 6000.0, 'N');
        addTrackPoint(&track, &point);
    }
    return track;
}

std::vector<std::string> linesOf(const std::string& bytes) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::size_t end = bytes.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(bytes.substr(start));
            break;
        }
        lines.push_back(bytes.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

std::size_t countStartingWith(const std::vector<std::string>& lines, const std::string& head) {
    std::size_t count = 0;
    for (const std::string& line : lines) {
        count += line.rfind(head, 0) == 0 ? 1 : 0;
    }
    return count;
}

NavDatabase readIntoFreshDatabase(const std::string& path, ResultCode* result = nullptr) {
    NavDatabase db;
    initNavDatabase(&db);
    const ResultCode read = readSeries5File(path.c_str(), &db);
    if (result != nullptr) {
        *result = read;
    }
    return db;
}

TEST(Series5Files, OneFilePerKindWithRecordsAndTracksNumberedFromZero) {
    TempDir dir;
    NavDatabase db;
    initNavDatabase(&db);
    for (const char* name : {"A", "B", "C"}) {
        const Waypoint waypoint = makeWaypoint(name, 1.0, 2.0);
        addWaypoint(&db, &waypoint);
    }
    for (const char* name : {"FIRST", "SECOND"}) {
        Track track = makeHubTrack(name, 2);
        track.number = 41;
        addTrack(&db, &track);
    }
    const std::string base = dir.file("B");
    ASSERT_EQ(writeSeries5Files(&db, base.c_str()), kOk);
    EXPECT_TRUE(fileExists(base + ".wpt"));
    EXPECT_FALSE(fileExists(base + ".rut"));
    EXPECT_TRUE(fileExists(base + ".trk"));
    const auto tracks = linesOf(readBytes(base + ".trk"));
    ASSERT_GE(tracks.size(), 3u);
    EXPECT_EQ(tracks[1], "4");
    EXPECT_EQ(countStartingWith(tracks, "$TRK,000,FIRST,"), 1u);
    EXPECT_EQ(countStartingWith(tracks, "$TRK,001,SECOND,"), 1u);
    // The database is left as it was.
    EXPECT_EQ(db.tracks[0].number, 41);
}

TEST(Series5Files, NothingToWriteMakesNoFileAndSucceeds) {
    TempDir dir;
    NavDatabase db;
    initNavDatabase(&db);
    const std::string empty = dir.file("empty");
    EXPECT_EQ(writeSeries5Files(&db, empty.c_str()), kOk);

    Mark mark;
    initMark(&mark);
    addMark(&db, &mark);
    Line line;
    initLine(&line);
    addLine(&db, &line);
    Zone zone;
    initZone(&zone);
    addZone(&db, &zone);
    const std::string marks = dir.file("marks");
    EXPECT_EQ(writeSeries5Files(&db, marks.c_str()), kOk);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(Series5Files, SymbolsCommentsMarksAndTheDatabaseVersionStayBehind) {
    TempDir dir;
    NavDatabase db;
    initNavDatabase(&db);
    db.version.version = "3.3";
    Waypoint waypoint = makeWaypoint("NAMED", 35.0 + 12.345 / 60.0, 139.0 + 45.678 / 60.0);
    waypoint.symbol = 5;
    waypoint.comment = "A COMMENT";
    waypoint.colour = RgbColour{1, 2, 3};
    waypoint.altitude = 4.5;
    addWaypoint(&db, &waypoint);
    Mark mark;
    initMark(&mark);
    mark.name = "MARK";
    addMark(&db, &mark);
    Route route = makeHubRoute("R", 1);
    route.comment = "ROUTE NOTE";
    addRoute(&db, &route);

    const std::string base = dir.file("set");
    ASSERT_EQ(writeSeries5Files(&db, base.c_str()), kOk);
    EXPECT_EQ(
        readBytes(base + ".wpt"),
        crlf({kDefaultVersionLine, "1", "$WPT*",
              "$NAMED,,00,010203,35D12.345N,139D45.678E,20120501,4.5,,,*", "$END*", "ENDDATA"}));
    EXPECT_EQ(readBytes(base + ".rut"),
              crlf({kDefaultVersionLine, "1", "$ROT,000,R,ROUTE NOTE,000000,20120501*",
                    "$001,S,1D00.000N,0D00.000E,P0,00*", "$END*", "ENDDATA"}));

    NavDatabase back;
    initNavDatabase(&back);
    back.version.version = "kept";
    ASSERT_EQ(readSeries5File((base + ".wpt").c_str(), &back), kOk);
    ASSERT_EQ(back.waypoints.size(), 1u);
    EXPECT_EQ(back.waypoints[0].symbol, 0u);
    EXPECT_EQ(back.waypoints[0].comment, "");
    EXPECT_EQ(back.waypoints[0].colour, (RgbColour{1, 2, 3}));
    EXPECT_DOUBLE_EQ(back.waypoints[0].altitude, 4.5);
    EXPECT_EQ(back.version.version, "kept");
    EXPECT_TRUE(back.marks.empty());
}

TEST(Series5Files, LongRoutesAndTracksAreCutAndTheLastWrittenPointKeepsItsFlag) {
    TempDir dir;
    NavDatabase db;
    initNavDatabase(&db);
    const Route route = makeHubRoute("LONG", 350);
    addRoute(&db, &route);
    Track track = makeHubTrack("LONG", 2500);
    track.points.back().pointFlag = 'S';
    track.points[2098].pointFlag = 'S';
    addTrack(&db, &track);
    const std::string base = dir.file("long");
    ASSERT_EQ(writeSeries5Files(&db, base.c_str()), kOk);

    const auto routeLines = linesOf(readBytes(base + ".rut"));
    ASSERT_EQ(routeLines.size(), 1u + 1u + 1u + 300u + 1u + 1u);
    EXPECT_EQ(routeLines[1], "300");
    EXPECT_EQ(routeLines[302].substr(0, 7), "$300,S,"); // the last written point ends the route
    const auto trackLines = linesOf(readBytes(base + ".trk"));
    ASSERT_EQ(trackLines.size(), 1u + 1u + 1u + 2100u + 1u + 1u);
    EXPECT_EQ(trackLines[1], "2100");
    EXPECT_EQ(trackLines[2101].substr(0, 9), "$02099,S,");
    EXPECT_EQ(trackLines[2102].substr(0, 9), "$02100,N,"); // its own flag, not forced to S

    const NavDatabase back = readIntoFreshDatabase(base + ".trk");
    ASSERT_EQ(back.tracks.size(), 1u);
    EXPECT_EQ(back.tracks[0].points.size(), 2100u);
}

TEST(Series5Files, RoutesBeyondFiftyAndTracksBeyondFortyAreLeftOut) {
    TempDir dir;
    NavDatabase db;
    initNavDatabase(&db);
    for (int i = 0; i < 51; ++i) {
        const Route route = makeHubRoute("R" + std::to_string(i), 1);
        addRoute(&db, &route);
    }
    for (int i = 0; i < 41; ++i) {
        const Track track = makeHubTrack("T" + std::to_string(i), 1);
        addTrack(&db, &track);
    }
    const std::string base = dir.file("many");
    ASSERT_EQ(writeSeries5Files(&db, base.c_str()), kOk);
    const auto routes = linesOf(readBytes(base + ".rut"));
    EXPECT_EQ(routes[1], "50");
    EXPECT_EQ(countStartingWith(routes, "$ROT,"), 50u);
    EXPECT_EQ(countStartingWith(routes, "$ROT,049,R49,"), 1u);
    const auto tracks = linesOf(readBytes(base + ".trk"));
    EXPECT_EQ(countStartingWith(tracks, "$TRK,"), 40u);
    EXPECT_EQ(countStartingWith(tracks, "$TRK,039,T39,"), 1u);
}

TEST(Series5Files, ReadingNumbersRoutesAndTracksFromOne) {
    TempDir dir;
    const std::string path = dir.file("in.rut");
    writeBytes(path,
               crlf({kDefaultVersionLine, "2", "$ROT,000,R0,,000000,20120501*",
                     "$001,S,1D00.000N,2D00.000E,P,00*", "$END*", "$ROT,001,R1,,000000,20120501*",
                     "$001,S,1D00.000N,2D00.000E,P,1FF*", "$END*", "$TRK,005,T,000000,20120501*",
                     "$00001,N,1D00.000N,2D00.000E*", "$END*", "ENDDATA"}));
    ResultCode result = -1;
    const NavDatabase db = readIntoFreshDatabase(path, &result);
    EXPECT_EQ(result, kOk);
    ASSERT_EQ(db.routes.size(), 2u);
    EXPECT_EQ(db.routes[0].number, 1);
    EXPECT_EQ(db.routes[1].number, 2);
    EXPECT_EQ(db.routes[1].name, "R1");
    EXPECT_EQ(db.routes[1].points.at(0).symbol, 0u); // above 255: 0
    ASSERT_EQ(db.tracks.size(), 1u);
    EXPECT_EQ(db.tracks[0].number, 1);
    EXPECT_EQ(db.tracks[0].points.at(0).pointFlag, 'S');
}

TEST(Series5Files, SymbolsUpTo255AreKeptOnTheWayIn) {
    TempDir dir;
    const std::string path = dir.file("in.wpt");
    writeBytes(path, crlf({"$WPT*", "$A,,FF,000000,1D00.000N,2D00.000E,20120501,0.0,,,*",
                           "$B,,100,000000,1D00.000N,2D00.000E,20120501,0.0,,,*", "$END*"}));
    const NavDatabase db = readIntoFreshDatabase(path);
    ASSERT_EQ(db.waypoints.size(), 2u);
    EXPECT_EQ(db.waypoints[0].symbol, 255u);
    EXPECT_EQ(db.waypoints[1].symbol, 0u);
}

TEST(Series5Files, AFullHubWaypointTableStopsWaypointsOnly) {
    TempDir dir;
    const std::string path = dir.file("big.wpt");
    std::string text = kDefaultVersionLine + "\r\n$WPT*\r\n";
    for (int i = 0; i < 10001; ++i) {
        text += "$W" + std::to_string(i) + ",,00,000000,1D00.000N,2D00.000E,20120501,0.0,,,*\r\n";
    }
    text += "$END*\r\n$ROT,000,R,,000000,20120501*\r\n$001,S,1D00.000N,2D00.000E,P,00*\r\n";
    writeBytes(path, text);
    const NavDatabase db = readIntoFreshDatabase(path);
    EXPECT_EQ(db.waypoints.size(), 10000u);
    EXPECT_EQ(db.waypoints.back().name, "W9999");
    EXPECT_EQ(db.routes.size(), 1u);
}

TEST(Series5Files, ARoundTripKeepsEveryCarriedField) {
    TempDir dir;
    const ScopedClock clock(1341100800); // 2012-07-01
    NavDatabase db;
    initNavDatabase(&db);
    Waypoint waypoint = makeWaypoint("NINETEEN_CHARACTERS", -33.5, -70.25);
    waypoint.altitude = 12.5;
    waypoint.colour = RgbColour{0xFF, 0xEE, 0xDD};
    addWaypoint(&db, &waypoint);
    Route route = makeHubRoute("EIGHT_CH", 4);
    route.comment = "THIRTY-FOUR CHARACTERS OF COMMENT.";
    route.colour = RgbColour{9, 8, 7};
    addRoute(&db, &route);
    Track track = makeHubTrack("ELEVEN_CHAR", 5);
    track.points[1].pointFlag = 'S';
    track.points[4].pointFlag = 'S';
    addTrack(&db, &track);

    const std::string base = dir.file("trip");
    ASSERT_EQ(writeSeries5Files(&db, base.c_str()), kOk);
    NavDatabase back;
    initNavDatabase(&back);
    for (const char* suffix : {".wpt", ".rut", ".trk"}) {
        ASSERT_EQ(readSeries5File((base + suffix).c_str(), &back), kOk) << suffix;
    }
    ASSERT_EQ(back.waypoints.size(), 1u);
    EXPECT_EQ(back.waypoints[0].name, waypoint.name);
    EXPECT_DOUBLE_EQ(back.waypoints[0].latitude, -33.5);
    EXPECT_DOUBLE_EQ(back.waypoints[0].longitude, -70.25);
    EXPECT_EQ(back.waypoints[0].colour, waypoint.colour);
    EXPECT_EQ(back.waypoints[0].date, waypoint.date);
    ASSERT_EQ(back.routes.size(), 1u);
    EXPECT_EQ(back.routes[0].name, route.name);
    EXPECT_EQ(back.routes[0].comment, route.comment);
    EXPECT_EQ(back.routes[0].colour, route.colour);
    ASSERT_EQ(back.routes[0].points.size(), 4u);
    EXPECT_EQ(back.routes[0].points[3].name, "P3");
    EXPECT_NEAR(back.routes[0].points[3].longitude, 3 / 600.0, 1e-9);
    ASSERT_EQ(back.tracks.size(), 1u);
    std::string flags;
    for (const TrackPoint& p : back.tracks[0].points) {
        flags.push_back(static_cast<char>(p.pointFlag));
    }
    EXPECT_EQ(flags, "NSNNS");
}

TEST(Series5Files, AWaypointFileThatCannotBeCreatedGivesTwoAndTheOthersAreStillWritten) {
    TempDir dir;
    NavDatabase db;
    initNavDatabase(&db);
    const Waypoint waypoint = makeWaypoint("W", 1.0, 2.0);
    addWaypoint(&db, &waypoint);
    const Route route = makeHubRoute("R", 2);
    addRoute(&db, &route);
    const Track track = makeHubTrack("T", 2);
    addTrack(&db, &track);
    const std::string base = dir.file("blocked");
    std::filesystem::create_directory(base + ".wpt");

    EXPECT_EQ(writeSeries5Files(&db, base.c_str()), kCannotOpen);
    EXPECT_TRUE(std::filesystem::is_directory(base + ".wpt"));
    EXPECT_EQ(linesOf(readBytes(base + ".rut")).back(), "ENDDATA");
    EXPECT_EQ(linesOf(readBytes(base + ".trk")).back(), "ENDDATA");
}

TEST(Series5Files, TheFirstFailureOfTheSetIsTheResult) {
    if (!std::filesystem::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full";
    }
    TempDir dir;
    NavDatabase db;
    initNavDatabase(&db);
    const Waypoint waypoint = makeWaypoint("W", 1.0, 2.0);
    addWaypoint(&db, &waypoint);
    const Track track = makeHubTrack("T", 2);
    addTrack(&db, &track);

    // A track file that cannot be written after a waypoint file that was: 1.
    const std::string late = dir.file("late");
    std::filesystem::create_symlink("/dev/full", late + ".trk");
    EXPECT_EQ(writeSeries5Files(&db, late.c_str()), kWriteFailed);
    EXPECT_EQ(linesOf(readBytes(late + ".wpt")).back(), "ENDDATA");

    // A waypoint file that cannot be created comes first: 2, though the track file fails too.
    const std::string both = dir.file("both");
    std::filesystem::create_directory(both + ".wpt");
    std::filesystem::create_symlink("/dev/full", both + ".trk");
    EXPECT_EQ(writeSeries5Files(&db, both.c_str()), kCannotOpen);
}

TEST(Series5Files, FilesThatCannotBeReadGiveTwoAndMissingArgumentsFive) {
    TempDir dir;
    NavDatabase db;
    initNavDatabase(&db);
    EXPECT_EQ(readSeries5File(dir.file("missing.wpt").c_str(), &db), kCannotOpen);
    EXPECT_EQ(readSeries5File(dir.path().string().c_str(), &db), kCannotOpen);
    if (::geteuid() != 0) {
        const std::string locked = dir.file("locked.wpt");
        writeBytes(locked, "$WPT*\r\n$A*\r\n$END*\r\n");
        std::filesystem::permissions(locked, std::filesystem::perms::none);
        EXPECT_EQ(readSeries5File(locked.c_str(), &db), kCannotOpen);
    }
    EXPECT_TRUE(db.waypoints.empty());
    EXPECT_EQ(readSeries5File(nullptr, &db), kBadArgument);
    EXPECT_EQ(readSeries5File(dir.file("x").c_str(), nullptr), kBadArgument);
    EXPECT_EQ(writeSeries5Files(nullptr, dir.file("x").c_str()), kBadArgument);
    EXPECT_EQ(writeSeries5Files(&db, nullptr), kBadArgument);
}

TEST(Series66, RefusesEverythingAndCreatesNothing) {
    TempDir dir;
    NavDatabase db;
    initNavDatabase(&db);
    const Waypoint waypoint = makeWaypoint("W", 1.0, 2.0);
    addWaypoint(&db, &waypoint);
    const std::string out = dir.file("out.s66");
    const std::string in = dir.file("in.s66");
    writeBytes(in, "$WPT*\r\n$A,,00,000000,1D00.000N,2D00.000E,20120501,0.0,,,*\r\n$END*\r\n");

    EXPECT_EQ(series66Unsupported(&db, out.c_str()), 1);
    EXPECT_EQ(series66Unsupported(in.c_str(), &db), 1);
    EXPECT_EQ(series66Unsupported(static_cast<NavDatabase*>(nullptr), nullptr), 1);
    EXPECT_EQ(series66Unsupported(static_cast<const char*>(nullptr), nullptr), 1);
    EXPECT_EQ(db.waypoints.size(), 1u);
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        ++entries;
    }
    EXPECT_EQ(entries, 1u); // only the input
    EXPECT_FALSE(fileExists(out));

    const FormatFamily* family = formatFamily(kSeries66);
    ASSERT_NE(family, nullptr);
    EXPECT_EQ(family->writer(&db, out.c_str()), 1);
    EXPECT_EQ(family->reader(in.c_str(), &db), 1);
    EXPECT_FALSE(fileExists(out));
}

TEST(Series5Family, IsTypeOneWithTheSetReaderAndWriter) {
    const FormatFamily* family = formatFamily(kSeries5);
    ASSERT_NE(family, nullptr);
    EXPECT_EQ(kSeries5, 1);
    EXPECT_STREQ(family->caption, "Series 5");
    EXPECT_STREQ(family->extension, ".s5");
    EXPECT_EQ(family->reader, &readSeries5File);
    EXPECT_EQ(family->writer, &writeSeries5Files);
    EXPECT_EQ(familyIndexByKey("s5"), kSeries5);
}

} // namespace
} // namespace velmar
