#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "PtyDevice.h"
#include "TestSupport.h"
#include "TestWindow.h"
#include "serial/DeviceWriteJob.h"

namespace velmar {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const std::string kEnd = kSeries41EndSentence;
const std::string kStart = kTransferStartText;
constexpr int kXonXoff = 0;

// A write job of one device type on a pseudo-terminal device, with its files f0, f1, ...
struct Writing {
    Writing(int type, const std::vector<std::string>& contents, int flowIndex = 2) {
        for (std::size_t i = 0; i < contents.size(); ++i) {
            paths.push_back(dir.file("f" + std::to_string(i)));
            test::writeBytes(paths.back(), contents[i]);
        }
        ComSettings settings;
        defaultComSettings(&settings, type);
        settings.flowIndex = flowIndex;
        EXPECT_EQ(prepareDeviceWriteJob(paths, type, settings, &job), "");
        job->portName = device.path();
        window.job = job.get();
        window.writeJob = job.get();
    }
    void start() { startDeviceWriteJob(job.get(), &window); }
    // Waits until the job has configured its port, so nothing the device sends is flushed.
    bool portReady() {
        const std::uint32_t baud = kBaudRates[static_cast<std::size_t>(job->settings.baudIndex)];
        const auto deadline = Clock::now() + 10s;
        while (device.lineSpeed() != baud && Clock::now() < deadline) {
            std::this_thread::sleep_for(2ms);
        }
        std::this_thread::sleep_for(20ms); // flow control and the event character follow
        return device.lineSpeed() == baud;
    }
    std::string log() {
        std::size_t offset = 0;
        return takeWriteLog(job.get(), &offset);
    }
    std::string line(const char* text, std::size_t file) { return "\r\n" + (text + paths[file]); }

    test::PtyDevice device;
    test::TempDir dir;
    std::vector<std::string> paths;
    test::TestWindow window;
    std::unique_ptr<DeviceWriteJob> job;
};

std::string lines(int count, std::size_t length) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += std::string(length - 2, static_cast<char>('a' + i)) + "\r\n";
    }
    return text;
}

TEST(DeviceWriteJob, TheWriteButtonChecksComeInTheirOrder) {
    std::unique_ptr<DeviceWriteJob> job;
    ComSettings settings;
    EXPECT_EQ(prepareDeviceWriteJob({}, kDeviceHub, settings, &job), kNoWriteFilesMessage);
    EXPECT_EQ(prepareDeviceWriteJob({"a"}, kDeviceSeries66, settings, &job),
              kNoTransferSupportMessage);
    ASSERT_EQ(prepareDeviceWriteJob({"a", "b c"}, kDeviceSeries5, settings, &job), "");
    EXPECT_EQ(job->fileCount, 2);
    EXPECT_TRUE(job->continueEvent && job->stopEvent && job->continueAnswer == 0);
    EXPECT_EQ(continueQuestion(*job, 1), "Continue to write b c.\nAre you sure?");
}

TEST(DeviceWriteJob, Series41WaitsForACleanPromptThenPacesTheFileAndEndsItOnce) {
    const struct {
        std::string file, wire;
        int lines;
    } cases[] = {
        {lines(3, 20), lines(3, 20) + kEnd, 4},
        {"A\r\n" + kEnd, "A\r\n" + kEnd, 3},
        {"A\r\n" + kEnd + "B\r\n", "A\r\n" + kEnd, 3},
    };
    for (const auto& c : cases) {
        Writing writing(kDeviceSeries41, {c.file});
        writing.start();
        ASSERT_TRUE(writing.portReady());
        ASSERT_TRUE(writing.device.send("x>\r\n")); // glued to another byte: not a prompt
        EXPECT_EQ(writing.device.receiveAvailable(300ms), "");
        const auto prompted = Clock::now();
        ASSERT_TRUE(writing.device.send(kSeries41Prompt));
        EXPECT_EQ(writing.device.receive(c.wire.size()), c.wire);
        // Never faster than the pauses: 4 ms after each byte, 50 ms after each line.
        const auto paced = (c.file.size() >= 60 ? 60 * kByteGap + 3 * kLineGap : 0ms);
        EXPECT_GE(Clock::now() - prompted, paced);
        ASSERT_TRUE(writing.window.waitFinal());
        EXPECT_EQ(writing.device.receiveAvailable(200ms), "");
        EXPECT_EQ(writing.log(), kStart + writing.line("OK : ", 0) + "\r\nWriting Completed");
        EXPECT_EQ(writing.window.lines(), c.lines);
    }
}

TEST(DeviceWriteJob, Series5AnswersEachCommandReadAsAWhole) {
    using Exchange = std::vector<std::pair<std::string, std::string>>; // command, answer
    const struct {
        Exchange exchange;
        int lines;
    } cases[] = {
        {{{"R\r\n", ""},
          {"+\r\n", "L1\r\n"},
          {"N\r\n", "L2\r\n"},
          {"R\r\n", "L2\r\n"},
          {"N\r\nN\r\n", ""},
          {"+\r\n", "L1\r\n"},
          {"N\r\n", "L2\r\n"},
          {"N\r\n", "ENDDATA\r\n"}},
         5},
        {{{"+\r\n", "L1\r\n"}, {"S\r\n", "ENDDATA\r\n"}}, 2},
    };
    for (const auto& c : cases) {
        Writing writing(kDeviceSeries5, {"L1\r\nL2\r\n"});
        writing.start();
        ASSERT_TRUE(writing.portReady());
        for (const auto& [command, answer] : c.exchange) {
            ASSERT_TRUE(writing.device.send(command));
            EXPECT_EQ(answer.empty() ? writing.device.receiveAvailable(300ms)
                                     : writing.device.receive(answer.size()),
                      answer)
                << command;
        }
        ASSERT_TRUE(writing.window.waitFinal());
        EXPECT_EQ(writing.log(), kStart + writing.line("OK : ", 0) + "\r\nWriting Completed");
        EXPECT_EQ(writing.window.lines(), c.lines);
    }
}

