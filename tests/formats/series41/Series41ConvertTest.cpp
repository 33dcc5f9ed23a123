// The Series 41 family in the family table and through `velmar convert`, with the example file.
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "Series41TestHelpers.h"
#include "formats/FamilyTable.h"
#include "formats/series41/Series41File.h"

namespace velmar {
namespace {

using test::crlf;

struct RunResult {
    int exitCode = -1;
    std::string output;
};

// Runs the command line with stdout and stderr captured.
RunResult runVelmar(const std::string& arguments) {
    RunResult result;
    const std::string command = "'" + test::binaryPath("cli/velmar") + "' " + arguments + " 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return result;
    }
    std::array<char, 4096> buffer{};
    std::size_t count = 0;
    while ((count = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
        result.output.append(buffer.data(), count);
    }
    const int status = ::pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

// s41 -> hub into `hubFolder`, then that hub -> s41 into `s41Folder`; the final file's bytes.
std::string convertThroughHub(const std::string& source, const std::string& name,
                              const test::TempDir& hubFolder, const test::TempDir& s41Folder) {
    const RunResult toHub = runVelmar("convert --from s41 --to hub --out '" +
                                      hubFolder.path().string() + "' '" + source + "'");
    EXPECT_EQ(toHub.exitCode, 0) << toHub.output;
    EXPECT_NE(toHub.output.find("OK : " + source), std::string::npos) << toHub.output;
    const std::string hubFile = hubFolder.file(name + ".hub");
    EXPECT_TRUE(test::fileExists(hubFile));

    const RunResult toS41 = runVelmar("convert --from hub --to s41 --out '" +
                                      s41Folder.path().string() + "' '" + hubFile + "'");
    EXPECT_EQ(toS41.exitCode, 0) << toS41.output;
    return test::readBytes(s41Folder.file(name + ".hub.s41"));
}

bool haveCommandLine() {
    return test::fileExists(test::binaryPath("cli/velmar"));
}

TEST(Series41Family, IsTypeIndexZeroOfTheFamilyTable) {
    const FormatFamily* family = formatFamily(kSeries41);
    ASSERT_NE(family, nullptr);
    EXPECT_EQ(family->reader, &readSeries41File);
    EXPECT_EQ(family->writer, &writeSeries41File);
    EXPECT_STREQ(family->extension, ".s41");
    EXPECT_STREQ(family->caption, "Series 41");
    EXPECT_EQ(familyIndexByKey("s41"), kSeries41);
}

TEST(Series41Family, ExampleFileReads) {
    NavDatabase database;
    initNavDatabase(&database);
    ASSERT_EQ(readSeries41File(test::sourcePath("examples/harbour-tour.s41").c_str(), &database),
              0);
    ASSERT_EQ(database.waypoints.size(), 6u);
    EXPECT_EQ(database.waypoints[0].name, "QUAY");
    EXPECT_EQ(database.waypoints[0].comment, "VISITOR BERTHS  ");
    EXPECT_EQ(database.waypoints[5].name, "ANCHOR");
    EXPECT_EQ(database.waypoints[5].symbol, 21u);
    ASSERT_EQ(database.routes.size(), 2u);
    EXPECT_EQ(database.routes[0].name, "1");
    EXPECT_EQ(database.routes[0].comment, "HARBOUR TOUR");
    ASSERT_EQ(database.routes[0].points.size(), 7u);
    EXPECT_EQ(database.routes[0].points[3].name, "ANCHOR");
    EXPECT_NEAR(database.routes[0].points[3].latitude, 52.0 + 23.004 / 60.0, 1e-12);
    EXPECT_EQ(database.routes[1].comment, "TO THE FUEL DOCK");
}

TEST(Series41Convert, DeviceFileSurvivesTheHubUnchanged) {
    if (!haveCommandLine()) {
        FAIL() << "the velmar command line is not built";
    }
    // Texts already in the device character set come back byte for byte.
    const std::string original = crlf({
        "$PFEC,GPwpl,3512.345,N,13945.678,E,HOME  ,,@qMARINA(NORTH)=1},A,,,,",
        "$PFEC,GPwpl,0530.000,S,00006.500,W,REEF  ,,@y0123456789ABCDEF,A,,,,",
        "$PFEC,GPwpl,6000.000,N,17959.999,E,FAR   ,,@uA/B-C_D&E+F?GHIJ,A,,,,",
        "$GPRTE,2,1,C,01, HOME  , REEF  , FAR   , HOME  , REEF  , FAR   , HOME  , REEF  ",
        "$GPRTE,2,2,C,01, FAR   ",
        "$PFEC,GPrtc,01,ROUND(TRIP)",
        "$GPRTE,1,1,C,02, FAR   , HOME  ",
        "$PFEC,GPrtc,02,",
        "$PFEC,GPxfr,CTL,E",
    });
    test::TempDir source;
    test::TempDir hub;
    test::TempDir out;
    const std::string path = source.file("trip.s41");
    test::writeBytes(path, original);
    EXPECT_EQ(convertThroughHub(path, "trip.s41", hub, out), original);
}

TEST(Series41Convert, ExampleFileThroughTheHub) {
    if (!haveCommandLine()) {
        FAIL() << "the velmar command line is not built";
    }
    test::TempDir hub;
    test::TempDir out;
    const std::string written = convertThroughHub(test::sourcePath("examples/harbour-tour.s41"),
                                                  "harbour-tour.s41", hub, out);
    // Spaces are outside the device character set of comments and route names.
    EXPECT_EQ(written,
              crlf({
                  "$PFEC,GPwpl,5221.150,N,00453.420,E,QUAY  ,,@qVISITOR?BERTHS??,A,,,,",
                  "$PFEC,GPwpl,5221.402,N,00453.911,E,FUEL  ,,@rDIESEL+PETROL???,A,,,,",
                  "$PFEC,GPwpl,5222.018,N,00454.760,E,NBUOY ,,@sGREEN?CONE??????,A,,,,",
                  "$PFEC,GPwpl,5221.874,N,00455.032,E,SBUOY ,,@tRED?CAN?????????,A,,,,",
                  "$PFEC,GPwpl,5222.650,N,00456.105,E,LIGHT ,,@uFL(2)10S????????,A,,,,",
                  "$PFEC,GPwpl,5223.004,N,00455.480,E,ANCHOR,,@vSAND?4M?????????,A,,,,",
                  "$GPRTE,1,1,C,01, QUAY  , NBUOY , LIGHT , ANCHOR, SBUOY , FUEL  , QUAY  ",
                  "$PFEC,GPrtc,01,HARBOUR?TOUR",
                  "$GPRTE,1,1,C,02, QUAY  , FUEL  ",
                  "$PFEC,GPrtc,02,TO?THE?FUEL?DOCK",
                  "$PFEC,GPxfr,CTL,E",
              }));
    // The hub holds the route by its number and its name as the comment.
    const std::string hubBytes = test::readBytes(hub.file("harbour-tour.s41.hub"));
    EXPECT_NE(hubBytes.find("HARBOUR TOUR"), std::string::npos);
    EXPECT_NE(hubBytes.find("VISITOR BERTHS"), std::string::npos);
}

TEST(Series41Convert, UnreadableSourceFailsTheRun) {
    if (!haveCommandLine()) {
        FAIL() << "the velmar command line is not built";
    }
    test::TempDir out;
    const RunResult run = runVelmar("convert --from s41 --to hub --out '" + out.path().string() +
                                    "' '" + out.file("missing.s41") + "'");
    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_NE(run.output.find("FAIL"), std::string::npos) << run.output;
    EXPECT_FALSE(test::fileExists(out.file("missing.s41.hub")));
}

} // namespace
} // namespace velmar
