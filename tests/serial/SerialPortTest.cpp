#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "PtyDevice.h"
#include "TestSupport.h"
#include "serial/ComSettings.h"
#include "serial/PortDevice.h"
#include "serial/PortNames.h"
#include "serial/SerialPort.h"

namespace velmar {
namespace {

using namespace std::chrono_literals;
using test::PtyDevice;

std::uint32_t openOn(SerialPort& port, const PtyDevice& device, bool overlapped = true) {
    return port.openPort(device.path().c_str(), 0, 0, overlapped);
}

// Reads until `count` bytes came or the time-out ran out (non-blocking reads).
std::string readBytesFrom(SerialPort& port, std::size_t count,
                          std::chrono::milliseconds timeout = test::kDeviceTimeout) {
    std::string bytes;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    char buffer[512];
    while (bytes.size() < count && std::chrono::steady_clock::now() < deadline) {
        std::uint32_t got = 0;
        const std::uint32_t status = port.read(buffer, sizeof buffer, &got, nullptr, INFINITE);
        if (status != ERROR_SUCCESS) {
            break;
        }
        bytes.append(buffer, got);
        if (got == 0) {
            std::this_thread::sleep_for(1ms);
        }
    }
    return bytes;
}

TEST(SerialPort, ANewPortIsClosedWithEveryFieldZero) {
    SerialPort port;
    EXPECT_EQ(port.lastError, 0u);
    EXPECT_EQ(port.handle, nullptr);
    EXPECT_EQ(port.firedEvents, 0u);
    EXPECT_EQ(port.monitoredEvents, 0u);
    EXPECT_FALSE(port.overlappedEvent);
    EXPECT_FALSE(port.isOpen());
}

TEST(SerialPort, EveryOperationOnAClosedPortGivesInvalidHandle) {
    SerialPort port;
    Overlapped overlapped{ManualResetEvent::create()};
    char buffer[8] = {};
    std::uint32_t count = 77;
    const std::vector<std::pair<const char*, std::function<std::uint32_t()>>> operations = {
        {"configure", [&] { return port.configure(4800, 8, NOPARITY, ONESTOPBIT); }},
        {"setEventCharacter", [&] { return port.setEventCharacter('\n', true); }},
        {"setEventMask", [&] { return port.setEventMask(0xC3); }},
        {"waitForEvent", [&] { return port.waitForEvent(&overlapped, INFINITE); }},
        {"waitForEvent private", [&] { return port.waitForEvent(nullptr, 10); }},
        {"setFlowControl", [&] { return port.setFlowControl(FlowControl::None); }},
        {"setFlowControl bad", [&] { return port.setFlowControl(static_cast<FlowControl>(3)); }},
        {"setReadTimeoutMode", [&] { return port.setReadTimeoutMode(ReadTimeoutMode::Blocking); }},
        {"writeText", [&] { return port.writeText("abc", &count, nullptr, INFINITE); }},
        {"write", [&] { return port.write("abc", 3, &count, &overlapped, 100); }},
        {"read", [&] { return port.read(buffer, sizeof buffer, &count, nullptr, INFINITE); }},
        {"purge", [&] { return port.purge(); }},
    };
    for (const auto& [name, operation] : operations) {
        port.lastError = 12345;
        count = 77;
        EXPECT_EQ(operation(), ERROR_INVALID_HANDLE) << name;
        EXPECT_EQ(port.lastError, ERROR_INVALID_HANDLE) << name;
    }
    count = 77;
    port.read(buffer, sizeof buffer, &count, nullptr, INFINITE);
    EXPECT_EQ(count, 0u) << "the byte count is cleared before the port is looked at";
    count = 77;
    port.write("abc", 3, &count, nullptr, INFINITE);
    EXPECT_EQ(count, 0u);

    const std::vector<std::pair<const char*, std::function<std::int64_t()>>> getters = {
        {"baudRate", [&] { return port.baudRate(); }},
        {"dataBits", [&] { return port.dataBits(); }},
        {"parity", [&] { return port.parity(); }},
        {"stopBits", [&] { return port.stopBits(); }},
        {"flowControl", [&] { return port.flowControl(); }},
    };
    for (const auto& [name, getter] : getters) {
        port.lastError = 0;
        EXPECT_EQ(getter(), -1) << name;
        EXPECT_EQ(port.lastError, ERROR_INVALID_HANDLE) << name;
    }
    port.lastError = 0;
    EXPECT_EQ(port.eventMask(), 0u);
    EXPECT_EQ(port.lastError, ERROR_INVALID_HANDLE);
    port.lastError = 0;
    EXPECT_EQ(port.eventCharacter(), 0);
    EXPECT_EQ(port.lastError, ERROR_INVALID_HANDLE);

    port.lastError = 6;
    EXPECT_EQ(port.closePort(), ERROR_SUCCESS);
    EXPECT_EQ(port.lastError, 0u);
    EXPECT_EQ(port.takeEventTypes(), 0u);
}

TEST(SerialPort, OpenSetsTheOpenMaskAndNonBlockingReads) {
    PtyDevice device;
    SerialPort port;
    ASSERT_EQ(openOn(port, device), ERROR_SUCCESS);
    EXPECT_TRUE(port.isOpen());
    EXPECT_TRUE(port.overlappedEvent);
    EXPECT_EQ(port.monitoredEvents, 0xC1u);
    EXPECT_EQ(port.eventMask(), 0xC1u);
    // The default configuration: 9600 8N1, no flow control.
    EXPECT_EQ(port.baudRate(), 9600);
    EXPECT_EQ(port.dataBits(), 8);
    EXPECT_EQ(port.parity(), NOPARITY);
    EXPECT_EQ(port.stopBits(), ONESTOPBIT);
    EXPECT_EQ(port.flowControl(), 0);
    EXPECT_EQ(device.lineSpeed(), 9600u);
    // Non-blocking reads: nothing has come, and the read returns at once with nothing.
    char buffer[16];
    std::uint32_t got = 5;
    EXPECT_EQ(port.read(buffer, sizeof buffer, &got, nullptr, INFINITE), ERROR_SUCCESS);
    EXPECT_EQ(got, 0u);
}

TEST(SerialPort, APortOpenedWithoutOverlappedIoHasNoOverlappedEvent) {
    PtyDevice device;
    SerialPort port;
    ASSERT_EQ(openOn(port, device, false), ERROR_SUCCESS);
    EXPECT_FALSE(port.overlappedEvent);
    ASSERT_EQ(port.closePort(), ERROR_SUCCESS);
    EXPECT_FALSE(port.isOpen());
}

TEST(SerialPort, OpeningAnOpenPortGivesAlreadyInitializedAndKeepsIt) {
    PtyDevice device;
    PtyDevice other;
    SerialPort port;
    ASSERT_EQ(openOn(port, device), ERROR_SUCCESS);
    ASSERT_EQ(port.configure(19200, 8, NOPARITY, ONESTOPBIT), ERROR_SUCCESS);
    const auto handleBefore = port.handle;
    EXPECT_EQ(openOn(port, other), ERROR_ALREADY_INITIALIZED);
    EXPECT_EQ(port.lastError, ERROR_ALREADY_INITIALIZED);
    EXPECT_EQ(port.handle, handleBefore);
    EXPECT_EQ(port.baudRate(), 19200);
    ASSERT_EQ(port.writeText("still here", nullptr, nullptr, INFINITE), ERROR_SUCCESS);
    EXPECT_EQ(device.receive(10), "still here");
}

TEST(SerialPort, AbsentDevicesAndUnknownNamesAreNotFound) {
    const ScopedSerialDevices none({});
    test::TempDir folder;
    const std::string regularFile = folder.file("not-a-tty");
    test::writeBytes(regularFile, "x");
    const struct {
        const char* name;
        int systemError;
    } cases[] = {{"COM1", ENOENT},
                 {"COM9", ENOENT},
                 {"COM10", ENOENT},
                 {"LPT1", ENOENT},
                 {"", ENOENT},
                 {"/dev/ttyVELMAR-absent", ENOENT},
                 {regularFile.c_str(), ENOTTY},
                 {folder.path().c_str(), EISDIR}};
    for (const auto& c : cases) {
        SerialPort port;
        EXPECT_EQ(port.openPort(c.name, 0, 0, true), ERROR_FILE_NOT_FOUND) << c.name;
        EXPECT_EQ(port.lastSystemError, c.systemError) << c.name;
        EXPECT_FALSE(port.isOpen()) << c.name;
        EXPECT_FALSE(port.overlappedEvent) << c.name;
    }
    SerialPort port;
    EXPECT_EQ(port.openPort(nullptr, 0, 0, true), ERROR_INVALID_PARAMETER);
}

TEST(SerialPort, ComNamesOpenTheDevicesOfTheResolver) {
    PtyDevice device;
    const ScopedSerialDevices devices({"/dev/ttyVELMAR-absent", device.path()});
    SerialPort port;
    EXPECT_EQ(port.openPort("COM1", 0, 0, true), ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(port.openPort("COM2", 0, 0, true), ERROR_SUCCESS);
    ASSERT_EQ(port.writeText("via COM2", nullptr, nullptr, INFINITE), ERROR_SUCCESS);
    EXPECT_EQ(device.receive(8), "via COM2");
}

TEST(SerialPort, OverlappedArgumentsOnAPlainPortGiveInvalidFunctionAndWriteNothing) {
    PtyDevice device;
    SerialPort port;
    ASSERT_EQ(openOn(port, device, false), ERROR_SUCCESS);
    Overlapped overlapped{ManualResetEvent::create()};
    char buffer[8];
    std::uint32_t count = 9;
    EXPECT_EQ(port.write("abc", 3, &count, nullptr, 1000), ERROR_INVALID_FUNCTION);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(port.writeText("abc", &count, &overlapped, INFINITE), ERROR_INVALID_FUNCTION);
    EXPECT_EQ(port.read(buffer, sizeof buffer, &count, nullptr, 0), ERROR_INVALID_FUNCTION);
    EXPECT_EQ(port.read(buffer, sizeof buffer, &count, &overlapped, INFINITE),
              ERROR_INVALID_FUNCTION);
    EXPECT_EQ(port.waitForEvent(nullptr, 100), ERROR_INVALID_FUNCTION);
    EXPECT_EQ(port.waitForEvent(&overlapped, INFINITE), ERROR_INVALID_FUNCTION);
    EXPECT_EQ(port.lastError, ERROR_INVALID_FUNCTION);
    EXPECT_FALSE(overlapped.event.isSet());
    // Nothing reached the line; a plain write with an infinite time-out does.
    ASSERT_EQ(port.writeText("ok", &count, nullptr, INFINITE), ERROR_SUCCESS);
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(device.receiveAvailable(100ms), "ok");
}

TEST(SerialPort, ModesOutsideTheirTablesGiveInvalidArgAndChangeNothing) {
    PtyDevice device;
    SerialPort port;
    ASSERT_EQ(openOn(port, device), ERROR_SUCCESS);
    ASSERT_EQ(port.setFlowControl(FlowControl::XonXoff), ERROR_SUCCESS);
    for (const int mode : {3, -1, 100}) {
        EXPECT_EQ(port.setFlowControl(static_cast<FlowControl>(mode)), E_INVALIDARG) << mode;
        EXPECT_EQ(port.lastError, E_INVALIDARG);
    }
    EXPECT_EQ(port.flowControl(), 2);
    for (const int mode : {2, -1, 7}) {
        EXPECT_EQ(port.setReadTimeoutMode(static_cast<ReadTimeoutMode>(mode)), E_INVALIDARG);
    }
    // Still non-blocking: an empty read returns at once.
    char buffer[4];
    std::uint32_t got = 3;
    EXPECT_EQ(port.read(buffer, sizeof buffer, &got, nullptr, 50), ERROR_SUCCESS);
    EXPECT_EQ(got, 0u);
}

TEST(SerialPort, FlowControlModesReadBackThroughTheGetter) {
    PtyDevice device;
    SerialPort port;
    ASSERT_EQ(openOn(port, device), ERROR_SUCCESS);
    for (const FlowControl mode : {FlowControl::Hardware, FlowControl::XonXoff, FlowControl::None,
                                   FlowControl::XonXoff, FlowControl::Hardware}) {
        ASSERT_EQ(port.setFlowControl(mode), ERROR_SUCCESS);
        EXPECT_EQ(port.flowControl(), static_cast<std::int32_t>(mode));
    }
}

TEST(SerialPort, AllFifteenBaudRatesAreAppliedAndReadBack) {
    PtyDevice device;
    SerialPort port;
    ASSERT_EQ(openOn(port, device), ERROR_SUCCESS);
    for (const std::uint32_t baud : kBaudRates) {
        ASSERT_EQ(port.configure(baud, 8, NOPARITY, ONESTOPBIT), ERROR_SUCCESS) << baud;
        EXPECT_EQ(port.baudRate(), static_cast<std::int32_t>(baud));
        EXPECT_EQ(device.lineSpeed(), baud) << "the kernel holds " << baud;
    }
    // Rates beyond the table that have no B-constant work too.
    ASSERT_EQ(port.configure(31250, 8, NOPARITY, ONESTOPBIT), ERROR_SUCCESS);
    EXPECT_EQ(device.lineSpeed(), 31250u);
}

TEST(SerialPort, FrameSettingsAreKeptAsAppliedOnAPseudoTerminal) {
    PtyDevice device;
    SerialPort port;
    ASSERT_EQ(openOn(port, device), ERROR_SUCCESS);
    ASSERT_TRUE(port.handle->pseudoTerminal());
    struct Frame {
        std::uint8_t bits, parity, stop;
    };
    const Frame frames[] = {{7, EVENPARITY, ONESTOPBIT}, {7, ODDPARITY, TWOSTOPBITS},
                            {8, MARKPARITY, ONESTOPBIT}, {6, SPACEPARITY, TWOSTOPBITS},
                            {5, NOPARITY, ONE5STOPBITS}, {8, NOPARITY, ONESTOPBIT}};
    for (const Frame& f : frames) {
        ASSERT_EQ(port.configure(4800, f.bits, f.parity, f.stop), ERROR_SUCCESS)
            << int(f.bits) << int(f.parity) << int(f.stop);
        EXPECT_EQ(port.dataBits(), f.bits);
        EXPECT_EQ(port.parity(), f.parity);
        EXPECT_EQ(port.stopBits(), f.stop);
    }
}

TEST(SerialPort, InvalidLineSettingsAreRefusedAndChangeNothing) {
    PtyDevice device;
    SerialPort port;
    ASSERT_EQ(openOn(port, device), ERROR_SUCCESS);
    ASSERT_EQ(port.configure(4800, 7, ODDPARITY, ONESTOPBIT), ERROR_SUCCESS);
    struct Bad {
        std::uint32_t baud;
        std::uint8_t bits, parity, stop;
    };
    const Bad cases[] = {{0, 8, NOPARITY, ONESTOPBIT},    {9600, 4, NOPARITY, ONESTOPBIT},
                         {9600, 9, NOPARITY, ONESTOPBIT}, {9600, 8, 5, ONESTOPBIT},
                         {9600, 8, NOPARITY, 3},          {9600, 8, NOPARITY, ONE5STOPBITS},
                         {9600, 5, NOPARITY, TWOSTOPBITS}};
    for (const Bad& c : cases) {
        EXPECT_EQ(port.configure(c.baud, c.bits, c.parity, c.stop), ERROR_INVALID_PARAMETER);
        EXPECT_EQ(port.lastError, ERROR_INVALID_PARAMETER);
        EXPECT_EQ(port.lastSystemError, EINVAL);
        EXPECT_EQ(port.baudRate(), 4800);
        EXPECT_EQ(port.dataBits(), 7);
        EXPECT_EQ(port.parity(), ODDPARITY);
        EXPECT_EQ(device.lineSpeed(), 4800u);
    }
}

TEST(LineReadBack, PseudoTerminalsMayKeepEightBitsWithoutParityRealPortsMayNot) {
    LineReadBack wanted;
    wanted.baudRate = 4800;
    wanted.byteSize = 7;
    wanted.parityOn = true;
    LineReadBack forced = wanted;
    forced.byteSize = 8;
    forced.parityOn = false;
    EXPECT_TRUE(acceptLineReadBack(wanted, forced, true));
    EXPECT_FALSE(acceptLineReadBack(wanted, forced, false));
    EXPECT_TRUE(acceptLineReadBack(wanted, wanted, false));

    LineReadBack oddInstead = wanted;
    oddInstead.parityOdd = true;
    EXPECT_FALSE(acceptLineReadBack(wanted, oddInstead, false));
    LineReadBack oneStop = wanted;
    oneStop.twoStopBits = true;
    EXPECT_FALSE(acceptLineReadBack(wanted, oneStop, true)) << "stop bits are never forced";

    struct SpeedCase {
        std::uint32_t wanted, got;
        bool accepted;
    };
    const SpeedCase speeds[] = {{56000, 56000, true},   {56000, 55944, true},
                                {56000, 57680, true},   {56000, 57700, false},
                                {256000, 250000, true}, {256000, 230400, false},
                                {9600, 38400, false},   {14400, 0, false}};
    for (const SpeedCase& s : speeds) {
        LineReadBack a = wanted;
        a.baudRate = s.wanted;
        LineReadBack b = a;
        b.baudRate = s.got;
        EXPECT_EQ(acceptLineReadBack(a, b, false), s.accepted) << s.wanted << " " << s.got;
    }
}

TEST(SerialPort, EveryByteValuePassesUnchangedBothWays) {
    PtyDevice device;
    SerialPort port;
    const ScopedSerialDevices devices({device.path()});
    ComSettings settings;
    defaultComSettings(&settings, kDeviceSeries5);
    ASSERT_EQ(openConfiguredPort(&port, &settings, true), kPortReady);
    std::string all;
    for (int value = 0; value < 256; ++value) {
        all.push_back(static_cast<char>(value));
    }
    const std::string twice = all + std::string(all.rbegin(), all.rend());

    // Program to device.
    std::uint32_t written = 0;
    ASSERT_EQ(port.write(twice.data(), static_cast<std::uint32_t>(twice.size()), &written, nullptr,
                         INFINITE),
              ERROR_SUCCESS);
    EXPECT_EQ(written, twice.size());
    EXPECT_EQ(device.receive(twice.size()), twice);

    // Device to program.
    ASSERT_TRUE(device.send(twice));
    EXPECT_EQ(readBytesFrom(port, twice.size()), twice);
}

TEST(SerialPort, PurgeEmptiesTheReceiveQueue) {
    PtyDevice device;
    SerialPort port;
    ASSERT_EQ(openOn(port, device), ERROR_SUCCESS);
    ASSERT_EQ(port.setEventMask(EV_RXCHAR), ERROR_SUCCESS);
    ASSERT_TRUE(device.send("stale bytes\r\n"));
    // The wait ends once the reader has queued the bytes.
    ASSERT_EQ(port.waitForEvent(nullptr, 10000), ERROR_SUCCESS);
    ASSERT_GT(port.handle->queuedBytes(), 0u);
    EXPECT_EQ(port.purge(), ERROR_SUCCESS);
    EXPECT_EQ(port.handle->queuedBytes(), 0u);
    char buffer[64];
    std::uint32_t got = 1;
    EXPECT_EQ(port.read(buffer, sizeof buffer, &got, nullptr, INFINITE), ERROR_SUCCESS);
    EXPECT_EQ(got, 0u);
    // Later bytes arrive as usual.
    ASSERT_TRUE(device.send("fresh"));
    EXPECT_EQ(readBytesFrom(port, 5), "fresh");
}

TEST(SerialPort, ABlockingReadThatTimesOutIsCancelledAndTakesNothing) {
    PtyDevice device;
    SerialPort port;
    ASSERT_EQ(openOn(port, device), ERROR_SUCCESS);
    ASSERT_EQ(port.setReadTimeoutMode(ReadTimeoutMode::Blocking), ERROR_SUCCESS);
    char buffer[10] = {};
    std::uint32_t got = 99;
    EXPECT_EQ(port.read(buffer, 10, &got, nullptr, 50), ERROR_TIMEOUT);
    EXPECT_EQ(port.lastError, ERROR_TIMEOUT);
    EXPECT_EQ(got, 0u);

    // Four bytes are not the ten asked for: the read times out again and leaves them queued.
    ASSERT_EQ(port.setEventMask(EV_RXCHAR), ERROR_SUCCESS);
    ASSERT_TRUE(device.send("1234"));
    ASSERT_EQ(port.waitForEvent(nullptr, 10000), ERROR_SUCCESS);
    EXPECT_EQ(port.read(buffer, 10, &got, nullptr, 50), ERROR_TIMEOUT);
    EXPECT_EQ(got, 0u);
    ASSERT_TRUE(device.send("567890"));
    ASSERT_EQ(port.read(buffer, 10, &got, nullptr, 10000), ERROR_SUCCESS);
    EXPECT_EQ(got, 10u);
    EXPECT_EQ(std::string(buffer, 10), "1234567890");
}

TEST(SerialPort, ACompletedReadOrWriteSignalsTheOverlappedEvent) {
    PtyDevice device;
    SerialPort port;
    ASSERT_EQ(openOn(port, device), ERROR_SUCCESS);
    Overlapped overlapped{ManualResetEvent::create()};
    std::uint32_t count = 0;
    ASSERT_EQ(port.writeText("hi", &count, &overlapped, INFINITE), ERROR_SUCCESS);
    EXPECT_TRUE(overlapped.event.isSet());
    EXPECT_EQ(count, 2u);
    overlapped.event.reset();
    char buffer[4];
    ASSERT_EQ(port.read(buffer, sizeof buffer, &count, &overlapped, INFINITE), ERROR_SUCCESS);
    EXPECT_TRUE(overlapped.event.isSet());
    EXPECT_EQ(device.receive(2), "hi");
}

TEST(SerialPort, AWriteThatCannotFinishIsBoundedByItsTimeOut) {
    PtyDevice device; // never reads: the line fills up
    SerialPort port;
    ASSERT_EQ(openOn(port, device), ERROR_SUCCESS);
    const std::string block(4 << 20, 'w');
    std::uint32_t written = 0;
    EXPECT_EQ(
        port.write(block.data(), static_cast<std::uint32_t>(block.size()), &written, nullptr, 100),
        ERROR_TIMEOUT);
    EXPECT_GT(written, 0u);
    EXPECT_LT(written, block.size());
}

TEST(SerialPort, NullBuffersAreInvalidParameters) {
    PtyDevice device;
    SerialPort port;
    ASSERT_EQ(openOn(port, device), ERROR_SUCCESS);
    std::uint32_t count = 4;
    EXPECT_EQ(port.writeText(nullptr, &count, nullptr, INFINITE), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(port.write(nullptr, 3, &count, nullptr, INFINITE), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(port.read(nullptr, 3, &count, nullptr, INFINITE), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(port.write(nullptr, 0, &count, nullptr, INFINITE), ERROR_SUCCESS);
}

TEST(SerialPort, ASecondOpenOfTheSameDeviceFailsUntilTheFirstCloses) {
    PtyDevice device;
    SerialPort first;
    ASSERT_EQ(openOn(first, device), ERROR_SUCCESS);
    EXPECT_TRUE(device.exclusiveFlag());
    SerialPort second;
    EXPECT_EQ(openOn(second, device), ERROR_ACCESS_DENIED);
    EXPECT_EQ(second.lastSystemError, EBUSY);
    EXPECT_FALSE(second.isOpen());
    // The failed opener leaves the first port's exclusive flag alone.
    EXPECT_TRUE(device.exclusiveFlag());
    ASSERT_EQ(first.closePort(), ERROR_SUCCESS);
    EXPECT_FALSE(device.exclusiveFlag());
    EXPECT_EQ(openOn(second, device), ERROR_SUCCESS);
}

TEST(SerialPort, DestroyingAnOpenPortClosesIt) {
    PtyDevice device;
    {
        SerialPort port;
        ASSERT_EQ(openOn(port, device), ERROR_SUCCESS);
        ASSERT_TRUE(device.exclusiveFlag());
    }
    EXPECT_FALSE(device.exclusiveFlag());
    SerialPort again;
    EXPECT_EQ(openOn(again, device), ERROR_SUCCESS);
}

TEST(SerialPort, BytesWrittenJustBeforeCloseStillReachTheDevice) {
    PtyDevice device;
    SerialPort port;
    ASSERT_EQ(openOn(port, device), ERROR_SUCCESS);
    ASSERT_EQ(port.writeText("S\r\n", nullptr, nullptr, INFINITE), ERROR_SUCCESS);
    ASSERT_EQ(port.closePort(), ERROR_SUCCESS);
    EXPECT_EQ(device.receive(3), "S\r\n");
}

TEST(SerialPort, ReopensAfterClose) {
    PtyDevice device;
    SerialPort port;
    for (int round = 0; round < 3; ++round) {
        ASSERT_EQ(openOn(port, device, round % 2 == 0), ERROR_SUCCESS);
        ASSERT_TRUE(device.send("r" + std::to_string(round)));
        EXPECT_EQ(readBytesFrom(port, 2), "r" + std::to_string(round));
        ASSERT_EQ(port.closePort(), ERROR_SUCCESS);
    }
}

TEST(SerialPort, ASmallReceiveQueueHoldsTheDeviceBackWithoutLosingBytes) {
    PtyDevice device;
    SerialPort port;
    ASSERT_EQ(port.openPort(device.path().c_str(), 64, 64, true), ERROR_SUCCESS);
    std::string stream;
    for (int i = 0; i < 20000; ++i) {
        stream.push_back(static_cast<char>('A' + i % 26));
    }
    std::thread sender([&] { EXPECT_TRUE(device.send(stream)); });
    std::this_thread::sleep_for(20ms);
    EXPECT_LE(port.handle->queuedBytes(), 64u);
    EXPECT_EQ(readBytesFrom(port, stream.size()), stream);
    sender.join();
}

} // namespace
} // namespace velmar
