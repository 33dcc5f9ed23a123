#include <gtest/gtest.h>

#include <sys/wait.h>

#include "TestSupport.h"
#include "formats/FamilyEntryPoints.h"
#include "formats/FamilyTable.h"

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

// A HUB file travels HUB -> CMAP -> HUB through the command line: the waypoints come back byte
// for byte, routes and tracks with the day of conversion and the track as a single run.
TEST(CmapFamily, HubToCmapToHubThroughTheCommandLine) {
    test::TempDir dir;
    const std::string waypoints =
        "$VERSION,1.0.1,2010.12.22*\r\n$WPT*\r\n"
        "$HOME,berth 12,05,000000,34D12.345N,135D06.500E,20120315,2.5,,,*\r\n"
        "$BUOY,,1A,000000,34D10.000N,135D05.000E,20120316,0.0,,,*\r\n$END*\r\n";
    const std::string routePoints = "$001,N,34D12.345N,135D06.500E,HOME,05*\r\n"
                                    "$002,S,34D10.000N,135D05.000E,BUOY,1A*\r\n$END*\r\n";
    test::writeBytes(dir.file("trip.hub"),
                     waypoints + "$ROT,001,OUT,to sea,000000,20120315*\r\n" + routePoints +
                         "$TRK,001,,000000,20120315*\r\n" + "$00001,N,34D12.000N,135D06.000E*\r\n" +
                         "$00002,S,34D11.000N,135D05.500E*\r\n" + "$END*\r\nENDDATA\r\n");
    const auto convert = [&dir](const std::string& from, const std::string& to,
                                const std::string& files) {
        std::filesystem::create_directory(dir.file(to));
        return std::system(("'" + test::binaryPath("cli/velmar") + "' convert --from " + from +
                            " --to " + to + " --out '" + dir.file(to) + "' " + files +
                            " >/dev/null")
                               .c_str());
    };
    ASSERT_EQ(convert("hub", "cmap", "'" + dir.file("trip.hub") + "'"), 0);
    std::string files;
    for (const char* suffix : {".Marks.UP.xml", ".Multi RT.RT.xml", ".Multi TRK.TRK.xml"}) {
        files += " '" + dir.file("cmap/trip.hub.cmap") + suffix + "'";
    }
    ASSERT_EQ(convert("cmap", "hub", files), 0);
    // The text of a converted file, its header's date (today) as YYYYMMDD.
    const auto converted = [&dir](const char* suffix) {
        std::string text = test::readBytes(dir.file("hub/trip.hub.cmap") + suffix + ".hub");
        const std::size_t date = text.find(",000000,2");
        return date == std::string::npos ? text : text.replace(date + 8, 8, "YYYYMMDD");
    };
    EXPECT_EQ(converted(".Marks.UP.xml"), waypoints + "ENDDATA\r\n");
    const std::string head = "$VERSION,1.0.1,2010.12.22*\r\n";
    EXPECT_EQ(converted(".Multi RT.RT.xml"),
              head + "$ROT,001,OUT,to sea,000000,YYYYMMDD*\r\n" + routePoints + "ENDDATA\r\n");
    EXPECT_EQ(converted(".Multi TRK.TRK.xml"),
              head + "$TRK,001,,000000,YYYYMMDD*\r\n$00001,N,34D12.000N,135D06.000E*\r\n" +
                  "$00002,N,34D11.000N,135D05.500E*\r\n$END*\r\nENDDATA\r\n");
}

} // namespace
} // namespace velmar
