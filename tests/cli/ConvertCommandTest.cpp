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

TEST_F(ConvertCommandTest, InputChecksPrintTheirMessagesAndExitTwo) {
    struct Case {
        std::vector<std::string> args;
        std::string err;
    };
    const std::string out = dir.file("out");
    const std::vector<Case> cases = {
        {{"convert", "--from", "hub", "--to", "hub", "--out", out},
         "No files for convert.\nPress the <Add file> button to add a file to list\n"},
        {{"convert", "--from", "hub", "--to", "hub", "--out", "   ", "a.hub"},
         "No folder for save output files.\nPress the <Browse> button to choose folder\n"},
        {{"convert", "--from", "hub", "--to", "hub", "--out", dir.file("nowhere"), "a.hub"},
         dir.file("nowhere") + " folder is not exist\n"},
        {{"convert", "--from", "s66", "--to", "hub", "--out", out, "a.hub"},
         "No support Series 66\n"},
        {{"convert", "--from", "hub", "--to", "3", "--out", out, "a.hub"},
         "No support Series 66\n"},
    };
    for (const Case& c : cases) {
        const auto r = test::runVelmar(c.args);
        EXPECT_EQ(r.exitCode, 2) << c.err;
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(r.out, "");
    }
}

TEST_F(ConvertCommandTest, BadArgumentsAndHelp) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {},
             {"frobnicate"},
             {"convert", "--from", "xyz", "--to", "hub", "a.hub"},
             {"convert", "--to", "hub", "a.hub"},
             {"convert", "--from", "hub", "--to"},
             {"convert", "--bogus", "--from", "hub", "--to", "hub", "a.hub"}}) {
        const auto r = test::runVelmar(args);
        EXPECT_EQ(r.exitCode, 2) << (args.empty() ? "" : args[0]);
        EXPECT_FALSE(r.err.empty());
    }
    const auto help = test::runVelmar({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("convert"), std::string::npos);
    EXPECT_NE(help.out.find("merge"), std::string::npos);
    const auto convertHelp = test::runVelmar({"convert", "--help"});
    EXPECT_EQ(convertHelp.exitCode, 0);
    EXPECT_NE(convertHelp.out.find("s41 | s5 | s6 | s66 | s77 | hub | cmap"), std::string::npos);
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
