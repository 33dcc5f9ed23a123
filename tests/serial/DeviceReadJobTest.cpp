#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <string>
#include <thread>

#include "SimulatedPlotter.h"
#include "TestSupport.h"
#include "TestWindow.h"
#include "serial/DeviceReadJob.h"
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
const std::string kStart = kTransferStartText;

ComSettings settingsFor(int type) {
    ComSettings settings;
    defaultComSettings(&settings, type);
    return settings;
}

// A read job from a simulated plotter into out.dat (or `output`).
struct Reading {
    Reading(int type, const sim::SimulatorOptions& options, const std::string& output = "")
        : plotter(options) {
        EXPECT_EQ(prepareDeviceReadJob(" " + (output.empty() ? out : output) + " ", type,
                                       settingsFor(type), &job),
                  "");
        job->portName = plotter.port();
        window.job = job.get();
    }
    void start() { startDeviceReadJob(job.get(), &window); }
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

TEST(DeviceReadJob, TheReadButtonChecksComeInTheirOrder) {
    std::unique_ptr<DeviceReadJob> job;
    const ComSettings settings = settingsFor(kDeviceSeries41);
    EXPECT_EQ(prepareDeviceReadJob(" \t ", kDeviceSeries77, settings, &job), kNoReadFileMessage);
    EXPECT_EQ(prepareDeviceReadJob("a.out", kDeviceHub, settings, &job), kNoTransferSupportMessage);
    EXPECT_EQ(job, nullptr);
    ASSERT_EQ(prepareDeviceReadJob("  a.out ", kDeviceSeries6, settings, &job), "");
    EXPECT_EQ(job->outputPath, "a.out");
    EXPECT_EQ(job->deviceType, kDeviceSeries6);
    EXPECT_TRUE(job->stopEvent && !job->stopEvent.isSet());
}

// The file holds exactly what the receiver keeps: the Series 41 database sentences (not stray
// bytes, other sentences, a sentence that fills the 128-byte buffer before its line feed; an end
// sentence without CR does not end), the Series 6 stream up to the read with the end mark.
TEST(DeviceReadJob, EachReceiverSavesWhatItKeepsByteForByte) {
    const std::string fits = "$GPTRK," + std::string(119, 'x') + "\r\n"; // 128 bytes
    const std::string tooLong = "$GPTRK," + std::string(121, 'y');       // 128 without LF
    const std::string lfEnd = "$PFEC,GPxfr,CTL,E\n";
    const std::string stream = "W1,a\r\nW2\r\nW3\n" + std::string(1, '\0') + "\x1A" + "tail\r\n";
    const struct {
        int type;
        std::string sent;
        std::vector<sim::Noise> noise;
        std::string kept;
        int lines;
    } cases[] = {
        {kDeviceSeries41,
         kWpl + kRte,
         {{NoiseKind::StrayBytes, 1},
          {NoiseKind::ForeignSentence, 2},
          {NoiseKind::LongSentence, 3}},
         kWpl + kRte + kEnd,
         3},
        {kDeviceSeries41, "$\r\n" + kWpl + lfEnd, {}, kWpl + lfEnd + kEnd, 3},
        {kDeviceSeries41, kRte + fits + tooLong + kRte, {}, kRte + fits + kRte + kEnd, 4},
        {kDeviceSeries6, stream, {}, stream, 4}, // the trailer came in the same read
    };
    for (const auto& c : cases) {
        sim::SimulatorOptions options = test::plotter(Role::Send, c.type, c.sent);
        options.noise = c.noise;
        Reading reading(c.type, options);
        reading.start();
        ASSERT_TRUE(reading.window.waitFinal());
        EXPECT_EQ(reading.log(), kStart + "\r\nReading Completed");
        EXPECT_EQ(reading.saved(), c.kept);
        EXPECT_EQ(reading.window.lines(), c.lines);
    }
}

TEST(DeviceReadJob, Series5AsksLineByLineRepeatsAfterTwoSecondsAndReplacesTheFileAtTheEnd) {
    Reading reading(kDeviceSeries5, test::plotter(Role::Send, kDeviceSeries5, "W1\r\nENDDATA\r\n",
                                                  {.ignore = {1, 3}}));
    test::writeBytes(reading.out, "earlier");
    reading.start();
    ASSERT_TRUE(reading.window.linesCounted(1));
    EXPECT_EQ(reading.saved(), "earlier"); // replaced only when the receiver ends
    ASSERT_TRUE(reading.window.waitFinal());
    stopDeviceReadJob(reading.job.get());
    EXPECT_EQ(reading.log(), kStart + "\r\nReading Completed");
    EXPECT_EQ(reading.saved(), "W1\r\nENDDATA\r\n");
    EXPECT_EQ(reading.window.lines(), 2);
    const sim::SimulatorSummary& summary = reading.plotter.ended();
    // No answer: the same request again 2 seconds later; nothing after the end line.
    std::string requests;
    for (const sim::Command& command : summary.commands) {
        requests += command.text;
    }
    ASSERT_EQ(requests, "++NN");
    EXPECT_GT(summary.commands[1].at - summary.commands[0].at, 1500);
    EXPECT_GT(summary.commands[3].at - summary.commands[2].at, 1500);
}

// Cancel in every phase and unplug in every receiver end the job within a second and keep what
// arrived; only a lost line adds a line, and Series 5 is told to stop.
TEST(DeviceReadJob, CancelAndUnplugEndEveryReceiverWithinASecondAndKeepWhatArrived) {
    std::string stream;
    for (int i = 0; i < 100; ++i) {
        stream += "W" + std::to_string(i) + ",abcdefghijklmnopqrstuvwxyz\r\n";
    }
    const std::string w12 = "W1\r\nW2\r\n";
    const struct {
        int type;
        std::string sent;
        test::Script script;
        const char* kept; // null: a beginning of what the plotter sent
    } cases[] = {
        {kDeviceSeries41, "", {.silent = true}, ""},
        {kDeviceSeries5, "", {.silent = true}, ""},
        {kDeviceSeries6, "", {.silent = true}, ""},
        {kDeviceSeries41, "", {.garbage = 4096}, ""},
        {kDeviceSeries41, kWpl + kRte, {.lineGapMs = 5000}, kWpl.c_str()}, // mid-stream
        {kDeviceSeries6, stream, {.lineRate = true}, nullptr},
        {kDeviceSeries5, w12, {.ignore = {2}}, "W1\r\n"}, // in the 2-second wait
        {kDeviceSeries41, kWpl + kRte, {.unplugAfterBytes = 80}, kWpl.c_str()},
        {kDeviceSeries5, w12, {.unplugAfterBytes = 4}, "W1\r\n"},
        {kDeviceSeries6, stream, {.unplugAfterBytes = 100}, nullptr},
    };
    for (const auto& c : cases) {
        const bool unplug = c.script.unplugAfterBytes >= 0;
        SCOPED_TRACE(std::to_string(c.type) + " " + c.sent.substr(0, 8) +
                     (unplug ? " unplug" : ""));
        Reading reading(c.type, test::plotter(Role::Send, c.type, c.sent, c.script));
        reading.start();
        if (unplug) {
            reading.plotter.ended();
            EXPECT_TRUE(reading.window.waitFinal(1s));
        } else {
            ASSERT_TRUE(reading.window.linesCounted(c.sent.empty() ? 0 : 1));
            std::this_thread::sleep_for(300ms);
            const auto pressed = Clock::now();
            stopDeviceReadJob(reading.job.get());
            EXPECT_LT(Clock::now() - pressed, 1s);
            if (c.type != kDeviceSeries5) { // Series 5 ends when told to stop
                reading.plotter.simulator.stop(SIGTERM);
            }
        }
        stopDeviceReadJob(reading.job.get());
        EXPECT_EQ(reading.log(), kStart + (unplug ? "\r\nErr : COM-port lost" : ""));
        const sim::SimulatorSummary& summary = reading.plotter.ended();
        const std::string saved = reading.saved();
        EXPECT_EQ(c.kept != nullptr ? std::string(c.kept) : summary.sent.substr(0, saved.size()),
                  saved);
        EXPECT_EQ(c.type == kDeviceSeries5 && !unplug, summary.received.ends_with(kSeries5Stop));
    }
}

TEST(DeviceReadJob, APortOrFileThatCannotBeHadIsReportedAndAnEarlierFileIsKept) {
    const ScopedSerialDevices none({});
    const struct {
        std::string port, output, log;
    } cases[] = {
        {"COM3", "",
         "\r\nErr : Unable to open COM-port\r\nNo serial device is connected as COM3; "
         "no serial devices found"},
        {"/dev/velmar-missing", "",
         "\r\nErr : Unable to open COM-port\r\nNo serial device is connected as "
         "/dev/velmar-missing; no serial devices found"},
        {"", "/velmar-missing/a.out",
         "\r\nErr : Open file /velmar-missing/a.out\r\nReading Completed"},
    };
    for (const auto& c : cases) {
        Reading reading(kDeviceSeries41,
                        test::plotter(Role::Send, kDeviceSeries41, "", {.silent = true}), c.output);
        test::writeBytes(reading.out, "earlier");
        if (!c.port.empty()) {
            reading.job->portName = c.port;
        }
        reading.start();
        ASSERT_TRUE(reading.window.waitFinal());
        stopDeviceReadJob(reading.job.get());
        EXPECT_EQ(reading.log(), kStart + c.log);
        EXPECT_EQ(reading.saved(), "earlier");
    }
}

} // namespace
} // namespace velmar
