#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>

#include "TestSupport.h"
#include "core/Clock.h"
#include "formats/FamilyEntryPoints.h"
#include "formats/cmap/CmapMapping.h"
#include "formats/cmap/CmapXml.h"

namespace velmar {
namespace {

using test::crlf;
constexpr std::int64_t kNoonMarch15 = 1331812800; // 2012-03-15 12:00:00 UTC

// Every line the writer attempts; the attempt numbered `failAt` (from 0) is refused.
struct RecordingSink final : CmapLineSink {
    std::vector<std::string> lines;
    std::size_t failAt = SIZE_MAX;
    bool writeLine(std::string_view text) override {
        lines.emplace_back(text);
        return lines.size() - 1 != failAt;
    }
};

std::string documentText(const CmapDatabase& database, int selector) {
    RecordingSink sink;
    EXPECT_EQ(writeCmapRecords(&sink, &database, selector), kOk);
    return crlf(sink.lines);
}

// The records of a document held in memory.
CmapDatabase readDocument(std::string text) {
    text += '\n'; // never an empty buffer
    CmapDatabase database;
    std::FILE* file = fmemopen(text.data(), text.size(), "rb");
    EXPECT_EQ(readCmapRecords(file, &database), kOk);
    std::fclose(file);
    return database;
}

// A new waypoint A, a route R of one waypoint P, a track of one point; stamped by the clock.
CmapDatabase smallDatabase() {
    ScopedClock clock(kNoonMarch15);
    CmapDatabase db;
    CmapWaypoint& waypoint = db.waypoints.emplace_back();
    initCmapWaypoint(&waypoint);
    waypoint = {"A", "", 0, 0, 34.20575, 135.108333, waypoint.type, 0.0, 0.0, waypoint.dateTime};
    db.routes.push_back({"R", "d", 0, std::vector<CmapRouteWaypoint>(1)});
    initCmapRouteWaypoint(&db.routes[0].waypoints[0]);
    db.routes[0].waypoints[0].name = "P";
    CmapTrackPoint& point = db.tracks.emplace_back().points.emplace_back();
    initCmapTrackPoint(&point);
    point.waterTemp = 18.7;
    return db;
}

// The selected kinds' documents fit together into the whole one (each kind's lines byte for byte
// are the golden test's).
TEST(CmapWriter, WritesEveryKindLineForLine) {
    const CmapDatabase db = smallDatabase();
    const auto inner = [&db](int selector) {
        const std::string text = documentText(db, selector);
        EXPECT_EQ(text.substr(0, 9) + text.substr(text.size() - 10), "<C_MAP>\r\n</C_MAP>\r\n");
        return text.substr(9, text.size() - 19);
    };
    EXPECT_EQ(documentText(db, CmapAllKinds),
              "<C_MAP>\r\n" + inner(0) + inner(1) + inner(2) + "</C_MAP>\r\n");

    // Texts are written as they are; positions out of range as empty values; the water
    // temperature truncated, and held at the 32-bit limits.
    CmapDatabase odd = db;
    odd.waypoints.push_back({"a,b*<c>", "", 0, 0, 91.0, -180.5, 2, -0.0000004, 0.0, {}});
    for (double temperature : {-18.7, 1e300, -1e300, std::numeric_limits<double>::quiet_NaN()}) {
        odd.tracks[0].points.emplace_back().waterTemp = temperature;
    }
    const std::string text = documentText(odd, CmapAllKinds);
    for (const char* line :
         {"    <ROUTE>\r\n        <NAME>R</NAME>\r\n        <DESCRIPTION>d</DESCRIPTION>\r\n"
          "        <COLOR>BLACK</COLOR>\r\n        <WAYPOINT>\r\n            <NAME>P</NAME>\r\n",
          "<BACKCOLOR>15</BACKCOLOR>",
          "<DATE_TIME>1331812800</DATE_TIME>\r\n            "
          "<DATE_TIME_TEXT>1331812800</DATE_TIME_TEXT>\r\n",
          "<WATER_TEMP>18</WATER_TEMP>\r\n        </POINT>\r\n", "<NAME>a,b*&lt;c&gt;</NAME>\r\n",
          "<LATITUDE></LATITUDE>\r\n", "<LONGITUDE></LONGITUDE>\r\n", "<SPEED>-0.000000</SPEED>",
          "<WATER_TEMP>-18</WATER_TEMP>", "<WATER_TEMP>2147483647</WATER_TEMP>",
          "<WATER_TEMP>-2147483648</WATER_TEMP>", "<WATER_TEMP>0</WATER_TEMP>"}) {
        EXPECT_NE(text.find(line), std::string::npos) << line;
    }

    // A kind without records writes nothing; the whole document always has its frame.
    const CmapDatabase empty;
    EXPECT_EQ(documentText(empty, CmapAllKinds), "<C_MAP>\r\n</C_MAP>\r\n");
    for (int selector : {0, 1, 2, 3, -2}) {
        EXPECT_EQ(documentText(empty, selector), "") << selector;
    }
    RecordingSink sink;
    EXPECT_EQ(writeCmapRecords(static_cast<CmapLineSink*>(nullptr), &db, -1), kBadArgument);
    EXPECT_EQ(writeCmapRecords(&sink, static_cast<const CmapDatabase*>(nullptr), -1), kBadArgument);
    EXPECT_EQ(writeCmapRecords(static_cast<OutputFile*>(nullptr), &db, -1), kBadArgument);
}

// Which failed lines end the document at once and which are passed over (the writer goes on to
// the end, and still reports the loss). Each case names the first line that holds its text.
TEST(CmapWriter, AFailedLineEndsTheDocumentOrIsPassedOver) {
    const CmapDatabase db = smallDatabase();
    RecordingSink probe;
    ASSERT_EQ(writeCmapRecords(&probe, &db, CmapAllKinds), kOk);
    const auto check = [&](const char* text, bool endsDocument) {
        const auto at = std::find_if(probe.lines.begin(), probe.lines.end(), [&](auto& line) {
            return line.find(text) != std::string::npos;
        });
        ASSERT_NE(at, probe.lines.end()) << text;
        RecordingSink sink;
        sink.failAt = static_cast<std::size_t>(at - probe.lines.begin());
        EXPECT_EQ(writeCmapRecords(&sink, &db, CmapAllKinds), kWriteFailed) << text;
        EXPECT_EQ(sink.lines.size(), endsDocument ? sink.failAt + 1 : probe.lines.size()) << text;
    };
    for (const char* text : {"<C_MAP>", "<WAYPOINTS>", "<WAYPOINT>", "<NAME>A", "<DATE_TIME>",
                             "</WAYPOINTS>", "<ROUTE>", "<NAME>R", "<DESCRIPTION>d", "<COLOR>",
                             "</ROUTE>", "<TRACK>", "</TRACK>", "</C_MAP>"}) {
        check(text, true);
    }
    for (const char* text : {"<NAME>P", "<BEARING>", "<POINT>", "<WATER_TEMP>"}) {
        check(text, false);
    }
}

TEST(CmapFiles, SaveAndTheFileSetWriteTheDocumentsAndReportTheFirstFailure) {
    test::TempDir dir;
    const CmapDatabase db = smallDatabase();
    const std::string path = dir.file("all.xml");
    ASSERT_EQ(saveCmapFile(&db, path.c_str()), kOk);
    EXPECT_EQ(test::readBytes(path), documentText(db, CmapAllKinds));
    EXPECT_EQ(saveCmapFile(&db, "/dev/full"), kWriteFailed);
    EXPECT_EQ(saveCmapFile(nullptr, path.c_str()), kBadArgument);
    // Each kind's document, and the set's first failure, are the golden and file-set tests'.
    EXPECT_EQ(writeCmapFileSet(&db, nullptr), kBadArgument);
    // The family's entry points. (What a track, its runs and the kinds without a CMAP form come
    // back as is the golden and completeness tests'.)
    NavDatabase hub;
    hub.tracks.resize(1);
    EXPECT_EQ(writeCmapFiles(&hub, dir.file("no/folder/x").c_str()), kCannotOpen);
    EXPECT_EQ(writeCmapFiles(&hub, nullptr), kBadArgument);
    EXPECT_EQ(readCmapFile(dir.file("missing.xml").c_str(), &hub), kCannotOpen);
    EXPECT_EQ(readCmapFile(nullptr, &hub), kBadArgument);
}

// Every field of every kind reads back to where it came from: the document written again is
// the same.
TEST(CmapReader, ReadsBackWhatTheWriterWroteFileAfterFile) {
    CmapDatabase db;
    const CmapDateTime time{6, 7, 8, 9, 10, 2011};
    db.waypoints.push_back({"Harbour", "red light", 42, 3, -33.5, 151.25, 2, 1.5, -2.5, time});
    CmapRoute& route = db.routes.emplace_back(CmapRoute{"Evening run", "along the coast", 0, {}});
    route.waypoints.push_back(
        {{"P1", "x", 5, 6, 10.0, -20.0, 3, 3.0, 4.0, {1, 2, 3, 4, 5, 2020}}, 90.0, 1.5, 0.75});
    db.tracks.emplace_back().points.push_back(
        {0.5, -0.5, 1, 2, 3, 4.0, 5.0, 6.0, {23, 59, 59, 31, 12, 1999}, 270.0, 12.0});
    const std::string text = documentText(db, CmapAllKinds);
    EXPECT_EQ(documentText(readDocument(text), CmapAllKinds), text);

    // The hand-made example is exactly what the writer makes of its own records; a second file
    // read into the same database goes after it.
    test::TempDir dir;
    const std::string example = test::sourcePath("examples/coastal-run.xml");
    db = {};
    ASSERT_EQ(loadCmapFile(example.c_str(), &db), kOk);
    EXPECT_EQ(documentText(db, CmapAllKinds), test::readBytes(example));
    test::writeBytes(dir.file("b"), "<C_MAP>\n<WAYPOINTS>\n<WAYPOINT>\n<NAME>b</NAME>\n"
                                    "</WAYPOINT>\n</WAYPOINTS>\n</C_MAP>\n");
    ASSERT_EQ(loadCmapFile(dir.file("b").c_str(), &db), kOk);
    ASSERT_EQ(db.waypoints.size(), 4u);
    EXPECT_EQ(db.waypoints[0].name + "/" + db.waypoints[3].name, "Marina berth 12/b");
    EXPECT_EQ(db.routes.size() + db.tracks.size(), 2u);
    EXPECT_EQ(loadCmapFile(dir.file("missing").c_str(), &db), kCannotOpen);
    EXPECT_EQ(loadCmapFile(dir.path().c_str(), &db), kCannotOpen);
    EXPECT_EQ(loadCmapFile(nullptr, &db), kBadArgument);
    EXPECT_EQ(readCmapRecords(nullptr, &db), kBadArgument);
    EXPECT_EQ(db.waypoints.size(), 4u);
}

// How one line inside a waypoint named W of type 4 changes its name and type.
TEST(CmapReader, TakesOnlyCompleteNonEmptyFieldsWithExactTags) {
    const std::pair<std::string, std::string> cases[] = {
        {"<NAME>abc</NAME>", "abc/4"},
        {"<NAME>abc", "W/4"}, // no closing tag, no value
        {"<NAME></NAME>", "W/4"},
        {"<name>abc</name>", "W/4"},
        {"<NAME >abc</NAME>", "W/4"},
        {"NAME>abc</NAME>", "W/4"},
        {"<NAME", "W/4"},
        {"<WAYPOINT>x</WAYPOINT>", "W/4"},
        {"junk <NAME>a b </NAME> junk", "a b /4"},
        {" \t <NAME>  x\t</NAME>  \r\r", "  x\t/4"},
        {"<NAME>" + std::string(44, 'n') + "</NAME>", std::string(40, 'n') + "/4"},
        {"<TYPE>-12abc</TYPE>", "W/-12"},
        {"<TYPE>4294967297</TYPE>", "W/1"}, // the low 32 bits
        {"<TYPE>" + std::string(126, '0') + "7</TYPE>", "W/7"},
        {"<TYPE>" + std::string(127, '0') + "7</TYPE>", "W/4"}, // over 127 characters
        {"<" + std::string(128, 'T') + ">1</X>", "W/4"}};
    for (const auto& [line, expected] : cases) {
        const CmapDatabase db =
            readDocument(crlf({"<C_MAP>", "<WAYPOINTS>", "<WAYPOINT>", "<NAME>W</NAME>",
                               "<TYPE>4</TYPE>", line, "</WAYPOINT>", "</WAYPOINTS>", "</C_MAP>"}));
        ASSERT_EQ(db.waypoints.size(), 1u) << line;
        EXPECT_EQ(db.waypoints[0].name + "/" + std::to_string(db.waypoints[0].type), expected);
    }
}

TEST(CmapReader, ContainerTagsNeedAnEmptyValueAndTheirPlace) {
    ScopedClock clock(kNoonMarch15);
    const CmapDatabase db = readDocument(
        crlf({"<C_MAP>", "  <ROUTE >", "<route>", "<TRACK>x</TRACK>",
              "<WAYPOINT>", // not in WAYPOINTS
              "<NAME>stray</NAME>", "<WAYPOINTS>", "<POINT>", " \t <WAYPOINT>   \r",
              "<NAME>plain</NAME>", "<BEARING>45.5</BEARING>", "<DATE_TIME>-5</DATE_TIME>",
              "</WAYPOINT>", "</WAYPOINTS>", "<ROUTE>", "<NAME>R</NAME>", "<COLOR>RED</COLOR>",
              "<WAYPOINT>", "<BEARING>45.5</BEARING>", "</WAYPOINT>",
              "</C_MAP>", // inside a route: not the end
              "</ROUTE>", "<TRACK>", "<POINT>",
              "</TRACK>", // inside an open point: not the track's end
              "</POINT>", "</TRACK>", "</C_MAP>",
              // Reading stops at the first end of a document.
              "<C_MAP>", "<TRACK>", "</TRACK>", "</C_MAP>"}));
    ASSERT_EQ(db.waypoints.size(), 1u);
    const CmapWaypoint& w = db.waypoints[0];
    EXPECT_EQ(w.name, "plain");
    EXPECT_EQ(w.dateTime, (CmapDateTime{12, 0, 0, 15, 3, 2012})); // a negative time: as it was
    ASSERT_EQ(db.routes.size(), 1u);
    EXPECT_EQ(db.routes[0].name, "R");
    ASSERT_EQ(db.routes[0].waypoints.size(), 1u);
    EXPECT_EQ(db.routes[0].waypoints[0].bearing, 45.5);
    ASSERT_EQ(db.tracks.size(), 1u);
    EXPECT_EQ(db.tracks[0].points.size(), 1u);

    // Without C_MAP nothing is read; unclosed routes and tracks are not appended.
    EXPECT_TRUE(readDocument("<WAYPOINTS>\n<WAYPOINT>\n</WAYPOINT>").waypoints.empty());
    EXPECT_TRUE(readDocument("<C_MAP>\n<ROUTE>\n<WAYPOINT>\n</WAYPOINT>\n").routes.empty());
    EXPECT_TRUE(readDocument("<C_MAP>\n<TRACK>\n<POINT>\n</POINT>\n").tracks.empty());
}

// The waypoint, route, route point and track capacities, and the findings of what they drop, are
// the completeness test's (FindingsTest.CmapReaderNotesWhatItsCapacitiesDrop).
TEST(CmapReader, ATrackStopsAtItsCapacity) {
    const CmapDatabase db =
        readDocument("<C_MAP>\n<TRACK>\n" + test::repeated("<POINT>\n</POINT>\n", 100001) +
                     "</TRACK>\n</C_MAP>\n");
    ASSERT_EQ(db.tracks.size(), 1u);
    EXPECT_EQ(db.tracks[0].points.size(), 100000u);
}

TEST(CmapReader, HostileBytesNeverBreakIt) {
    const CmapDatabase db =
        readDocument("<C_MAP>\n<WAYPOINTS>\n<WAYPOINT>\n" + test::noiseBytes(4096) + "\n<NAME>" +
                     std::string(1 << 20, 'x') + "</NAME>\n" +
                     std::string("<ICON>7\0<</ICON>\n", 17) + std::string(300, '<') + ">\n" +
                     std::string(1000, '>') + "\n</WAYPOINT>\n</WAYPOINTS>\n</C_MAP>\n");
    ASSERT_EQ(db.waypoints.size(), 1u);
    EXPECT_EQ(db.waypoints[0].icon, 0); // a NUL byte ends the line's text: "<ICON>7" has no value
    EXPECT_LE(db.waypoints[0].name.size(), 40u);
}

// Each table takes one more record up to its capacity, then refuses one with its own code.
TEST(CmapDatabase, TablesFillToCapacityAndRefuseOneMore) {
    CmapDatabase db;
    db.waypoints.resize(kCmapCapacities.waypoints - 1);
    db.routes.resize(kCmapCapacities.routes - 1);
    db.tracks.resize(kCmapCapacities.tracks - 1);
    CmapRoute route;
    route.waypoints.resize(kCmapCapacities.routePoints - 1);
    CmapTrack track;
    track.points.resize(kCmapCapacities.trackPoints - 1);
    const CmapWaypoint waypoint;
    const CmapRouteWaypoint routeWaypoint;
    const CmapTrackPoint point;
    const std::pair<std::function<ResultCode()>, ResultCode> adds[] = {
        {[&] { return addCmapWaypoint(&db, &waypoint); }, 10},
        {[&] { return addCmapRouteWaypoint(&route, &routeWaypoint); }, 12},
        {[&] { return addCmapTrackPoint(&track, &point); }, 14},
        {[&] { return addCmapRoute(&db, &route); }, 11},
        {[&] { return addCmapTrack(&db, &track); }, 13}};
    for (const auto& [add, full] : adds) {
        EXPECT_EQ(add(), kOk);
        EXPECT_EQ(add(), full);
    }
    EXPECT_EQ(db.routes.back().waypoints.size(), kCmapCapacities.routePoints); // a deep copy
    EXPECT_EQ(route.waypoints.size(), kCmapCapacities.routePoints);
    EXPECT_EQ(addCmapRoute(&db, std::move(route)), 11);
    // Handing over a record moves its points and leaves it without any.
    CmapDatabase other;
    ASSERT_EQ(addCmapTrack(&other, std::move(track)), kOk);
    EXPECT_TRUE(track.points.empty());
    EXPECT_EQ(other.tracks.at(0).points.size(), kCmapCapacities.trackPoints);

    for (ResultCode result :
         {initCmapWaypoint(nullptr), initCmapRouteWaypoint(nullptr), initCmapRoute(nullptr),
          initCmapTrack(nullptr), initCmapTrackPoint(nullptr), addCmapWaypoint(&db, nullptr),
          addCmapRoute(nullptr, CmapRoute{}), addCmapTrack(&db, nullptr),
          addCmapRouteWaypoint(&route, nullptr), addCmapTrackPoint(nullptr, &point),
          clearCmapRouteWaypoints(nullptr), initCmapDatabase(nullptr), clearCmapDatabase(nullptr),
          decodeDateTime(0, nullptr)}) {
        EXPECT_EQ(result, kBadArgument);
    }
}

TEST(CmapDateTime, IsUtcCalendarArithmeticWhateverTheMachinesTimeZone) {
    const std::pair<std::int32_t, CmapDateTime> cases[] = {{0, {0, 0, 0, 1, 1, 1970}},
                                                           {86400, {0, 0, 0, 2, 1, 1970}},
                                                           {1331812800, {12, 0, 0, 15, 3, 2012}},
                                                           {951782400, {0, 0, 0, 29, 2, 2000}},
                                                           {2147483647, {3, 14, 7, 19, 1, 2038}}};
    const char* zone = std::getenv("TZ");
    const std::string saved = zone != nullptr ? zone : "";
    ::setenv("TZ", "JST-9", 1);
    ::tzset();
    for (const auto& [seconds, time] : cases) {
        const CmapDateTime& t = time;
        EXPECT_EQ(encodeDateTime(t.hour, t.minute, t.second, t.day, t.month, t.year), seconds);
        CmapDateTime decoded{9, 9, 9, 9, 9, 9};
        ASSERT_EQ(decodeDateTime(seconds, &decoded), kOk);
        EXPECT_EQ(decoded, time) << seconds;
    }
    zone != nullptr ? ::setenv("TZ", saved.c_str(), 1) : ::unsetenv("TZ");
    ::tzset();

    // Fields outside their ranges carry: month 13, hour 24, day 0, a second before 1970. The low
    // 32 bits are kept: 2106-02-07 06:28:16 is 2^32 seconds.
    EXPECT_EQ(encodeDateTime(0, 0, 0, 1, 13, 2011), encodeDateTime(0, 0, 0, 1, 1, 2012));
    EXPECT_EQ(encodeDateTime(24, 0, 0, 14, 3, 2012), encodeDateTime(0, 0, 0, 15, 3, 2012));
    EXPECT_EQ(encodeDateTime(0, 0, 0, 0, 3, 2012), encodeDateTime(0, 0, 0, 29, 2, 2012));
    EXPECT_EQ(encodeDateTime(0, 0, -1, 1, 1, 1970), -1);
    EXPECT_EQ(encodeDateTime(6, 28, 16, 7, 2, 2106), 0);
    EXPECT_EQ(encodeDateTime(3, 14, 8, 19, 1, 2038), INT32_MIN);
    // A negative count has no calendar form: the fields stay as they were.
    CmapDateTime time{1, 2, 3, 4, 5, 2006};
    EXPECT_EQ(decodeDateTime(-1, &time), kBadArgument);
    EXPECT_EQ(decodeDateTime(INT32_MIN, &time), kBadArgument);
    EXPECT_EQ(time, (CmapDateTime{1, 2, 3, 4, 5, 2006}));
}

TEST(CmapMapping, RecordsAreCutCarryIconsOf0To255OnlyAndNeverColours) {
    ScopedClock clock(1341392400); // 2012-07-04 09:00:00 UTC
    CmapDatabase cmap;
    const CmapDateTime time{23, 30, 0, 15, 3, 2012};
    for (std::int32_t icon : {300, 255, -1}) {
        cmap.waypoints.push_back(
            {std::string(25, 'n'), std::string(40, 'd'), icon, 5, -12.25, 44.5, 2, 3.0, 7.5, time});
    }
    CmapRoute& route = cmap.routes.emplace_back(CmapRoute{"Evening run", "d", 0, {}});
    route.waypoints.emplace_back().name = std::string(25, 'p');
    route.waypoints[0].icon = 17;
    cmap.routes.push_back(route);
    NavDatabase db;
    initNavDatabase(&db);
    ASSERT_EQ(cmapToHub(&cmap, &db), kOk);
    const Waypoint& w = db.waypoints.at(0);
    EXPECT_EQ(w.name + w.comment, std::string(19, 'n') + std::string(34, 'd'));
    EXPECT_EQ(w.symbol, 0u);
    EXPECT_EQ(w.colour, (RgbColour{0, 0, 0}));
    EXPECT_EQ(w.date, (RecordDate{15, 3, 2012}));
    EXPECT_EQ(db.waypoints.at(1).symbol + db.waypoints.at(2).symbol, 255u);
    EXPECT_EQ(db.routes[0].name, "Evening ");
    EXPECT_EQ(db.routes[0].date, (RecordDate{4, 7, 2012})); // today
    EXPECT_EQ(db.routes.at(1).number, 2);
    EXPECT_EQ(db.routes[0].points.at(0).name, std::string(19, 'p'));
    EXPECT_EQ(db.routes[0].points[0].symbol, 17u);

    // The other way: waypoints keep the hub date and take the time of writing.
    db.waypoints[0].symbol = 9;
    db.waypoints[0].colour = {1, 2, 3};
    db.routes[0].points[0].symbol = 300;
    CmapDatabase back;
    ASSERT_EQ(hubToCmap(&db, &back), kOk);
    EXPECT_EQ(back.waypoints.at(0).icon, 9);
    EXPECT_EQ(back.waypoints[0].iconColor, 0);
    EXPECT_EQ(back.waypoints[0].dateTime, (CmapDateTime{9, 0, 0, 15, 3, 2012}));
    EXPECT_EQ(back.routes.at(0).waypoints.at(0).icon, 0);
    EXPECT_EQ(back.routes[0].waypoints[0].type, 1);
    EXPECT_EQ(cmapToHub(nullptr, &db), kBadArgument);
    EXPECT_EQ(hubToCmap(&db, nullptr), kBadArgument);

    // A full hub table ends its kind silently: 1,200 routes give the first 1,000.
    cmap.routes.resize(1200);
    cmap.routes[999].name = "R999";
    initNavDatabase(&db);
    ASSERT_EQ(cmapToHub(&cmap, &db), kOk);
    ASSERT_EQ(db.routes.size(), 1000u);
    EXPECT_EQ(db.routes.back().name + std::to_string(db.routes.back().number), "R9991000");
}

} // namespace
} // namespace velmar
