#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <sys/resource.h>
#include <thread>

#include "PtyDevice.h"
#include "serial/ComSettings.h"
#include "serial/PortDevice.h"
#include "serial/PortNames.h"
#include "serial/SerialPort.h"

namespace velmar {
namespace {

using namespace std::chrono_literals;
using test::PtyDevice;

constexpr std::uint32_t kLongWaitMs = 10000; // generous: a loaded machine is slow, not broken

// A port opened for overlapped I/O the way the transfers open it: line feed as event character.
class ConfiguredPort : public ::testing::Test {
  protected:
    void SetUp() override {
        ComSettings settings;
        defaultComSettings(&settings, kDeviceSeries41);
        ASSERT_EQ(openConfiguredPort(&port, &settings, true), kPortReady);
        ASSERT_EQ(port.eventMask(), 0xC3u);
        ASSERT_EQ(port.eventCharacter(), '\n');
        event = Overlapped{ManualResetEvent::create()};
    }

    PtyDevice device;
    ScopedSerialDevices devices{{device.path()}};
    SerialPort port;
    Overlapped event;
};

// The CPU time this process has used so far.
std::chrono::microseconds cpuTime() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto toMicro = [](const timeval& t) {
        return std::chrono::seconds(t.tv_sec) + std::chrono::microseconds(t.tv_usec);
    };
    return toMicro(usage.ru_utime) + toMicro(usage.ru_stime);
}

TEST_F(ConfiguredPort, ALineFeedFiresRxFlagAndSignalsTheCallersEvent) {
    event.event.set(); // left over from an earlier turn: the wait resets it
    ASSERT_EQ(port.waitForEvent(&event, INFINITE), ERROR_SUCCESS); // pending
    EXPECT_FALSE(event.event.isSet());
    ASSERT_TRUE(device.send("$PFEC,GPwpl\r\n"));
    ASSERT_EQ(event.event.wait(kLongWaitMs), WAIT_OBJECT_0);
    EXPECT_EQ(port.takeEventTypes(), EV_RXCHAR | EV_RXFLAG);
    EXPECT_EQ(port.takeEventTypes(), 0u);
    char buffer[512];
    std::uint32_t got = 0;
    ASSERT_EQ(port.read(buffer, 511, &got, nullptr, INFINITE), ERROR_SUCCESS);
    EXPECT_EQ(std::string(buffer, got), "$PFEC,GPwpl\r\n");
}

TEST_F(ConfiguredPort, BytesWithoutALineFeedFireOnlyRxChar) {
    ASSERT_EQ(port.waitForEvent(&event, INFINITE), ERROR_SUCCESS);
    ASSERT_TRUE(device.send("no line end"));
    ASSERT_EQ(event.event.wait(kLongWaitMs), WAIT_OBJECT_0);
    EXPECT_EQ(port.takeEventTypes(), EV_RXCHAR);
}

TEST_F(ConfiguredPort, EventsBeforeTheWaitAreNotLostAndCompleteItAtOnce) {
    ASSERT_TRUE(device.send("early\n"));
    // Once the reader has queued the bytes, the caller's wait starts.
    for (int i = 0; i < 10000 && port.handle->queuedBytes() < 6; ++i) {
        std::this_thread::sleep_for(1ms);
    }
    ASSERT_EQ(port.handle->queuedBytes(), 6u);
    event.event.set(); // the wait resets it first
    ASSERT_EQ(port.waitForEvent(&event, INFINITE), ERROR_SUCCESS);
    EXPECT_TRUE(event.event.isSet()) << "completed at once";
    EXPECT_EQ(port.takeEventTypes(), EV_RXCHAR | EV_RXFLAG);
    // Nothing is left over for the next wait.
    EXPECT_EQ(port.waitForEvent(nullptr, 30), ERROR_TIMEOUT);
}

TEST_F(ConfiguredPort, TakeEventTypesMasksTheFiredBitsWithTheMonitoredOnes) {
    ASSERT_EQ(port.waitForEvent(&event, INFINITE), ERROR_SUCCESS);
    ASSERT_TRUE(device.send("x\n"));
    ASSERT_EQ(event.event.wait(kLongWaitMs), WAIT_OBJECT_0);
    EXPECT_EQ(port.firedEvents, EV_RXCHAR | EV_RXFLAG);
    // Mask 0xC3 after RXCHAR | RXFLAG gives 3, then 0.
    EXPECT_EQ(port.takeEventTypes(), 3u);
    EXPECT_EQ(port.takeEventTypes(), 0u);
    port.firedEvents = EV_RXCHAR | EV_RXFLAG | 0x100;
    port.monitoredEvents = EV_RXFLAG;
    EXPECT_EQ(port.takeEventTypes(), EV_RXFLAG);
    EXPECT_EQ(port.firedEvents, 0u);
}

TEST_F(ConfiguredPort, EventsOutsideTheMaskDoNotEndAWait) {
    ASSERT_EQ(port.setEventMask(EV_RXFLAG), ERROR_SUCCESS);
    ASSERT_TRUE(device.send("no flag"));
    EXPECT_EQ(port.waitForEvent(nullptr, 100), ERROR_TIMEOUT);
    ASSERT_TRUE(device.send("flag\n"));
    EXPECT_EQ(port.waitForEvent(nullptr, kLongWaitMs), ERROR_SUCCESS);
    EXPECT_EQ(port.takeEventTypes(), EV_RXFLAG);
}

TEST_F(ConfiguredPort, APrivateWaitThatTimesOutIsCancelled) {
    EXPECT_EQ(port.waitForEvent(nullptr, 30), ERROR_TIMEOUT);
    EXPECT_EQ(port.lastError, ERROR_TIMEOUT);
    // The cancelled wait signals nothing later; a new wait gets the event.
    ASSERT_TRUE(device.send("\n"));
    EXPECT_EQ(port.waitForEvent(nullptr, kLongWaitMs), ERROR_SUCCESS);
    EXPECT_EQ(port.takeEventTypes(), EV_RXCHAR | EV_RXFLAG);
}

TEST_F(ConfiguredPort, ANewWaitReplacesAPendingOneWhoseEventMayBeGone) {
    {
        Overlapped first{ManualResetEvent::create()};
        ASSERT_EQ(port.waitForEvent(&first, INFINITE), ERROR_SUCCESS);
        // `first` and its event end here while the wait is pending.
    }
    Overlapped second{ManualResetEvent::create()};
    ASSERT_EQ(port.waitForEvent(&second, INFINITE), ERROR_SUCCESS);
    ASSERT_TRUE(device.send("N\r\n"));
    ASSERT_EQ(second.event.wait(kLongWaitMs), WAIT_OBJECT_0);
    EXPECT_EQ(port.takeEventTypes(), EV_RXCHAR | EV_RXFLAG);
}

TEST_F(ConfiguredPort, SettingTheMaskEndsAPendingWaitWithNoEvents) {
    ASSERT_EQ(port.waitForEvent(&event, INFINITE), ERROR_SUCCESS);
    ASSERT_EQ(port.setEventMask(0xC3), ERROR_SUCCESS);
    ASSERT_EQ(event.event.wait(kLongWaitMs), WAIT_OBJECT_0);
    EXPECT_EQ(port.takeEventTypes(), 0u);
}

TEST_F(ConfiguredPort, AHangUpWakesThePendingWaitWithEvErrAndEverythingFailsAfter) {
    ASSERT_EQ(port.waitForEvent(&event, INFINITE), ERROR_SUCCESS);
    // The waiting thread of a transfer: its event or a stop event.
    const ManualResetEvent stop = ManualResetEvent::create();
    std::atomic<std::uint32_t> woken{WAIT_TIMEOUT};
    std::thread waiter([&] { woken = waitForEither(event.event, stop, kLongWaitMs); });
    std::this_thread::sleep_for(20ms);
    device.unplug();
    waiter.join();
    EXPECT_EQ(woken.load(), WAIT_OBJECT_0);
    EXPECT_EQ(port.takeEventTypes(), EV_ERR);

    char buffer[16];
    std::uint32_t count = 7;
    EXPECT_EQ(port.waitForEvent(&event, INFINITE), ERROR_DEVICE_NOT_CONNECTED);
    EXPECT_FALSE(event.event.isSet()) << "a failed wait must not signal: the caller would spin";
    EXPECT_EQ(port.waitForEvent(nullptr, kLongWaitMs), ERROR_DEVICE_NOT_CONNECTED);
    EXPECT_EQ(port.writeText("x", &count, nullptr, INFINITE), ERROR_DEVICE_NOT_CONNECTED);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(port.read(buffer, sizeof buffer, &count, nullptr, INFINITE),
              ERROR_DEVICE_NOT_CONNECTED);
    EXPECT_EQ(port.lastSystemError, EIO);
    EXPECT_EQ(port.baudRate(), -1);
    EXPECT_EQ(port.lastError, ERROR_DEVICE_NOT_CONNECTED);
    EXPECT_EQ(port.closePort(), ERROR_SUCCESS);
}

TEST_F(ConfiguredPort, BytesQueuedBeforeAHangUpCanStillBeRead) {
    ASSERT_TRUE(device.send("last words\n"));
    ASSERT_EQ(port.waitForEvent(nullptr, kLongWaitMs), ERROR_SUCCESS);
    device.unplug();
    // The loss shows once the reader sees it.
    for (int i = 0; i < 10000 && !port.handle->lineLost(); ++i) {
        std::this_thread::sleep_for(1ms);
    }
    ASSERT_TRUE(port.handle->lineLost());
    char buffer[64];
    std::uint32_t got = 0;
    ASSERT_EQ(port.read(buffer, sizeof buffer, &got, nullptr, INFINITE), ERROR_SUCCESS);
    EXPECT_EQ(std::string(buffer, got), "last words\n");
    EXPECT_EQ(port.read(buffer, sizeof buffer, &got, nullptr, INFINITE),
              ERROR_DEVICE_NOT_CONNECTED);
}

TEST_F(ConfiguredPort, ABlockingReadWakesOnAHangUp) {
    ASSERT_EQ(port.setReadTimeoutMode(ReadTimeoutMode::Blocking), ERROR_SUCCESS);
    std::thread unplugger([&] {
        std::this_thread::sleep_for(30ms);
        device.unplug();
    });
    char buffer[8];
    std::uint32_t got = 0;
    EXPECT_EQ(port.read(buffer, sizeof buffer, &got, nullptr, kLongWaitMs),
              ERROR_DEVICE_NOT_CONNECTED);
    unplugger.join();
}

TEST_F(ConfiguredPort, AHungUpPortDoesNotSpin) {
    ASSERT_EQ(port.waitForEvent(&event, INFINITE), ERROR_SUCCESS);
    device.unplug();
    ASSERT_EQ(event.event.wait(kLongWaitMs), WAIT_OBJECT_0);
    // The port stays open and hung up; a busy reader would burn a core meanwhile.
    const auto cpuBefore = cpuTime();
    const auto wallBefore = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(500ms);
    // A transfer that keeps asking is refused at once each time and never woken.
    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(port.waitForEvent(&event, INFINITE), ERROR_DEVICE_NOT_CONNECTED);
    }
    const auto cpuUsed = cpuTime() - cpuBefore;
    const auto wall = std::chrono::steady_clock::now() - wallBefore;
    EXPECT_LT(cpuUsed, std::chrono::duration_cast<std::chrono::microseconds>(wall) / 5)
        << "CPU " << cpuUsed.count() << " us over "
        << std::chrono::duration_cast<std::chrono::microseconds>(wall).count() << " us";
    EXPECT_EQ(event.event.wait(0), WAIT_TIMEOUT);
}

