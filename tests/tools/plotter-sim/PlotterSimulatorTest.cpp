#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <nlohmann/json.hpp>
#include <stdlib.h>
#include <string>
#include <thread>
#include <tuple>
#include <unistd.h>
#include <vector>

#include "SimulatedPlotter.h"
#include "TestSupport.h"
#include "serial/ComSettings.h"
#include "serial/PortNames.h"
#include "serial/SerialPort.h"
#include "tools/plotter-sim/DeviceBehaviours.h"

namespace velmar::sim {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const std::string kEnd41 = "$PFEC,GPxfr,CTL,E\r\n";
const std::string kWaypoints =
    "$PFEC,GPwpl,3512.345,N,13945.678,E,HOME  ,,@qMARINA          ,A,,,,\r\n"
    "$GPRTE,1,1,C,01, HOME  , 002   \r\n$PFEC,GPrtc,01,HARBOUR\r\n";

// The program's end: the product's own port, opened as the transfers open it (COM1, line feed
// as event character, 4800 bits per second).
struct Program {
    explicit Program(const std::string& device, bool purge = true) : devices({device}) {
        ComSettings settings;
        defaultComSettings(&settings, kSeries41);
        if (openConfiguredPort(&port, &settings, true) != kPortReady ||
            (purge && port.purge() != 0)) {
            throw std::runtime_error("cannot open " + device);
        }
    }
    // Everything up to and including `end`, or what came before a failure or the time-out.
    std::string readUntil(const std::string& end, std::chrono::milliseconds timeout = 10s) {
        std::string bytes;
        for (const auto deadline = Clock::now() + timeout;
             Clock::now() < deadline && bytes.find(end) == std::string::npos;) {
            char buffer[512];
            std::uint32_t got = 0;
            std::uint32_t result = port.read(buffer, sizeof buffer, &got, nullptr, INFINITE);
            bytes.append(buffer, got);
            result = result == 0 && got == 0 ? port.waitForEvent(nullptr, 100) : result;
            if (result != 0 && result != ERROR_TIMEOUT) {
                break;
            }
        }
        return bytes;
    }
    void write(const std::string& bytes) {
        port.write(bytes.data(), std::uint32_t(bytes.size()), nullptr, nullptr, INFINITE);
    }
    ScopedSerialDevices devices;
    SerialPort port;
};

TEST(PlotterSimulator, Series5SenderAnswersEveryRequestAndRepeatsStopsOrIgnoresAsAsked) {
    const std::string lines[] = {"$WPT*\r\n", "$0001,A\r\n", "ENDDATA\r\n"};
    // The requests left unanswered, the requests and the lines answered (-1: none), the notes.
    using Script = std::vector<std::pair<std::string, int>>;
    const std::tuple<std::vector<int>, Script, std::vector<std::string>> cases[] = {
        {{},
         {{"+", 0}, {"N", 1}, {"R", 1}, {"N", 2}, {"N", 2}, {"+", 0}},
         {"line 1", "line 2", "repeat of line 2", "line 3", "ENDDATA", "line 1"}},
        {{}, {{"R", -1}, {"+", 0}, {"S", 2}}, {"nothing to repeat", "line 1", "stop"}},
        {{2},
         {{"+", 0}, {"N", -1}, {"N", 1}, {"X", -1}, {"N", 2}},
         {"line 1", "ignored", "line 2", "unknown request", "line 3"}},
    };
    for (const auto& [ignore, script, expectedNotes] : cases) {
        test::SimulatedPlotter running(test::plotter(
            Role::Send, kSeries5, lines[0] + lines[1] + lines[2], {.ignore = ignore}));
        std::string wire;
        {
            Program program(running.simulator.portPath());
            for (const auto& [request, line] : script) {
                const std::string answer = line < 0 ? "" : lines[line];
                program.write(request + "\r\n");
                const std::string got = program.readUntil("\n", answer.empty() ? 300ms : 10s);
                EXPECT_EQ(got, answer) << "request " << request;
                wire += got;
            }
        }
        ASSERT_EQ(running.simulator.wait(), kExchangeEnded);
        const SimulatorSummary& summary = running.simulator.summary();
        EXPECT_EQ(summary.sent, wire);
        std::vector<std::string> notes;
        for (const Command& command : summary.commands) {
            notes.push_back(command.note);
        }
        EXPECT_EQ(notes, expectedNotes);
    }
}

// The Series 41 receiver starts at once: its first prompt waits on the line for the program.
TEST(PlotterSimulator, ReceiversPromptForEachFileAndKeepItsBytes) {
    test::TempDir folder;
    const std::string files[] = {kWaypoints + kEnd41, "$0001,A\r\n$0002,B\r\nENDDATA\r\n",
                                 "$NRM\r\n$END\r\n\x1A"};
    for (const int device : {kSeries41, kSeries5, kSeries6}) {
        SimulatorOptions chosen = test::plotter(Role::Receive, device, "", {.count = 2});
        chosen.savePath = folder.file(std::string("saved.") + deviceKey(device));
        chosen.startAfter = device == kSeries41 ? StartAfter::Now : chosen.startAfter;
        test::SimulatedPlotter running(chosen);
        std::this_thread::sleep_for(device == kSeries41 ? 1s : 0s);
        const std::string& file = files[device];
        {
            Program program(running.simulator.portPath(), false);
            for (int copy = 0; copy < 2; ++copy) {
                if (device == kSeries41) {
                    ASSERT_EQ(program.readUntil("\n"), ">\r\n");
                    for (const char c : file) { // as the write job paces them
                        program.write(std::string(1, c));
                        std::this_thread::sleep_for(c == '\n' ? 20ms : 1ms);
                    }
                } else if (device == kSeries5) {
                    ASSERT_EQ(program.readUntil("\n"), "+\r\n");
                    for (const std::string& line : splitLines(file)) {
                        program.write(line);
                        if (line != "ENDDATA\r\n") {
                            ASSERT_EQ(program.readUntil("\n"), "N\r\n");
                        }
                    }
                } else {
                    program.write(file);
                }
            }
            std::this_thread::sleep_for(100ms); // a late prompt would come now
            EXPECT_EQ(program.readUntil("\n", 10ms), "");
        }
        ASSERT_EQ(running.simulator.wait(), kExchangeEnded) << deviceKey(device);
        const SimulatorSummary& summary = running.simulator.summary();
        ASSERT_EQ(summary.files.size(), 2u);
        for (const ReceivedFile& received : summary.files) {
            EXPECT_EQ(received.bytes, file);
            EXPECT_TRUE(received.complete);
        }
        EXPECT_EQ(test::readBytes(summary.files[1].savedTo), file);
        EXPECT_EQ(summary.files[1].savedTo,
                  folder.file(std::string("saved-2.") + deviceKey(device)));
        EXPECT_EQ(summary.received, file + file);
        EXPECT_EQ(summary.receivedLines, 2 * summary.files[0].lines);
        const auto prompts =
            std::count_if(summary.commands.begin(), summary.commands.end(),
                          [](const Command& c) { return c.text == ">" || c.text == "+"; });
        EXPECT_EQ(prompts, device == kSeries6 ? 0 : 2);
        if (device == kSeries41) {
            EXPECT_EQ(summary.heldBytes, 3u);
            EXPECT_LT(summary.startedAt, summary.opens.at(0));
            ASSERT_TRUE(summary.byteGaps && summary.lineGaps);
            EXPECT_EQ(summary.lineGaps->count, 2 * summary.files[0].lines - 1);
            EXPECT_EQ(summary.byteGaps->count + summary.lineGaps->count,
                      summary.received.size() - 1);
        }
    }
}

// The program: a clean end on a signal once it is registered (a stale link replaced, link and
// registration removed at the end), a file where the link should go refused, and its ending
// told by its exit status. (`velmar ports` lists a registered simulator: the command line's test.)
TEST(PlotterSimulator, TheProgramEndsCleanlyOnASignalAndTellsItsEndingByItsStatus) {
    test::TempDir runtime;
    ::chmod(runtime.path().c_str(), 0700);
    const std::string link = runtime.file("plotter"), ports = runtime.file("velmar/ports");
    ::symlink("/dev/pts/999999", link.c_str());
    test::writeBytes(runtime.file("a file"), "");
    const std::tuple<std::vector<std::string>, int, int> cases[] = {
        {{"receive", "--device", "s41", "--link", link, "--json"}, SIGTERM, 128 + SIGTERM},
        {{"receive", "--device", "s6", "--timeout", "0.2", "--json"}, 0, kTimedOut},
        {{"receive", "--device", "s6", "--link", runtime.file("a file")}, 0, kSetupFailed},
        {{"receive", "--device", "s7"}, 0, kBadOptions},
        {{"receive", "--device", "s41", "--ignore", "2"}, 0, kBadOptions},
    };
    for (const auto& [arguments, signal, status] : cases) {
        test::RunOptions run{.setEnv = {"XDG_RUNTIME_DIR=" + runtime.path().string()}};
        run.whileRunning = [&, signal = signal](pid_t child) {
            std::error_code error;
            for (int i = 0; signal != 0 && i < 1000; ++i) {
                if (test::fileExists(link) && !std::filesystem::is_empty(ports, error) && !error) {
                    ::kill(child, signal); // registered
                    return;
                }
                std::this_thread::sleep_for(10ms);
            }
        };
        const test::CliResult result = test::runProgram(
            test::binaryPath("tools/plotter-sim/velmar-plotter-sim"), arguments, run);
        EXPECT_EQ(result.exitCode, status) << arguments[2];
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
        EXPECT_EQ(result.err.find("not a link") != std::string::npos, status == kSetupFailed);
        if (arguments.back() == "--json") {
            EXPECT_TRUE(std::filesystem::is_empty(ports));
            const auto summary = nlohmann::json::parse(result.out);
            EXPECT_EQ(summary["ending"], signal ? "stopped" : "timed out");
            EXPECT_EQ(summary["exitStatus"], status);
        }
    }
}

} // namespace
} // namespace velmar::sim
