#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <random>
#include <string>

#include "PtyDevice.h"
#include "TestSupport.h"
#include "TestWindow.h"
#include "serial/DeviceReadJob.h"
#include "serial/PortNames.h"

namespace velmar {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const std::string kWpl = "$PFEC,GPwpl,3512.345,N,13945.678,E,HOME  ,,@qMARINA          ,A,,,,\r\n";
const std::string kRte = "$GPRTE,1,1,C,01, HOME  \r\n";
const std::string kEnd = kSeries41EndSentence;
const std::string kStart = kTransferStartText;

ComSettings settingsFor(int type) {
    ComSettings settings;
    defaultComSettings(&settings, type);
    return settings;
}

// A read job of one device type on a pseudo-terminal device, saving to out.dat.
struct Reading {
    explicit Reading(int type, std::string output = {}) : type(type) {
        const std::string path = output.empty() ? out : output;
        EXPECT_EQ(prepareDeviceReadJob(" " + path + " ", type, settingsFor(type), &job), "");
        job->portName = device.path();
        window.job = job.get();
    }
    ~Reading() {
        if (receiver.valid() && receiver.wait_for(0s) != std::future_status::ready) {
            job->stopEvent.set(); // a receiver that did not end must not hang the program
        }
    }
    // The whole job, as the Reading window runs it.
    void start() { startDeviceReadJob(job.get(), &window); }
    // The receiver alone on a port opened here, so nothing the device sends is purged.
    void startReceiver() {
        job->progressWindow = &window;
        ASSERT_EQ(openConfiguredPort(&port, device.path().c_str(), &job->settings, true),
                  kPortReady);
        receiver = std::async(std::launch::async, [this] {
            return type == kDeviceSeries41  ? receiveSeries41(job.get(), &port)
                   : type == kDeviceSeries5 ? receiveSeries5(job.get(), &port)
                                            : receiveSeries6(job.get(), &port);
        });
    }
    bool receiverEndsWithin(std::chrono::milliseconds limit) {
        return receiver.wait_for(limit) == std::future_status::ready && receiver.get() == 0;
    }
    // Waits until `count` lines were counted.
    bool linesCounted(int count) {
        const auto deadline = Clock::now() + 10s;
        while (window.lines() < count && Clock::now() < deadline) {
            std::this_thread::sleep_for(5ms);
        }
        return window.lines() >= count;
    }
    std::string log() {
        std::size_t offset = 0;
        return takeReadLog(job.get(), &offset);
    }
    std::string saved() const { return test::readBytes(out); }