TEST_F(ConfiguredPort, ClosingWithAWaitPendingWakesTheWaiter) {
    ASSERT_EQ(port.waitForEvent(&event, INFINITE), ERROR_SUCCESS);
    std::atomic<std::uint32_t> woken{WAIT_TIMEOUT};
    std::thread waiter([&] { woken = event.event.wait(kLongWaitMs); });
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(port.closePort(), ERROR_SUCCESS);
    waiter.join();
    EXPECT_EQ(woken.load(), WAIT_OBJECT_0);
    EXPECT_EQ(port.takeEventTypes(), 0u);
    EXPECT_FALSE(port.isOpen());
    EXPECT_FALSE(port.overlappedEvent);
}

TEST_F(ConfiguredPort, ClosingFromAnotherThreadEndsABlockedWait) {
    std::atomic<std::uint32_t> status{0};
    std::atomic<bool> returned{false};
    std::thread waiter([&] {
        status = port.waitForEvent(nullptr, kLongWaitMs);
        returned = true;
    });
    // Close once the wait is pending.
    for (int i = 0; i < 10000 && !port.handle->waitPending(); ++i) {
        std::this_thread::sleep_for(1ms);
    }
    ASSERT_TRUE(port.handle->waitPending());
    EXPECT_EQ(port.closePort(), ERROR_SUCCESS);
    waiter.join();
    EXPECT_TRUE(returned.load());
    EXPECT_EQ(status.load(), ERROR_OPERATION_ABORTED);
}

TEST_F(ConfiguredPort, DestroyingThePortWithAWaitPendingSignalsTheEvent) {
    auto owned = std::make_unique<SerialPort>();
    owned->openPort(device.path().c_str(), 0, 0, true); // busy: `port` holds the device
    ASSERT_EQ(owned->lastError, ERROR_ACCESS_DENIED);
    ASSERT_EQ(port.closePort(), ERROR_SUCCESS);
    ASSERT_EQ(owned->openPort(device.path().c_str(), 0, 0, true), ERROR_SUCCESS);
    ASSERT_EQ(owned->waitForEvent(&event, INFINITE), ERROR_SUCCESS);
    owned.reset();
    EXPECT_EQ(event.event.wait(kLongWaitMs), WAIT_OBJECT_0);
}

} // namespace
} // namespace velmar
