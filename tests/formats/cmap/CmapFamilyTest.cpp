#include <gtest/gtest.h>

#include <sys/wait.h>

#include "TestSupport.h"
#include "core/ConversionJob.h"
#include "formats/FamilyTable.h"
#include "formats/cmap/CmapFile.h"
#include "formats/hub/HubFile.h"

namespace velmar {
namespace {

TEST(CmapFamily, IsTypeSixOfTheFamilyTable) {
    const FormatFamily* family = formatFamily(kCmap);
    ASSERT_NE(family, nullptr);
    EXPECT_STREQ(family->caption, "CMAP");
    EXPECT_STREQ(family->extension, ".cmap");
    EXPECT_EQ(family->reader, &readCmapFile);
    EXPECT_EQ(family->writer, &writeCmapFiles);
    EXPECT_EQ(familyIndexByKey("cmap"), 6);
}

int run(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string quoted(const std::string& path) {
    return "'" + path + "'";
}

// The hand-made example travels HUB -> CMAP -> HUB through the command line and keeps its
// waypoints, routes and track positions.
TEST(CmapFamily, HubToCmapToHubThroughTheCommandLine) {
    test::TempDir dir;
    const std::string velmar = test::binaryPath("cli/velmar");
    const std::string hub = dir.file("trip.hub");
    test::writeBytes(hub, "$VERSION,1.0.1,2010.12.22*\r\n"
                          "$WPT*\r\n"
                          "$HOME,berth 12,05,000000,34D12.345N,135D06.500E,20120315,2.5,,,*\r\n"
                          "$BUOY,,1A,000000,34D10.000N,135D05.000E,20120316,0.0,,,*\r\n"
                          "$END*\r\n"
                          "$ROT,001,OUT,to sea,000000,20120315*\r\n"
                          "$001,N,34D12.345N,135D06.500E,HOME,05*\r\n"
                          "$002,S,34D10.000N,135D05.000E,BUOY,1A*\r\n"
                          "$END*\r\n"
                          "$TRK,001,,000000,20120315*\r\n"
                          "$00001,N,34D12.000N,135D06.000E*\r\n"
                          "$00002,S,34D11.000N,135D05.500E*\r\n"
                          "$END*\r\n"
                          "ENDDATA\r\n");
    const std::string cmapDir = dir.file("cmap");
    const std::string backDir = dir.file("back");
    std::filesystem::create_directory(cmapDir);
    std::filesystem::create_directory(backDir);
    ASSERT_EQ(run(quoted(velmar) + " convert --from hub --to cmap --out " + quoted(cmapDir) + " " +
                  quoted(hub) + " > /dev/null"),
              0);
    const std::string base = cmapDir + "/trip.hub.cmap";
    ASSERT_TRUE(test::fileExists(base + ".Marks.UP.xml"));
    ASSERT_TRUE(test::fileExists(base + ".Multi RT.RT.xml"));
    ASSERT_TRUE(test::fileExists(base + ".Multi TRK.TRK.xml"));
    ASSERT_EQ(run(quoted(velmar) + " convert --from cmap --to hub --out " + quoted(backDir) + " " +
                  quoted(base + ".Marks.UP.xml") + " " + quoted(base + ".Multi RT.RT.xml") + " " +
                  quoted(base + ".Multi TRK.TRK.xml") + " > /dev/null"),
              0);

    NavDatabase waypoints;
    initNavDatabase(&waypoints);
    ASSERT_EQ(readHubFile((backDir + "/trip.hub.cmap.Marks.UP.xml.hub").c_str(), &waypoints), kOk);
    ASSERT_EQ(waypoints.waypoints.size(), 2u);
    EXPECT_EQ(waypoints.waypoints[0].name, "HOME");
    EXPECT_EQ(waypoints.waypoints[0].comment, "berth 12");
    EXPECT_EQ(waypoints.waypoints[0].symbol, 5u);
    EXPECT_EQ(waypoints.waypoints[0].date, (RecordDate{15, 3, 2012}));
    EXPECT_DOUBLE_EQ(waypoints.waypoints[0].altitude, 2.5);
    EXPECT_EQ(waypoints.waypoints[1].symbol, 0x1Au);
    EXPECT_EQ(samePosition(waypoints.waypoints[0].latitude, waypoints.waypoints[0].longitude,
                           34.20575, 135.108333),
              0);

    NavDatabase routes;
    initNavDatabase(&routes);
    ASSERT_EQ(readHubFile((backDir + "/trip.hub.cmap.Multi RT.RT.xml.hub").c_str(), &routes), kOk);
    ASSERT_EQ(routes.routes.size(), 1u);
    EXPECT_EQ(routes.routes[0].name, "OUT");
    EXPECT_EQ(routes.routes[0].comment, "to sea");
    ASSERT_EQ(routes.routes[0].points.size(), 2u);
    EXPECT_EQ(routes.routes[0].points[1].name, "BUOY");
    EXPECT_EQ(routes.routes[0].points[1].symbol, 0x1Au);

    NavDatabase tracks;
    initNavDatabase(&tracks);
    ASSERT_EQ(readHubFile((backDir + "/trip.hub.cmap.Multi TRK.TRK.xml.hub").c_str(), &tracks),
              kOk);
    ASSERT_EQ(tracks.tracks.size(), 1u);
    ASSERT_EQ(tracks.tracks[0].points.size(), 2u);
    EXPECT_EQ(samePosition(tracks.tracks[0].points[1].latitude,
                           tracks.tracks[0].points[1].longitude, 34.0 + 11.0 / 60,
                           135.0 + 5.5 / 60),
              0);
}

TEST(CmapFamily, TheExampleDocumentConverts) {
    test::TempDir dir;
    NavDatabase db;
    initNavDatabase(&db);
    ASSERT_EQ(readCmapFile(test::sourcePath("examples/coastal-run.xml").c_str(), &db), kOk);
    EXPECT_EQ(db.waypoints.size(), 3u);
    ASSERT_EQ(db.routes.size(), 1u);
    EXPECT_EQ(db.routes[0].points.size(), 3u);
    ASSERT_EQ(db.tracks.size(), 1u);
    EXPECT_EQ(db.tracks[0].points.size(), 4u);
    const std::string out = dir.file("coastal.hub");
    EXPECT_EQ(writeHubFile(&db, out.c_str()), kOk);
}

} // namespace
} // namespace velmar
