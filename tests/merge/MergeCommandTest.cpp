#include <gtest/gtest.h>

#include <sys/wait.h>

#include "TestSupport.h"
#include "formats/hub/HubFile.h"

namespace velmar {
namespace {

struct CommandRun {
    int status = -1;
    std::string out;
    std::string err;
};

std::string quoted(const std::string& text) {
    return "'" + text + "'";
}

// Runs `velmar merge ARGS` with its output streams captured.
CommandRun velmarMerge(const test::TempDir& dir, const std::string& args) {
    const std::string out = dir.file("stdout.txt");
    const std::string err = dir.file("stderr.txt");
    const std::string command = quoted(test::binaryPath("cli/velmar")) + " merge " + args + " > " +
                                quoted(out) + " 2> " + quoted(err) + " < /dev/null";
    const int status = std::system(command.c_str());
    CommandRun run;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = test::readBytes(out);
    run.err = test::readBytes(err);
    return run;
}

std::string hubWithWaypoint(const test::TempDir& dir, const std::string& file,
                            const std::string& name) {
    const std::string path = dir.file(file);
    test::writeBytes(path, "$VERSION,1.0.1,2010.12.22*\r\n$WPT*\r\n$" + name +
                               ",,00,000000,34D12.345N,135D06.500E,20120315,0.0,,,*\r\n"
                               "$END*\r\nENDDATA\r\n");
    return path;
}

TEST(MergeCommand, MergesHubFilesEndToEnd) {
    test::TempDir dir;
    const std::string a = hubWithWaypoint(dir, "a.hub", "HOME");
    const std::string b = hubWithWaypoint(dir, "b.hub", "HOME");
    const std::string output = dir.file("merged.hub");
    const CommandRun run =
        velmarMerge(dir, "--type hub --out " + quoted(output) + " " + quoted(a) + " " + quoted(b));
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "Merging Completed\n");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(test::readBytes(output),
              "$VERSION,1.0.1,2010.12.22*\r\n$WPT*\r\n"
              "$HOME,,00,000000,34D12.345N,135D06.500E,20120315,0.0,,,*\r\n"
              "$WPT0,,00,000000,34D12.345N,135D06.500E,20120315,0.0,,,*\r\n$END*\r\nENDDATA\r\n");
}

TEST(MergeCommand, MergesCmapDocuments) {
    test::TempDir dir;
    const std::string example = test::sourcePath("examples/coastal-run.xml");
    const std::string output = dir.file("merged.xml");
    const CommandRun run = velmarMerge(dir, "--out " + quoted(output) + " --type cmap " +
                                                quoted(example) + " " + quoted(example));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "Merging Completed\n");
    const std::string text = test::readBytes(output);
    std::size_t routes = 0;
    for (std::size_t at = text.find("    <ROUTE>\r\n"); at != std::string::npos;
         at = text.find("    <ROUTE>\r\n", at + 1)) {
        ++routes;
    }
    EXPECT_EQ(routes, 2u);
}

TEST(MergeCommand, ReportsFailuresOnStandardErrorWithStatusOne) {
    test::TempDir dir;
    const std::string a = hubWithWaypoint(dir, "a.hub", "A");
    const std::string missing = dir.file("missing.hub");
    const std::string output = dir.file("merged.hub");
    CommandRun run =
        velmarMerge(dir, "--out " + quoted(output) + " " + quoted(a) + " " + quoted(missing));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "Err : Cannot read input file " + missing + "\n");
    EXPECT_TRUE(test::fileExists(output)); // the readable input is still merged

    const std::string noFolder = dir.file("none/merged.hub");
    run = velmarMerge(dir, "--out " + quoted(noFolder) + " " + quoted(a));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Err : Cannot create output file " + noFolder + "\n");
}

struct RefusalCase {
    const char* args;
    const char* err; // the start of standard error
    friend void PrintTo(const RefusalCase& c, std::ostream* os) { *os << "merge " << c.args; }
};

class MergeCommandRefusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(MergeCommandRefusal, ExitsWithStatusTwoAndWritesNothing) {
    test::TempDir dir;
    hubWithWaypoint(dir, "a.hub", "A");
    const CommandRun run = velmarMerge(dir, std::string(GetParam().args));
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.substr(0, std::string(GetParam().err).size()), GetParam().err) << run.err;
    EXPECT_FALSE(test::fileExists(dir.file("out.hub")));
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, MergeCommandRefusal,
    ::testing::Values(
        RefusalCase{"", "No HUB/CMAP files for merge.\nPress the <Add file> button to add a "
                        "file to list\n"},
        RefusalCase{"--out out.hub", "No HUB/CMAP files for merge.\n"},
        RefusalCase{"/dev/null", "No file for save output data.\nPress the <Browse> button to "
                                 "choose file\n"},
        RefusalCase{"--out '  ' /dev/null", "No file for save output data.\n"},
        RefusalCase{"--type kml --out out.hub /dev/null", "velmar merge: unknown type 'kml'"},
        RefusalCase{"--out", "velmar merge: --out needs a value"},
        RefusalCase{"--fast --out out.hub /dev/null", "velmar merge: unknown option '--fast'"}));

TEST(MergeCommand, HelpSaysHowToUseIt) {
    test::TempDir dir;
    const CommandRun run = velmarMerge(dir, "--help");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.rfind("Usage: velmar merge [--type hub|cmap] --out FILE FILE...\n", 0), 0u);
    EXPECT_EQ(run.err, "");
}

} // namespace
} // namespace velmar
