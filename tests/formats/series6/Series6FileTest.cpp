// Series 6 file sets, the family's entry points, the examples and the command line.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "Series6TestHelpers.h"
#include "formats/FamilyTable.h"
#include "formats/hub/HubFile.h"
#include "formats/series6/Series6File.h"
#include "formats/series6/Series6Mapping.h"

namespace velmar::test {
namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kSuffixes = {".wpt", ".rut", ".trk", ".bnd"};

Series6Data oneOfEachKind() {
    Series6Data data;
    data.waypoints.push_back({"0001", 82, kLat, kLon});
    data.routes.push_back({{{"0001", 0xC0, kLat, kLon}}});
    data.tracks.push_back({{{1, kLat, kLon}, {0, kLat, kLon}}});
    data.boundaries.push_back({2, {{0xC0, kLat, kLon}}});
    return data;
}

bool devFullAvailable() {
    return fs::exists("/dev/full");
}

// --- file sets ----------------------------------------------------------------------------

TEST(Series6FileSet, WaypointsOnlyMakeOneFile) {
    TempDir dir;
    Series6Data data;
    data.waypoints.push_back({"0001", 82, kLat, kLon});
    const std::string base = dir.file("trip.s6");
    EXPECT_EQ(writeSeries6FileSet(&data, base.c_str()), kOk);
    EXPECT_EQ(readBytes(base + ".wpt"), "$NRM\r\n$0001,82,34D12.345N,135D06.500E,\r\n$END\r\n\x1A");
    for (const char* suffix : {".rut", ".trk", ".bnd"}) {
        EXPECT_FALSE(fileExists(base + suffix)) << suffix;
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST(Series6FileSet, EveryKindWithRecordsGetsItsFile) {
    TempDir dir;
    const Series6Data data = oneOfEachKind();
    const std::string base = dir.file("trip.s6");
    EXPECT_EQ(writeSeries6FileSet(&data, base.c_str()), kOk);
    EXPECT_EQ(readBytes(base + ".rut"),
              "$RUT\r\n$0001,C0," + std::string(kPos) + "\r\n$END\r\n\x1A");
    EXPECT_EQ(readBytes(base + ".trk"),
              "$TRK\r\n$01," + std::string(kPos) + "\r\n$00," + kPos + "\r\n$END\r\n\x1A");
    EXPECT_EQ(readBytes(base + ".bnd"),
              "$BND\r\n$02,000,C0," + std::string(kPos) + "\r\n$END\r\n\x1A");
    EXPECT_TRUE(fileExists(base + ".wpt"));
}

TEST(Series6FileSet, ReplacesAnOlderFile) {
    TempDir dir;
    const std::string base = dir.file("trip.s6");
    writeBytes(base + ".wpt", std::string(10000, 'x'));
    Series6Data data;
    data.waypoints.push_back({"0001", 82, kLat, kLon});
    EXPECT_EQ(writeSeries6FileSet(&data, base.c_str()), kOk);
    EXPECT_EQ(readBytes(base + ".wpt"),
              sectionBytes("$NRM", {"$0001,82," + std::string(kPos) + ","}));
}

TEST(Series6FileSet, NoRecordsNoFilesAndZero) {
    TempDir dir;
    const Series6Data data;
    EXPECT_EQ(writeSeries6FileSet(&data, dir.file("trip.s6").c_str()), kOk);
    EXPECT_TRUE(fs::is_empty(dir.path()));
    EXPECT_EQ(writeSeries6FileSet(&data, dir.file("missing/trip.s6").c_str()), kOk);
}

TEST(Series6FileSet, ReportsTheFirstFailureAndStillWritesTheOtherKinds) {
    TempDir dir;
    const Series6Data data = oneOfEachKind();
    const std::string base = dir.file("trip.s6");
    fs::create_directory(base + ".wpt"); // cannot be created as a file
    EXPECT_EQ(writeSeries6FileSet(&data, base.c_str()), kCannotOpen);
    EXPECT_TRUE(fs::is_directory(base + ".wpt"));
    for (const char* suffix : {".rut", ".trk", ".bnd"}) {
        EXPECT_TRUE(fileExists(base + suffix)) << suffix;
    }
    EXPECT_EQ(writeSeries6FileSet(&data, dir.file("missing/trip.s6").c_str()), kCannotOpen);
}

TEST(Series6FileSet, WriteFailureGivesOneEvenWhenALaterFileCannotBeCreated) {
    if (!devFullAvailable()) {
        GTEST_SKIP() << "no /dev/full";
    }
    TempDir dir;
    const Series6Data data = oneOfEachKind();
    const std::string base = dir.file("trip.s6");
    fs::create_symlink("/dev/full", base + ".rut");
    fs::create_directory(base + ".trk");
    EXPECT_EQ(writeSeries6FileSet(&data, base.c_str()), kWriteFailed);
    EXPECT_EQ(readBytes(base + ".bnd").substr(0, 4), "$BND");
    EXPECT_EQ(readBytes(base + ".wpt").substr(0, 4), "$NRM");
}

// --- entry points -------------------------------------------------------------------------

TEST(Series6File, ReadMissingUnreadableOrFolderGivesTwo) {
    TempDir dir;
    NavDatabase database;
    initNavDatabase(&database);
    EXPECT_EQ(readSeries6File(dir.file("absent.s6.wpt").c_str(), &database), kCannotOpen);
    EXPECT_EQ(readSeries6File(dir.path().c_str(), &database), kCannotOpen);
    const std::string locked = dir.file("locked.s6.wpt");
    writeBytes(locked, "$NRM\r\n$0001,82,,,\r\n$END\r\n");
    fs::permissions(locked, fs::perms::none);
    if (::access(locked.c_str(), R_OK) != 0) { // root reads everything
        EXPECT_EQ(readSeries6File(locked.c_str(), &database), kCannotOpen);
    }
    EXPECT_EQ(readSeries6File(nullptr, &database), kBadArgument);
    EXPECT_EQ(readSeries6File("x", nullptr), kBadArgument);
    EXPECT_EQ(writeSeries6Files(nullptr, "x"), kBadArgument);
    EXPECT_EQ(writeSeries6Files(&database, nullptr), kBadArgument);
    EXPECT_TRUE(database.waypoints.empty());
}

TEST(Series6File, ReadFillsTheDatabase) {
    TempDir dir;
    const std::string path = dir.file("a.s6.rut");
    writeBytes(path,
               sectionBytes("$RUT", {"$0001,C0," + std::string(kPos), "$0002,C0,,", "$0004,C0,,"}));
    NavDatabase database;
    initNavDatabase(&database);
    EXPECT_EQ(readSeries6File(path.c_str(), &database), kOk);
    ASSERT_EQ(database.routes.size(), 2u);
    EXPECT_EQ(database.routes[0].points.size(), 2u);
    EXPECT_EQ(database.routes[0].points[0].name, "0001");
    EXPECT_NEAR(database.routes[0].points[0].latitude, kLat, 1e-9);
    EXPECT_EQ(database.routes[1].number, 2);
}

TEST(Series6File, HostileFileReadsWithoutFailure) {
    TempDir dir;
    const std::string path = dir.file("noise.s6.wpt");
    std::string bytes;
    for (int i = 0; i < 100000; ++i) {
        bytes.push_back(static_cast<char>((i * 131 + 7) % 256));
    }
    writeBytes(path, bytes);
    NavDatabase database;
    initNavDatabase(&database);
    EXPECT_EQ(readSeries6File(path.c_str(), &database), kOk);
}

TEST(Series6File, WriteNamesTheFilesAfterTheBasePath) {
    TempDir dir;
    NavDatabase database;
    initNavDatabase(&database);
    Waypoint waypoint;
    initWaypoint(&waypoint);
    waypoint.latitude = kLat;
    waypoint.longitude = kLon;
    database.waypoints.push_back(waypoint);
    Zone zone;
    initZone(&zone);
    zone.points.push_back({1.0, 1.0});
    database.zones.push_back(zone);
    const std::string base = dir.file("trip.s6");
    EXPECT_EQ(writeSeries6Files(&database, base.c_str()), kOk);
    EXPECT_EQ(readBytes(base + ".wpt"),
              "$NRM\r\n$0001,82," + std::string(kPos) + ",\r\n$END\r\n\x1A");
    EXPECT_EQ(readBytes(base + ".bnd"), "$BND\r\n$00,000,C0,1D00.000N,1D00.000E\r\n$END\r\n\x1A");
    EXPECT_FALSE(fileExists(base + ".rut"));
    EXPECT_FALSE(fileExists(base + ".trk"));
    EXPECT_EQ(writeSeries6Files(&database, dir.file("missing/trip.s6").c_str()), kCannotOpen);
}

TEST(Series6File, MarksAndLinesOnlyWriteNoFileAndReturnZero) {
    TempDir dir;
    NavDatabase database;
    initNavDatabase(&database);
    Mark mark;
    initMark(&mark);
    database.marks.push_back(mark);
    Line line;
    initLine(&line);
    line.points.push_back({1.0, 2.0});
    database.lines.push_back(line);
    EXPECT_EQ(writeSeries6Files(&database, dir.file("trip.s6").c_str()), kOk);
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST(Series6File, FamilyTableHoldsTheSeries6EntryPoints) {
    const FormatFamily* family = formatFamily(2);
    ASSERT_NE(family, nullptr);
    EXPECT_EQ(family->reader, &readSeries6File);
    EXPECT_EQ(family->writer, &writeSeries6Files);
    EXPECT_STREQ(family->extension, ".s6");
    EXPECT_EQ(familyIndexByKey("s6"), 2);
}

// --- examples -----------------------------------------------------------------------------

TEST(Series6Examples, ReadAsExpectedAndWriteBackByteForByte) {
    const std::string base = sourcePath("examples/reef-patrol.s6");
    Series6Data all;
    for (std::size_t kind = 0; kind < kSuffixes.size(); ++kind) {
        const std::string original = readBytes(base + kSuffixes[kind]);
        ASSERT_FALSE(original.empty()) << kSuffixes[kind];
        const Series6Data data = readBytesAsSeries6(original);
        EXPECT_EQ(writtenSection(data, static_cast<int>(kind)), original) << kSuffixes[kind];
    }
    NavDatabase database;
    initNavDatabase(&database);
    for (const std::string& suffix : kSuffixes) {
        ASSERT_EQ(readSeries6File((base + suffix).c_str(), &database), kOk) << suffix;
    }
    EXPECT_EQ(database.waypoints.size(), 4u);
    EXPECT_EQ(database.routes.size(), 2u);
    ASSERT_EQ(database.tracks.size(), 2u);
    EXPECT_EQ(database.tracks[0].colour, (RgbColour{255, 0, 0}));
    EXPECT_EQ(database.tracks[1].colour, (RgbColour{0, 0, 255}));
    ASSERT_EQ(database.zones.size(), 1u);
    EXPECT_EQ(database.zones[0].points.size(), 4u);
    EXPECT_EQ(database.zones[0].colour, (RgbColour{255, 255, 0}));
}

// --- command line -------------------------------------------------------------------------

std::string quoted(const std::string& text) {
    std::string result = "'";
    for (char c : text) {
        result += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return result + "'";
}

int runVelmar(const std::vector<std::string>& arguments, const std::string& outputFile) {
    std::string command = quoted(binaryPath("cli/velmar"));
    for (const std::string& argument : arguments) {
        command += " " + quoted(argument);
    }
    command += " >" + quoted(outputFile) + " 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(Series6Convert, HubToSeries6AndBackThroughTheCommandLine) {
    if (!fileExists(binaryPath("cli/velmar"))) {
        GTEST_FAIL() << "the velmar binary is not built";
    }
    TempDir dir;
    NavDatabase database;
    initNavDatabase(&database);
    Waypoint home;
    initWaypoint(&home);
    home.name = "HOME";
    home.symbol = 5;
    home.latitude = 34.5;
    home.longitude = -120.25;
    Waypoint buoy = home;
    buoy.name = "BUOY 12";
    buoy.symbol = 40;
    buoy.latitude = -1.0;
    database.waypoints = {home, buoy};
    Route route;
    initRoute(&route);
    route.name = "OUT";
    route.points = {{"A", 1, 1.0, 1.0}, {"B", 1, 2.0, 2.0}, {"C", 1, 3.0, 3.0}};
    database.routes.push_back(route);
    route.points = {{"D", 1, 4.0, 4.0}, {"E", 1, 5.0, 5.0}};
    database.routes.push_back(route);
    Track track;
    initTrack(&track);
    track.colour = {255, 0, 0};
    for (char flag : {'N', 'N', 'S', 'N', 'N'}) {
        track.points.push_back({flag, 10.0, 10.0});
    }
    database.tracks.push_back(track);
    Zone zone;
    initZone(&zone);
    zone.colour = {0, 0, 255};
    zone.points = {{0.0, 0.0}, {0.0, 1.0}, {1.0, 1.0}, {1.0, 0.0}};
    database.zones.push_back(zone);
    Mark mark;
    initMark(&mark);
    database.marks.push_back(mark);
    const std::string hub = dir.file("trip.hub");
    ASSERT_EQ(writeHubFile(&database, hub.c_str()), kOk);

    fs::create_directory(dir.path() / "s6");
    const std::string log = dir.file("log.txt");
    ASSERT_EQ(
        runVelmar({"convert", "--from", "hub", "--to", "s6", "--out", dir.file("s6"), hub}, log), 0)
        << readBytes(log);
    const std::string base = dir.file("s6/trip.hub.s6");
    EXPECT_EQ(readBytes(base + ".wpt"), "$NRM\r\n$0001,82,34D30.000N,120D15.000W,\r\n"
                                        "$0002,82,1D00.000S,120D15.000W,\r\n$END\r\n\x1A");
    EXPECT_EQ(readBytes(base + ".rut"), "$RUT\r\n$0001,C0,1D00.000N,1D00.000E\r\n"
                                        "$0002,C0,2D00.000N,2D00.000E\r\n"
                                        "$0003,C0,3D00.000N,3D00.000E\r\n"
                                        "$0005,C0,4D00.000N,4D00.000E\r\n"
                                        "$0006,C0,5D00.000N,5D00.000E\r\n$END\r\n\x1A");
    EXPECT_EQ(readBytes(base + ".trk"), "$TRK\r\n$01,10D00.000N,10D00.000E\r\n"
                                        "$01,10D00.000N,10D00.000E\r\n"
                                        "$00,10D00.000N,10D00.000E\r\n"
                                        "$01,10D00.000N,10D00.000E\r\n"
                                        "$00,10D00.000N,10D00.000E\r\n$END\r\n\x1A");
    EXPECT_EQ(readBytes(base + ".bnd"), "$BND\r\n$04,000,80,0D00.000N,0D00.000E\r\n"
                                        "$04,001,80,0D00.000N,1D00.000E\r\n"
                                        "$04,002,80,1D00.000N,1D00.000E\r\n"
                                        "$04,003,C0,1D00.000N,0D00.000E\r\n$END\r\n\x1A");

    fs::create_directory(dir.path() / "back");
    std::vector<std::string> arguments = {"convert", "--from",        "s6", "--to", "hub",
                                          "--out",   dir.file("back")};
    for (const std::string& suffix : kSuffixes) {
        arguments.push_back(base + suffix);
    }
    ASSERT_EQ(runVelmar(arguments, log), 0) << readBytes(log);
    NavDatabase back;
    initNavDatabase(&back);
    for (const std::string& suffix : kSuffixes) {
        const std::string path = dir.file("back/trip.hub.s6" + suffix + ".hub");
        ASSERT_EQ(readHubFile(path.c_str(), &back), kOk) << path;
    }
    ASSERT_EQ(back.waypoints.size(), 2u);
    EXPECT_EQ(back.waypoints[1].name, "0002");
    EXPECT_EQ(back.waypoints[1].symbol, 82u);
    EXPECT_DOUBLE_EQ(back.waypoints[0].longitude, -120.25);
    ASSERT_EQ(back.routes.size(), 2u);
    EXPECT_EQ(back.routes[0].points.size(), 3u);
    EXPECT_EQ(back.routes[1].points[0].name, "0005");
    EXPECT_EQ(back.routes[1].points[0].symbol, 192u);
    ASSERT_EQ(back.tracks.size(), 2u);
    EXPECT_EQ(back.tracks[0].colour, (RgbColour{255, 0, 0}));
    EXPECT_EQ(back.tracks[0].points.size(), 3u);
    EXPECT_EQ(back.tracks[1].points.size(), 2u);
    EXPECT_EQ(back.tracks[1].points.back().pointFlag, 'S');
    ASSERT_EQ(back.zones.size(), 1u);
    EXPECT_EQ(back.zones[0].colour, (RgbColour{0, 0, 255}));
    EXPECT_EQ(back.zones[0].points.size(), 4u);
    EXPECT_TRUE(back.marks.empty());
}

} // namespace
} // namespace velmar::test
