// The port settings of the pages turned into a configured port, and the port's failures in a
// user's words.
#include <gtest/gtest.h>

#include <cerrno>
#include <sstream>
#include <string>
#include <vector>

#include "serial/ComSettings.h"
#include "serial/PortErrors.h"

namespace velmar {
namespace {

// Records what openConfiguredPort asks of the port, and refuses step `failAt` (1 open, 2 line
// settings, 3 flow control, 4 event character).
class RecordingPort : public SerialPort {
  public:
    int failAt = 0;
    std::vector<std::string> calls;

    std::uint32_t openPort(const char* name, std::uint32_t, std::uint32_t,
                           bool overlapped) override {
        return step(1, "open", name, overlapped ? "overlapped" : "plain");
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

  private:
    template <typename... Values> std::uint32_t step(int number, const Values&... values) {
        std::ostringstream call;
        ((call << values << ' '), ...);
        calls.push_back(call.str());
        return failAt == number ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
    }
};

TEST(OpenConfiguredPort, EveryIndexTurnsIntoItsValueInOrderAndAFailedStepStopsThere) {
    // COM3, 115200, 7 bits, mark parity, 1.5 stop bits, XON/XOFF; COM9, 110, 5, even, 2, hardware.
    for (const auto& [settings, overlapped, expected] :
         {std::tuple{ComSettings{2, 12, 2, 3, 1, 0}, true,
                     std::vector<std::string>{"open COM3 overlapped ", "configure 115200 7 3 1 ",
                                              "flow 2 ", "eventchar 10 add "}},
          {ComSettings{8, 0, 0, 0, 2, 1},
           false,
           {"open COM9 plain ", "configure 110 5 2 2 ", "flow 1 ", "eventchar 10 add "}}}) {
        RecordingPort port;
        ASSERT_EQ(openConfiguredPort(&port, &settings, overlapped), kPortReady);
        EXPECT_EQ(port.calls, expected);
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
    EXPECT_EQ(defaultComSettings(nullptr, 0), 5); // each type's defaults are the pages' test
    EXPECT_TRUE(port.calls.empty());
}

TEST(PortErrors, TextsNameTheDeviceAndTheCauseAndOnlyPermissionAsksForTheGroup) {
    EXPECT_TRUE(isPermissionFailure(ERROR_ACCESS_DENIED, EPERM));
    EXPECT_FALSE(isPermissionFailure(ERROR_ACCESS_DENIED, EBUSY));
    EXPECT_FALSE(isPermissionFailure(ERROR_FILE_NOT_FOUND, EACCES));
    const struct {
        std::uint32_t status;
        int error;
        const char *device, *text;
    } cases[] = {
        {ERROR_ACCESS_DENIED, EACCES, "",
         "Permission denied on the port: the user needs to be in "
         "the dialout group (log in again after adding it)"},
        {ERROR_ACCESS_DENIED, EBUSY, "/dev/ttyUSB0", "/dev/ttyUSB0 is in use by another program"},
        {ERROR_FILE_NOT_FOUND, ENOENT, "/dev/ttyUSB3", "No serial device at /dev/ttyUSB3"},
        {ERROR_FILE_NOT_FOUND, ENOTTY, "/tmp/x", "/tmp/x is not a serial device"},
        {ERROR_DEVICE_NOT_CONNECTED, EIO, "/dev/ttyACM0",
         "The device on /dev/ttyACM0 was disconnected"},
        {ERROR_INVALID_PARAMETER, EINVAL, "", "the port refused the line settings"}};
    for (const auto& c : cases) {
        EXPECT_EQ(portFailureText(c.status, c.error, c.device), c.text);
    }
    // No group to join (no device, or owned by root): the usual one is named.
    for (const char* device : {"", "/nonexistent/device", "/dev/null"}) {
        EXPECT_EQ(deviceGroup(device), "dialout") << device;
    }
}

} // namespace
} // namespace velmar
