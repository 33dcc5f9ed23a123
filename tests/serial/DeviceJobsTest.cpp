// The device read and write jobs against the plotter simulator (and a scripted pseudo-terminal
// for the exchanges only a scripted device plays).
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <optional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "PtyDevice.h"
#include "SimulatedPlotter.h"
#include "TestSupport.h"
#include "TestWindow.h"
#include "serial/DeviceReadJob.h"
#include "serial/DeviceWriteJob.h"
#include "serial/PortNames.h"

namespace velmar {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using sim::NoiseKind;
using sim::Role;

const std::string kWpl = "$PFEC,GPwpl,3512.345,N,13945.678,E,HOME  ,,@qMARINA          ,A,,,,\r\n";
const std::string kRte = "$GPRTE,1,1,C,01, HOME  \r\n";
const std::string kEnd = kSeries41EndLine;
const std::string kStart = kJobStartText;

ComSettings settingsFor(int type) {
    ComSettings settings;
    defaultComSettings(&settings, type);
    return settings;
}

// A read job from a simulated plotter into out.dat (or `output`), started.
struct Reading {
    Reading(int type, const sim::SimulatorOptions& options, const std::string& output = "",
            const std::string& port = "")
        : plotter(options) {
        test::writeBytes(out, "earlier");
        EXPECT_EQ(prepareDeviceReadJob(" " + (output.empty() ? out : output) + " ", type,
                                       settingsFor(type), &job),
                  "");
        job->portName = port.empty() ? plotter.port() : port;
        window.job = job.get();
        startDeviceReadJob(job.get(), &window);
    }
    std::string log() {
        std::size_t offset = 0;
        return takeReadLog(job.get(), &offset);
    }
    std::string saved() const { return test::readBytes(out); }

