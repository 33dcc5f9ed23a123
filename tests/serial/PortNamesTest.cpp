#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "serial/PortNames.h"

namespace velmar {
namespace {

namespace fs = std::filesystem;

// A made-up /dev and /sys/class/tty: device files are plain files here, names are what count.
class FakeDevices : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(dev());
        fs::create_directories(ttyClass());
        for (const char* name :
             {"ttyUSB10", "ttyUSB2", "ttyACM1", "ttyACM0", "ttyS0", "ttyS1", "ttyS4", "ttyS31",
              "ttyS", "ttyUSB", "ttyUSBx", "tty0", "ttyprintk", "console", "ttyAMA0", "ttyS5"}) {
            test::writeBytes(dev() + "/" + name, "");
        }
        // ttyS0 and ttyS4 have UARTs; ttyS1 and ttyS31 are phantoms; ttyS5 tells nothing.
        uart("ttyS0", "4\n");
        uart("ttyS1", "0\n");
        uart("ttyS4", "16\n");
        uart("ttyS31", "0");
    }
    void uart(const std::string& name, const std::string& type) {
        fs::create_directories(ttyClass() + "/" + name);
        test::writeBytes(ttyClass() + "/" + name + "/type", type);
    }
    std::string dev() const { return root.file("dev"); }
    std::string ttyClass() const { return root.file("sys/class/tty"); }

    test::TempDir root;
};

TEST_F(FakeDevices, UsbAdaptersComeFirstInNumericOrderThenRealBuiltInPorts) {
    const std::vector<std::string> expected = {dev() + "/ttyUSB2", dev() + "/ttyUSB10",
                                               dev() + "/ttyACM0", dev() + "/ttyACM1",
                                               dev() + "/ttyS0",   dev() + "/ttyS4"};
    EXPECT_EQ(scanSerialDevices(dev(), ttyClass()), expected);
}

TEST_F(FakeDevices, DescriptionsShowTheStableLinkWhenThereIsOne) {
    fs::create_directories(dev() + "/serial/by-id");
    fs::create_symlink("../../ttyUSB10", dev() + "/serial/by-id/usb-Maker_Cable_A1-if00-port0");
    fs::create_symlink("../../ttyGone", dev() + "/serial/by-id/usb-dangling");
    const auto ports =
        describeSerialPorts(scanSerialDevices(dev(), ttyClass()), dev() + "/serial/by-id");
    ASSERT_EQ(ports.size(), 6u);
    EXPECT_EQ(ports[0].name, "COM1");
    EXPECT_EQ(ports[0].device, dev() + "/ttyUSB2");
    EXPECT_EQ(ports[0].description, "COM1 \xE2\x80\x94 " + dev() + "/ttyUSB2");
    EXPECT_EQ(ports[1].description,
              "COM2 \xE2\x80\x94 " + dev() + "/serial/by-id/usb-Maker_Cable_A1-if00-port0");
    EXPECT_EQ(ports[5].name, "COM6");
}

TEST_F(FakeDevices, AMissingFolderGivesNoDevices) {
    EXPECT_TRUE(scanSerialDevices(root.file("nothing"), ttyClass()).empty());
    // Without the sysfs folder no built-in port can be shown to be real.
    const auto devices = scanSerialDevices(dev(), root.file("nothing"));
    ASSERT_EQ(devices.size(), 4u);
    EXPECT_EQ(devices.back(), dev() + "/ttyACM1");
}

TEST(PortNames, OnlyTheFirstNineDevicesGetComNames) {
    std::vector<std::string> devices;
    for (int i = 0; i < 12; ++i) {
        devices.push_back("/dev/ttyUSB" + std::to_string(i));
    }
    const auto ports = describeSerialPorts(devices, "/nonexistent");
    ASSERT_EQ(ports.size(), 9u);
    EXPECT_EQ(ports[8].name, "COM9");
    EXPECT_EQ(ports[8].device, "/dev/ttyUSB8");
}

TEST(PortNames, ComNamesResolveThroughTheInstalledDevices) {
    const ScopedSerialDevices devices({"/dev/ttyUSB0", "/dev/ttyACM3", "/dev/ttyS0"});
    struct Case {
        const char* name;
        const char* device;
    };
    const Case cases[] = {{"COM1", "/dev/ttyUSB0"},
                          {"COM2", "/dev/ttyACM3"},
                          {"com3", "/dev/ttyS0"},
                          {"Com3", "/dev/ttyS0"},
                          {"COM4", ""},
                          {"COM9", ""},
                          {"COM0", ""},
                          {"COM10", ""},
                          {"COM", ""},
                          {"COM1 ", ""},
                          {"LPT1", ""},
                          {"", ""},
                          {"/dev/pts/7", "/dev/pts/7"},
                          {"ttyUSB0", ""}};
    for (const Case& c : cases) {
        EXPECT_EQ(resolvePortName(c.name), c.device) << c.name;
    }
    EXPECT_EQ(resolvePortName(nullptr), "");
    EXPECT_EQ(listSerialPorts().size(), 3u);
}

TEST(PortNames, AScopedListRestoresThePreviousOne) {
    const ScopedSerialDevices outer({"/dev/outer"});
    {
        const ScopedSerialDevices inner({"/dev/inner"});
        EXPECT_EQ(resolvePortName("COM1"), "/dev/inner");
    }
    EXPECT_EQ(resolvePortName("COM1"), "/dev/outer");
}

} // namespace
} // namespace velmar
