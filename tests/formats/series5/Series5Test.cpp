#include <gtest/gtest.h>

#include <filesystem>

#include "TestSupport.h"
#include "formats/FamilyEntryPoints.h"
#include "formats/series5/Series5Format.h"

namespace velmar {
namespace {

using namespace test;
namespace fs = std::filesystem;
constexpr auto npos = std::string::npos;
const std::string kV = "$VERSION,1.0.1,2010.12.22*";
const std::string kTrk = "$TRK,000,T,000000,20120501*";

std::string wpt(const std::string& name, const std::string& symbol = "00") {
    return "$" + name + ",," + symbol + ",000000,35D12.345N,139D45.678E,20120501,0.0,,,*";
}
std::string rot(int number) {
    return "$ROT," + std::to_string(1000 + number).substr(1) + ",R,,000000,20120501*";
}
std::string rpt(int index, char flag) {
    return "$" + std::to_string(1000 + index).substr(1) + "," + flag + ",1D00.000N,2D00.000E,P,00*";
}
std::string tpt(int index, char flag = 'N') {
    return "$" + std::to_string(100000 + index).substr(1) + "," + flag + ",1D00.000N,2D00.000E*";
}

// Points "P<i>" 1/60 degree apart.
Route route(const std::string& name, int points, std::uint32_t symbol = 0) {
    Route route{0, name, "TO " + name, {}, {1, 5, 2012}, {}};
    for (int i = 0; i < points; ++i) {
        route.points.push_back({"P" + std::to_string(i), symbol, 1.0, i / 60.0});
    }
    return route;
}
Track track(int points) {
    Track track{0, "T", {}, {1, 5, 2012}, {}};
    for (int i = 0; i < points; ++i) {
        track.points.push_back({'N', 2.0, i / 60.0});
    }
    return track;
}
Series5Data readSet(const std::string& path) {
    Series5Data data;
    initSeries5Data(&data);
    FilePtr file = openForReading(path);
    EXPECT_EQ(readSeries5Records(file.get(), &data), kOk);
    return data;
}
// Waypoint names, each route's point count, each track's point flags: "A B |2|0/NS/S".
std::string summary(const Series5Data& data) {
    std::string text;
    for (const Mark& mark : data.waypoints) {
        text += mark.name + " ";
    }
    for (const Route& route : data.routes) {
        text += "|" + std::to_string(route.points.size());
    }
    for (const Track& track : data.tracks) {
        text += "/";
        for (const TrackPoint& point : track.points) {
            text += static_cast<char>(point.pointFlag);
        }
    }
    return text;
}

TEST(Series5Read, BlockRules) {
    std::string hostile(1 << 20, 'x'); // a megabyte of text holding every byte value
    for (int i = 0; i < 256; ++i) {
        hostile[i * 1000] = static_cast<char>(i);
    }
    // What, the file, its summary.
    const std::tuple<const char*, std::string, const char*> cases[] = {
        {"marks, lines and zones are skipped",
         crlf({kV, "$MRK*", "$BUOY,00,000000,1D00.000N,2D00.000E,20120501,0.0,,,*", "$END*",
               "$LIN,001,EDGE,000000,20120501*", "$001,S,1D00.000N,2D00.000E*", "$END*",
               "$ZON,001,000000,000000,\x02,20120501*", "$001,S,1D00.000N,2D00.000E*", "$END*",
               "$WPT*", wpt("KEPT"), "$END*"}),
         "KEPT "},
        {"a waypoint named END... ends the block",
         crlf({"$WPT*", wpt("FIRST"), wpt("ENDURANCE"), wpt("AFTER"), "$END*"}), "FIRST "},
        {"an S flag ends a route at once, $END* alone closes one, an unclosed one is lost",
         crlf({rot(0), rpt(1, 'N'), rpt(2, 'S'), rpt(3, 'N'), "$END*", rot(1), "$END*", rot(2),
               rpt(1, 'N')}),
         "|2|0"},
        {"an S point does not end a track, $END* flags its last, an unclosed one is lost",
         crlf({kTrk, tpt(1, 'S'), tpt(2), tpt(3), "$END*", kTrk, tpt(1)}), "/SNS"},
        {"an unclosed waypoint block keeps its waypoints", crlf({"$WPT*", wpt("A"), wpt("B")}),
         "A B "},
        {"nothing after ENDDATA",
         crlf({"$WPT*", wpt("A"), "$END*", "ENDDATA", "$WPT*", wpt("B"), "$END*", rot(0),
               rpt(1, 'S')}),
         "A "},
        {"all kinds in one file, LF line ends",
         "$WPT*\n" + wpt("A") + "\n$END*\n" + rot(0) + "\n" + rpt(1, 'S') + "\n" + kTrk + "\n" +
             tpt(1) + "\n$END*\nENDDATA\n",
         "A |1/S"},
        {"hostile bytes; a NUL ends a line's text",
         hostile + crlf({"", "$WPT*", std::string("$NUL\0NAME,,00", 13), wpt("OK"), "$END*"}),
         "NUL OK "},
    };
    TempDir dir;
    for (const auto& [what, text, expected] : cases) {
        writeBytes(dir.file("in"), text);
        EXPECT_EQ(summary(readSet(dir.file("in"))), expected) << what;
    }
}

TEST(Series5Read, RecordsBeyondTheCapacitiesAreDroppedAndTheHubNumbersFromOne) {
    std::string text = crlf({"$VERSION,3.3,2013.01.01*", "$WPT*", wpt("A", "FF"), wpt("B", "100")});
    for (int i = 2; i < 18001; ++i) {
        text += wpt("W" + std::to_string(i)) + "\r\n";
    }
    text += "$END*\r\n" + rot(0) + "\r\n";
    for (int i = 1; i <= 301; ++i) { // the 301st point's flag still ends the route
        text += rpt(i, i == 301 ? 'S' : 'N') + "\r\n";
    }
    for (int r = 1; r <= 50; ++r) {
        text += rot(r) + "\r\n" + rpt(1, 'S') + "\r\n";
    }
    for (int t = 0; t < 41; ++t) {
        text += kTrk + "\r\n";
        for (int i = 1; i <= (t == 0 ? 2101 : 1); ++i) {
            text += tpt(i) + "\r\n";
        }
        text += "$END*\r\n";
    }
    TempDir dir;
    writeBytes(dir.file("big.wpt"), text + "ENDDATA\r\n");

    const Series5Data data = readSet(dir.file("big.wpt"));
    ASSERT_EQ(data.waypoints.size(), 18000u);
    EXPECT_EQ(data.waypoints.back().name, "W17999");
    ASSERT_EQ(data.routes.size(), 50u);
    EXPECT_EQ(data.routes[0].points.size(), 300u);
    EXPECT_EQ(data.routes[49].number, 49); // the 51st route is the one dropped
    ASSERT_EQ(data.tracks.size(), 40u);
    ASSERT_EQ(data.tracks[0].points.size(), 2100u);
    EXPECT_EQ(data.tracks[0].points.back().pointFlag, 'S');
    EXPECT_EQ(data.tracks[0].points[2098].pointFlag, 'N');
    EXPECT_EQ(data.version.version, "3.3");

    NavDatabase db;
    db.version.version = "kept"; // the file's version record stays out of the database
    ASSERT_EQ(readSeries5File(dir.file("big.wpt").c_str(), &db), kOk);
    EXPECT_EQ(db.version.version, "kept");
    EXPECT_EQ(db.waypoints.size(), 10000u); // a full hub table stops the waypoints only
    EXPECT_EQ(db.waypoints[0].symbol, 255u);
    EXPECT_EQ(db.waypoints[1].symbol, 0u); // above 255: 0
    ASSERT_EQ(db.routes.size(), 50u);
    EXPECT_EQ(db.routes[49].number, 50);
    EXPECT_EQ(db.tracks.at(39).number, 40);
}

// How a set is written line for line (no symbols, comments or marks) is the golden test's.
TEST(Series5Files, EmptyKindsMakeNoFileAndLongOrSurplusRoutesAndTracksAreCut) {
    TempDir dir;
    NavDatabase db;
    db.version.version = "3.3"; // every file says 1.0.1
    db.marks.push_back({});
    db.lines.push_back({});
    db.zones.push_back({});
    EXPECT_EQ(writeSeries5Files(&db, dir.file("marks").c_str()), kOk);
    EXPECT_TRUE(fs::is_empty(dir.path()));

    Track t = track(2500);
    t.points[2098].pointFlag = 'S';
    t.points.back().pointFlag = 'S';
    addTrack(&db, std::move(t));
    addRoute(&db, route("LONG", 350));
    for (int i = 0; i < 50; ++i) {
        addRoute(&db, route("R", 1));
        addTrack(&db, track(1));
    }
    const std::string base = dir.file("long");
    ASSERT_EQ(writeSeries5Files(&db, base.c_str()), kOk);
    EXPECT_EQ(folderNames(dir.path()), (std::vector<std::string>{"long.rut", "long.trk"}));
    const std::string routes = readBytes(base + ".rut");
    EXPECT_EQ(routes.find(kV + "\r\n349\r\n"), 0u); // 300 + 49 points: 50 routes
    EXPECT_NE(routes.find("\r\n$300,S,"), npos);    // the last written point ends the route
    const std::string tracks = readBytes(base + ".trk");
    EXPECT_EQ(tracks.find(kV + "\r\n2139\r\n"), 0u); // 2,100 + 39 points: 40 tracks
    EXPECT_NE(tracks.find("\r\n$02099,S,"), npos);
    EXPECT_NE(tracks.find("\r\n$02100,N,"), npos); // its own flag, not forced to S
}

// How a set tries every kind and gives the first failure is the file-set helper's (TextFileTest,
// FileSet).
TEST(Series5, EntryPointsMissingArgumentsAndUnreadableFiles) {
    TempDir dir;
    NavDatabase db;
    EXPECT_EQ(readSeries5File(dir.file("missing.wpt").c_str(), &db), kCannotOpen);
    EXPECT_EQ(readSeries5File(dir.path().c_str(), &db), kCannotOpen);
    EXPECT_EQ(readSeries5File("x", nullptr), kBadArgument);
    EXPECT_EQ(writeSeries5Files(&db, nullptr), kBadArgument);

    Series5Data data;
    data.waypoints.push_back({});
    Route r;
    Track t;
    EXPECT_EQ(initSeries5Data(nullptr), kBadArgument);
    EXPECT_EQ(clearSeries5Data(nullptr), kBadArgument);
    EXPECT_EQ(addSeries5Waypoint(&data, nullptr), kBadArgument);
    EXPECT_EQ(addSeries5Route(nullptr, Route{}), kBadArgument);
    EXPECT_EQ(addSeries5RoutePoint(&r, nullptr), kBadArgument);
    EXPECT_EQ(addSeries5TrackPoint(&t, nullptr), kBadArgument);
    EXPECT_EQ(numberSeries5Records(nullptr, 0), kBadArgument);
    EXPECT_EQ(numberSeries5Records(&data, 2), kBadArgument);
    EXPECT_EQ(readSeries5Records(nullptr, &data), kBadArgument);
    // A kind without records or an unknown kind: the version record and "ENDDATA" only.
    for (const int kind : {int(Series5Routes), int(Series5Tracks), -1, 3}) {
        OutputFile file;
        ASSERT_EQ(file.create(dir.file("out")), kOk);
        EXPECT_EQ(writeSeries5Records(&file, &data, kind), kOk);
        EXPECT_EQ(writeSeries5Records(&file, nullptr, kind), kBadArgument);
        EXPECT_EQ(file.close(), kOk);
        EXPECT_EQ(readBytes(dir.file("out")), kV + "\r\nENDDATA\r\n") << kind;
    }
}

} // namespace
} // namespace velmar
