// The port settings of the pages turned into a configured port, the port's failures in a user's
// words, and the serial ports' names.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>
#include <vector>

#include "PtyDevice.h"
#include "TestSupport.h"
#include "serial/ComSettings.h"
#include "serial/PortErrors.h"
#include "serial/PortNames.h"

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
    // A failed step or an index outside its table stops there: {index changed, its value, step
    // refused, result, steps asked}, from {0, 5, 3, 2, 0, 2}.
    const std::tuple<int, int, int, int, std::size_t> cases[] = {
        {0, 0, 1, kPortOpenFailed, 1},   {0, 0, 2, kPortLineRefused, 2},
        {0, 0, 3, kPortFlowRefused, 3},  {0, 0, 4, kPortEventCharRefused, 4},
        {0, 9, 0, kPortOpenFailed, 0},   {0, -1, 0, kPortOpenFailed, 0},
        {1, 15, 0, kPortLineRefused, 1}, {2, 4, 0, kPortLineRefused, 1},
        {3, -1, 0, kPortLineRefused, 1}, {4, 3, 0, kPortLineRefused, 1},
        {5, 3, 0, kPortFlowRefused, 2}};
    for (const auto& [field, value, failAt, result, calls] : cases) {
        ComSettings s{0, 5, 3, 2, 0, 2};
        std::int32_t* const fields[] = {&s.portIndex,   &s.baudIndex,     &s.dataBitsIndex,
                                        &s.parityIndex, &s.stopBitsIndex, &s.flowIndex};
        *fields[field] = value;
        RecordingPort port;
        port.failAt = failAt;
        EXPECT_EQ(openConfiguredPort(&port, &s, true), result);
        EXPECT_EQ(port.calls.size(), calls) << field << " " << value << " " << failAt;
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
    const std::tuple<std::uint32_t, int, const char*, const char*> cases[] = {
        // status, errno
        {ERROR_ACCESS_DENIED, EACCES, "",
         "Permission denied on the port: the user needs to be in "
         "the dialout group (log in again after adding it)"},
        {ERROR_ACCESS_DENIED, EBUSY, "/dev/ttyUSB0", "/dev/ttyUSB0 is in use by another program"},
        {ERROR_FILE_NOT_FOUND, ENOENT, "/dev/ttyUSB3", "No serial device at /dev/ttyUSB3"},
        {ERROR_FILE_NOT_FOUND, ENOTTY, "/tmp/x", "/tmp/x is not a serial device"},
        {ERROR_DEVICE_NOT_CONNECTED, EIO, "/dev/ttyACM0",
         "The device on /dev/ttyACM0 was disconnected"},
        {ERROR_INVALID_PARAMETER, EINVAL, "", "the port refused the line settings"}};
    for (const auto& [status, error, device, text] : cases) {
        EXPECT_EQ(portFailureText(status, error, device), text);
    }
    // No group to join (no device, or owned by root): the usual one is named.
    for (const char* device : {"", "/nonexistent/device", "/dev/null"}) {
        EXPECT_EQ(deviceGroup(device), "dialout") << device;
    }
}

namespace fs = std::filesystem;

TEST(PortNames, UsbAdaptersComeFirstInNumericOrderThenRealBuiltInPortsWithStableLinks) {
    // A made-up /dev and /sys/class/tty: device files are plain files here, names are what count.
    test::TempDir root;
    const std::string dev = root.file("dev") + "/", ttyClass = root.file("sys/class/tty") + "/";
    fs::create_directories(dev + "serial/by-id");
    for (const char* name :
         {"ttyUSB10", "ttyUSB2", "ttyACM1", "ttyACM0", "ttyS0", "ttyS1", "ttyS4", "ttyS31", "ttyS",
          "ttyUSB", "ttyUSBx", "tty0", "ttyprintk", "console", "ttyAMA0", "ttyS5"}) {
        test::writeBytes(dev + name, "");
    }
    // ttyS0 and ttyS4 have UARTs; ttyS1 and ttyS31 are phantoms; ttyS5 tells nothing.
    for (const auto& [name, type] :
         {std::pair{"ttyS0", "4\n"}, {"ttyS1", "0\n"}, {"ttyS4", "16\n"}, {"ttyS31", "0"}}) {
        fs::create_directories(ttyClass + name);
        test::writeBytes(ttyClass + name + "/type", type);
    }
    const std::vector<std::string> usb = {dev + "ttyUSB2", dev + "ttyUSB10", dev + "ttyACM0",
                                          dev + "ttyACM1"};
    std::vector<std::string> devices = usb;
    devices.insert(devices.end(), {dev + "ttyS0", dev + "ttyS4"});
    EXPECT_EQ(scanSerialDevices(root.file("dev"), root.file("sys/class/tty")), devices);
    // Without the sysfs folder no built-in port can be shown to be real.
    EXPECT_EQ(scanSerialDevices(root.file("dev"), root.file("nothing")), usb);
    EXPECT_TRUE(scanSerialDevices(root.file("nothing"), ttyClass).empty());

    fs::create_symlink("../../ttyUSB10", dev + "serial/by-id/usb-Maker_Cable_A1-if00-port0");
    fs::create_symlink("../../ttyGone", dev + "serial/by-id/usb-dangling");
    for (int i = 0; i < 6; ++i) {
        devices.push_back("/dev/ttyVELMAR" + std::to_string(i));
    }
    const auto ports = describeSerialPorts(devices, dev + "serial/by-id");
    ASSERT_EQ(ports.size(), 9u) << "only nine devices get COM names";
    EXPECT_EQ(ports[0].name + ports[0].device, "COM1" + dev + "ttyUSB2");
    EXPECT_EQ(ports[0].description, "COM1 \xE2\x80\x94 " + dev + "ttyUSB2");
    EXPECT_EQ(ports[1].description,
              "COM2 \xE2\x80\x94 " + dev + "serial/by-id/usb-Maker_Cable_A1-if00-port0");
    EXPECT_EQ(ports[8].name + ports[8].device, "COM9/dev/ttyVELMAR2");
}

