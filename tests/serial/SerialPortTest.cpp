#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <ctime>
#include <functional>
#include <future>
#include <numeric>
#include <thread>

#include "PtyDevice.h"
#include "TestSupport.h"
#include "serial/ComSettings.h"
#include "serial/PortDevice.h"
#include "serial/PortNames.h"
#include "serial/SerialPort.h"
#include "serial/Sync.h"

namespace velmar {
namespace {

using namespace std::chrono_literals;
using test::PtyDevice;

constexpr std::uint32_t kLongWaitMs = 10000; // generous: a loaded machine is slow, not broken

// Polls `done` every millisecond until it holds (true) or kLongWaitMs polls failed (false).
bool eventually(const std::function<bool()>& done) {
    for (std::uint32_t polls = 0; !done(); ++polls) {
        if (polls == kLongWaitMs) {
            return false;
        }
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

// A call made on a thread of its own. One that never returns fails the test instead of hanging
// it: its thread is left behind with what it holds (so the port is held by a shared_ptr).
class Call {
  public:
    template <typename Body> explicit Call(Body body) {
        std::packaged_task<std::uint32_t()> task(std::move(body));
        result_ = task.get_future();
        thread_ = std::thread(std::move(task));
    }
    ~Call() { status(); }
    // The call's status; 0xDEAD when it has not returned within the long wait.
    std::uint32_t status() {
        if (thread_.joinable()) {
            const bool done = result_.wait_for(std::chrono::milliseconds(kLongWaitMs)) ==
                              std::future_status::ready;
            done ? thread_.join() : thread_.detach();
            status_ = done ? result_.get() : 0xDEAD;
        }
        return status_;
    }

  private:
    std::future<std::uint32_t> result_;
    std::thread thread_;
    std::uint32_t status_ = 0xDEAD;
};

// A port on a pseudo-terminal device, which is also "COM1".
class PtyPort : public ::testing::Test {
  protected:
    std::uint32_t open(bool overlapped = true) {
        return port.openPort(device.path().c_str(), 0, 0, overlapped);
    }
    // Non-blocking reads until `count` bytes came, a read failed or the time-out ran out.
    std::string readUpTo(std::size_t count, Overlapped* overlapped = nullptr) {
        std::string bytes;
        eventually([&] {
            char buffer[512];
            std::uint32_t got = 0;
            const std::uint32_t status =
                port.read(buffer, sizeof buffer, &got, overlapped, INFINITE);
            bytes.append(buffer, got);
            return status != ERROR_SUCCESS || bytes.size() >= count;
        });
        return bytes;
    }
    // Baud rate, data bits, parity, stop bits and flow control, as the getters give them.
    std::vector<int> lineState() {
        return {port.baudRate(), port.dataBits(), port.parity(), port.stopBits(),
                port.flowControl()};
    }

    PtyDevice device;
    ScopedSerialDevices devices{{device.path()}};
    SerialPort port;
    Overlapped caller{ManualResetEvent::create()};
};

// Opened for overlapped I/O the way the transfers open it: line feed as event character.
class ConfiguredPort : public PtyPort {
  protected:
    void SetUp() override {
        ComSettings settings;
        defaultComSettings(&settings, kSeries41);
        ASSERT_EQ(openConfiguredPort(&port, &settings, true), kPortReady);
    }
};

TEST(SerialPort, APortThatFailedToOpenStaysClosedAndEveryOperationGivesInvalidHandle) {
    SerialPort port;
    test::TempDir folder;
    test::writeBytes(folder.file("not-a-tty"), "x");
    for (const auto& [name, error] : {std::pair{std::string("/dev/ttyVELMAR-absent"), ENOENT},
                                      {folder.file("not-a-tty"), ENOTTY},
                                      {folder.path(), EISDIR}}) {
        EXPECT_EQ(port.openPort(name.c_str(), 0, 0, true), ERROR_FILE_NOT_FOUND) << name;
        EXPECT_EQ(port.lastSystemError, error) << name;
    }
    EXPECT_EQ(port.openPort(nullptr, 0, 0, true), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(port.isOpen() || port.hasOverlappedEvent());
    Overlapped overlapped{ManualResetEvent::create()};
    char buffer[8] = {};
    std::uint32_t read = 77, written = 77;
    // Each result, after checking that the call left 6 in lastError.
    const auto closed = [&](std::int64_t result) {
        EXPECT_EQ(port.lastError.exchange(12345), ERROR_INVALID_HANDLE);
        return result;
    };
    const std::vector<std::int64_t> results = {
        closed(port.configure(4800, 8, NOPARITY, ONESTOPBIT)),
        closed(port.setEventCharacter('\n', true)),
        closed(port.setEventMask(0xC3)),
        closed(port.waitForEvent(&overlapped, INFINITE)),
        closed(port.waitForEvent(nullptr, 10)),
        closed(port.setFlowControl(FlowControl::None)),
        closed(port.setReadTimeoutMode(ReadTimeoutMode::Blocking)),
        closed(port.write("abc", 3, &written, &overlapped, 100)),
        closed(port.read(buffer, sizeof buffer, &read, nullptr, INFINITE)),
        closed(port.purge()),
        closed(port.baudRate()),
        closed(port.flowControl()),
        closed(port.eventCharacter())};
    EXPECT_EQ(results, (std::vector<std::int64_t>{6, 6, 6, 6, 6, 6, 6, 6, 6, 6, -1, -1, 0}));
    EXPECT_EQ(read + written, 0u) << "the byte counts are cleared before the port is looked at";
    EXPECT_EQ(port.closePort(), ERROR_SUCCESS);
}

TEST_F(PtyPort, OpensWithTheDefaultsOnceAndExclusivelyAndReopensAfterClose) {
    ASSERT_EQ(open(), ERROR_SUCCESS);
    EXPECT_EQ(port.eventMask(), 0xC1u);
    EXPECT_EQ(lineState(), (std::vector<int>{9600, 8, NOPARITY, ONESTOPBIT, 0})); // 9600 8N1
    EXPECT_EQ(device.lineSpeed(), 9600u);
    EXPECT_TRUE(device.exclusiveFlag());
    SerialPort second; // a second open of the same device fails
    EXPECT_EQ(second.openPort(device.path().c_str(), 0, 0, true), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(second.lastSystemError == EBUSY && !second.isOpen());
    EXPECT_TRUE(device.exclusiveFlag()) << "the failed opener leaves the flag alone";

    ASSERT_EQ(port.configure(19200, 8, NOPARITY, ONESTOPBIT), ERROR_SUCCESS);
    EXPECT_EQ(port.openPort("/dev/ttyVELMAR-other", 0, 0, true), ERROR_ALREADY_INITIALIZED);
    EXPECT_EQ(port.lastError, ERROR_ALREADY_INITIALIZED);
    EXPECT_EQ(port.baudRate(), 19200);

    for (int round = 0; round < 3; ++round) {
        if (round > 0) {
            ASSERT_EQ(open(round != 1), ERROR_SUCCESS);
        }
        EXPECT_EQ(port.hasOverlappedEvent(), round != 1);
        if (round == 1) { // overlapped calls on a plain port, and null buffers, write nothing
            char buffer[8];
            std::uint32_t count = 9;
            EXPECT_EQ((std::vector<std::uint32_t>{
                          port.write("abc", 3, &count, &caller, INFINITE), count,
                          port.read(buffer, sizeof buffer, &count, &caller, INFINITE),
                          port.waitForEvent(&caller, INFINITE), port.waitForEvent(nullptr, 100),
                          port.write(nullptr, 3, &count, nullptr, INFINITE),
                          port.read(nullptr, 3, &count, nullptr, INFINITE)}),
                      (std::vector<std::uint32_t>{1, 0, 1, 1, 1, 87, 87}));
            EXPECT_FALSE(caller.event.isSet());
        }
        const std::string text = "r" + std::to_string(round) + "\r\n";
        ASSERT_TRUE(device.send(text));
        EXPECT_EQ(readUpTo(text.size()), text);
        ASSERT_EQ(port.writeText(text.c_str(), nullptr, nullptr, INFINITE), ERROR_SUCCESS);
        ASSERT_EQ(port.closePort(), ERROR_SUCCESS);
        EXPECT_FALSE(port.isOpen() || port.hasOverlappedEvent() || device.exclusiveFlag());
        EXPECT_EQ(device.receive(text.size()), text) << "written just before the close";
    }
    // Destroying an open port with a wait pending closes it and signals the caller's event.
    {
        SerialPort owner;
        ASSERT_EQ(owner.openPort(device.path().c_str(), 0, 0, true), ERROR_SUCCESS);
        ASSERT_EQ(owner.waitForEvent(&caller, INFINITE), ERROR_SUCCESS);
    }
    EXPECT_EQ(caller.event.wait(kLongWaitMs), WAIT_OBJECT_0);
    EXPECT_FALSE(device.exclusiveFlag());
    EXPECT_EQ(second.openPort(device.path().c_str(), 0, 0, true), ERROR_SUCCESS);
}

TEST_F(PtyPort, SettingsAreAppliedAndReadBackAndInvalidOnesChangeNothing) {
    ASSERT_EQ(open(), ERROR_SUCCESS);
    std::vector<std::uint32_t> rates(kBaudRates.begin(), kBaudRates.end());
    rates.push_back(31250); // beyond the table, and without a B-constant
    for (const std::uint32_t baud : rates) {
        ASSERT_EQ(port.configure(baud, 8, NOPARITY, ONESTOPBIT), ERROR_SUCCESS) << baud;
        EXPECT_EQ(port.baudRate(), static_cast<std::int32_t>(baud));
        EXPECT_EQ(device.lineSpeed(), baud) << "the kernel holds " << baud;
    }
    // A pseudo-terminal keeps 8 bits without parity; the getters give what was applied.
    struct Frame {
        std::uint8_t bits, parity, stop;
    };
    const Frame frames[] = {{8, NOPARITY, ONESTOPBIT},     {8, MARKPARITY, ONESTOPBIT},
                            {6, SPACEPARITY, TWOSTOPBITS}, {5, NOPARITY, ONE5STOPBITS},
                            {7, EVENPARITY, ONESTOPBIT},   {7, ODDPARITY, TWOSTOPBITS}};
    for (const Frame& f : frames) {
        ASSERT_EQ(port.configure(4800, f.bits, f.parity, f.stop), ERROR_SUCCESS);
        EXPECT_EQ(lineState(), (std::vector<int>{4800, f.bits, f.parity, f.stop, 0}));
    }
    for (const FlowControl mode :
         {FlowControl::Hardware, FlowControl::None, FlowControl::XonXoff}) {
        ASSERT_EQ(port.setFlowControl(mode), ERROR_SUCCESS);
        EXPECT_EQ(port.flowControl(), static_cast<std::int32_t>(mode));
    }
    const std::vector<int> applied = {4800, 7, ODDPARITY, TWOSTOPBITS, 2};
    const Frame refused[] = {{8, NOPARITY, ONESTOPBIT}, {4, NOPARITY, ONESTOPBIT},
                             {9, NOPARITY, ONESTOPBIT}, {8, 5, ONESTOPBIT},
                             {8, NOPARITY, 3},          {8, NOPARITY, ONE5STOPBITS},
                             {5, NOPARITY, TWOSTOPBITS}};
    for (const Frame& f : refused) { // the first at 0 bits per second
        EXPECT_EQ(port.configure(&f == refused ? 0 : 9600, f.bits, f.parity, f.stop),
                  ERROR_INVALID_PARAMETER);
        EXPECT_EQ(port.lastSystemError, EINVAL);
        EXPECT_EQ(lineState(), applied);
        EXPECT_EQ(device.lineSpeed(), 4800u);
    }
    for (const int mode : {3, -1, 100}) { // modes 3 and 2 are outside their tables
        EXPECT_EQ(port.setFlowControl(static_cast<FlowControl>(mode)), E_INVALIDARG) << mode;
        EXPECT_EQ(port.lastError, E_INVALIDARG);
        EXPECT_EQ(port.setReadTimeoutMode(static_cast<ReadTimeoutMode>(mode - 1)), E_INVALIDARG);
    }
    EXPECT_EQ(lineState(), applied);
}

TEST(LineReadBack, PseudoTerminalsMayKeepEightBitsWithoutParityRealPortsMayNot) {
    const LineReadBack wanted{4800, 7, true, false, false, false};
    const LineReadBack forced{4800, 8, false, false, false, false};
    EXPECT_TRUE(acceptLineReadBack(wanted, forced, true));
    EXPECT_FALSE(acceptLineReadBack(wanted, forced, false));
    EXPECT_TRUE(acceptLineReadBack(wanted, wanted, false));
    EXPECT_FALSE(acceptLineReadBack(wanted, {4800, 7, true, true, false, false}, false)); // odd
    EXPECT_FALSE(acceptLineReadBack(wanted, {4800, 7, true, false, false, true}, true))
        << "stop bits are never forced";
    // A rate within 3 % counts as met.
    const std::uint32_t speeds[][2] = {{56000, 56000}, {56000, 55944},   {56000, 57680},
                                       {56000, 57700}, {256000, 250000}, {256000, 230400},
                                       {9600, 38400},  {14400, 0}};
    std::vector<bool> accepted;
    for (const auto& [asked, got] : speeds) {
        accepted.push_back(acceptLineReadBack({asked, 7, true}, {got, 7, true}, false));
    }
    EXPECT_EQ(accepted, (std::vector<bool>{true, true, true, false, true, false, false, false}));
}

TEST_F(ConfiguredPort, EveryByteValuePassesUnchangedBothWaysAndPurgeDropsWhatIsQueued) {
    std::string all(256, '\0');
    std::iota(all.begin(), all.end(), '\0');
    const std::string twice = all + std::string(all.rbegin(), all.rend());
    std::uint32_t written = 0;
    ASSERT_EQ(port.write(twice.data(), static_cast<std::uint32_t>(twice.size()), &written, &caller,
                         INFINITE),
              ERROR_SUCCESS);
    EXPECT_EQ(written, twice.size());
    EXPECT_TRUE(caller.event.isSet()) << "a completed write signals the caller's event";
    EXPECT_EQ(device.receive(twice.size()), twice);
    caller.event.reset();
    ASSERT_TRUE(device.send(twice));
    EXPECT_EQ(readUpTo(twice.size(), &caller), twice);
    EXPECT_TRUE(caller.event.isSet()) << "a completed read signals the caller's event";

    ASSERT_TRUE(device.send("stale bytes\r\n"));
    ASSERT_TRUE(eventually([&] { return port.device()->queuedBytes() == 13; }));
    EXPECT_EQ(port.purge(), ERROR_SUCCESS);
    EXPECT_EQ(port.device()->queuedBytes(), 0u);
    ASSERT_TRUE(device.send("fresh"));
    EXPECT_EQ(readUpTo(5), "fresh");
}

TEST_F(ConfiguredPort, ABlockingReadThatTimesOutIsCancelledAndTakesNothing) {
    ASSERT_EQ(port.setReadTimeoutMode(ReadTimeoutMode::Blocking), ERROR_SUCCESS);
    // Four bytes are not the ten asked for: the read times out and leaves them queued.
    ASSERT_TRUE(device.send("1234"));
    ASSERT_TRUE(eventually([&] { return port.device()->queuedBytes() == 4; }));
    char buffer[10] = {};
    std::uint32_t got = 99;
    EXPECT_EQ(port.read(buffer, 10, &got, nullptr, 50), ERROR_TIMEOUT);
    EXPECT_EQ(port.lastError, ERROR_TIMEOUT);
    EXPECT_EQ(got, 0u);
    ASSERT_TRUE(device.send("567890"));
    ASSERT_EQ(port.read(buffer, 10, &got, nullptr, kLongWaitMs), ERROR_SUCCESS);
    EXPECT_EQ(std::string(buffer, got), "1234567890");
    // A blocking read waiting for more wakes on a hang-up.
    std::thread unplugger([&] {
        std::this_thread::sleep_for(30ms);
        device.unplug();
    });
    EXPECT_EQ(port.read(buffer, 10, &got, nullptr, kLongWaitMs), ERROR_DEVICE_NOT_CONNECTED);
    unplugger.join();
}

TEST_F(PtyPort, AFullLineBoundsAWriteAndASmallReceiveQueueLosesNoBytes) {
    ASSERT_EQ(port.openPort(device.path().c_str(), 64, 64, true), ERROR_SUCCESS);
    const std::string block(4 << 20, 'w'); // the device does not read yet: the line fills up
    std::uint32_t written = 0;
    EXPECT_EQ(
        port.write(block.data(), static_cast<std::uint32_t>(block.size()), &written, nullptr, 100),
        ERROR_TIMEOUT);
    EXPECT_GT(written, 0u);
    EXPECT_LT(written, block.size());

    std::string stream;
    for (int i = 0; i < 20000; ++i) {
        stream.push_back(static_cast<char>('A' + i % 26));
    }
    std::thread sender([&] { EXPECT_TRUE(device.send(stream)); });
    std::this_thread::sleep_for(20ms);
    EXPECT_LE(port.device()->queuedBytes(), 64u);
    EXPECT_EQ(readUpTo(stream.size()), stream);
    sender.join();
}

TEST_F(ConfiguredPort, ALineFeedFiresRxFlagAndOnlyMonitoredEventsEndAWait) {
    // The Series 41 settings: 4800 8N1, no flow control, the line feed as event character.
    EXPECT_EQ(lineState(), (std::vector<int>{4800, 8, NOPARITY, ONESTOPBIT, 0}));
    EXPECT_EQ(device.lineSpeed(), 4800u);
    EXPECT_EQ(port.eventCharacter(), '\n');
    caller.event.set(); // left over from an earlier turn: the wait resets it
    ASSERT_EQ(port.waitForEvent(&caller, INFINITE), ERROR_SUCCESS); // pending
    EXPECT_FALSE(caller.event.isSet());
    ASSERT_TRUE(device.send("$PFEC,GPwpl\r\n"));
    ASSERT_EQ(caller.event.wait(kLongWaitMs), WAIT_OBJECT_0);
    ASSERT_EQ(port.eventMask(), 0xC3u);
    EXPECT_EQ(port.takeEventTypes(), EV_RXCHAR | EV_RXFLAG);
    EXPECT_EQ(port.takeEventTypes(), 0u);
    EXPECT_EQ(readUpTo(13), "$PFEC,GPwpl\r\n");

    ASSERT_EQ(port.waitForEvent(&caller, INFINITE), ERROR_SUCCESS);
    ASSERT_EQ(port.setEventMask(EV_RXFLAG), ERROR_SUCCESS); // ends the wait with no events
    ASSERT_EQ(caller.event.wait(kLongWaitMs), WAIT_OBJECT_0);
    EXPECT_EQ(port.takeEventTypes(), 0u);
    ASSERT_TRUE(device.send("no flag"));
    EXPECT_EQ(port.waitForEvent(nullptr, 100), ERROR_TIMEOUT);
    EXPECT_EQ(port.lastError, ERROR_TIMEOUT);
    // The timed-out wait was cancelled; an event that fires before the next wait completes it
    // at once.
    ASSERT_TRUE(device.send("early\n"));
    ASSERT_TRUE(eventually([&] { return port.device()->queuedBytes() == 13; }));
    ASSERT_EQ(port.waitForEvent(&caller, INFINITE), ERROR_SUCCESS);
    EXPECT_TRUE(caller.event.isSet()) << "completed at once";
    EXPECT_EQ(port.takeEventTypes(), EV_RXFLAG);
    EXPECT_EQ(port.waitForEvent(nullptr, 30), ERROR_TIMEOUT) << "nothing is left over";
}

TEST_F(ConfiguredPort, AHangUpWakesThePendingWaitWithEvErrAndEverythingFailsAfterWithoutSpin) {
    ASSERT_TRUE(device.send("last words\n"));
    ASSERT_TRUE(eventually([&] { return port.device()->queuedBytes() == 11; }));
    ASSERT_EQ(port.waitForEvent(nullptr, kLongWaitMs), ERROR_SUCCESS); // takes their events
    ASSERT_EQ(port.waitForEvent(&caller, INFINITE), ERROR_SUCCESS);
    // The waiting thread of a transfer: its event or a stop event.
    std::atomic<std::uint32_t> woken{WAIT_TIMEOUT};
    std::thread waiter(
        [&] { woken = waitForEither(caller.event, ManualResetEvent::create(), kLongWaitMs); });
    std::this_thread::sleep_for(20ms);
    device.unplug();
    waiter.join();
    EXPECT_EQ(woken.load(), WAIT_OBJECT_0);
    EXPECT_EQ(port.takeEventTypes(), EV_ERR);

    // The port stays open and hung up: a busy reader would burn a core meanwhile, and a
    // transfer that keeps asking is refused at once each time and never woken.
    const std::clock_t cpuBefore = std::clock(); // all threads of the process
    const auto wallBefore = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(500ms);
    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(port.waitForEvent(&caller, INFINITE), ERROR_DEVICE_NOT_CONNECTED);
    }
    const double cpuMs = 1000.0 * double(std::clock() - cpuBefore) / CLOCKS_PER_SEC;
    const double wallMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - wallBefore)
            .count();
    EXPECT_LT(cpuMs, wallMs / 5) << "CPU " << cpuMs << " ms over " << wallMs << " ms";
    EXPECT_FALSE(caller.event.isSet()) << "a failed wait must not signal: the caller would spin";

    EXPECT_EQ(readUpTo(64), "last words\n") << "bytes queued before the hang-up can be read";
    char buffer[16];
    std::uint32_t count = 7;
    EXPECT_EQ(
        (std::vector<std::int64_t>{port.read(buffer, sizeof buffer, &count, nullptr, INFINITE),
                                   port.waitForEvent(nullptr, kLongWaitMs),
                                   port.writeText("x", &count, nullptr, INFINITE), port.baudRate(),
                                   count, port.lastSystemError}),
        (std::vector<std::int64_t>{1167, 1167, 1167, -1, 0, EIO}));
    EXPECT_EQ(port.lastError, ERROR_DEVICE_NOT_CONNECTED);
    EXPECT_EQ(port.closePort(), ERROR_SUCCESS);
}

// Calls in progress on other threads when the port is closed, or destroyed while open: a wait
// inside waitForEvent, a blocking read and a write held by a full line end as cancelled, and
// the port waits for them (the thread sanitizer's build watches the races).
TEST(SerialPortThreads, CloseAndDestroyEndTheCallsInProgressAndWaitForThem) {
    PtyDevice device; // reads nothing: the line fills up
    static const std::string block(1 << 20, 'w');
    for (const bool close : {true, false}) {
        auto owned = std::make_shared<SerialPort>();
        SerialPort* const port = owned.get();
        ASSERT_EQ(port->openPort(device.path().c_str(), 0, 0, close), ERROR_SUCCESS);
        ASSERT_EQ(port->setReadTimeoutMode(ReadTimeoutMode::Blocking), ERROR_SUCCESS);
        Call waiter([port] { return port->waitForEvent(nullptr, INFINITE); });
        Call reader([port] {
            char buffer[8];
            return port->read(buffer, sizeof buffer, nullptr, nullptr, INFINITE);
        });
        Call writer([port] {
            return port->write(block.data(), std::uint32_t(block.size()), nullptr, nullptr,
                               INFINITE);
        });
        ASSERT_TRUE(eventually([&] {
            const std::shared_ptr<PortDevice> open = port->device();
            return open->waitPending() && open->blockedCalls() == 2;
        }));
        if (close) {
            EXPECT_EQ(Call([port] { return port->closePort(); }).status(), ERROR_SUCCESS);
        }
        EXPECT_EQ(Call([doomed = std::move(owned)]() mutable {
                      doomed.reset();
                      return ERROR_SUCCESS;
                  }).status(),
                  ERROR_SUCCESS);
        EXPECT_EQ((std::vector{waiter.status(), reader.status(), writer.status()}),
                  std::vector<std::uint32_t>(3, ERROR_OPERATION_ABORTED));
    }
    EXPECT_FALSE(device.exclusiveFlag());
}

TEST_F(PtyPort, ANewWaitCompletesThePendingOneAsCancelledAndKeepsAnEventItReuses) {
    ASSERT_EQ(open(), ERROR_SUCCESS);
    Overlapped first{ManualResetEvent::create()};
    ASSERT_EQ(port.waitForEvent(&first, INFINITE), ERROR_SUCCESS);
    ASSERT_EQ(port.waitForEvent(&caller, INFINITE), ERROR_SUCCESS);
    EXPECT_TRUE(first.event.isSet()) << "the replaced wait's waiter wakes";
    EXPECT_EQ(port.takeEventTypes(), 0u) << "with no events";
    ASSERT_EQ(port.waitForEvent(&caller, INFINITE), ERROR_SUCCESS); // after a time-out, say
    EXPECT_FALSE(caller.event.isSet()) << "one waiter, one event: the wait goes on";
    // A wait inside waitForEvent replaces that one, and is replaced from another thread.
    Call inside([&] { return port.waitForEvent(nullptr, INFINITE); });
    ASSERT_EQ(caller.event.wait(kLongWaitMs), WAIT_OBJECT_0);
    ASSERT_EQ(port.waitForEvent(&first, INFINITE), ERROR_SUCCESS);
    EXPECT_EQ(inside.status(), ERROR_OPERATION_ABORTED);
}

TEST(ManualResetEvent, StaysSignalledUntilResetCopiesShareItAndEitherServesTheFirstFirst) {
    ManualResetEvent event = ManualResetEvent::create();
    const ManualResetEvent copy = event;
    EXPECT_EQ(event.wait(10), WAIT_TIMEOUT);
    event.set();
    EXPECT_EQ(event.wait(INFINITE), WAIT_OBJECT_0); // manual reset: still set
    event.close();                                  // the copy keeps the event alive
    EXPECT_TRUE(copy.isSet());
    copy.reset();
    EXPECT_EQ(copy.wait(10), WAIT_TIMEOUT);

    const ManualResetEvent none; // a null handle: set does nothing, waits fail
    none.set();
    EXPECT_EQ(none.wait(INFINITE), WAIT_FAILED);
    EXPECT_EQ(waitForEither(copy, none, 0), WAIT_FAILED);
    // Either of two: the first served first, and nothing taken away.
    for (const int set : {0, 1, 2, 3}) { // bit 0: first, bit 1: second
        const ManualResetEvent first = ManualResetEvent::create(set & 1);
        const ManualResetEvent second = ManualResetEvent::create(set & 2);
        const std::uint32_t expected = set == 0   ? WAIT_TIMEOUT
                                       : set == 2 ? WAIT_OBJECT_0 + 1
                                                  : WAIT_OBJECT_0;
        EXPECT_EQ(waitForEither(first, second, 15), expected) << set;
        EXPECT_EQ(first.isSet() + 2 * second.isSet(), set);
    }
}

TEST(WaitForEither, EveryWaiterWakesWhenAnotherThreadSetsEitherEvent) {
    // Waiters register and leave while the events are set: nothing is left dangling.
    for (int round = 0; round < 50; ++round) {
        const ManualResetEvent events[2] = {ManualResetEvent::create(), ManualResetEvent::create()};
        std::uint32_t results[4] = {99, 99, 99, 99};
        std::thread waiters[4];
        const int which = round % 2;
        for (int i = 0; i < 4; ++i) { // bounded waits: a lost wake-up fails, never hangs
            waiters[i] = std::thread([&, i] {
                results[i] = i == 0 ? events[which].wait(10000) + which
                                    : waitForEither(events[0], events[1], 10000);
            });
        }
        if (round < 2) {
            std::this_thread::sleep_for(20ms); // these rounds the waiters are surely waiting
        }
        events[which].set();
        for (int i = 0; i < 4; ++i) {
            waiters[i].join();
            EXPECT_EQ(results[i], WAIT_OBJECT_0 + which) << round;
        }
    }
}

} // namespace
} // namespace velmar