    test::SimulatedPlotter plotter;
    test::TempDir dir;
    std::string out = dir.file("out.dat");
    test::TestWindow window;
    std::unique_ptr<DeviceReadJob> job; // last: its worker ends before the rest goes
};

// The file holds exactly what the receiver keeps: the Series 41 database sentences (not stray
// bytes, other sentences, a sentence that fills the 128-byte buffer before its line feed; an end
// sentence without CR does not end), the Series 6 stream up to the read with the end mark, and
// the Series 5 lines asked one by one (no answer: the same request again 2 seconds later). The
// file is replaced only when the receiver ends.
TEST(DeviceReadJob, EachReceiverSavesWhatItKeepsByteForByte) {
    const std::string fits = "$GPTRK," + std::string(119, 'x') + "\r\n"; // 128 bytes
    const std::string tooLong = "$GPTRK," + std::string(121, 'y');       // 128 without LF
    const std::string lfEnd = "$PFEC,GPxfr,CTL,E\n";
    const std::string stream = "W1,a\r\nW2\r\nW3\n" + std::string(1, '\0') + "\x1A" + "tail\r\n";
    const std::string s5 = "W1\r\nENDDATA\r\n";
    const test::Script noisy{.noise = {{NoiseKind::StrayBytes, 1},
                                       {NoiseKind::ForeignSentence, 2},
                                       {NoiseKind::LongSentence, 3}}};
    // The device, what it sends, its script, what the file keeps, the lines counted.
    const std::tuple<int, std::string, test::Script, std::string, int> cases[] = {
        {kSeries41, kWpl + kRte, noisy, kWpl + kRte + kEnd, 3},
        {kSeries41, "$\r\n" + kWpl + lfEnd, {}, kWpl + lfEnd + kEnd, 3},
        {kSeries41, kRte + fits + tooLong + kRte, {}, kRte + fits + kRte + kEnd, 4},
        {kSeries6, stream, {}, stream, 4}, // the trailer came in the same read
        {kSeries5, s5, {.ignore = {1, 3}}, s5, 2},
    };
    for (const auto& [type, sent, script, kept, lineCount] : cases) {
        Reading reading(type, test::plotter(Role::Send, type, sent, script));
        if (type == kSeries5) {
            ASSERT_TRUE(reading.window.linesCounted(1));
            EXPECT_EQ(reading.saved(), "earlier");
        }
        ASSERT_TRUE(reading.window.waitFinal());
        stopDeviceReadJob(reading.job.get());
        EXPECT_EQ(reading.log(), kStart + "\r\nReading Completed");
        EXPECT_EQ(reading.saved(), kept);
        EXPECT_EQ(reading.window.lines(), lineCount);
        // The plotter's noise went out on the line and none of it was kept.
        EXPECT_EQ(reading.plotter.ended().noiseBytes > 0, !script.noise.empty());
        if (type == kSeries5) { // nothing asked after the end line
            const std::vector<sim::Command>& asked = reading.plotter.ended().commands;
            ASSERT_EQ(asked.size(), 4u);
            EXPECT_EQ(asked[0].text + asked[1].text + asked[2].text + asked[3].text, "++NN");
            EXPECT_GT(asked[1].at - asked[0].at, 1500);
            EXPECT_GT(asked[3].at - asked[2].at, 1500);
        }
    }
}

// Cancel in every phase and unplug in every receiver end the job within a second and keep what
// arrived; only a lost line adds a line, and Series 5 is told to stop.
TEST(DeviceReadJob, CancelAndUnplugEndEveryReceiverWithinASecondAndKeepWhatArrived) {
    std::string stream;
    for (int i = 0; i < 100; ++i) {
        stream += "W" + std::to_string(i) + ",abcdefghijklmnopqrstuvwxyz\r\n";
    }
    const std::string w12 = "W1\r\nW2\r\n";
    // The device, what it sends, its script, what is kept (null: a beginning of what was sent).
    const std::tuple<int, std::string, test::Script, const char*> cases[] = {
        {kSeries41, "", {.silent = true}, ""},
        {kSeries5, "", {.silent = true}, ""},
        {kSeries6, "", {.silent = true}, ""},
        {kSeries41, "", {.garbage = 4096}, ""},
        {kSeries41, kWpl + kRte, {.lineGapMs = 5000}, kWpl.c_str()}, // mid-stream
        {kSeries6, stream, {.lineRate = true}, nullptr},
        {kSeries5, w12, {.ignore = {2}}, "W1\r\n"}, // in the 2-second wait
        {kSeries41, kWpl + kRte, {.unplugAfterBytes = 80}, kWpl.c_str()},
        {kSeries5, w12, {.unplugAfterBytes = 4}, "W1\r\n"},
        {kSeries6, stream, {.unplugAfterBytes = 100}, nullptr},
    };
    for (const auto& [type, sent, script, kept] : cases) {
        const bool unplug = script.unplugAfterBytes >= 0;
        SCOPED_TRACE(std::to_string(type) + " " + sent.substr(0, 8) + (unplug ? " unplug" : ""));
        Reading reading(type, test::plotter(Role::Send, type, sent, script));
        if (unplug) {
            reading.plotter.ended();
            EXPECT_TRUE(reading.window.waitFinal(1s));
        } else {
            ASSERT_TRUE(reading.window.linesCounted(sent.empty() ? 0 : 1));
            std::this_thread::sleep_for(300ms);
            const auto pressed = Clock::now();
            stopDeviceReadJob(reading.job.get());
            EXPECT_LT(Clock::now() - pressed, 1s);
            if (type != kSeries5) { // Series 5 ends when told to stop
                reading.plotter.simulator.stop(SIGTERM);
            }
        }
        stopDeviceReadJob(reading.job.get());
        EXPECT_EQ(reading.log(), kStart + (unplug ? "\r\nErr : COM-port lost" : ""));
        const sim::SimulatorSummary& summary = reading.plotter.ended();
        const std::string saved = reading.saved();
        EXPECT_EQ(kept != nullptr ? std::string(kept) : summary.sent.substr(0, saved.size()),
                  saved);
        EXPECT_EQ(type == kSeries5 && !unplug, summary.received.ends_with(kSeries5Stop));
        EXPECT_EQ(summary.ending == sim::Ending::Unplugged, unplug);
    }
}

TEST(DeviceReadJob, APortOrFileThatCannotBeHadIsReportedAndAnEarlierFileIsKept) {
    const ScopedSerialDevices none({});
    // The port, the output file, the log after the start line.
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"COM3", "",
         "\r\nErr : Unable to open COM-port\r\nNo serial device is connected as COM3; "
         "no serial devices found"},
        {"", "/velmar-missing/a.out",
         "\r\nErr : Open file /velmar-missing/a.out\r\nReading Completed"},
    };
    for (const auto& [port, output, log] : cases) {
        Reading reading(kSeries41, test::plotter(Role::Send, kSeries41, "", {.silent = true}),
                        output, port);
        ASSERT_TRUE(reading.window.waitFinal());
        stopDeviceReadJob(reading.job.get());
        EXPECT_EQ(reading.log(), kStart + log);
        EXPECT_EQ(reading.saved(), "earlier");
    }
}

