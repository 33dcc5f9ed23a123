#include <gtest/gtest.h>

#include "TestSupport.h"
#include "core/Clock.h"
#include "formats/cmap/CmapXml.h"
#include "formats/hub/HubFile.h"
#include "merge/MergeJob.h"

namespace velmar {
namespace {

using Names = std::vector<std::string>;

// A HUB file with one waypoint, one route and one track of the given names.
std::string hubFile(const test::TempDir& dir, const std::string& file, const std::string& name,
                    const std::string& version = "1.0.1") {
    const std::string path = dir.file(file);
    test::writeBytes(path, "$VERSION," + version + ",2010.12.22*\r\n$WPT*\r\n$" + name +
                               ",,00,000000,34D12.345N,135D06.500E,20120315,0.0,,,*\r\n"
                               "$END*\r\n$ROT,001," +
                               name + ",,000000,20120315*\r\n$001,S,34D12.345N,135D06.500E," +
                               name + ",00*\r\n$END*\r\n$TRK,001," + name +
                               ",000000,20120315*\r\n$00001,S,34D12.345N,135D06.500E*\r\n"
                               "$END*\r\nENDDATA\r\n");
    return path;
}

NavDatabase readHub(const std::string& path) {
    NavDatabase db;
    initNavDatabase(&db);
    EXPECT_EQ(readHubFile(path.c_str(), &db), kOk);
    return db;
}

template <typename Table> Names namesOf(const Table& table) {
    Names names;
    for (const auto& record : table) {
        names.push_back(record.name);
    }
    return names;
}

TEST(MergeChecks, GiveTheFirstFailedChecksMessage) {
    EXPECT_EQ(checkMergeInputs(0, ""),
              "No HUB/CMAP files for merge.\nPress the <Add file> button to add a file to list");
    EXPECT_EQ(checkMergeInputs(0, "out.hub"), kNoMergeFilesMessage);
    EXPECT_EQ(checkMergeInputs(1, ""),
              "No file for save output data.\nPress the <Browse> button to choose file");
    EXPECT_EQ(checkMergeInputs(2, " \t \r\n"), kNoMergeOutputMessage);
    EXPECT_EQ(checkMergeInputs(1, " out.hub "), "");
}

TEST(MergeJob, TwoAndThreeFilesWithTheSameNamesGiveUniqueNames) {
    test::TempDir dir;
    const std::string a = hubFile(dir, "a.hub", "HOME", "2.0");
    const std::string b = hubFile(dir, "b.hub", "HOME", "3.0");
    const std::string c = hubFile(dir, "c.hub", "HOME", "4.0");
    const std::string two = dir.file("two.hub");
    MergeReport report = runMergeJob(MergeHub, {a, b}, two);
    EXPECT_TRUE(report.ok());
    EXPECT_EQ(report.message(), "Merging Completed");
    NavDatabase merged = readHub(two);
    EXPECT_EQ(namesOf(merged.waypoints), (Names{"HOME", "WPT0"}));
    EXPECT_EQ(namesOf(merged.routes), (Names{"HOME", "RTE0"}));
    EXPECT_EQ(namesOf(merged.tracks), (Names{"HOME", "TRK0"}));
    EXPECT_EQ(merged.version.version, "2.0"); // the first file's

    const std::string three = dir.file("three.hub");
    ASSERT_TRUE(runMergeJob(MergeHub, {a, b, c}, three).ok());
    merged = readHub(three);
    EXPECT_EQ(namesOf(merged.waypoints), (Names{"HOME", "WPT0", "WPT1"}));
    EXPECT_EQ(namesOf(merged.routes), (Names{"HOME", "RTE0", "RTE1"}));
    EXPECT_EQ(namesOf(merged.tracks), (Names{"HOME", "TRK0", "TRK1"}));
    ASSERT_EQ(merged.routes.size(), 3u);
    EXPECT_EQ(merged.routes[2].number, 3);
    EXPECT_EQ(merged.routes[2].points.size(), 1u);

    // The same file listed twice arrives twice, under new names the second time.
    const std::string twice = dir.file("twice.hub");
    ASSERT_TRUE(runMergeJob(MergeHub, {a, a}, twice).ok());
    merged = readHub(twice);
    EXPECT_EQ(namesOf(merged.waypoints), (Names{"HOME", "WPT0"}));
    EXPECT_EQ(namesOf(merged.routes), (Names{"HOME", "RTE0"}));
    EXPECT_EQ(namesOf(merged.tracks), (Names{"HOME", "TRK0"}));
}

TEST(MergeJob, OneFileAloneIsWrittenBackRenumbered) {
    test::TempDir dir;
    const std::string source = dir.file("one.hub");
    const std::string body = "$WPT*\r\n$A,,00,000000,34D12.345N,135D06.500E,20120315,0.0,,,*\r\n"
                             "$A,,00,000000,34D12.345N,135D06.500E,20120315,0.0,,,*\r\n$END*\r\n"
                             "$MRK*\r\n$M,00,000000,1D00.000N,2D00.000E,20120315,0.0,,,*\r\n"
                             "$END*\r\n";
    const auto records = [](int route1, int route2, int track, int line, int zone) {
        const auto n = [](int v) {
            std::string s = std::to_string(v);
            return std::string(3 - s.size(), '0') + s;
        };
        return "$ROT," + n(route1) + ",R,,000000,20120315*\r\n$END*\r\n$ROT," + n(route2) +
               ",S,,000000,20120315*\r\n$END*\r\n$TRK," + n(track) +
               ",T,000000,20120315*\r\n$END*\r\n$LIN," + n(line) +
               ",L,000000,20120315*\r\n$END*\r\n$ZON," + n(zone) +
               ",000000,000000,\x02,20120315*\r\n$END*\r\n";
    };
    test::writeBytes(source, "$VERSION,9.9,2020.01.01*\r\n" + body + records(7, 3, 42, 9, 5) +
                                 "ENDDATA\r\n");
    const std::string output = dir.file("out.hub");
    const MergeReport report = runMergeJob(MergeHub, {source}, "  " + output + "\t");
    EXPECT_TRUE(report.ok());
    EXPECT_EQ(report.outputPath, output);
    // Duplicates inside the first file stay as they are; numbers become 1..n.
    EXPECT_EQ(test::readBytes(output),
              "$VERSION,9.9,2020.01.01*\r\n" + body + records(1, 2, 1, 1, 1) + "ENDDATA\r\n");
}

TEST(MergeJob, ReportsUnreadableInputsAndStillMergesTheRest) {
    test::TempDir dir;
    const std::string a = hubFile(dir, "a.hub", "A");
    const std::string b = hubFile(dir, "b.hub", "B");
    const std::string missing = dir.file("missing.hub");
    const std::string folder = dir.path().string();
    const std::string output = dir.file("out.hub");
    const MergeReport report = runMergeJob(MergeHub, {missing, a, folder, b}, output);
    EXPECT_FALSE(report.ok());
    EXPECT_EQ(report.unreadableInputs, (Names{missing, folder}));
    EXPECT_EQ(report.writeResult, kOk);
    EXPECT_EQ(report.message(), "Err : Cannot read input file " + missing +
                                    "\nErr : Cannot read input file " + folder);
    EXPECT_EQ(namesOf(readHub(output).waypoints), (Names{"A", "B"}));
}

TEST(MergeJob, ReportsAnOutputThatCannotBeWritten) {
    test::TempDir dir;
    const std::string a = hubFile(dir, "a.hub", "A");
    const std::string noFolder = dir.file("no/such/out.hub");
    MergeReport report = runMergeJob(MergeHub, {a}, noFolder);
    EXPECT_FALSE(report.ok());
    EXPECT_EQ(report.writeResult, kCannotOpen);
    EXPECT_EQ(report.message(), "Err : Cannot create output file " + noFolder);

    report = runMergeJob(MergeHub, {a}, "/dev/full");
    EXPECT_EQ(report.writeResult, kWriteFailed);
    EXPECT_EQ(report.message(), "Err : Cannot write output file /dev/full");

    report = runMergeJob(MergeCmap, {a}, dir.path().string()); // a folder
    EXPECT_EQ(report.writeResult, kCannotOpen);
    EXPECT_FALSE(report.ok());
}

TEST(MergeJob, RefusesWhatTheChecksRefuseWithoutTouchingFiles) {
    test::TempDir dir;
    const std::string a = hubFile(dir, "a.hub", "A");
    MergeReport report = runMergeJob(MergeHub, {a}, "   ");
    EXPECT_FALSE(report.ok());
    EXPECT_EQ(report.message(), kNoMergeOutputMessage);
    report = runMergeJob(MergeCmap, {}, dir.file("out.xml"));
    EXPECT_EQ(report.message(), kNoMergeFilesMessage);
    EXPECT_FALSE(test::fileExists(dir.file("out.xml")));
    report = runMergeJob(7, {a}, dir.file("out.hub"));
    EXPECT_FALSE(report.ok());
    EXPECT_EQ(report.message(), "Err : Unknown merge type");
    EXPECT_FALSE(test::fileExists(dir.file("out.hub")));
}

std::string cmapWaypoints(const std::string& prefix, int count) {
    std::string text = "<C_MAP>\r\n    <WAYPOINTS>\r\n";
    for (int i = 0; i < count; ++i) {
        text += "        <WAYPOINT>\r\n            <NAME>" + prefix + std::to_string(i) +
                "</NAME>\r\n        </WAYPOINT>\r\n";
    }
    return text + "    </WAYPOINTS>\r\n</C_MAP>\r\n";
}

TEST(MergeJob, CmapDocumentsAreAppendedUpToTheCapacities) {
    ScopedClock clock(1331812800);
    test::TempDir dir;
    const std::string a = dir.file("a.xml");
    const std::string b = dir.file("b.xml");
    test::writeBytes(a, cmapWaypoints("a", 6000));
    test::writeBytes(b, cmapWaypoints("b", 6000));
    const std::string hub = hubFile(dir, "c.hub", "HOME");
    const std::string output = dir.file("merged.xml");
    const MergeReport report = runMergeJob(MergeCmap, {a, hub, b}, output);
    EXPECT_TRUE(report.ok()) << report.message(); // a HUB file reads as an empty document
    CmapDatabase merged;
    ASSERT_EQ(loadCmapFile(output.c_str(), &merged), kOk);
    ASSERT_EQ(merged.waypoints.size(), 10000u);
    EXPECT_EQ(merged.waypoints[0].name, "a0");
    EXPECT_EQ(merged.waypoints[5999].name, "a5999");
    EXPECT_EQ(merged.waypoints[6000].name, "b0");
    EXPECT_EQ(merged.waypoints[9999].name, "b3999");
    EXPECT_TRUE(merged.routes.empty());
}

TEST(MergeJob, CmapMergeWritesOneDocumentOfAllKindsWithoutRenaming) {
    ScopedClock clock(1331812800);
    test::TempDir dir;
    const std::string example = test::sourcePath("examples/coastal-run.xml");
    const std::string missing = dir.file("missing.xml");
    const std::string output = dir.file("merged.xml");
    const MergeReport report = runMergeJob(MergeCmap, {example, missing, example}, output);
    EXPECT_EQ(report.unreadableInputs, (Names{missing}));
    CmapDatabase once;
    ASSERT_EQ(loadCmapFile(example.c_str(), &once), kOk);
    CmapDatabase twice;
    ASSERT_EQ(loadCmapFile(example.c_str(), &twice), kOk);
    ASSERT_EQ(loadCmapFile(example.c_str(), &twice), kOk);
    ASSERT_EQ(twice.routes.size(), 2u);
    EXPECT_EQ(twice.routes[1].name, "Coastal run");
    OutputFile expected;
    ASSERT_EQ(expected.create(dir.file("expected.xml")), kOk);
    ASSERT_EQ(writeCmapRecords(&expected, &twice, CmapAllKinds), kOk);
    ASSERT_EQ(expected.close(), kOk);
    EXPECT_EQ(test::readBytes(output), test::readBytes(dir.file("expected.xml")));
}

} // namespace
} // namespace velmar