TEST(PortNames, ComNamesResolveThroughTheInstalledDevices) {
    const ScopedSerialDevices outer({"/dev/outer"});
    {
        const ScopedSerialDevices devices({"/dev/ttyUSB0", "/dev/ttyACM3", "/dev/ttyS0"});
        std::string resolved;
        for (const char* name : {"COM1", "COM2", "com3", "Com3", "COM4", "COM9", "COM0", "COM10",
                                 "COM", "COM1 ", "LPT1", "", "/dev/pts/7", "ttyUSB0"}) {
            resolved += resolvePortName(name) + "|";
        }
        EXPECT_EQ(resolved, "/dev/ttyUSB0|/dev/ttyACM3|/dev/ttyS0|/dev/ttyS0|||||||||/dev/pts/7||");
        EXPECT_EQ(resolvePortName(nullptr), "");
        EXPECT_EQ(listSerialPorts().size(), 3u);
    }
    EXPECT_EQ(resolvePortName("COM1"), "/dev/outer") << "the scoped list restores the previous";
}

TEST(PortNames, SimulatorsCountOnlyFromAPrivateFolderAsLinksToTheUsersOwnLivePseudoTerminals) {
    test::TempDir root;
    const std::string base = root.file("velmar"), folder = base + "/ports";
    std::string problem;
    const int fd = openSimulatorPortFolder(folder, true, &problem);
    ASSERT_GE(fd, 0) << problem;
    ::close(fd);
    struct stat info {};
    ASSERT_EQ(::stat(base.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0700u) << "created private to the user";

    test::PtyDevice device;
    const std::string me = std::to_string(::getpid());
    const std::string good = simulatorEntryName(::getpid(), "simulated Series 5 plotter");
    for (const auto& [name, target] : {std::pair{good, device.path()},
                                       {me + " not a terminal", std::string("/etc/passwd")},
                                       {"999999999 no such process", device.path()},
                                       {"no process id", device.path()},
                                       {me + " other owner", device.path()}}) {
        ASSERT_EQ(::symlink(target.c_str(), (folder + "/" + name).c_str()), 0) << name;
    }
    test::writeBytes(folder + "/" + me + " a file", "");
    if (::geteuid() == 0) {
        ASSERT_EQ(::lchown((folder + "/" + me + " other owner").c_str(), 4321, 4321), 0);
    } else {
        fs::remove(folder + "/" + me + " other owner");
    }
    const std::vector<SimulatorPort> ports = scanSimulatorPorts(folder);
    ASSERT_EQ(ports.size(), 1u);
    EXPECT_EQ(ports[0].device + "|" + ports[0].description,
              device.path() + "|simulated Series 5 plotter");
    EXPECT_EQ(describeSerialPorts({"/dev/ttyUSB0", device.path()}, root.file("none"), ports)[1]
                  .description,
              "COM2 \xE2\x80\x94 simulated Series 5 plotter");

    // A folder that others could use, or a link in its place, is refused and never read.
    ASSERT_EQ(::chmod(folder.c_str(), 0755), 0);
    EXPECT_EQ(openSimulatorPortFolder(folder, true, &problem), -1);
    EXPECT_NE(problem.find("ports has mode 0755"), std::string::npos) << problem;
    EXPECT_TRUE(scanSimulatorPorts(folder).empty());
    ASSERT_EQ(::chmod(folder.c_str(), 0700), 0);
    fs::rename(base, root.file("elsewhere"));
    fs::create_directory_symlink(root.file("elsewhere"), base);
    EXPECT_EQ(openSimulatorPortFolder(folder, true, &problem), -1);
    EXPECT_NE(problem.find("is not a folder"), std::string::npos) << problem;
    EXPECT_TRUE(scanSimulatorPorts(folder).empty());

    // Names are safe for a file and cut at a character, never inside one.
    std::string description = "a/b\nx";
    for (int i = 0; i < 150; ++i) {
        description += "\xC3\xA9";
    }
    const std::string name = simulatorEntryName(12, description);
    EXPECT_EQ(name.substr(0, 8), "12 a_b_x");
    EXPECT_EQ(name.size(), 3u + 199u) << "200 bytes would cut a two-byte character";
}

} // namespace
} // namespace velmar
