#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "SimulatedPlotter.h"
#include "TestSupport.h"
#include "serial/TransferJob.h"

namespace velmar {
namespace {

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
    const struct {
        std::vector<std::string> args;
        std::string start; // of stderr, or of stdout for a missing port
    } cases[] = {
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
    for (const auto& c : cases) {
        const test::CliResult result = test::runVelmar(c.args);
        const bool missing = c.start.starts_with("Err");
        EXPECT_EQ(result.exitCode, missing ? 1 : 2) << c.start;
        EXPECT_EQ((missing ? result.out : result.err).rfind(c.start, 0), 0u) << result.out;
        EXPECT_EQ(missing ? result.err : result.out, "");
    }
}

TEST(TransferCommands, PortsListsTheSimulatorAndReadSavesWhatItSendsAndCtrlCTellsItToStop) {
    const std::string example = test::readBytes(test::sourcePath("examples/harbour-tour.s41"));
    for (const bool interrupt : {false, true}) {
        const int type = interrupt ? kDeviceSeries5 : kDeviceSeries41;
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
    const struct {
        const char* flag; // --yes, --no, none, or Ctrl-C at the Series 41 prompt
        int taken;        // files the plotter takes
        int exitCode;
        std::string err;
    } cases[] = {
        {"--yes", 2, 0, ""},
        {"--no", 1, 0, ""},
        {"", 1, 0, "velmar write: not writing "},
        {"ctrl-c", 0, 130, ""},
    };
    for (const auto& c : cases) {
        const bool ctrlC = std::string(c.flag) == "ctrl-c";
        test::SimulatedPlotter plotter(
            test::plotter(sim::Role::Receive, ctrlC ? kDeviceSeries41 : kDeviceSeries6, "",
                          {.silent = ctrlC, .count = std::max(c.taken, 1)}));
        std::vector<std::string> args{"write", "--device", ctrlC ? "s41" : "s6", file, file};
        if (c.flag[0] == '-') {
            args.push_back(c.flag);
        }
        const test::CliResult result = runWithPlotter(args, plotter, ctrlC);
        EXPECT_EQ(result.exitCode, c.exitCode) << c.flag << result.err;
        EXPECT_EQ(result.err.substr(0, c.err.size()), c.err);
        if (ctrlC) {
            plotter.simulator.stop(SIGTERM);
        }
        const sim::SimulatorSummary& summary = plotter.ended();
        ASSERT_EQ(summary.files.size(), static_cast<std::size_t>(c.taken)) << c.flag;
        for (const sim::ReceivedFile& taken : summary.files) {
            EXPECT_EQ(taken.bytes, test::readBytes(file)); // as stored, its end mark included
        }
    }
}

} // namespace
} // namespace velmar