    int type;
    test::PtyDevice device;
    test::TempDir dir;
    std::string out = dir.file("out.dat");
    test::TestWindow window;
    SerialPort port;
    std::unique_ptr<DeviceReadJob> job;
    std::future<int> receiver; // last: it is waited for before the rest goes
};

std::string garbage(std::size_t count) {
    std::mt19937 random(7);
    std::string bytes(count, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(random() & 0xFF);
    }
    return bytes;
}

TEST(DeviceReadJob, TheReadButtonChecksComeInTheirOrder) {
    std::unique_ptr<DeviceReadJob> job;
    const ComSettings settings = settingsFor(kDeviceSeries41);
    EXPECT_EQ(prepareDeviceReadJob(" \t ", kDeviceSeries77, settings, &job), kNoReadFileMessage);
    for (const int type : {kDeviceSeries66, kDeviceSeries77, kDeviceHub}) {
        EXPECT_EQ(prepareDeviceReadJob("a.out", type, settings, &job), kNoTransferSupportMessage);
        EXPECT_EQ(job, nullptr);
    }
    ASSERT_EQ(prepareDeviceReadJob("  a.out ", kDeviceSeries6, settings, &job), "");
    EXPECT_EQ(job->outputPath, "a.out");
    EXPECT_EQ(job->deviceType, kDeviceSeries6);
    EXPECT_TRUE(job->stopEvent && !job->stopEvent.isSet());
}

TEST(DeviceReadJob, Series41KeepsOnlyTheDatabaseSentencesByteForByte) {
    const std::string fits = "$GPTRK," + std::string(119, 'x') + "\r\n"; // 128 bytes
    const std::string tooLong = "$GPTRK," + std::string(121, 'y');       // 128 without LF
    const std::string lfEnd = "$PFEC,GPxfr,CTL,E\n";
    const struct {
        std::string stream, kept;
        int lines;
    } cases[] = {
        {"\xA5\x5A$\r\n$GPGGA,092750.000,5321.6802,N,*76\r\n" + kWpl + kEnd, kWpl + kEnd, 2},
        {kWpl + lfEnd + kEnd, kWpl + lfEnd + kEnd, 3},
        {"$PFEC,GPwpl," + std::string(300, '9') + kRte + fits + tooLong + kRte + kEnd,
         kRte + fits + kRte + kEnd, 4},
        {garbage(4096) + "\n" + kEnd + kWpl, kEnd, 1},
    };
    for (const auto& c : cases) {
        Reading reading(kDeviceSeries41);
        reading.startReceiver();
        ASSERT_TRUE(reading.device.send(c.stream));
        ASSERT_TRUE(reading.receiverEndsWithin(10s));
        EXPECT_EQ(reading.saved(), c.kept);
        EXPECT_EQ(reading.window.lines(), c.lines);
        EXPECT_EQ(reading.log(), "");
    }
}

TEST(DeviceReadJob, Series6SavesTheStreamUpToTheReadWithTheEndMarkAndCountsEveryLine) {
    Reading reading(kDeviceSeries6);
    reading.startReceiver();
    const std::string stream = "W1,a\r\nW2,b\r\nW3\n" + std::string(1, '\0') + "\x1A" + "tail\r\n";
    ASSERT_TRUE(reading.device.send(stream));
    ASSERT_TRUE(reading.receiverEndsWithin(10s));
    EXPECT_EQ(reading.saved(), stream); // the trailer came in the same read
    EXPECT_EQ(reading.window.lines(), 4);
}

// Cancel and unplug in every receiver, before the first byte and mid-stream: each ends within
// a second, keeps what arrived, and only a lost line gets a line of its own.
TEST(DeviceReadJob, CancelAndUnplugEndEveryReceiverAtOnceAndKeepWhatArrived) {
    const struct {
        int type;
        std::string arrived; // before the cancel or unplug
    } cases[] = {{kDeviceSeries41, ""}, {kDeviceSeries41, kWpl + "$PFEC,GPwpl,12"},
                 {kDeviceSeries6, ""},  {kDeviceSeries6, "W1\r\nW2"},
                 {kDeviceSeries5, ""},  {kDeviceSeries5, "W1\r\n"}};
    for (const auto& c : cases) {
        for (const bool unplug : {false, true}) {
            SCOPED_TRACE(std::to_string(c.type) + (unplug ? " unplug" : " cancel") + c.arrived);
            Reading reading(c.type);
            reading.startReceiver();
            if (c.type == kDeviceSeries5) {
                ASSERT_TRUE(reading.device.expect(kSeries5Start));
            }
            ASSERT_TRUE(reading.device.send(c.arrived));
            ASSERT_TRUE(reading.linesCounted(c.arrived.empty() ? 0 : 1));
            if (c.type == kDeviceSeries5 && !c.arrived.empty()) {
                ASSERT_TRUE(reading.device.expect(kSeries5Next)); // now in the 2-second wait
            }
            std::this_thread::sleep_for(50ms);
            if (unplug) {
                reading.device.unplug();
            } else {
                reading.job->stopEvent.set();
            }
            EXPECT_TRUE(reading.receiverEndsWithin(1s));
            EXPECT_EQ(reading.saved(),
                      c.type == kDeviceSeries41 ? c.arrived.substr(0, kWpl.size()) : c.arrived);
            EXPECT_EQ(reading.log(), unplug ? "\r\nErr : COM-port lost" : "");
            if (!unplug && c.type == kDeviceSeries5) {
                EXPECT_TRUE(reading.device.expect(kSeries5Stop));
            }
        }
    }
}

TEST(DeviceReadJob, Series5AsksLineByLineRepeatsAfterTwoSecondsAndReplacesTheFileAtTheEnd) {
    Reading reading(kDeviceSeries5);
    test::writeBytes(reading.out, "earlier");
    reading.start();
    ASSERT_TRUE(reading.device.expect(kSeries5Start));
    // No answer: the start again, after a purge, 2 seconds later.
    auto asked = Clock::now();
    ASSERT_TRUE(reading.device.expect(kSeries5Start));
    EXPECT_GT(Clock::now() - asked, 1500ms);
    ASSERT_TRUE(reading.device.send("W1\r\n"));
    ASSERT_TRUE(reading.device.expect(kSeries5Next));
    asked = Clock::now();
    ASSERT_TRUE(reading.device.expect(kSeries5Next));
    EXPECT_GT(Clock::now() - asked, 1500ms);
    EXPECT_EQ(reading.saved(), "earlier"); // replaced only when the receiver ends
    ASSERT_TRUE(reading.device.send(kSeries5EndLine));
    ASSERT_TRUE(reading.window.waitFinal());
    EXPECT_EQ(reading.device.receiveAvailable(300ms), ""); // nothing after the end line
    stopDeviceReadJob(reading.job.get());
    EXPECT_EQ(reading.log(), kStart + "\r\nReading Completed");
    EXPECT_EQ(reading.saved(), "W1\r\nENDDATA\r\n");
    EXPECT_EQ(reading.window.lines(), 2);
}

TEST(DeviceReadJob, CancelBeforeTheFirstByteEndsEveryJobWithinASecondWithoutCompletion) {
    for (const int type : {kDeviceSeries41, kDeviceSeries5, kDeviceSeries6}) {
        Reading reading(type);
        reading.start();
        if (type == kDeviceSeries5) {
            ASSERT_TRUE(reading.device.expect(kSeries5Start));
        } else {
            std::this_thread::sleep_for(200ms);
        }
        const auto pressed = Clock::now();
        stopDeviceReadJob(reading.job.get());
        EXPECT_LT(Clock::now() - pressed, 1s);
        EXPECT_EQ(reading.log(), kStart);
        if (type == kDeviceSeries5) {
            EXPECT_TRUE(reading.device.expect(kSeries5Stop));
        }
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
        Reading reading(kDeviceSeries41, c.output);
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
