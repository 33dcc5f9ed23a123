#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "SimulatedPlotter.h"
#include "TestSupport.h"
#include "serial/TransferJob.h"

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

// Result lines, exit status 1 when any file failed, types by key or index, --out defaulting to
// the current folder; a pipe or a device as source fails at once instead of hanging; two sources
// with the same name give two outputs, the second named after its result line.
TEST_F(ConvertCommandTest, ConvertsAndPrintsResultLines) {
    const std::string a = dir.file("a.hub"), b = dir.file("b.hub"), out = dir.file("out");
    const std::string missing = dir.file("missing.hub"), pipe = dir.file("pipe.hub");
    const std::string twin = dir.file("b/a.hub");
    const std::string other = "$VERSION,2.0,2012.01.01*\r\nENDDATA\r\n";
    std::filesystem::create_directory(dir.file("b"));
    test::writeBytes(twin, other);
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    // The arguments after --to, the exit status, the lines printed, outputs and their bytes.
    const std::tuple<std::vector<std::string>, int, std::string,
                     std::vector<std::pair<std::string, std::string>>>
        cases[] = {
            {{"s77", "--out", out, a, b},
             0,
             "OK : " + a + "\nOK : " + b,
             {{"out/a.hub.s77", kHub}}},
            {{"hub", "--out", out, missing, a},
             1,
             "FAIL (0- 2) : " + missing + "\nOK : " + a,
             {{"out/a.hub.hub", kHub}}},
            {{"5", "a.hub"}, 0, "OK : a.hub", {{"a.hub.hub", kHub}}},
            {{"hub", "--out", out, pipe, "/dev/zero"},
             1,
             "FAIL (0- 2) : " + pipe + "\nFAIL (0- 2) : /dev/zero",
             {}},
            {{"hub", "--out", out, a, twin},
             0,
             "OK : " + a + "\nOK : " + twin + "\n  written as " + out + "/a.hub-2.hub",
             {{"out/a.hub.hub", kHub}, {"out/a.hub-2.hub", other}}},
        };
    for (const auto& [after, exitCode, printed, outputs] : cases) {
        std::vector<std::string> args{"convert", "--from", after[0] == "5" ? "5" : "hub", "--to"};
        args.insert(args.end(), after.begin(), after.end());
        std::filesystem::remove(dir.file("out/a.hub.hub"));
        const auto r = test::runVelmar(args, dir.path().string());
        EXPECT_EQ(r.exitCode, exitCode) << r.err;
        EXPECT_EQ(r.out, printed + "\nConverting Completed\n");
        for (const auto& [name, bytes] : outputs) {
            EXPECT_EQ(test::readBytes(dir.file(name)), bytes) << name;
        }
    }
}

TEST_F(ConvertCommandTest, BadArgumentsAndInputsExitTwoWithTheCommandLinesOwnMessages) {
    const std::string out = dir.file("out");
    const std::string hint = "Run 'velmar convert --help' for its options.\n";
    const std::string mergeHint = "Run 'velmar merge --help' for its options.\n";
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        // args, stderr
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
        {{"merge", "--out"}, "velmar merge: --out: 1 required FILE missing\n" + mergeHint},
        {{"merge", "--type", "s41", "--out", "x", "a.hub"},
         "velmar merge: --type: unknown type 's41'\n" + mergeHint},
        {{"frobnicate", "--from", "hub"},
         "velmar: unknown command 'frobnicate'\nRun 'velmar --help' for its options.\n"},
    };
    for (const auto& [args, err] : cases) {
        const auto r = test::runVelmar(args, dir.path().string());
        EXPECT_EQ(r.exitCode, 2) << err;
        EXPECT_EQ(r.err, err);
        EXPECT_EQ(r.out, "");
    }
    // The developer tools parse the same way: an unknown option is an error, never a file name.
    const auto tool =
        test::runProgram(test::binaryPath("tools/velmar-genhub"), {"--bogus", "x.hub"},
                         {.workingFolder = dir.path().string()});
    EXPECT_EQ(tool.exitCode, 2);
    EXPECT_FALSE(test::fileExists(dir.file("--bogus")) || test::fileExists(dir.file("x.hub")));
}

