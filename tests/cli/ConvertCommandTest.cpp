#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
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

TEST_F(ConvertCommandTest, InterruptAbortsTheFileInHand) {
    // The first source is a named pipe: its reader blocks until the test feeds it, so the
    // interrupt arrives while that file is being read.
    const std::string pipe = dir.file("pipe.hub");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const std::string binary = test::binaryPath("cli/velmar");
    const std::string outFile = dir.file("stdout");
    const std::string outFolder = dir.file("out");
    const std::string second = dir.file("a.hub");
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int out = ::open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(out, 1);
        ::execl(binary.c_str(), binary.c_str(), "convert", "--from", "hub", "--to", "hub", "--out",
                outFolder.c_str(), pipe.c_str(), second.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    // A reader that gave up early must fail the test, not kill it.
    struct sigaction ignore {};
    struct sigaction previous {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGPIPE, &ignore, &previous);
    const int writer = ::open(pipe.c_str(), O_WRONLY); // returns once the reader has opened it
    ASSERT_GE(writer, 0);
    ::kill(pid, SIGINT);
    std::this_thread::sleep_for(std::chrono::seconds(2)); // the command notices within 100 ms
    ASSERT_EQ(::write(writer, kHub, sizeof kHub - 1), static_cast<ssize_t>(sizeof kHub - 1));
    ::close(writer);
    ::sigaction(SIGPIPE, &previous, nullptr);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(test::readBytes(outFile), "ABORT : " + pipe + "\n");
    EXPECT_FALSE(test::fileExists(dir.file("out/a.hub.hub")));
}

TEST_F(ConvertCommandTest, ASecondInterruptQuitsWhileAReadCannotFinish) {
    const std::string pipe = dir.file("stuck.hub");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const std::string binary = test::binaryPath("cli/velmar");
    const std::string outFolder = dir.file("out");
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::execl(binary.c_str(), binary.c_str(), "convert", "--from", "hub", "--to", "hub", "--out",
                outFolder.c_str(), pipe.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    const int writer = ::open(pipe.c_str(), O_WRONLY); // the reader now waits for bytes forever
    ASSERT_GE(writer, 0);
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
    ::close(writer);
    ASSERT_NE(ended, 0) << "the second interrupt did not end the command";
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGINT);
}

} // namespace
} // namespace velmar
