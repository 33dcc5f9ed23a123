#include <gtest/gtest.h>

#include <cerrno>
#include <vector>

#include "serial/PortErrors.h"
#include "serial/SerialPort.h"

namespace velmar {
namespace {

TEST(PortErrors, EveryErrnoMapsOntoAStableStatus) {
    std::vector<std::uint32_t> opening, using_;
    for (const int error : {0, ENOENT, ENODEV, EISDIR, ENXIO, EIO, ENOTTY, EACCES, EPERM, EBUSY,
                            EINVAL, ENOMEM, EMFILE, EHOSTUNREACH, 12345}) {
        opening.push_back(statusFromErrno(error, PortActivity::Opening));
        using_.push_back(statusFromErrno(error, PortActivity::Using));
    }
    // No errno value leaks out: a device that fails while opened is not there (2), one that
    // fails in use is gone (1167).
    EXPECT_EQ(opening,
              (std::vector<std::uint32_t>{0, 2, 2, 2, 2, 2, 2, 5, 5, 5, 87, 8, 4, 31, 31}));
    EXPECT_EQ(using_,
              (std::vector<std::uint32_t>{0, 2, 2, 2, 1167, 1167, 87, 5, 5, 5, 87, 8, 4, 31, 31}));
}

TEST(PortErrors, TextsNameTheDeviceAndTheCauseAndOnlyPermissionAsksForTheGroup) {
    EXPECT_TRUE(isPermissionFailure(ERROR_ACCESS_DENIED, EACCES));
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
