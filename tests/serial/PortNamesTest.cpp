#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "PtyDevice.h"
#include "TestSupport.h"
#include "serial/PortNames.h"

namespace velmar {
namespace {

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
