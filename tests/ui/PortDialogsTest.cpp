// "COM Properties": its lists, the positions in and out, the device line. ("Wiring Info" is
// opened from the transfer pages' tests.)

#include <QComboBox>

#include <gtest/gtest.h>

#include "UiTestSupport.h"
#include "ui/ComSettingsDialog.h"

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

} // namespace
} // namespace velmar
