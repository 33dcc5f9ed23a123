#include <gtest/gtest.h>

#include <cerrno>

#include "serial/PortErrors.h"
#include "serial/SerialPort.h"

namespace velmar {
namespace {

struct ErrnoCase {
    int error;
    std::uint32_t opening;
    std::uint32_t using_;
};

TEST(PortErrors, EveryErrnoMapsOntoAStableStatus) {
    const ErrnoCase cases[] = {
        {0, 0, 0},
        {ENOENT, ERROR_FILE_NOT_FOUND, ERROR_FILE_NOT_FOUND},
        {ENODEV, ERROR_FILE_NOT_FOUND, ERROR_FILE_NOT_FOUND},
        {ENXIO, ERROR_FILE_NOT_FOUND, ERROR_DEVICE_NOT_CONNECTED},
        {EIO, ERROR_FILE_NOT_FOUND, ERROR_DEVICE_NOT_CONNECTED},
        {ENOTTY, ERROR_FILE_NOT_FOUND, ERROR_INVALID_PARAMETER},
        {EISDIR, ERROR_FILE_NOT_FOUND, ERROR_FILE_NOT_FOUND},
        {EACCES, ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED},
        {EPERM, ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED},
        {EBUSY, ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED},
        {EINVAL, ERROR_INVALID_PARAMETER, ERROR_INVALID_PARAMETER},
        {ENOMEM, ERROR_NOT_ENOUGH_MEMORY, ERROR_NOT_ENOUGH_MEMORY},
        {EMFILE, ERROR_TOO_MANY_OPEN_FILES, ERROR_TOO_MANY_OPEN_FILES},
        {ELOOP, ERROR_GEN_FAILURE, ERROR_GEN_FAILURE},
        {EHOSTUNREACH, ERROR_GEN_FAILURE, ERROR_GEN_FAILURE},
        {12345, ERROR_GEN_FAILURE, ERROR_GEN_FAILURE},
    };
    for (const ErrnoCase& c : cases) {
        EXPECT_EQ(statusFromErrno(c.error, PortActivity::Opening), c.opening) << c.error;
        EXPECT_EQ(statusFromErrno(c.error, PortActivity::Using), c.using_) << c.error;
    }
}

TEST(PortErrors, OnlyPermissionFailuresAskForTheGroup) {
    EXPECT_TRUE(isPermissionFailure(ERROR_ACCESS_DENIED, EACCES));
    EXPECT_TRUE(isPermissionFailure(ERROR_ACCESS_DENIED, EPERM));
    EXPECT_FALSE(isPermissionFailure(ERROR_ACCESS_DENIED, EBUSY));
    EXPECT_FALSE(isPermissionFailure(ERROR_FILE_NOT_FOUND, EACCES));

    const std::string denied = portFailureText(ERROR_ACCESS_DENIED, EACCES, "");
    EXPECT_NE(denied.find("dialout group"), std::string::npos) << denied;
    const std::string busy = portFailureText(ERROR_ACCESS_DENIED, EBUSY, "/dev/ttyUSB0");
    EXPECT_EQ(busy, "/dev/ttyUSB0 is in use by another program");
    EXPECT_EQ(busy.find("group"), std::string::npos);
}

TEST(PortErrors, TextsNameTheDeviceAndTheCause) {
    EXPECT_EQ(portFailureText(ERROR_FILE_NOT_FOUND, ENOENT, "/dev/ttyUSB3"),
              "No serial device at /dev/ttyUSB3");
    EXPECT_EQ(portFailureText(ERROR_FILE_NOT_FOUND, ENOTTY, "/tmp/x"),
              "/tmp/x is not a serial device");
    EXPECT_EQ(portFailureText(ERROR_DEVICE_NOT_CONNECTED, EIO, "/dev/ttyACM0"),
              "The device on /dev/ttyACM0 was disconnected");
    EXPECT_EQ(portFailureText(ERROR_INVALID_PARAMETER, EINVAL, ""),
              "the port refused the line settings");
}

TEST(PortErrors, TheDeviceGroupFallsBackToDialout) {
    EXPECT_EQ(deviceGroup(""), "dialout");
    EXPECT_EQ(deviceGroup("/nonexistent/device"), "dialout");
    // /dev/null belongs to root: no group to join, so the usual one is named.
    EXPECT_EQ(deviceGroup("/dev/null"), "dialout");
}

} // namespace
} // namespace velmar
