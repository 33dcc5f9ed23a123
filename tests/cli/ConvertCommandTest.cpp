#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "CliRunner.h"
#include "TestSupport.h"

namespace velmar {
namespace {

const char kHub[] =
    "$VERSION,1.0.1,2010.12.22*\r\n$WPT*\r\n"
    "$HOME,,00,000000,35D12.345N,139D45.678E,20120501,0.0,,,*\r\n$END*\r\nENDDATA\r\n";

class ConvertCommandTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test::writeBytes(dir.file("a.hub"), kHub);
        test::writeBytes(dir.file("b.hub"), kHub);
        std::filesystem::create_directory(dir.file("out"));
    }
    test::TempDir dir;
};

TEST_F(ConvertCommandTest, ConvertsAndPrintsResultLines) {
    const auto r = test::runVelmar({"convert", "--from", "hub", "--to", "s77", "--out",
                                    dir.file("out"), dir.file("a.hub"), dir.file("b.hub")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "OK : " + dir.file("a.hub") + "\nOK : " + dir.file("b.hub") +
                         "\nConverting Completed\n");
    EXPECT_EQ(test::readBytes(dir.file("out/a.hub.s77")), kHub);
}

TEST_F(ConvertCommandTest, IndexesNameTypesAndOutDefaultsToTheCurrentFolder) {
    const auto r =
        test::runVelmar({"convert", "--from", "5", "--to", "5", "a.hub"}, dir.path().string());
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(test::readBytes(dir.file("a.hub.hub")), kHub);
}

TEST_F(ConvertCommandTest, AnyFailedFileExitsOne) {
    const auto r = test::runVelmar({"convert", "--from", "hub", "--to", "hub", "--out",
                                    dir.file("out"), dir.file("missing.hub"), dir.file("a.hub")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "FAIL (0- 2) : " + dir.file("missing.hub") + "\nOK : " + dir.file("a.hub") +
                         "\nConverting Completed\n");
}

TEST_F(ConvertCommandTest, BadArgumentsAndInputsExitTwoWithTheCommandLinesOwnMessages) {
    struct Case {
        std::vector<std::string> args;
        std::string err;
    };
    const std::string out = dir.file("out");
    const std::string hint = "Run 'velmar convert --help' for its options.\n";
    const std::vector<Case> cases = {
        {{"convert", "--from", "hub", "--to", "hub", "--out", out},
         "velmar convert: no files to convert given (FILE...)\n"},
        {{"convert", "--from", "hub", "--to", "hub", "--out", "   ", "a.hub"},
         "velmar convert: no output folder given (--out DIR)\n"},
        {{"convert", "--from", "hub", "--to", "hub", "--out", dir.file("nowhere"), "a.hub"},
         "velmar convert: output folder " + dir.file("nowhere") + " does not exist\n"},
        {{"convert", "--from", "hub", "--to", "hub", "--out", dir.file("a.hub"), "a.hub"},
         "velmar convert: output folder " + dir.file("a.hub") + " is not a folder\n"},
        {{"convert", "--from", "s66", "--to", "hub", "--out", out, "a.hub"},
         "velmar convert: Series 66 files cannot be converted (s66 is listed, but not "
         "supported)\n"},
        {{"convert", "--from", "xyz", "--to", "hub", "a.hub"},
         "velmar convert: --from: unknown type 'xyz'\n" + hint},
        {{"convert", "--to", "hub", "a.hub"}, "velmar convert: --from is required\n" + hint},
        {{"convert", "--bogus", "--from", "hub", "--to", "hub", "a.hub"},
         "velmar convert: The following argument was not expected: --bogus\n" + hint},
        {{"merge", "--out", out}, "velmar merge: no files to merge given (FILE...)\n"},
        {{"merge", "--out", " ", "a.hub"}, "velmar merge: no output file given (--out FILE)\n"},
        {{"merge", "--type", "s41", "--out", "x", "a.hub"},
         "velmar merge: --type: unknown type 's41'\nRun 'velmar merge --help' for its options.\n"},
        {{"frobnicate", "--from", "hub"},
         "velmar: unknown command 'frobnicate'\nRun 'velmar --help' for its options.\n"},
    };
    for (const Case& c : cases) {
        const auto r = test::runVelmar(c.args, dir.path().string());
        EXPECT_EQ(r.exitCode, 2) << c.err;
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(r.out, "");
    }
    // The developer tools parse the same way: an unknown option is an error, never a file name.
    const auto tool = test::runProgram(test::binaryPath("tools/velmar-genhub"),
                                       {"--bogus", "x.hub"}, {dir.path().string(), -1, {}, {}});
    EXPECT_EQ(tool.exitCode, 2);
    EXPECT_FALSE(test::fileExists(dir.file("--bogus")) || test::fileExists(dir.file("x.hub")));
}

TEST_F(ConvertCommandTest, HelpShowsTheTypesAndHowASetIsNamed) {
    const auto bare = test::runVelmar({});
    EXPECT_EQ(bare.exitCode, 2);
    EXPECT_EQ(bare.err.rfind("Converts and merges", 0), 0u) << bare.err;
    const auto help = test::runVelmar({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("convert"), std::string::npos);
    EXPECT_NE(help.out.find("merge"), std::string::npos);
    const auto convertHelp = test::runVelmar({"convert", "--help"});
    EXPECT_EQ(convertHelp.exitCode, 0);
    for (const char* text : {"TYPE:{s41,s5,s6,s66,s77,hub,cmap,gpx} or 0..6", "day.wpt day.rut",
                             "day.hub.s5.wpt", "Exit status"}) {
        EXPECT_NE(convertHelp.out.find(text), std::string::npos) << text;
    }
    EXPECT_NE(test::runVelmar({"merge", "-h"}).out.find("TYPE:{hub,cmap}"), std::string::npos);
}

TEST_F(ConvertCommandTest, ResultLinesThatCannotBeWrittenExitOne) {
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    ::close(ends[0]); // a reader that went away
    const int full = ::open("/dev/full", O_WRONLY);
    ASSERT_GE(full, 0);
    for (const int fd : {full, ends[1]}) {
        for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
                 {"convert", "--from", "hub", "--to", "hub", "--out", dir.file("out"), "a.hub"},
                 {"merge", "--out", dir.file("out/m.hub"), "a.hub", "b.hub"}}) {
            const auto r = test::runVelmar(args, dir.path().string(), fd);
            EXPECT_EQ(r.exitCode, 1) << args[0] << " " << fd;
            EXPECT_EQ(r.err.rfind("velmar: cannot write to standard output: ", 0), 0u) << r.err;
        }
    }
    EXPECT_EQ(test::readBytes(dir.file("out/a.hub.hub")), kHub); // the work itself was done
    ::close(full);
    ::close(ends[1]);
}

TEST_F(ConvertCommandTest, InterruptStopsAfterTheFileInHand) {
    std::vector<std::string> sources;
    for (int i = 0; i < 300; ++i) {
        sources.push_back(dir.file("s" + std::to_string(i) + ".hub"));
        test::writeBytes(sources.back(), kHub);
    }
    int out[2];
    ASSERT_EQ(::pipe(out), 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out[1], 1);
        std::vector<std::string> args = {test::binaryPath("cli/velmar"),
                                         "convert",
                                         "--from",
                                         "hub",
                                         "--to",
                                         "hub",
                                         "--out",
                                         dir.file("out")};
        args.insert(args.end(), sources.begin(), sources.end());
        std::vector<char*> argv;
        for (std::string& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    std::string printed;
    char c = 0;
    while (printed.find('\n') == std::string::npos && ::read(out[0], &c, 1) == 1) {
        printed.push_back(c);
    }
    ::kill(pid, SIGINT); // after the first result line: the job is under way
    while (::read(out[0], &c, 1) == 1) {
        printed.push_back(c);
    }
    ::close(out[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    // Every file before the one in hand is OK; that one is OK or ABORT; the rest get no line.
    std::istringstream lines(printed);
    std::vector<std::string> results;
    for (std::string line; std::getline(lines, line);) {
        results.push_back(line.substr(0, line.find(" : ")));
    }
    ASSERT_FALSE(results.empty());
    EXPECT_LT(results.size(), sources.size());
    EXPECT_TRUE(results.back() == "OK" || results.back() == "ABORT") << printed;
    results.pop_back();
    EXPECT_EQ(results, std::vector<std::string>(results.size(), "OK")) << printed;
    const auto written = test::folderNames(dir.file("out")).size(); // no temporary file either
    EXPECT_TRUE(written == results.size() || written == results.size() + 1) << written;
}

// A write that cannot finish (its target is a pipe nobody reads) keeps the command waiting
// after the first interrupt; the second quits at once.
TEST_F(ConvertCommandTest, ASecondInterruptQuitsWhileAWriteCannotFinish) {
    ASSERT_EQ(::mkfifo(dir.file("out/a.hub.hub").c_str(), 0600), 0);
    const std::string binary = test::binaryPath("cli/velmar");
    const std::string outFolder = dir.file("out");
    const std::string source = dir.file("a.hub");
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::execl(binary.c_str(), binary.c_str(), "convert", "--from", "hub", "--to", "hub", "--out",
                outFolder.c_str(), source.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    std::this_thread::sleep_for(std::chrono::seconds(1));
    ::kill(pid, SIGINT);
    std::this_thread::sleep_for(std::chrono::seconds(1));
    ::kill(pid, SIGINT);
    int status = 0;
    pid_t ended = 0;
    for (int i = 0; i < 200 && ended == 0; ++i) { // at most 10 s, never a hang
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ended = ::waitpid(pid, &status, WNOHANG);
    }
    if (ended == 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
    }
    ASSERT_NE(ended, 0) << "the second interrupt did not end the command";
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGINT);
}

// Only regular files are sources: a pipe or a device fails at once instead of hanging.
TEST_F(ConvertCommandTest, SourcesThatAreNotFilesFailAtOnce) {
    ASSERT_EQ(::mkfifo(dir.file("pipe.hub").c_str(), 0600), 0);
    const auto r = test::runVelmar({"convert", "--from", "hub", "--to", "hub", "--out",
                                    dir.file("out"), dir.file("pipe.hub"), "/dev/zero"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "FAIL (0- 2) : " + dir.file("pipe.hub") + "\nFAIL (0- 2) : /dev/zero\n" +
                         "Converting Completed\n");
}

// Two sources with the same name give two outputs; the second is named after its result line.
TEST_F(ConvertCommandTest, SameNamedSourcesGetTwoOutputs) {
    std::filesystem::create_directory(dir.file("b"));
    test::writeBytes(dir.file("b/a.hub"), "$VERSION,2.0,2012.01.01*\r\nENDDATA\r\n");
    const auto r = test::runVelmar({"convert", "--from", "hub", "--to", "hub", "--out",
                                    dir.file("out"), dir.file("a.hub"), dir.file("b/a.hub")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "OK : " + dir.file("a.hub") + "\nOK : " + dir.file("b/a.hub") +
                         "\n  written as " + dir.file("out/a.hub-2.hub") +
                         "\nConverting Completed\n");
    EXPECT_EQ(test::readBytes(dir.file("out/a.hub.hub")), kHub);
    EXPECT_EQ(test::readBytes(dir.file("out/a.hub-2.hub")), test::readBytes(dir.file("b/a.hub")));
}

} // namespace
} // namespace velmar