TEST_F(ConvertCommandTest, HelpShowsTheTypesAndHowASetIsNamed) {
    const auto bare = test::runVelmar({});
    EXPECT_EQ(bare.exitCode, 2);
    EXPECT_EQ(bare.err.rfind("Converts and merges", 0), 0u) << bare.err;
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
    std::vector<std::string> args = {"convert", "--from", "hub",          "--to",
                                     "hub",     "--out",  dir.file("out")};
    args.insert(args.end(), sources.begin(), sources.end());
    std::string printed;
    test::RunOptions run{.stdoutFd = out[1]};
    run.whileRunning = [&](pid_t pid) {
        ::close(out[1]);
        char c = 0;
        while (printed.find('\n') == std::string::npos && ::read(out[0], &c, 1) == 1) {
            printed.push_back(c);
        }
        ::kill(pid, SIGINT); // after the first result line: the job is under way
        while (::read(out[0], &c, 1) == 1) {
            printed.push_back(c);
        }
    };
    EXPECT_EQ(test::runProgram(test::binaryPath("cli/velmar"), args, run).exitCode, 1);
    ::close(out[0]);
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
    test::RunOptions run;
    run.whileRunning = [](pid_t pid) {
        for (int i = 0; i < 2; ++i) {
            std::this_thread::sleep_for(std::chrono::seconds(1));
            ::kill(pid, SIGINT);
        }
        siginfo_t ended{};
        for (int i = 0; i < 200 && ended.si_pid == 0; ++i) { // at most 10 s, never a hang
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            ::waitid(P_PID, id_t(pid), &ended, WEXITED | WNOHANG | WNOWAIT);
        }
        if (ended.si_pid == 0) {
            ::kill(pid, SIGKILL);
        }
    };
    const auto r = test::runProgram(
        test::binaryPath("cli/velmar"),
        {"convert", "--from", "hub", "--to", "hub", "--out", dir.file("out"), dir.file("a.hub")},
        run);
    EXPECT_EQ(r.signal, SIGINT) << "the second interrupt did not end the command";
}

// velmar with a simulated plotter on --port; with `interrupt` a Ctrl-C once it catches them.
test::CliResult runWithPlotter(std::vector<std::string> args, test::SimulatedPlotter& plotter,
                               bool interrupt) {
    args.insert(args.begin() + 1, {"--port", plotter.port()});
    test::RunOptions options;
    options.whileRunning = [&](pid_t pid) {
        for (int i = 0; interrupt && i < 1000; ++i) {
            std::ifstream status("/proc/" + std::to_string(pid) + "/status");
            std::string line;
            while (std::getline(status, line) && line.rfind("SigCgt:", 0) != 0) {
            }
            if ((std::stoull(line.substr(7), nullptr, 16) >> (SIGINT - 1) & 1) != 0) {
                ::kill(pid, SIGINT);
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    };
    return test::runProgram(test::binaryPath("cli/velmar"), args, options);
}

// Bad arguments and the buttons' checks exit 2 with their texts on stderr; a port that is not
// there exits 1 with the transfer's log on stdout.
TEST(TransferCommands, BadArgumentsChecksAndAMissingPortExitWithTheirTexts) {
    // The arguments, and the start of stderr (of stdout for a missing port).
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"read", "--device", "s41", "--port", "COM1", "--out", "  "},
         "No file for save output data.\nPress the <Browse> button to choose file\n"},
        {{"read", "--device", "s77", "--port", "COM1", "--out", "a"},
         "No support Series 66/77/HUB\n"},
        {{"write", "--device", "s5", "--port", "COM1"},
         "No files for write to device.\nPress the <Add file> button to add a file to list\n"},
        {{"read", "--device", "s6", "--port", "COM1", "--out", "a", "--parity", "Even"},
         "velmar read: --parity Even is not allowed (allowed: even, odd, none, mark, space)"},
        {{"write", "--device", "s6", "--port", "COM1", "--yes", "--no", "f"},
         "velmar write: --yes excludes --no"},
        {{"write", "--device", "s6", "--port", "/dev/velmar-missing", "/dev/null"},
         "Err : Unable to open COM-port\nNo serial device is connected as /dev/velmar-missing"},
    };
    for (const auto& [args, start] : cases) {
        const test::CliResult result = test::runVelmar(args);
        const bool missing = start.starts_with("Err");
        EXPECT_EQ(result.exitCode, missing ? 1 : 2) << start;
        EXPECT_EQ((missing ? result.out : result.err).rfind(start, 0), 0u) << result.out;
        EXPECT_EQ(missing ? result.err : result.out, "");
    }
}

