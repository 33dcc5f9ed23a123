#include <gtest/gtest.h>

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

// Each table takes one more record up to its capacity, then refuses one with its own code.
TEST(CmapDatabase, TablesFillToCapacityAndRefuseOneMore) {
    CmapDatabase db;
    db.waypoints.resize(kMaxCmapWaypoints - 1);
    db.routes.resize(kMaxCmapRoutes - 1);
    db.tracks.resize(kMaxCmapTracks - 1);
    CmapRoute route;
    route.waypoints.resize(kMaxCmapRouteWaypoints - 1);
    CmapTrack track;
    track.points.resize(kMaxCmapTrackPoints - 1);
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
    EXPECT_EQ(db.routes.back().waypoints.size(), kMaxCmapRouteWaypoints); // a deep copy
    EXPECT_EQ(route.waypoints.size(), kMaxCmapRouteWaypoints);
    EXPECT_EQ(addCmapRoute(&db, std::move(route)), 11);
    // Handing over a record moves its points and leaves it without any.
    CmapDatabase other;
    ASSERT_EQ(addCmapTrack(&other, std::move(track)), kOk);
    EXPECT_TRUE(track.points.empty());
    EXPECT_EQ(other.tracks.at(0).points.size(), kMaxCmapTrackPoints);

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

TEST(CmapMapping, ATrackOfTwoRunsComesBackAsOneRunWithoutItsHeader) {
    test::TempDir dir;
    NavDatabase db;
    initNavDatabase(&db);
    Track& track = db.tracks.emplace_back(Track{1, "T", {9, 9, 9}, {}, {}});
    for (std::int32_t flag : {'N', 'S', 'N', 'S'}) {
        track.points.push_back({flag, 1.0 * track.points.size(), 2.0});
    }
    db.marks.resize(1); // marks, lines and zones have no CMAP form
    db.lines.resize(1);
    db.zones.resize(1);
    ASSERT_EQ(writeCmapFiles(&db, dir.file("t").c_str()), kOk);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
    NavDatabase back;
    initNavDatabase(&back);
    ASSERT_EQ(readCmapFile(dir.file("t.Multi TRK.TRK.xml").c_str(), &back), kOk);
    ASSERT_EQ(back.tracks.size(), 1u);
    EXPECT_EQ(back.tracks[0].name, "");
    EXPECT_EQ(back.tracks[0].colour, (RgbColour{0, 0, 0}));
    ASSERT_EQ(back.tracks[0].points.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(back.tracks[0].points[i].pointFlag, 'N') << i;
        EXPECT_EQ(back.tracks[0].points[i].latitude, 1.0 * i);
    }
    EXPECT_EQ(writeCmapFiles(&db, dir.file("no/folder/x").c_str()), kCannotOpen);
    EXPECT_EQ(writeCmapFiles(&db, nullptr), kBadArgument);
    EXPECT_EQ(readCmapFile(dir.file("missing.xml").c_str(), &db), kCannotOpen);
    EXPECT_EQ(readCmapFile(nullptr, &db), kBadArgument);
}

} // namespace
} // namespace velmar