constexpr int kNoFlow = 2;
constexpr int kXonXoff = 0;

// A write job of files f0, f1, ... to the port it is started on.
struct Writing {
    Writing(int type, const std::vector<std::string>& contents, int flowIndex = kNoFlow) {
        for (std::size_t i = 0; i < contents.size(); ++i) {
            paths.push_back(dir.file("f" + std::to_string(i)));
            test::writeBytes(paths.back(), contents[i]);
        }
        ComSettings settings = settingsFor(type);
        settings.flowIndex = flowIndex;
        EXPECT_EQ(prepareDeviceWriteJob(paths, type, settings, &job), "");
        window.job = job.get();
        window.writeJob = job.get();
    }
    void start(const std::string& port) {
        job->portName = port;
        startDeviceWriteJob(job.get(), &window);
    }
    std::string log() {
        std::size_t offset = 0;
        return takeWriteLog(job.get(), &offset);
    }
    std::string line(const char* text, std::size_t file) { return "\r\n" + (text + paths[file]); }

    test::TempDir dir;
    std::vector<std::string> paths;
    test::TestWindow window;
    std::unique_ptr<DeviceWriteJob> job; // last: its worker ends before the rest goes
};

std::string lines(int count, std::size_t length) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += std::string(length - 2, static_cast<char>('a' + i)) + "\r\n";
    }
    return text;
}

// Waits until the job has configured the device's line, so nothing sent to it is flushed.
bool configured(test::PtyDevice& device, std::uint32_t baud) {
    for (int i = 0; i < 5000 && device.lineSpeed() != baud; ++i) {
        std::this_thread::sleep_for(2ms);
    }
    std::this_thread::sleep_for(20ms); // flow control and the event character follow
    return device.lineSpeed() == baud;
}

// Each sender against a simulated plotter that takes one file: the bytes it records, the line
// count (Series 41: one more, for the prompt) and, for Series 41, never faster than its pauses.
TEST(DeviceWriteJob, EachSenderDeliversTheFileAsStoredWithItsEnd) {
    // The device, the file, what goes on the wire, the lines counted.
    const std::tuple<int, std::string, std::string, int> cases[] = {
        {kSeries41, lines(3, 20), lines(3, 20) + kEnd, 4},
        {kSeries41, "A\r\n" + kEnd, "A\r\n" + kEnd, 3},
        {kSeries41, "A\r\n" + kEnd + "B\r\n", "A\r\n" + kEnd, 3},
        {kSeries5, "L1\r\nL2\r\n", "L1\r\nL2\r\nENDDATA\r\n", 2},
        {kSeries6, "A\r\nB\r\n", "A\r\nB\r\n\x1A", 2},
        {kSeries6, "A\r\n\x1A\r\nB", "A\r\n\x1A\r\n", 2},
    };
    for (const auto& [type, file, wire, lineCount] : cases) {
        test::SimulatedPlotter plotter(test::plotter(Role::Receive, type));
        Writing writing(type, {file});
        writing.start(plotter.port());
        ASSERT_TRUE(writing.window.waitFinal());
        stopDeviceWriteJob(writing.job.get());
        EXPECT_EQ(writing.log(), kStart + writing.line("OK : ", 0) + "\r\nWriting Completed");
        EXPECT_EQ(writing.window.lines(), lineCount);
        const sim::SimulatorSummary& summary = plotter.ended();
        ASSERT_EQ(summary.files.size(), 1u);
        EXPECT_EQ(summary.received, wire); // Series 6 after 0x1A: the rest is not sent
        if (file.size() >= 60) {
            // 4 ms after each byte and 50 ms after each line, from the prompt on.
            EXPECT_GE(summary.files[0].endedAt - summary.commands.front().at, 60 * 4 + 3 * 50);
        }
    }
}