TEST(TransferCommands, PortsListsTheSimulatorAndReadSavesWhatItSendsAndCtrlCTellsItToStop) {
    const std::string example = test::readBytes(test::sourcePath("examples/harbour-tour.s41"));
    for (const bool interrupt : {false, true}) {
        const int type = interrupt ? kSeries5 : kSeries41;
        sim::SimulatorOptions options =
            test::plotter(sim::Role::Send, type, example, {.silent = interrupt});
        options.registerPort = true; // `velmar ports` lists it
        test::SimulatedPlotter plotter(options);
        const std::string ports = test::runVelmar({"ports"}).out;
        EXPECT_NE(ports.find(plotter.port()), std::string::npos) << ports;
        EXPECT_NE(ports.find(plotter.simulator.description()), std::string::npos) << ports;
        test::TempDir dir;
        const test::CliResult result =
            runWithPlotter({"read", "--device", interrupt ? "s5" : "s41", "--out", dir.file("db")},
                           plotter, interrupt);
        EXPECT_EQ(result.exitCode, interrupt ? 130 : 0) << result.err;
        EXPECT_EQ(result.out, interrupt ? "" : "Reading Completed\n");
        EXPECT_EQ(test::readBytes(dir.file("db")), interrupt ? "" : example); // byte-identical
        EXPECT_EQ(plotter.ended().received.ends_with(kSeries5Stop), interrupt);
    }
}

TEST(TransferCommands, WriteSendsTheFilesAnswersBetweenThemAndCtrlCCancels) {
    const std::string file = test::sourcePath("examples/reef-patrol.s6.wpt");
    // The flag (--yes, --no, none, or Ctrl-C at the Series 41 prompt), the files the plotter
    // takes, the exit status, the start of stderr.
    const std::tuple<const char*, int, int, std::string> cases[] = {
        {"--yes", 2, 0, ""},
        {"--no", 1, 0, ""},
        {"", 1, 0, "velmar write: not writing "},
        {"ctrl-c", 0, 130, ""},
    };
    for (const auto& [flag, takes, exitCode, err] : cases) {
        const bool ctrlC = std::string(flag) == "ctrl-c";
        test::SimulatedPlotter plotter(
            test::plotter(sim::Role::Receive, ctrlC ? kSeries41 : kSeries6, "",
                          {.silent = ctrlC, .count = std::max(takes, 1)}));
        std::vector<std::string> args{"write", "--device", ctrlC ? "s41" : "s6", file, file};
        if (flag[0] == '-') {
            args.push_back(flag);
        }
        const test::CliResult result = runWithPlotter(args, plotter, ctrlC);
        EXPECT_EQ(result.exitCode, exitCode) << flag << result.err;
        EXPECT_EQ(result.err.substr(0, err.size()), err);
        if (ctrlC) {
            plotter.simulator.stop(SIGTERM);
        }
        const sim::SimulatorSummary& summary = plotter.ended();
        ASSERT_EQ(summary.files.size(), static_cast<std::size_t>(takes)) << flag;
        for (const sim::ReceivedFile& taken : summary.files) {
            EXPECT_EQ(taken.bytes, test::readBytes(file)); // as stored, its end mark included
        }
    }
}

} // namespace
} // namespace velmar
