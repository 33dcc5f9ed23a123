#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sys/wait.h>

#include "Series5TestHelpers.h"
#include "formats/hub/HubFile.h"
#include "formats/series5/Series5File.h"

namespace velmar {
namespace {

using test::binaryPath;
using test::fileExists;
using test::readBytes;
using test::sourcePath;
using test::TempDir;

// Runs the command line; its exit status, or -1 when it did not run.
int runVelmar(const std::string& arguments, const std::string& log) {
    const std::string command = binaryPath("cli/velmar") + " " + arguments + " >" + log + " 2>&1";
    const int status = std::system(command.c_str());
    return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

NavDatabase sampleHub() {
    NavDatabase db;
    initNavDatabase(&db);
    for (int i = 0; i < 3; ++i) {
        Waypoint waypoint;
        initWaypoint(&waypoint);
        waypoint.name = "MOORING " + std::to_string(i);
        waypoint.comment = "DROPPED ON THE WAY";
        waypoint.symbol = 0x20 + static_cast<std::uint32_t>(i);
        waypoint.colour = RgbColour{0x10, 0x20, static_cast<std::uint8_t>(i)};
        waypoint.latitude = -12.0 - i / 7.0;
        waypoint.longitude = 45.0 + i / 3.0;
        waypoint.date = RecordDate{3, 4, 2019};
        waypoint.altitude = i * 1.5;
        addWaypoint(&db, &waypoint);
    }
    Mark mark;
    initMark(&mark);
    mark.name = "NOT CARRIED";
    addMark(&db, &mark);
    for (int r = 0; r < 2; ++r) {
        Route route;
        initRoute(&route);
        route.name = "LEG " + std::to_string(r);
        route.comment = "ROUTE COMMENT";
        route.date = RecordDate{4, 4, 2019};
        for (int i = 0; i < 3 + 2 * r; ++i) {
            RoutePoint point = test::makeRoutePoint("RP" + std::to_string(i), -12.5, 45.0 + i);
            point.symbol = 3;
            addRoutePoint(&route, &point);
        }
        addRoute(&db, &route);
    }
    Track track;
    initTrack(&track);
    track.name = "DRIFT";
    track.date = RecordDate{5, 4, 2019};
    for (int i = 0; i < 6; ++i) {
        const TrackPoint point = test::makeTrackPoint(-12.0 + i / 100.0, 45.5, i == 2 ? 'S' : 'N');
        addTrackPoint(&track, &point);
    }
    track.points.back().pointFlag = 'S';
    addTrack(&db, &track);
    renumberRecords(&db, RenumberRoutes);
    renumberRecords(&db, RenumberTracks);
    return db;
}

// The HUB text of a database, as the HUB writer makes it.
std::string hubBytes(NavDatabase db, const std::string& path) {
    if (writeHubFile(&db, path.c_str()) != kOk) {
        return "<not written>";
    }
    return readBytes(path);
}

TEST(Series5Convert, HubToSeries5AndBackThroughTheCommandLine) {
    const std::string velmar = binaryPath("cli/velmar");
    if (!fileExists(velmar)) {
        GTEST_FAIL() << "the command line was not built: " << velmar;
    }
    TempDir dir;
    const std::filesystem::path s5Dir = dir.path() / "s5";
    const std::filesystem::path hubDir = dir.path() / "hub";
    std::filesystem::create_directory(s5Dir);
    std::filesystem::create_directory(hubDir);
    const NavDatabase original = sampleHub();
    const std::string source = dir.file("day1.hub");
    ASSERT_NE(hubBytes(original, source), "<not written>");

    ASSERT_EQ(runVelmar("convert --from hub --to s5 --out " + s5Dir.string() + " " + source,
                        dir.file("to-s5.log")),
              0)
        << readBytes(dir.file("to-s5.log"));
    const std::string base = (s5Dir / "day1.hub.s5").string();
    for (const char* suffix : {".wpt", ".rut", ".trk"}) {
        ASSERT_TRUE(fileExists(base + suffix)) << suffix;
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(s5Dir),
                            std::filesystem::directory_iterator()),
              3);

    ASSERT_EQ(runVelmar("convert --from s5 --to hub --out " + hubDir.string() + " " + base +
                            ".wpt " + base + ".rut " + base + ".trk",
                        dir.file("to-hub.log")),
              0)
        << readBytes(dir.file("to-hub.log"));

    // What each file of the set carries back: the waypoints without symbols and comments, the
    // routes numbered from 1 with symbol-less points, the tracks as they were; no marks.
    NavDatabase waypoints;
    initNavDatabase(&waypoints);
    waypoints.waypoints = original.waypoints;
    for (Waypoint& w : waypoints.waypoints) {
        w.comment.clear();
        w.symbol = 0;
    }
    NavDatabase routes;
    initNavDatabase(&routes);
    routes.routes = original.routes;
    for (Route& r : routes.routes) {
        for (RoutePoint& p : r.points) {
            p.symbol = 0;
        }
    }
    NavDatabase tracks;
    initNavDatabase(&tracks);
    tracks.tracks = original.tracks;

    const struct {
        const char* suffix;
        const NavDatabase& expected;
    } parts[] = {{".wpt", waypoints}, {".rut", routes}, {".trk", tracks}};
    for (const auto& part : parts) {
        SCOPED_TRACE(part.suffix);
        const std::string converted =
            (hubDir / ("day1.hub.s5" + std::string(part.suffix) + ".hub")).string();
        ASSERT_TRUE(fileExists(converted));
        EXPECT_EQ(readBytes(converted), hubBytes(part.expected, dir.file("expected.hub")));
    }
}

TEST(Series5Convert, TheExampleSetReadsAndWritesBackByteForByte) {
    TempDir dir;
    const std::string example = sourcePath("examples/bay-survey.s5");
    NavDatabase db;
    initNavDatabase(&db);
    for (const char* suffix : {".wpt", ".rut", ".trk"}) {
        ASSERT_EQ(readSeries5File((example + suffix).c_str(), &db), kOk) << suffix;
    }
    EXPECT_EQ(db.waypoints.size(), 5u);
    ASSERT_EQ(db.routes.size(), 2u);
    EXPECT_EQ(db.routes[0].points.size() + db.routes[1].points.size(), 7u);
    EXPECT_EQ(db.tracks.size(), 2u);

    const std::string base = dir.file("copy");
    ASSERT_EQ(writeSeries5Files(&db, base.c_str()), kOk);
    for (const char* suffix : {".wpt", ".rut", ".trk"}) {
        EXPECT_EQ(readBytes(base + suffix), readBytes(example + suffix)) << suffix;
    }
}

} // namespace
} // namespace velmar