// Exchanges only a scripted device plays: a prompt glued to another byte, and the Series 5
// commands each read as a whole.
TEST(DeviceWriteJob, APromptOrCommandCountsOnlyAsAWholeRead) {
    using Exchange = std::vector<std::pair<std::string, std::string>>; // device sends, job answers
    // The device, what it sends and what the job answers, the lines counted.
    const std::tuple<int, Exchange, int> cases[] = {
        {kSeries41, {{"x>\r\n", ""}, {">\r\n", "L1\r\nL2\r\n" + kEnd}}, 3},
        {kSeries5,
         {{"R\r\n", ""},
          {"+\r\n", "L1\r\n"},
          {"N\r\n", "L2\r\n"},
          {"R\r\n", "L2\r\n"},
          {"N\r\nN\r\n", ""},
          {"+\r\n", "L1\r\n"},
          {"S\r\n", "ENDDATA\r\n"}},
         5},
    };
    for (const auto& [type, exchange, lineCount] : cases) {
        test::PtyDevice device;
        Writing writing(type, {"L1\r\nL2\r\n"});
        writing.start(device.path());
        ASSERT_TRUE(configured(device, type == kSeries5 ? 115200 : 4800));
        for (const auto& [command, answer] : exchange) {
            ASSERT_TRUE(device.send(command));
            EXPECT_EQ(answer.empty() ? device.receiveAvailable(300ms)
                                     : device.receive(answer.size()),
                      answer)
                << command;
        }
        ASSERT_TRUE(writing.window.waitFinal());
        EXPECT_EQ(writing.log(), kStart + writing.line("OK : ", 0) + "\r\nWriting Completed");
        EXPECT_EQ(writing.window.lines(), lineCount);
    }
}

// Between files the window is asked; No ends the list, and a file that cannot be opened is
// reported and the next one offered.
TEST(DeviceWriteJob, TheWindowIsAskedBeforeEachFurtherFile) {
    // The files (empty: one that does not exist), the answers, the files taken, the questions
    // asked, each file's result line (null when it is not written).
    const std::tuple<std::vector<std::string>, std::deque<bool>, std::vector<std::string>,
                     std::vector<std::intptr_t>, std::vector<const char*>>
        cases[] = {
            {{"A\n"}, {}, {"A\n\x1A"}, {}, {"OK : "}},
            {{"A\n", "B\n"}, {true}, {"A\n\x1A", "B\n\x1A"}, {1}, {"OK : ", "OK : "}},
            {{"A\n", "B\n"}, {false}, {"A\n\x1A"}, {1}, {"OK : ", nullptr}},
            {{"", "B\n"}, {true}, {"B\n\x1A"}, {1}, {"Err : Open file ", "OK : "}},
        };
    for (const auto& [files, answers, wanted, asked, results] : cases) {
        test::SimulatedPlotter plotter(
            test::plotter(Role::Receive, kSeries6, "", {.count = static_cast<int>(wanted.size())}));
        Writing writing(kSeries6, files);
        if (files[0].empty()) {
            writing.job->files[0] = writing.dir.file("missing");
        }
        writing.window.answers = answers;
        writing.start(plotter.port());
        ASSERT_TRUE(writing.window.waitFinal());
        stopDeviceWriteJob(writing.job.get());
        std::string log = kStart;
        for (std::size_t i = 0; i < results.size(); ++i) {
            const std::string path = writing.job->files[i];
            log += results[i] != nullptr ? "\r\n" + (results[i] + path) : "";
        }
        EXPECT_EQ(writing.log(), log + "\r\nWriting Completed");
        EXPECT_EQ(writing.window.asked(), asked);
        const sim::SimulatorSummary& summary = plotter.ended();
        std::vector<std::string> taken;
        for (const sim::ReceivedFile& file : summary.files) {
            taken.push_back(file.bytes);
        }
        EXPECT_EQ(taken, wanted);
    }
}