// Series 6 streams the lines and adds the end mark unless a line starts with it. Between files
// the window is asked; No ends the list, and a file that cannot be opened is reported.
TEST(DeviceWriteJob, Series6StreamsEachFileAndAsksBeforeTheNext) {
    const struct {
        std::vector<std::string> files;
        std::deque<bool> answers;
        std::string wire;
        std::vector<std::intptr_t> asked;
        std::vector<const char*> results; // per file, null when it is not written
    } cases[] = {
        {{"A\r\nB\r\n"}, {}, "A\r\nB\r\n\x1A", {}, {"OK : "}},
        {{"A\r\n\x1A\r\nB"}, {}, "A\r\n\x1A\r\n", {}, {"OK : "}},
        {{"A\n", "B\n"},
         {true},
         "A\n\x1A"
         "B\n\x1A",
         {1},
         {"OK : ", "OK : "}},
        {{"A\n", "B\n"}, {false}, "A\n\x1A", {1}, {"OK : ", nullptr}},
        {{"", "B\n"}, {true}, "B\n\x1A", {1}, {"Err : Open file ", "OK : "}},
    };
    for (const auto& c : cases) {
        Writing writing(kDeviceSeries6, c.files);
        if (c.files[0].empty()) {
            writing.paths[0] = writing.dir.file("missing");
        }
        writing.job->files = writing.paths;
        writing.window.answers = c.answers;
        writing.start();
        ASSERT_TRUE(writing.window.waitFinal());
        EXPECT_EQ(writing.device.receiveAvailable(200ms), c.wire);
        std::string log = kStart;
        for (std::size_t i = 0; i < c.results.size(); ++i) {
            log += c.results[i] != nullptr ? writing.line(c.results[i], i) : "";
        }
        EXPECT_EQ(writing.log(), log + "\r\nWriting Completed");
        EXPECT_EQ(writing.window.asked(), c.asked);
    }
}

// Cancel and unplug in every phase end the job within a second; a cancelled file reads ABORT,
// a lost line adds "Err : COM-port lost" and offers no further file.
TEST(DeviceWriteJob, CancelAndUnplugEndEveryPhaseWithinASecond) {
    const std::string big(256 * 1024, 'x');
    const struct {
        const char* phase;
        int type;
        std::vector<std::string> files;
        int flowIndex;
        std::function<void(Writing&)> reach;
        const char* cancelled; // the first file's line after a cancel, null for none
    } cases[] = {
        {"prompt", kDeviceSeries41, {"A\r\n", "B\r\n"}, 2, [](Writing&) {}, nullptr},
        {"paced line",
         kDeviceSeries41,
         {lines(20, 30), "B\r\n"},
         2,
         [](Writing& w) {
             ASSERT_TRUE(w.device.send(kSeries41Prompt));
             ASSERT_EQ(w.device.receive(10).size(), 10u);
         },
         "ABORT : "},
        {"command", kDeviceSeries5, {"A\r\n", "B\r\n"}, 2, [](Writing&) {}, "ABORT : "},
        {"held",
         kDeviceSeries6,
         {big, "B\r\n"},
         kXonXoff,
         [](Writing& w) { ASSERT_TRUE(w.device.send("\x13")); }, // XOFF
         "ABORT : "},
        {"answer",
         kDeviceSeries6,
         {"A\r\n", "B\r\n"},
         2,
         [](Writing& w) {
             for (int i = 0; i < 1000 && w.window.asked().empty(); ++i) {
                 std::this_thread::sleep_for(10ms);
             }
             ASSERT_EQ(w.window.asked().size(), 1u);
         },
         "OK : "},
    };
    for (const auto& c : cases) {
        for (const bool unplug : {false, true}) {
            if (unplug && std::string(c.phase) == "answer") {
                continue; // nothing is on the line while the window is asked
            }
            SCOPED_TRACE(std::string(c.phase) + (unplug ? " unplug" : " cancel"));
            const bool answerPhase = std::string(c.phase) == "answer";
            Writing writing(c.type, c.files, c.flowIndex);
            writing.window.answers = {true};
            if (answerPhase) {
                writing.window.writeJob = nullptr; // nobody answers
            }
            writing.start();
            ASSERT_TRUE(writing.portReady());
            c.reach(writing);
            std::this_thread::sleep_for(100ms);
            const auto pressed = Clock::now();
            if (unplug) {
                writing.device.unplug();
                EXPECT_TRUE(writing.window.waitFinal(1s));
            }
            stopDeviceWriteJob(writing.job.get());
            EXPECT_LT(Clock::now() - pressed, 1s);
            const std::string first =
                unplug ? writing.line("ABORT : ", 0) + "\r\nErr : COM-port lost"
                       : (c.cancelled != nullptr ? writing.line(c.cancelled, 0) : "");
            EXPECT_EQ(writing.log(), kStart + first);
            EXPECT_EQ(writing.window.asked().size(), answerPhase ? 1u : 0u);
        }
    }
}

} // namespace
} // namespace velmar
