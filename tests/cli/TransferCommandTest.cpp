#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <string>
#include <thread>
#include <vector>

#include "CliRunner.h"
#include "SimulatedPlotter.h"
#include "TestSupport.h"
#include "serial/TransferJob.h"

namespace velmar {
namespace {

using namespace std::chrono_literals;

TEST(TransferCommands, BadArgumentsAndTheButtonsChecksExitTwoWithTheirTexts) {
    const struct {
        std::vector<std::string> args;
        std::string err; // the start of stderr
    } cases[] = {
        {{"read", "--device", "s41", "--port", "COM1", "--out", "  "},
         "No file for save output data.\nPress the <Browse> button to choose file\n"},
        {{"read", "--device", "s77", "--port", "COM1", "--out", "a"},
         "No support Series 66/77/HUB\n"},
        {{"write", "--device", "s5", "--port", "COM1"},
         "No files for write to device.\nPress the <Add file> button to add a file to list\n"},
        {{"read", "--device", "s6", "--port", "COM1", "--out", "a", "--parity", "Even"},
         "velmar read: --parity Even is not allowed (allowed: even, odd, none, mark, space)"},
        {{"read", "--device", "s9", "--port", "COM1", "--out", "a"},
         "velmar read: unknown device 's9' (allowed: s41, s5, s6)"},
        {{"write", "--device", "s6", "--port", "COM1", "--yes", "--no", "f"},
         "velmar write: --yes excludes --no"},
        {{"write", "--port", "COM1", "f"}, "velmar write: --device is required"},
    };
    for (const auto& c : cases) {
        const test::CliResult result = test::runVelmar(c.args);
        EXPECT_EQ(result.exitCode, 2) << c.args[0] << " " << c.err;
        EXPECT_EQ(result.err.substr(0, c.err.size()), c.err);
        EXPECT_EQ(result.out, "");
    }
}

TEST(TransferCommands, APortThatCannotBeOpenedSaysWhyAndExitsOne) {
    const test::CliResult result =
        test::runVelmar({"write", "--device", "s6", "--port", "/dev/velmar-missing", "/dev/null"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out.rfind("Err : Unable to open COM-port\nNo serial device is connected as "
                               "/dev/velmar-missing",
                               0),
              0u)
        << result.out;
}

TEST(TransferCommands, ReadSavesWhatTheSimulatorSendsAndCtrlCTellsItToStop) {
    const std::string example = test::readBytes(test::sourcePath("examples/harbour-tour.s41"));
    for (const bool interrupt : {false, true}) {
        sim::SimulatorOptions options =
            test::plotter(sim::Role::Send, interrupt ? kDeviceSeries5 : kDeviceSeries41, example);
        options.silent = interrupt;
        test::SimulatedPlotter plotter(options);
        test::TempDir dir;
        test::VelmarProcess velmar({"read", "--device", interrupt ? "s5" : "s41", "--port",
                                    plotter.port(), "--out", dir.file("db")});
        if (interrupt) {
            ASSERT_TRUE(plotter.saw("program set the line"));
            velmar.interrupt();
        }
        const test::CliResult result = velmar.wait();
        EXPECT_EQ(result.exitCode, interrupt ? 130 : 0) << result.err;
        EXPECT_EQ(result.out, interrupt ? "" : "Reading Completed\n");
        EXPECT_EQ(test::readBytes(dir.file("db")), interrupt ? "" : example);
        const sim::SimulatorSummary& summary = plotter.ended();
        EXPECT_EQ(summary.received.ends_with(kSeries5Stop), interrupt);
    }
}

TEST(TransferCommands, WriteSendsTheFilesAnswersBetweenThemAndCtrlCCancels) {
    const std::string example = test::readBytes(test::sourcePath("examples/reef-patrol.s6.wpt"));
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
        sim::SimulatorOptions options =
            test::plotter(sim::Role::Receive, ctrlC ? kDeviceSeries41 : kDeviceSeries6);
        options.count = std::max(c.taken, 1);
        options.silent = ctrlC; // no prompt
        test::SimulatedPlotter plotter(options);
        const std::string file = test::sourcePath("examples/reef-patrol.s6.wpt");
        std::vector<std::string> args{
            "write", "--device", ctrlC ? "s41" : "s6", "--port", plotter.port(), file, file};
        if (c.flag[0] == '-') {
            args.push_back(c.flag);
        }
        test::VelmarProcess velmar(args);
        if (ctrlC) {
            ASSERT_TRUE(plotter.saw("program set the line")); // it waits for the prompt
            velmar.interrupt();
        }
        const test::CliResult result = velmar.wait();
        EXPECT_EQ(result.exitCode, c.exitCode) << c.flag << result.err;
        EXPECT_EQ(result.err.substr(0, c.err.size()), c.err);
        if (ctrlC) {
            plotter.simulator.stop(SIGTERM);
        }
        const sim::SimulatorSummary& summary = plotter.ended();
        ASSERT_EQ(summary.files.size(), static_cast<std::size_t>(c.taken)) << c.flag;
        for (const sim::ReceivedFile& taken : summary.files) {
            EXPECT_EQ(taken.bytes, example); // as stored, its own end mark included
        }
    }
}

TEST(TransferCommands, PortsListsARegisteredSimulator) {
    sim::SimulatorOptions options = test::plotter(sim::Role::Send, kDeviceSeries6, "A\r\n");
    options.registerPort = true;
    test::SimulatedPlotter plotter(options);
    const test::CliResult result = test::runVelmar({"ports"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_NE(result.out.find(plotter.port()), std::string::npos) << result.out;
    EXPECT_NE(result.out.find(plotter.simulator.description()), std::string::npos);
}

} // namespace
} // namespace velmar
