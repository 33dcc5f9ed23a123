#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PtyDevice.h"
#include "serial/ComSettings.h"
#include "serial/PortNames.h"

namespace velmar {
namespace {

using test::PtyDevice;

struct DefaultCase {
    int deviceType;
    std::int32_t baudIndex;
};

class DefaultComSettingsTable : public ::testing::TestWithParam<DefaultCase> {};

TEST_P(DefaultComSettingsTable, ResetsEverythingButTheBaudOfUnknownTypes) {
    const DefaultCase& c = GetParam();
    ComSettings settings{7, 9, 1, 4, 1, 0};
    EXPECT_EQ(defaultComSettings(&settings, c.deviceType), 0);
    EXPECT_EQ(settings.portIndex, 0);
    EXPECT_EQ(settings.baudIndex, c.baudIndex);
    EXPECT_EQ(settings.dataBitsIndex, 3);
    EXPECT_EQ(settings.parityIndex, 2);
    EXPECT_EQ(settings.stopBitsIndex, 0);
    EXPECT_EQ(settings.flowIndex, 2);
}

INSTANTIATE_TEST_SUITE_P(
    ComSettings, DefaultComSettingsTable,
    ::testing::Values(DefaultCase{kDeviceSeries41, 5}, DefaultCase{kDeviceSeries5, 12},
                      DefaultCase{kDeviceSeries6, 5}, DefaultCase{kDeviceSeries66, 9},
                      DefaultCase{kDeviceSeries77, 9}, DefaultCase{kDeviceHub, 9},
                      DefaultCase{-1, 9}, DefaultCase{99, 9}),
    [](const ::testing::TestParamInfo<DefaultCase>& info) {
        const int type = info.param.deviceType;
        return type < 0 ? std::string("TypeNegative") : "Type" + std::to_string(type);
    });

TEST(DefaultComSettings, MissingSettingsGiveFive) {
    EXPECT_EQ(defaultComSettings(nullptr, 0), 5);
}

TEST(DefaultComSettings, DeviceDefaultsMeanTheirLineParameters) {
    ComSettings series5;
    defaultComSettings(&series5, kDeviceSeries5);
    EXPECT_STREQ(kComPortNames[series5.portIndex], "COM1");
    EXPECT_EQ(kBaudRates[series5.baudIndex], 115200u);
    EXPECT_EQ(kDataBitsValues[series5.dataBitsIndex], 8);
    EXPECT_EQ(kParityValues[series5.parityIndex], NOPARITY);
    EXPECT_EQ(kStopBitsValues[series5.stopBitsIndex], ONESTOPBIT);
    EXPECT_EQ(kFlowValues[series5.flowIndex], FlowControl::None);
    ComSettings series41;
    defaultComSettings(&series41, kDeviceSeries41);
    EXPECT_EQ(kBaudRates[series41.baudIndex], 4800u);
}

// Records what openConfiguredPort asks of the port, and fails the step it is told to.
class RecordingPort : public SerialPort {
  public:
    int failAt = 0; // 1 open, 2 configure, 3 flow control, 4 event character
    std::vector<std::string> calls;