// Cancel and unplug in every phase end the job within a second; a cancelled file reads ABORT,
// a lost line adds "Err : COM-port lost" and offers no further file.
TEST(DeviceWriteJob, CancelAndUnplugEndEveryPhaseWithinASecond) {
    const std::string held(256 * 1024, 'x');
    const test::Script silent{.silent = true},
        silentUnplugged{.silent = true, .unplugAfterSeconds = 0.3};
    // The phase, the device, the first of two files, the script, unplug (or cancel), the first
    // file's line (null for none).
    const std::tuple<const char*, int, std::string, test::Script, bool, const char*> cases[] = {
        {"prompt", kSeries41, "A\r\n", silent, false, nullptr},
        {"prompt", kSeries41, "A\r\n", silentUnplugged, true, "ABORT : "},
        {"paced line", kSeries41, lines(20, 30), {}, false, "ABORT : "},
        {"paced line", kSeries41, lines(20, 30), {.unplugAfterBytes = 40}, true, "ABORT : "},
        {"command", kSeries5, "A\r\n", silent, false, "ABORT : "},
        {"command", kSeries5, "A\r\n", silentUnplugged, true, "ABORT : "},
        {"held", kSeries6, held, {}, false, "ABORT : "}, // a pseudo-terminal sends XOFF
        {"held", kSeries6, held, {}, true, "ABORT : "},
        {"answer", kSeries6, "A\r\n", {}, false, "OK : "},
    };
    for (const auto& [phaseName, type, file, script, unplug, line] : cases) {
        SCOPED_TRACE(std::string(phaseName) + (unplug ? " unplug" : " cancel"));
        const std::string phase = phaseName;
        std::optional<test::SimulatedPlotter> plotter;
        std::optional<test::PtyDevice> device;
        phase == "held" ? (void)device.emplace()
                        : (void)plotter.emplace(test::plotter(Role::Receive, type, "", script));
        Writing writing(type, {file, "B\r\n"}, device ? kXonXoff : kNoFlow);
        writing.window.answers = {true};
        if (phase == "answer") {
            writing.window.writeJob = nullptr; // nobody answers
        }
        writing.start(plotter ? plotter->port() : device->path());
        if (device) {
            ASSERT_TRUE(configured(*device, 4800));
            ASSERT_TRUE(device->send("\x13")); // XOFF: nothing more goes out
        }
        ASSERT_TRUE(phase == "answer" ? writing.window.wasAsked()
                                      : writing.window.linesCounted(phase == "paced line" ? 2 : 0));
        std::this_thread::sleep_for(200ms);
        const auto pressed = Clock::now();
        if (unplug) {
            device ? device->unplug() : (void)plotter->ended();
            EXPECT_TRUE(writing.window.waitFinal(1s));
        } else {
            stopDeviceWriteJob(writing.job.get());
            EXPECT_LT(Clock::now() - pressed, 1s);
        }
        stopDeviceWriteJob(writing.job.get());
        const std::string first = line != nullptr ? writing.line(line, 0) : "";
        EXPECT_EQ(writing.log(), kStart + first + (unplug ? "\r\nErr : COM-port lost" : ""));
        EXPECT_EQ(writing.window.asked().size(), phase == "answer" ? 1u : 0u);
        if (plotter && !unplug) {
            plotter->simulator.stop(SIGTERM);
        }
    }
}

} // namespace
} // namespace velmar
