#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>

#include "TestSupport.h"
#include "core/Clock.h"
#include "formats/FamilyTable.h"
#include "formats/gpx/GpxFile.h"
#include "formats/gpx/GpxSymbols.h"
#include "formats/hub/HubFile.h"
#include "tools/LargeDatabase.h"

namespace velmar {
namespace {

constexpr std::int64_t kMay2012 = 1335830400; // 1 May 2012, UTC

bool haveTool(const char* name) {
    return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

class GpxTest : public ::testing::Test {
  protected:
    std::string hubText(NavDatabase& db) {
        EXPECT_EQ(writeHubFile(&db, dir.file("text.hub").c_str()), kOk);
        return test::readBytes(dir.file("text.hub"));
    }
    NavDatabase readPath(const std::string& path, ResultCode expected = kOk) {
        NavDatabase db;
        initNavDatabase(&db);
        std::string reason;
        EXPECT_EQ(readGpx(path.c_str(), &db, &reason), expected) << reason;
        return db;
    }
    NavDatabase readText(const std::string& document) {
        test::writeBytes(dir.file("in.gpx"), document);
        return readPath(dir.file("in.gpx"));
    }
    // The database through a GPX file and back.
    NavDatabase throughGpx(NavDatabase& db, const std::string& path) {
        EXPECT_EQ(writeGpxFile(&db, path.c_str()), kOk);
        return readPath(path);
    }

    const ScopedClock clock{kMay2012};
    test::TempDir dir;
};

// Every byte of the hub's texts, positions GPX cannot hold, broken dates, odd run flags, empty
// records: what only our extensions carry.
NavDatabase awkwardDatabase() {
    NavDatabase db;
    initNavDatabase(&db);
    db.version = {"9<&>\"'", "\x01\x7F\x81\x9D\xFF"};
    const std::string every = test::noiseBytes(255, 1, 1); // bytes 1 to 255
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (std::size_t k = 0; k * 19 < every.size(); ++k) {
        Waypoint w;
        initWaypoint(&w);
        w.name = every.substr(k * 19, 19);
        w.comment = every.substr((k * 34) % every.size(), 34);
        w.symbol = k == 0 ? 0xFFFFFFFFu : static_cast<std::uint32_t>(k);
        w.latitude = k == 1 ? 95.0 : -89.999999999 + k;
        w.longitude = k == 2 ? nan : 179.99 - k;
        w.altitude = k == 3 ? nan : k == 4 ? -0.0 : k * 0.37;
        w.date = k == 5 ? RecordDate{0, 0, 0} : k == 6 ? RecordDate{29, 2, 2023} : w.date;
        addWaypoint(&db, &w);
    }
    const RecordDate today{1, 5, 2012};
    db.marks.push_back({"M&M", 0, {1, 2, 3}, 0.0, 0.0, {-1, 13, 70000}, 0.0});
    db.routes.push_back({-4, "", "", {}, today, {}}); // no points
    db.routes.push_back({-4, "<R>", "\t\r\n", {}, today, {{"A\"B", 300, -200.0, 1.0}}});
    Track track{0, "", {}, today, {}};
    db.tracks.push_back(track); // no points
    for (const std::int32_t flag : {'N', 'X', 'S', 'S', '\0', 'N'}) {
        track.points.push_back({flag, 1.0, track.points.size() == 2 ? 181.0 : 2.0});
    }
    db.tracks.push_back(track);
    db.lines.push_back({0, "]]>", {}, today, {{200.0, -1e-300}}});
    db.zones.push_back({0, {}, {}, -5, today, {{200.0, -1e-300}}});
    return db;
}

// hub -> GPX -> hub gives the same HUB file, for every example (taken to HUB first), generated
// databases and the awkward one.
TEST_F(GpxTest, HubToGpxToHubIsByteIdentical) {
    struct Source {
        const char* key;
        const char* file;
    };
    const Source examples[] = {
        {"hub", "harbor-day.hub"},    {"s41", "harbour-tour.s41"},  {"s5", "bay-survey.s5.wpt"},
        {"s5", "bay-survey.s5.rut"},  {"s5", "bay-survey.s5.trk"},  {"s6", "reef-patrol.s6.wpt"},
        {"s6", "reef-patrol.s6.rut"}, {"s6", "reef-patrol.s6.trk"}, {"s6", "reef-patrol.s6.bnd"},
        {"cmap", "coastal-run.xml"},
    };
    std::vector<NavDatabase> sources;
    for (const Source& source : examples) {
        NavDatabase db;
        initNavDatabase(&db);
        const std::string path = test::sourcePath(std::string("examples/") + source.file);
        ASSERT_EQ(formatFamily(familyIndexByKey(source.key))->reader(path.c_str(), &db, nullptr),
                  kOk)
            << source.file;
        sources.push_back(std::move(db));
    }
    tools::LargeDatabaseShape shape{300, 30, 10, 20, 3, 3000, 3, 10, 3, 10};
    sources.push_back(tools::makeLargeDatabase(shape, 5));
    sources.push_back(awkwardDatabase());
    for (std::size_t i = 0; i < sources.size(); ++i) {
        // The HUB file, then what HUB -> HUB makes of it (a comma in a text shifts fields).
        hubText(sources[i]);
        NavDatabase hub;
        initNavDatabase(&hub);
        ASSERT_EQ(readHubFile(dir.file("text.hub").c_str(), &hub), kOk);
        if (i + 1 == sources.size()) {
            hub = std::move(sources[i]); // the awkward one directly: HUB files cannot hold it all
        }
        const std::string expected = hubText(hub);
        NavDatabase back = throughGpx(hub, dir.file("case" + std::to_string(i) + ".gpx"));
        EXPECT_EQ(hubText(back), expected) << "case " << i;
    }
}

TEST_F(GpxTest, WrittenGpxValidatesAgainstTheSchema) {
    const std::string schema = VELMAR_GPX_SCHEMA;
    if (!test::fileExists(schema) || !haveTool("xmllint")) {
        GTEST_SKIP() << "no GPX 1.1 schema at " << schema << " or no xmllint (libxml2-utils)";
    }
    NavDatabase db = awkwardDatabase();
    ASSERT_EQ(readHubFile(test::sourcePath("examples/harbor-day.hub").c_str(), &db), kOk);
    ASSERT_EQ(writeGpxFile(&db, dir.file("all.gpx").c_str()), kOk);
    const std::string command = "xmllint --noout --schema '" + schema + "' '" +
                                dir.file("all.gpx") + "' >'" + dir.file("log") + "' 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << test::readBytes(dir.file("log"));
    EXPECT_EQ(test::readBytes(dir.file("all.gpx")).find("\n"),
              test::readBytes(dir.file("all.gpx")).find("\r\n") + 1); // CR LF line ends
}

// GPX of other programs: GPX 1.0 and 1.1, foreign namespaces skipped, texts to CP1252 and cut,
// sym names, time zones, the first point's time as the record date, runs from segments.
TEST_F(GpxTest, ForeignDocumentsMapToTheDefaults) {
    NavDatabase db = readText(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<gpx version=\"1.1\" creator=\"other\" "
        "xmlns=\"http://www.topografix.com/GPX/1/1\" xmlns:x=\"urn:x\"><metadata><name>trip</name>"
        "</metadata><wpt lat=\"43.5\" lon=\"-5.25\"><ele>3.5</ele>"
        "<time>2012-03-14T23:30:00-02:00</time><name>Caf\xC3\xA9 &amp; bar \xE2\x80\x94 long "
        "name</name><cmt>only cmt</cmt><sym> anchor </sym><extensions><x:depth>5</x:depth>"
        "</extensions></wpt><wpt lat=\"-0.5\" lon=\"0\"><name>Plain\xE4\xB8\xAD</name><cmt>c</cmt>"
        "<desc>d</desc><sym>Unknown thing</sym></wpt><rte><name>LONGROUTENAME</name><cmt>rc</cmt>"
        "<rtept lat=\"1\" lon=\"2\"><time>2011-05-06T10:00:00Z</time><name>P1</name><sym>Marina"
        "</sym></rtept><rtept lat=\"1.5\" lon=\"2.5\"/></rte><trk><name>Log</name><x:c>red</x:c>"
        "<trkseg><trkpt lat=\"1\" lon=\"1\"><time>2010-01-02T03:04:05.5Z</time></trkpt><trkpt "
        "lat=\"1.1\" lon=\"1\"/></trkseg><trkseg><trkpt lat=\"1.2\" lon=\"1\"/></trkseg><trkseg/>"
        "</trk><x:other><wpt lat=\"99\" lon=\"0\"/></x:other></gpx>");
    EXPECT_EQ(hubText(db),
              "$VERSION,1.0.1,2010.12.22*\r\n$WPT*\r\n"
              "$Caf\xE9 & bar \x97 long n,only cmt,15,000000,43D30.000N,5D15.000W,"
              "20120315,3.5,,,*\r\n"
              "$Plain?,d,00,000000,0D30.000S,0D00.000E,20120501,0.0,,,*\r\n$END*\r\n"
              "$ROT,001,LONGROUT,rc,000000,20110506*\r\n"
              "$001,N,1D00.000N,2D00.000E,P1,10*\r\n$002,S,1D30.000N,2D30.000E,,00*\r\n"
              "$END*\r\n$TRK,001,Log,000000,20100102*\r\n"
              "$00001,N,1D00.000N,1D00.000E*\r\n$00002,S,1D06.000N,1D00.000E*\r\n"
              "$00003,S,1D12.000N,1D00.000E*\r\n$END*\r\nENDDATA\r\n");

    db = readText("<?xml version=\"1.0\" encoding=\"windows-1252\"?><gpx version=\"1.0\" "
                  "xmlns=\"http://www.topografix.com/GPX/1/0\"><wpt lat=\"10\" lon=\"20\"><name>"
                  "\x80uro\x9F</name></wpt></gpx>");
    ASSERT_EQ(db.waypoints.size(), 1u);
    EXPECT_EQ(db.waypoints[0].name, "\x80uro\x9F");

    // A recording longer than a hub track goes on in a second track of the same name.
    std::string points;
    for (int i = 0; i <= 100000; ++i) {
        points += "<trkpt lat=\"1\" lon=\"" + std::to_string(i * 1e-5) + "\"/>";
    }
    db = readText("<gpx><trk><name>Long</name><trkseg>" + points + "</trkseg></trk></gpx>");
    ASSERT_EQ(db.tracks.size(), 2u);
    EXPECT_EQ(db.tracks[0].points.size(), 100000u);
    EXPECT_EQ(db.tracks[0].points.back().pointFlag, 'S');
    EXPECT_EQ(db.tracks[1].points.size(), 1u);
    EXPECT_EQ(db.tracks[1].name, "Long");
    EXPECT_EQ(db.tracks[1].number, 2);

    for (std::uint32_t symbol = 0; symbol < gpx::symbolNameCount(); ++symbol) {
        EXPECT_EQ(gpx::symbolOfName(gpx::symbolName(symbol)), symbol);
    }
    EXPECT_EQ(gpx::symbolName(4000), "Waypoint");
}

TEST_F(GpxTest, MalformedAndHostileDocumentsFailCleanly) {
    const std::string head = "<gpx xmlns=\"http://www.topografix.com/GPX/1/1\">";
    std::string laughs = "<?xml version=\"1.0\"?><!DOCTYPE gpx [<!ENTITY a \"aaaaaaaaaa\">";
    for (char c = 'b'; c <= 'j'; ++c) { // each entity ten of the one before: 10^10 bytes
        laughs += std::string("<!ENTITY ") + c + " \"" +
                  test::repeated(std::string("&") + char(c - 1) + ";", 10) + "\">";
    }
    laughs += "]><gpx><wpt lat=\"1\" lon=\"1\"><name>&j;</name></wpt></gpx>";
    // What, the document, the result, a part of the reason.
    const std::tuple<const char*, std::string, ResultCode, const char*> cases[] = {
        {"empty file", "", kGpxNotWellFormed, "line 1"},
        {"unclosed tag", head + "<wpt lat=\"1\" lon=\"1\"><name>x</name>", kGpxNotWellFormed,
         "no element found"},
        {"billion laughs", laughs, kGpxNotWellFormed, "entity declarations"},
        {"10 MB attribute", head + "<wpt lat=\"1\" lon=\"1\" x=\"" + std::string(10 << 20, 'x'),
         kGpxNotWellFormed, "longer than 1 MiB"},
        {"Latin-1 bytes declared UTF-8", head + "<wpt lat=\"1\" lon=\"1\"><name>Caf\xE9</name>",
         kGpxNotWellFormed, "invalid token"},
        {"unknown encoding", "<?xml version=\"1.0\" encoding=\"EBCDIC-US\"?><gpx/>",
         kGpxNotWellFormed, "unknown encoding"},
        {"nested too deep", head + test::repeated("<a>", 300), kGpxNotWellFormed,
         "nested more than 256"},
        {"not GPX", "<kml><wpt lat=\"1\" lon=\"1\"/></kml>", kGpxNotGpx, "root element is <kml>"},
        {"latitude out of range", head + "<wpt lat=\"90.5\" lon=\"1\"/></gpx>", kBadArgument,
         "lat 90.5 is out of range"},
        {"longitude not a number", head + "<trk><trkseg><trkpt lat=\"1\" lon=\"1e\"/>",
         kBadArgument, "lon \"1e\" is not a number"},
        {"position missing", head + "<rte><rtept lon=\"1\"/></rte></gpx>", kBadArgument,
         "without its lat attribute"},
        {"NaN", head + "<wpt lat=\"nan\" lon=\"1\"/></gpx>", kBadArgument, "not a number"},
    };
    for (const auto& [label, document, code, because] : cases) {
        test::writeBytes(dir.file("bad.gpx"), document);
        NavDatabase db;
        initNavDatabase(&db);
        Waypoint before;
        initWaypoint(&before);
        addWaypoint(&db, &before); // what a failed read leaves: nothing
        std::string reason;
        EXPECT_EQ(readGpx(dir.file("bad.gpx").c_str(), &db, &reason), code) << label;
        EXPECT_NE(reason.find(because), std::string::npos) << label << ": " << reason;
        EXPECT_EQ(reason.rfind(dir.file("bad.gpx") + ": ", 0), 0u) << reason;
        EXPECT_TRUE(db.waypoints.empty()) << label;
    }
}

// Our GPX read by GPSBabel, and GPSBabel's GPX read by us, keep every point and name.
TEST_F(GpxTest, GpsBabelReadsOurGpxAndWeReadItsGpx) {
    if (!haveTool("gpsbabel")) {
        GTEST_SKIP() << "gpsbabel is not installed (scripts/bootstrap installs it)";
    }
    NavDatabase ours = tools::makeLargeDatabase({50, 5, 4, 10, 2, 400, 0, 0, 0, 0}, 9);
    ASSERT_EQ(writeGpxFile(&ours, dir.file("ours.gpx").c_str()), kOk);
    const std::string command = "gpsbabel -i gpx -f '" + dir.file("ours.gpx") + "' -o gpx -F '" +
                                dir.file("theirs.gpx") + "' 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    // Every record's and every point's name, with the point's position, in order.
    using Point = std::tuple<std::string, double, double>;
    const auto points = [](const NavDatabase& db) {
        std::vector<Point> all;
        for (const Waypoint& w : db.waypoints) {
            all.emplace_back(w.name, w.latitude, w.longitude);
        }
        for (const Mark& m : db.marks) {
            all.emplace_back("mark " + m.name, m.latitude, m.longitude);
        }
        for (const Route& route : db.routes) {
            all.emplace_back("route " + route.name, 0.0, 0.0);
            for (const RoutePoint& p : route.points) {
                all.emplace_back(p.name, p.latitude, p.longitude);
            }
        }
        for (const Track& track : db.tracks) {
            all.emplace_back("track " + track.name, 0.0, 0.0);
            for (const TrackPoint& p : track.points) {
                all.emplace_back("", p.latitude, p.longitude);
            }
        }
        return all;
    };
    const std::vector<Point> theirs = points(readPath(dir.file("theirs.gpx"))), mine = points(ours);
    ASSERT_EQ(theirs.size(), mine.size());
    for (std::size_t i = 0; i < mine.size(); ++i) {
        EXPECT_EQ(std::get<0>(theirs[i]), std::get<0>(mine[i]));
        EXPECT_NEAR(std::get<1>(theirs[i]), std::get<1>(mine[i]), 1e-8) << std::get<0>(mine[i]);
        EXPECT_NEAR(std::get<2>(theirs[i]), std::get<2>(mine[i]), 1e-8) << std::get<0>(mine[i]);
    }
}

// The command line says why a document could not be read, and writes nothing for it.
TEST_F(GpxTest, TheCommandLineSaysWhyADocumentFailed) {
    test::writeBytes(dir.file("bad.gpx"), "<kml/>");
    const test::CliResult bad = test::runVelmar({"convert", "--from", "gpx", "--to", "hub", "--out",
                                                 dir.path().string(), dir.file("bad.gpx")});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_EQ(bad.out, "FAIL (0- 7) : " + dir.file("bad.gpx") + "\nConverting Completed\n");
    EXPECT_NE(bad.err.find("not a GPX document"), std::string::npos) << bad.err;
    EXPECT_FALSE(test::fileExists(dir.file("bad.gpx.hub")));
}

} // namespace
} // namespace velmar
