#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <thread>
#include <utility>

#include "TestSupport.h"
#include "formats/cmap/CmapXml.h"
#include "formats/hub/HubFile.h"
#include "merge/MergeJob.h"

namespace velmar {
namespace {

using Names = std::vector<std::string>;

template <typename Table> Names namesOf(const Table& table) {
    Names names;
    for (const auto& record : table) {
        names.push_back(record.name);
    }
    return names;
}

// A database with a waypoint of each name and a route of each route name.
NavDatabase database(const Names& waypoints, const Names& routes = {}) {
    NavDatabase db;
    initNavDatabase(&db);
    for (const std::string& name : waypoints) {
        db.waypoints.emplace_back().name = name;
    }
    for (const std::string& name : routes) {
        db.routes.emplace_back().name = name;
    }
    return db;
}

// A HUB file holding a waypoint, a route, a track, a mark and a line of that name.
std::string hubFile(const test::TempDir& dir, const std::string& name, const char* version) {
    const std::string path = dir.file(name + version + ".hub");
    test::writeBytes(path, std::string("$VERSION,") + version + ",2010.12.22*\r\n$WPT*\r\n$" +
                               name + ",,00,000000,34D12.345N,135D06.500E,20120315,0.0,,,*\r\n" +
                               "$END*\r\n$ROT,001," + name + ",,000000,20120315*\r\n$END*\r\n" +
                               "$TRK,001," + name + ",000000,20120315*\r\n$END*\r\n$MRK*\r\n$" +
                               name + ",00,000000,1D00.000N,2D00.000E,20120315,0.0,,,*\r\n" +
                               "$END*\r\n$LIN,001," + name + ",000000,20120315*\r\n$END*\r\n" +
                               "ENDDATA\r\n");
    return path;
}

// "version: waypoint names, route names, track names, mark names, line names" of a HUB file.
std::string hubNames(const std::string& path) {
    NavDatabase db;
    initNavDatabase(&db);
    std::string text = readHubFile(path.c_str(), &db) == kOk ? db.version.version : "unreadable";
    const char* separator = ": ";
    for (const Names& kind : {namesOf(db.waypoints), namesOf(db.routes), namesOf(db.tracks),
                              namesOf(db.marks), namesOf(db.lines)}) {
        text += std::exchange(separator, ", ");
        for (std::size_t i = 0; i < kind.size(); ++i) {
            text += (i == 0 ? "" : " ") + kind[i];
        }
    }
    return text;
}

// `velmar merge` with these arguments: "status out:... err:...".
std::string velmarMerge(std::vector<std::string> args) {
    args.insert(args.begin(), "merge");
    const test::CliResult r = test::runVelmar(args);
    return std::to_string(r.exitCode) + " out:" + r.out + " err:" + r.err;
}

TEST(MergeNavDatabase, FindsTheFirstExactNameRenamesClashesWithinTheFieldAndStopsAtCapacity) {
    NavDatabase db = database({"home", "HOME", "HOME"}, {"R1", "R1"});
    db.tracks.resize(2, Track{0, "T", {}, {}, {}});
    EXPECT_EQ(findWaypointByName(&db, "HOME"), &db.waypoints[1]);
    EXPECT_EQ(findWaypointByName(&db, "HOM"), nullptr);
    EXPECT_EQ(findRouteByName(&db, "R1"), &db.routes[0]);
    EXPECT_EQ(findRouteByName(&db, "r1"), nullptr);
    EXPECT_EQ(findTrackByName(&db, "T"), &db.tracks[0]);
    EXPECT_EQ(findTrackByName(nullptr, "T"), nullptr);
    EXPECT_EQ(mergeNavDatabase(nullptr, &db), kBadArgument);
    EXPECT_EQ(mergeNavDatabase(&db, nullptr), kBadArgument);

    // Clashing names become unique. Present names are skipped and use up their numbers; the
    // source's own WPT1 then clashes with the renamed HOME.
    for (const auto& [into, from, merged] :
         {std::tuple<Names, Names, Names>{{"B"}, {"A", "A"}, {"B", "A", "WPT0"}},
          {{"HOME", "WPT0", "WPT2"},
           {"HOME", "WPT0", "X", "WPT1"},
           {"HOME", "WPT0", "WPT2", "WPT1", "WPT3", "X", "WPT4"}}}) {
        NavDatabase target = database(into), source = database(from);
        ASSERT_EQ(mergeNavDatabase(&target, &source), kOk);
        EXPECT_EQ(namesOf(target.waypoints), merged);
    }
    // New names are cut to the field width: RTE123456 .. RTE123459 are all the taken RTE12345.
    db = database({}, {"R1", "RTE12345"});
    NavDatabase source = database({}, {"R1"});
    MergeCounters counters{0, 123456, 0};
    ASSERT_EQ(mergeNavDatabase(&db, &source, &counters), kOk);
    EXPECT_EQ(namesOf(db.routes), (Names{"R1", "RTE12345", "RTE12346"}));
    EXPECT_EQ(counters.routes, 123461);

    // Each kind stops at its capacity, and nothing is renamed once its table is full.
    db = database({});
    db.waypoints.resize(kNavCapacities.waypoints - 1);
    db.lines.resize(kNavCapacities.lines);
    source = database({"", "", ""});
    source.lines.resize(1);
    source.zones.resize(1);
    counters = {};
    ASSERT_EQ(mergeNavDatabase(&db, &source, &counters), kOk);
    EXPECT_EQ(namesOf(db.waypoints).back(), "WPT0");
    EXPECT_EQ(std::tuple(db.waypoints.size(), counters.waypoints, db.lines.size(), db.zones.size()),
              std::tuple(kNavCapacities.waypoints, 1, kNavCapacities.lines, std::size_t(1)));
}

TEST(MergeJob, HubFilesWithTheSameNamesGiveUniqueNames) {
    test::TempDir dir; // marks and lines are never renamed
    const std::string a = hubFile(dir, "HOME", "2.0");
    const std::string b = hubFile(dir, "HOME", "3.0");
    const std::string out = dir.file("out.hub");
    EXPECT_EQ(velmarMerge({"--type", "hub", "--out", out, a, b}), "0 out:Merging Completed\n err:");
    EXPECT_EQ(hubNames(out), "2.0: HOME WPT0, HOME RTE0, HOME TRK0, HOME HOME, HOME HOME");

    ASSERT_TRUE(runMergeJob(MergeHub, {a, b, hubFile(dir, "HOME", "4.0")}, out).ok());
    EXPECT_EQ(hubNames(out), "2.0: HOME WPT0 WPT1, HOME RTE0 RTE1, HOME TRK0 TRK1, HOME HOME "
                             "HOME, HOME HOME HOME");
    // The same file listed twice arrives twice, under new names the second time.
    ASSERT_TRUE(runMergeJob(MergeHub, {b, b}, out).ok());
    EXPECT_EQ(hubNames(out), "3.0: HOME WPT0, HOME RTE0, HOME TRK0, HOME HOME, HOME HOME");
}

TEST(MergeJob, OneFileAloneIsWrittenBackRenumbered) {
    test::TempDir dir;
    const auto file = [](const char* numbers) {
        return std::string("$VERSION,9.9,2020.01.01*\r\n$WPT*\r\n") +
               "$A,,00,000000,34D12.345N,135D06.500E,20120315,0.0,,,*\r\n" +
               "$A,,00,000000,34D12.345N,135D06.500E,20120315,0.0,,,*\r\n$END*\r\n$ROT," +
               std::string(numbers, 3) + ",R,,000000,20120315*\r\n$END*\r\n$ROT," +
               std::string(numbers + 3, 3) + ",S,,000000,20120315*\r\n$END*\r\n$TRK," +
               std::string(numbers + 6, 3) + ",T,000000,20120315*\r\n$END*\r\n$LIN," +
               std::string(numbers + 9, 3) + ",L,000000,20120315*\r\n$END*\r\n$ZON," +
               std::string(numbers + 12, 3) + ",000000,000000,\x02,20120315*\r\n$END*\r\n" +
               "ENDDATA\r\n";
    };
    test::writeBytes(dir.file("one.hub"), file("007003042009005"));
    EXPECT_TRUE(runMergeJob(MergeHub, {dir.file("one.hub")}, " " + dir.file("o\t")).ok());
    // The output path is trimmed; duplicates inside the first file stay as they are.
    EXPECT_EQ(test::readBytes(dir.file("o")), file("001002001001001"));
}

TEST(MergeJob, CmapDocumentsAreAppendedUpToTheCapacities) {
    test::TempDir dir;
    const auto document = [&dir](const std::string& prefix) {
        std::string text = "<C_MAP>\n<WAYPOINTS>\n";
        for (int i = 0; i < 6000; ++i) {
            text += "<WAYPOINT>\n<NAME>" + prefix + std::to_string(i) + "</NAME>\n</WAYPOINT>\n";
        }
        test::writeBytes(dir.file(prefix), text + "</WAYPOINTS>\n</C_MAP>\n");
        return dir.file(prefix);
    };
    const std::string example = test::sourcePath("examples/coastal-run.xml");
    const std::string out = dir.file("out.xml"); // a HUB file reads as an empty document
    ASSERT_TRUE(
        runMergeJob(MergeCmap, {example, document("a"), hubFile(dir, "H", "1"), document("b")}, out)
            .ok());
    CmapDatabase merged;
    ASSERT_EQ(loadCmapFile(out.c_str(), &merged), kOk);
    ASSERT_EQ(merged.waypoints.size(), 10000u);
    EXPECT_EQ(merged.waypoints[3].name, "a0");
    EXPECT_EQ(merged.waypoints[6003].name, "b0");
    EXPECT_EQ(merged.waypoints[9999].name, "b3996");
    EXPECT_EQ(merged.routes.size(), 1u); // every kind is written
    EXPECT_EQ(merged.tracks.size(), 1u);
}

TEST(MergeJob, ReportsUnreadableInputsAndUnwritableOutputs) {
    test::TempDir dir;
    const std::string a = hubFile(dir, "A", "2.0");
    const std::string missing = dir.file("missing.hub");
    const std::string out = dir.file("out.hub");
    EXPECT_EQ(velmarMerge({"--out", out, missing, a}),
              "1 out: err:Err : Cannot read input file " + missing + "\n");
    EXPECT_EQ(hubNames(out), "1.0.1: A, A, A, A, A"); // the readable input is still merged
    EXPECT_EQ(velmarMerge({"--type", "cmap", "--out", dir.path().string(), a}),
              "1 out: err:Err : Cannot create output file " + dir.path().string() + "\n");
    const MergeReport report = runMergeJob(MergeHub, {a, dir.path()}, "/dev/full");
    EXPECT_EQ(report.message(), "Err : Cannot read input file " + dir.path().string() +
                                    "\nErr : Cannot write output file /dev/full");
    EXPECT_EQ(runMergeJob(7, {"/dev/null"}, dir.file("o")).message(), "Err : Unknown merge type");
    EXPECT_EQ(runMergeJob(MergeCmap, {}, dir.file("o")).message(),
              "No HUB/CMAP files for merge.\nPress the <Add file> button to add a file to list");
    EXPECT_FALSE(test::fileExists(dir.file("o")));
}

// A merge whose output is one of its inputs reads them all first; a write that fails (a full
// disk) or is stopped (an interrupt) then keeps that input byte for byte, without a temporary
// file.
TEST(MergeJob, AFailedOrStoppedWriteKeepsTheEarlierOutput) {
    test::TempDir dir;
    NavDatabase big;
    initNavDatabase(&big);
    Track track;
    track.points.resize(50000);
    big.tracks.assign(4, track);
    const std::string a = dir.file("a.hub");
    ASSERT_EQ(writeHubFile(&big, a.c_str()), kOk);
    const std::string b = hubFile(dir, "B", "2.0");
    const std::string earlier = test::readBytes(a);
    const Names files = {"B2.0.hub", "a.hub"}; // sorted
    {
        const test::FileSizeLimit fullDisk(100000);
        EXPECT_EQ(runMergeJob(MergeHub, {a, b}, a).writeResult, kWriteFailed);
    }
    EXPECT_EQ(test::readBytes(a), earlier);
    EXPECT_EQ(test::folderNames(dir.path().string()), files);

    // The interrupt comes once the temporary file is there, that is during the write.
    bool writing = false;
    test::RunOptions run;
    run.whileRunning = [&](pid_t pid) {
        siginfo_t ended{};
        for (int i = 0; i < 30000 && !writing && ended.si_pid == 0; ++i) {
            writing = test::folderNames(dir.path().string()).size() > files.size();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            ::waitid(P_PID, id_t(pid), &ended, WEXITED | WNOHANG | WNOWAIT);
        }
        ::kill(pid, SIGINT);
    };
    const auto r =
        test::runProgram(test::binaryPath("cli/velmar"), {"merge", "--out", a, a, b}, run);
    EXPECT_EQ(r.signal, SIGINT) << "the write ended before the interrupt";
    EXPECT_TRUE(writing) << "no temporary file was seen";
    EXPECT_EQ(test::readBytes(a), earlier);
    EXPECT_EQ(test::folderNames(dir.path().string()), files);
}

} // namespace
} // namespace velmar
