// "COM Properties" (lists, positions in and out, the device line) and "Wiring Info" (the drawing
// of each device type, transparent around the cable).

#include <QComboBox>
#include <QImage>
#include <QTest>

#include <gtest/gtest.h>

#include "UiTestSupport.h"
#include "ui/ComSettingsDialog.h"
#include "ui/WiringInfoDialog.h"

namespace velmar {
namespace {

TEST(ComSettingsDialogTest, ListsMatchTheLineTables) {
    ComSettingsDialog built;
    const ComSettings atBuild = built.settings();
    EXPECT_EQ(std::tie(atBuild.portIndex, atBuild.baudIndex, atBuild.dataBitsIndex,
                       atBuild.flowIndex, atBuild.parityIndex, atBuild.stopBitsIndex),
              std::tuple(0, 4, 3, 2, 2, 0));
    EXPECT_EQ(built.windowTitle(), "COM Properties");
    // The ports (9) and line speeds (15) from first to last, the other lists whole.
    const std::pair<int, QStringList> lists[] = {
        {1033, {"COM1", "COM9", "9"}}, {1034, {"110", "256000", "15"}},
        {1035, {"5", "6", "7", "8"}},  {1036, {"Even", "Odd", "None", "Mark", "Space"}},
        {1037, {"1", "1.5", "2"}},     {1038, {"Xon / Xoff", "Hardware", "None"}},
    };
    for (const auto& [id, expected] : lists) {
        auto* list = control<QComboBox>(&built, id);
        QStringList texts;
        for (int i = 0; i < list->count(); ++i) {
            texts.append(list->itemText(i));
        }
        const QStringList ends = {texts.front(), texts.back(), QString::number(texts.size())};
        EXPECT_EQ(id > 1034 ? texts : ends, expected) << id;
    }
}

TEST(ComSettingsDialogTest, DeviceLineSaysWhatTheChosenNameStandsForEachTimeItOpens) {
    ComSettingsDialog dialog;
    {
        const ScopedSerialDevices none({});
        dialog.show();
        EXPECT_EQ(dialog.deviceText(), "no device");
        dialog.hide();
    }
    const ScopedSerialDevices plugged({"/dev/ttyUSB0", "/dev/ttyACM1"});
    dialog.show(); // opened again: the adapters plugged in meanwhile are seen
    const char* expected[] = {"/dev/ttyUSB0 \u2014 USB serial adapter",
                              "/dev/ttyACM1 \u2014 USB serial device", "no device"};
    for (int port = 0; port < 3; ++port) {
        if (port > 0) {
            control<QComboBox>(&dialog, 1033)->setCurrentIndex(port);
        }
        EXPECT_EQ(dialog.deviceText(), QString::fromUtf8(expected[port])) << port;
    }
    EXPECT_EQ(control<QComboBox>(&dialog, 1033)->currentText(), "COM3"); // the item texts stay
    // A simulated plotter is described in its simulator's own words.
    const std::vector<SerialPortInfo> simulated = {
        {"COM1", "/dev/pts/7", "COM1 \xE2\x80\x94 simulated Series 41 plotter", true}};
    EXPECT_EQ(portDeviceText(simulated, 0), "simulated Series 41 plotter");
}

TEST(WiringInfoDialogTest, DrawsTheCableOfTheTypeAndLetsTheBackgroundShowAroundIt) {
    // A pixel on the first wire of each drawing: Series 41 white, Series 5 blue, Series 6 violet.
    const QPoint onWire = kWiringPictureRect.topLeft() + QPoint(380, 60);
    const QPoint aroundCable = kWiringPictureRect.topLeft() + QPoint(5, 30);
    const QRgb wires[] = {0xFFFFFF, 0x2F6FD0, 0x8E44AD, 0, 0, 0};
    for (int type = 0; type < 6; ++type) {
        WiringInfoDialog dialog;
        dialog.setDeviceType(type);
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        const QImage image = dialog.grab().toImage();
        const QRgb background = dialog.palette().color(QPalette::Window).rgb();
        const QRgb expected = type < 3 ? (0xFF000000u | wires[type]) : background;
        EXPECT_EQ(image.pixel(onWire), expected) << type;
        EXPECT_EQ(image.pixel(aroundCable), background) << type;
        EXPECT_EQ(image.pixel(QPoint(3, 3)), background) << type;
        EXPECT_EQ(dialog.windowTitle(), "Wiring Info");
    }
}

} // namespace
} // namespace velmar
