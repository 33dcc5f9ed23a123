#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "serial/ComSettings.h"

namespace velmar {
namespace {

TEST(DefaultComSettings, ResetsEverythingButTheBaudOfUnknownTypes) {
    std::vector<int> bauds;
    for (const int type : {kDeviceSeries41, kDeviceSeries5, kDeviceSeries6, kDeviceSeries66,
                           kDeviceSeries77, kDeviceHub, -1, 99}) {
        ComSettings s{7, 9, 1, 4, 1, 0};
        EXPECT_EQ(defaultComSettings(&s, type), 0);
        // COM1, 8 data bits, no parity, one stop bit, no flow control.
        EXPECT_EQ((std::vector<int>{s.portIndex, s.dataBitsIndex, s.parityIndex, s.stopBitsIndex,
                                    s.flowIndex}),
                  (std::vector<int>{0, 3, 2, 0, 2}))
            << type;
        bauds.push_back(s.baudIndex);
    }
    EXPECT_EQ(bauds, (std::vector<int>{5, 12, 5, 9, 9, 9, 9, 9})); // 4800, 115200, 4800, kept
    EXPECT_EQ(defaultComSettings(nullptr, 0), 5);
}

// Records what openConfiguredPort asks of the port, and refuses step `failAt` (1 open, 2 line
// settings, 3 flow control, 4 event character). A refused port is left open for its owner.
class RecordingPort : public SerialPort {
  public:
    int failAt = 0;
    std::vector<std::string> calls;

    std::uint32_t openPort(const char* name, std::uint32_t in, std::uint32_t out,
                           bool overlapped) override {
        return step(1, "open", name, in, out, overlapped ? "overlapped" : "plain");
    }
    std::uint32_t configure(std::uint32_t baud, std::uint8_t bits, std::uint8_t parity,
                            std::uint8_t stop) override {
        return step(2, "configure", baud, +bits, +parity, +stop);
    }
    std::uint32_t setFlowControl(FlowControl mode) override {
        return step(3, "flow", static_cast<int>(mode));
    }
    std::uint32_t setEventCharacter(char character, bool addToMask) override {
        return step(4, "eventchar", +character, addToMask ? "add" : "keep");
    }
    std::uint32_t closePort() override { return step(5, "close"); }

  private:
    template <typename... Values> std::uint32_t step(int number, const Values&... values) {
        std::ostringstream call;
        ((call << values << ' '), ...);
        calls.push_back(call.str());
        return failAt == number ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
    }
};

TEST(OpenConfiguredPort, EveryIndexTurnsIntoItsValueInOrderAndAFailedStepStopsThere) {
    const char* const bauds[] = {"110",   "300",   "600",    "1200",   "2400",
                                 "4800",  "9600",  "14400",  "19200",  "38400",
                                 "56000", "57600", "115200", "128000", "256000"};
    const char* const bits = "5678";
    const char* const parities = "21034"; // even, odd, none, mark, space
    const char* const flows = "210";      // XON/XOFF, hardware, none
    for (int i = 0; i < 15; ++i) {
        RecordingPort port;
        const ComSettings settings{i % 9, i, i % 4, i % 5, i % 3, i % 3};
        ASSERT_EQ(openConfiguredPort(&port, &settings, i % 2 == 0), kPortReady);
        const std::vector<std::string> expected = {
            "open COM" + std::to_string(i % 9 + 1) +
                (i % 2 == 0 ? " 0 0 overlapped " : " 0 0 plain "),
            std::string("configure ") + bauds[i] + " " + bits[i % 4] + " " + parities[i % 5] + " " +
                std::to_string(i % 3) + " ",
            std::string("flow ") + flows[i % 3] + " ", "eventchar 10 add "};
        EXPECT_EQ(port.calls, expected) << i;
    }
    // A failed step or an index outside its table stops there: one index of {0, 5, 3, 2, 0, 2}
    // changed, or a step refused.
    const struct {
        int field, value, failAt, result;
        std::size_t calls;
    } cases[] = {{0, 0, 1, kPortOpenFailed, 1},   {0, 0, 2, kPortLineRefused, 2},
                 {0, 0, 3, kPortFlowRefused, 3},  {0, 0, 4, kPortEventCharRefused, 4},
                 {0, 9, 0, kPortOpenFailed, 0},   {0, -1, 0, kPortOpenFailed, 0},
                 {1, 15, 0, kPortLineRefused, 1}, {2, 4, 0, kPortLineRefused, 1},
                 {3, -1, 0, kPortLineRefused, 1}, {4, 3, 0, kPortLineRefused, 1},
                 {5, 3, 0, kPortFlowRefused, 2}};
    for (const auto& c : cases) {
        ComSettings s{0, 5, 3, 2, 0, 2};
        std::int32_t* const fields[] = {&s.portIndex,   &s.baudIndex,     &s.dataBitsIndex,
                                        &s.parityIndex, &s.stopBitsIndex, &s.flowIndex};
        *fields[c.field] = c.value;
        RecordingPort port;
        port.failAt = c.failAt;
        EXPECT_EQ(openConfiguredPort(&port, &s, true), c.result);
        EXPECT_EQ(port.calls.size(), c.calls) << c.field << " " << c.value << " " << c.failAt;
    }
    RecordingPort port;
    const ComSettings settings;
    EXPECT_EQ(openConfiguredPort(nullptr, &settings, true), 5);
    EXPECT_EQ(openConfiguredPort(&port, nullptr, true), 5);
    EXPECT_TRUE(port.calls.empty());
}

} // namespace
} // namespace velmar