    std::uint32_t openPort(const char* name, std::uint32_t in, std::uint32_t out,
                           bool overlapped) override {
        calls.push_back("open " + std::string(name) + " " + std::to_string(in) + " " +
                        std::to_string(out) + (overlapped ? " overlapped" : " plain"));
        opened = failAt != 1;
        return failAt == 1 ? ERROR_FILE_NOT_FOUND : ERROR_SUCCESS;
    }
    std::uint32_t configure(std::uint32_t baud, std::uint8_t bits, std::uint8_t parity,
                            std::uint8_t stop) override {
        calls.push_back("configure " + std::to_string(baud) + " " + std::to_string(bits) + " " +
                        std::to_string(parity) + " " + std::to_string(stop));
        return failAt == 2 ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
    }
    std::uint32_t setFlowControl(FlowControl mode) override {
        calls.push_back("flow " + std::to_string(static_cast<int>(mode)));
        return failAt == 3 ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
    }
    std::uint32_t setEventCharacter(char character, bool addToMask) override {
        calls.push_back("eventchar " + std::to_string(int(character)) +
                        (addToMask ? " add" : " keep"));
        return failAt == 4 ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
    }
    bool opened = false;
};

TEST(OpenConfiguredPort, OpensConfiguresAndSetsTheLineFeedInOrder) {
    RecordingPort port;
    const ComSettings settings{8, 5, 3, 2, 0, 2};
    EXPECT_EQ(openConfiguredPort(&port, &settings, true), kPortReady);
    const std::vector<std::string> expected = {"open COM9 0 0 overlapped", "configure 4800 8 0 0",
                                               "flow 0", "eventchar 10 add"};
    EXPECT_EQ(port.calls, expected);
}

TEST(OpenConfiguredPort, EachFailedStepHasItsResultAndLeavesThePortOpen) {
    for (int step = 1; step <= 4; ++step) {
        RecordingPort port;
        port.failAt = step;
        const ComSettings settings{0, 12, 3, 2, 0, 2};
        EXPECT_EQ(openConfiguredPort(&port, &settings, false), step);
        EXPECT_EQ(port.calls.size(), static_cast<std::size_t>(step)) << "stops at step " << step;
        EXPECT_EQ(port.opened, step != 1);
    }
}

TEST(OpenConfiguredPort, EveryIndexTurnsIntoItsValue) {
    const char* const baudTexts[] = {"110",   "300",   "600",    "1200",   "2400",
                                     "4800",  "9600",  "14400",  "19200",  "38400",
                                     "56000", "57600", "115200", "128000", "256000"};
    for (int i = 0; i < 15; ++i) {
        RecordingPort port;
        const ComSettings settings{i % 9, i, i % 4, i % 5, i % 3, i % 3};
        ASSERT_EQ(openConfiguredPort(&port, &settings, true), kPortReady);
        static const int bits[] = {5, 6, 7, 8};
        static const int parities[] = {2, 1, 0, 3, 4};
        static const int stops[] = {0, 1, 2};
        static const int flows[] = {2, 1, 0};
        EXPECT_EQ(port.calls[0], "open COM" + std::to_string(i % 9 + 1) + " 0 0 overlapped");
        EXPECT_EQ(port.calls[1],
                  "configure " + std::string(baudTexts[i]) + " " + std::to_string(bits[i % 4]) +
                      " " + std::to_string(parities[i % 5]) + " " + std::to_string(stops[i % 3]));
        EXPECT_EQ(port.calls[2], "flow " + std::to_string(flows[i % 3]));
    }
}

TEST(OpenConfiguredPort, IndexesOutsideTheirTablesFailTheirStepWithoutReadingPastIt) {
    struct Case {
        ComSettings settings;
        int result;
        std::size_t calls;
    };
    const Case cases[] = {
        {{9, 5, 3, 2, 0, 2}, kPortOpenFailed, 0},   {{-1, 5, 3, 2, 0, 2}, kPortOpenFailed, 0},
        {{0, 15, 3, 2, 0, 2}, kPortLineRefused, 1}, {{0, 5, 4, 2, 0, 2}, kPortLineRefused, 1},
        {{0, 5, 3, -1, 0, 2}, kPortLineRefused, 1}, {{0, 5, 3, 2, 3, 2}, kPortLineRefused, 1},
        {{0, 5, 3, 2, 0, 3}, kPortFlowRefused, 2}};
    for (const Case& c : cases) {
        RecordingPort port;
        EXPECT_EQ(openConfiguredPort(&port, &c.settings, true), c.result);
        EXPECT_EQ(port.calls.size(), c.calls);
    }
}

TEST(OpenConfiguredPort, MissingArgumentsGiveFive) {
    RecordingPort port;
    const ComSettings settings;
    EXPECT_EQ(openConfiguredPort(nullptr, &settings, true), 5);
    EXPECT_EQ(openConfiguredPort(&port, nullptr, true), 5);
    EXPECT_TRUE(port.calls.empty());
}

TEST(OpenConfiguredPort, AnAbsentDeviceGivesOpenFailed) {
    const ScopedSerialDevices none({});
    SerialPort port;
    ComSettings settings;
    defaultComSettings(&settings, kDeviceSeries41);
    EXPECT_EQ(openConfiguredPort(&port, &settings, true), kPortOpenFailed);
    EXPECT_EQ(port.lastError, ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(port.isOpen());

    const ScopedSerialDevices gone({"/dev/ttyVELMAR-unplugged"});
    EXPECT_EQ(openConfiguredPort(&port, &settings, true), kPortOpenFailed);
}

TEST(OpenConfiguredPort, PortIndexEightOpensTheNinthDevice) {
    PtyDevice device;
    std::vector<std::string> devices(8, "/dev/ttyVELMAR-absent");
    devices.push_back(device.path());
    const ScopedSerialDevices scoped(devices);
    SerialPort port;
    ComSettings settings;
    defaultComSettings(&settings, kDeviceSeries6);
    settings.portIndex = 8;
    ASSERT_EQ(openConfiguredPort(&port, &settings, true), kPortReady);
    EXPECT_EQ(device.lineSpeed(), 4800u);
    EXPECT_EQ(port.eventMask(), 0xC3u);
    EXPECT_EQ(port.flowControl(), 0);
}

TEST(OpenConfiguredPort, OneAndAHalfStopBitsWithEightDataBitsAreRefused) {
    PtyDevice device;
    const ScopedSerialDevices scoped({device.path()});
    SerialPort port;
    ComSettings settings;
    defaultComSettings(&settings, kDeviceSeries41);
    settings.stopBitsIndex = 1;
    EXPECT_EQ(openConfiguredPort(&port, &settings, true), kPortLineRefused);
    EXPECT_TRUE(port.isOpen()) << "the caller's port closes it";
    settings.dataBitsIndex = 0; // 5 data bits take 1.5 stop bits
    port.closePort();
    EXPECT_EQ(openConfiguredPort(&port, &settings, true), kPortReady);
    EXPECT_EQ(port.stopBits(), ONE5STOPBITS);
}

} // namespace
} // namespace velmar
