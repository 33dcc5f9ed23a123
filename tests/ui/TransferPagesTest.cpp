// The Read and Write tabs (start state, port settings per type click, the buttons' checks) and
// their "Reading..." and "Writing..." windows, run from the pages against the plotter simulator;
// the "COM Properties" dialog.

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include "SimulatedPlotter.h"
#include "TestSupport.h"
#include "UiTestSupport.h"
#include "serial/DeviceReadJob.h"
#include "serial/DeviceWriteJob.h"
#include "serial/PortNames.h"
#include "ui/ComSettingsDialog.h"
#include "ui/ConvertPage.h"
#include "ui/FileDropListView.h"
#include "ui/KeyFilter.h"
#include "ui/ProgressDialog.h"
#include "ui/ReadPage.h"
#include "ui/WiringInfoDialog.h"
#include "ui/WritePage.h"

namespace velmar {
namespace {

using test::clickControl;
using test::fields;

const QString kStart = "Please wait or press <Cancel> button to abort";

auto indexes(const ComSettings& s) { // port, baud, data bits, parity, stop bits, flow
    return std::tuple(s.portIndex, s.baudIndex, s.dataBitsIndex, s.parityIndex, s.stopBitsIndex,
                      s.flowIndex);
}

class TransferPagesTest : public ::testing::Test {
  protected:
    // Presses the page's action button and, once `until` holds for its window, closes it.
    bool transfer(QWidget& page, int button, const std::function<bool(ProgressDialog*)>& until) {
        return test::driveModal<ProgressDialog>([&] { clickControl(&page, button); },
                                                [&](auto* w) { return until(w) && close(w); });
    }
    // Takes caption|log|counter and presses the button; true when that closed the window.
    bool close(ProgressDialog* window) {
        shown =
            window->windowTitle() + "|" + window->resultEdit()->toPlainText() + "|" +
            control<QLabel>(window, window->windowTitle() == "Reading..." ? 1092 : 1093)->text();
        window->actionButton()->click();
        return window->result() == QDialog::Accepted;
    }
    static bool ended(ProgressDialog* w) {
        return w->completed() && w->actionButton()->text() == "Ok";
    }

    test::TempDir dir;
    test::ScriptedDialogs dialogs;
    ReadPage read{dialogs};
    WritePage write{dialogs};
    QString shown; // caption|log|counter of the last window
};

TEST_F(TransferPagesTest, TypeClicksResetThePortAndTheDialogsKeepOrDropTheirChoices) {
    // Per page: first type radio, COM Settings, Wiring Info.
    for (const auto& [page, radio, com, wiring] :
         {std::tuple<TransferPage*, int, int, int>{&read, 1142, 1149, 1151},
          {&write, 1013, 1021, 1022}}) {
        EXPECT_TRUE(KeyFilter::covers(page));
        EXPECT_TRUE(control<QRadioButton>(page, radio)->isChecked());
        EXPECT_EQ(indexes(page->comSettings()), std::tuple(0, 5, 3, 2, 0, 2)); // COM1 4800 8N1
        EXPECT_EQ(control<QLabel>(page, radio + 6)->text(), modelLabelText(0));
        const struct {
            std::vector<std::pair<int, const char*>> choose;
            int button, clickType; // 1 OK, 2 Cancel; the type radio clicked after, -1 none
            std::tuple<int, int, int, int, int, int> after;
        } steps[] = {
            {{{1033, "COM3"}}, 1, 1, {0, 12, 3, 2, 0, 2}},                // Series 5: 115200
            {{{1033, "COM3"}, {1034, "9600"}}, 1, 3, {0, 6, 3, 2, 0, 2}}, // Series 66 keeps 9600
            {{{1038, "Hardware"}, {1033, "COM2"}}, 1, -1, {1, 6, 3, 2, 0, 1}},
            {{{1037, "1.5"}, {1033, "COM9"}}, 2, -1, {1, 6, 3, 2, 0, 1}}, // Cancel keeps
            {{}, 2, 5, {0, 6, 3, 2, 0, 2}},                               // HUB keeps the baud
        };
        for (const auto& step : steps) {
            ASSERT_TRUE(
                test::driveModal<QDialog>([page = page, com = com] { clickControl(page, com); },
                                          [&](auto* d) {
                                              for (const auto& [list, item] : step.choose) {
                                                  control<QComboBox>(d, list)->setCurrentText(item);
                                              }
                                              return clickControl(d, step.button);
                                          }));
            if (step.clickType >= 0) {
                control<QRadioButton>(page, radio + step.clickType)->click();
                EXPECT_EQ(page->modelLabel(), modelLabelText(step.clickType));
            }
            EXPECT_EQ(indexes(page->comSettings()), step.after);
        }
        for (const int type : {1, 5}) { // the Series 5 drawing; none for HUB
            control<QRadioButton>(page, radio + type)->click();
            ASSERT_TRUE(test::driveModal<WiringInfoDialog>(
                [page = page, wiring = wiring] { clickControl(page, wiring); },
                [&](WiringInfoDialog* w) {
                    EXPECT_EQ(w->picture() != nullptr && w->deviceType() == 1, type == 1);
                    EXPECT_EQ(w->windowTitle(), "Wiring Info");
                    return clickControl(w, 1);
                }));
        }
    }
    EXPECT_TRUE(dialogs.calls.empty());
}

TEST_F(TransferPagesTest, FileDialogsAndTheChecksBeforeAnyWindowOpens) {
    dialogs.pathAnswers = {"/data/day.out", "", "/data/a.s41", "/data/a.s41", ""};
    read.chooseOutputFile();
    read.chooseOutputFile(); // cancelled
    for (int i = 0; i < 3; ++i) {
        write.addFile(); // the third is cancelled
    }
    EXPECT_EQ(control<QLineEdit>(&read, 1140)->text(), "/data/day.out");
    EXPECT_EQ(write.fileList()->paths(), (QStringList{"/data/a.s41", "/data/a.s41"}));
    EXPECT_EQ(control<QLineEdit>(&write, 1010)->text(), "/data/a.s41");
    ASSERT_EQ(dialogs.calls.size(), 5u);
    EXPECT_EQ(fields(dialogs.calls[0].request),
              fields({"*.out", "All files (*.out)|*.out||", "out", false, true, true}));
    EXPECT_EQ(fields(dialogs.calls[4].request),
              fields({"*.*", "All files (*.*)|*.*||", "", true, true, false}));

    // Blanks or no files, then Series 77 (read) and Series 66 (write): a message, no window.
    const std::tuple<QWidget*, int, int, const char*> cases[] = {
        {&read, 1142, 1150, kNoOutputFileMessage},
        {&read, 1146, 1150, kNoTransferSupportMessage},
        {&write, 1013, 1020,
         "No files for write to device.\nPress the <Add file> button to add a file to list"},
        {&write, 1016, 1020, kNoTransferSupportMessage},
    };
    for (const auto& [page, radio, button, message] : cases) {
        const bool blank = message != std::string(kNoTransferSupportMessage);
        control<QLineEdit>(&read, 1140)->setText(blank ? " \t " : "x.out");
        write.fileList()->clear();
        if (!blank) {
            write.fileList()->addFile("/data/a.s41");
        }
        control<QRadioButton>(page, radio)->click();
        dialogs.calls.clear();
        EXPECT_TRUE(
            test::runWithoutModal([page = page, button = button] { clickControl(page, button); }));
        ASSERT_EQ(dialogs.calls.size(), 1u);
        EXPECT_EQ(std::tuple(dialogs.calls[0].text, dialogs.calls[0].icon),
                  std::tuple(QString(message), MessageIcon::Error));
    }
}

// A read run from the page, its window showing the log and the count as they come (how each
// receiver ends, and the texts of a port that cannot be had or is lost, are the read job's).
TEST_F(TransferPagesTest, ReadsSaveWhatThePlotterSent) {
    const std::string s5 = "$VERSION,1.0.1,2010.12.22*\r\n$WPT*\r\n$END*\r\nENDDATA\r\n";
    test::SimulatedPlotter plotter(test::plotter(sim::Role::Send, kSeries5, s5));
    const ScopedSerialDevices com1({plotter.port()});
    control<QRadioButton>(&read, 1143)->click();
    const std::string out = dir.file("saved.out");
    control<QLineEdit>(&read, 1140)->setText("  " + QString::fromStdString(out) + " ");
    ASSERT_TRUE(transfer(read, 1150, ended));
    EXPECT_EQ(shown, "Reading...|" + kStart + "\nReading Completed|Received : 4 lines");
    EXPECT_EQ(test::readBytes(out), s5); // what arrived, as it arrived
}

TEST_F(TransferPagesTest, WritesAskBetweenFilesAndCancelEndsThemAtOnce) {
    test::writeBytes(dir.file("a.s6"), "A1\r\nA2\r\n");
    test::writeBytes(dir.file("b.s6"), "B1\r\n");
    const QString a = QString::fromStdString(dir.file("a.s6"));
    const QString b = QString::fromStdString(dir.file("b.s6"));
    write.fileList()->addFile(a);
    write.fileList()->addFile(b);
    control<QRadioButton>(&write, 1015)->click(); // Series 6
    const struct {
        MessageAnswer answer;
        bool cancelWhileAsking;
        QString log;
        std::string received;
    } cases[] = {
        {MessageAnswer::Yes, false,
         "\nOK : " + a + "\nOK : " + b + "\nWriting Completed|Sended : 3",
         "A1\r\nA2\r\n\x1A"
         "B1\r\n\x1A"},
        {MessageAnswer::No, false, "\nOK : " + a + "\nWriting Completed|Sended : 2",
         "A1\r\nA2\r\n\x1A"},
        {MessageAnswer::Yes, true, "\nOK : " + a + "|Sended : 2", "A1\r\nA2\r\n\x1A"},
    };
    for (const auto& c : cases) {
        test::SimulatedPlotter plotter(test::plotter(sim::Role::Receive, kSeries6, "",
                                                     {.count = c.received.size() > 9 ? 2 : 1}));
        const ScopedSerialDevices com1({plotter.port()});
        dialogs.calls.clear();
        dialogs.yesNoAnswers = {c.answer};
        dialogs.whileAsking = [&] {
            if (c.cancelWhileAsking) { // counts as No, and the window closes
                EXPECT_TRUE(
                    close(qobject_cast<ProgressDialog*>(QApplication::activeModalWidget())));
            }
        };
        EXPECT_EQ(transfer(write, 1020, ended), !c.cancelWhileAsking);
        EXPECT_EQ(shown, "Writing...|" + kStart + c.log + " lines");
        ASSERT_EQ(dialogs.calls.size(), 1u);
        EXPECT_EQ(std::tuple(dialogs.calls[0].text, dialogs.calls[0].buttons),
                  std::tuple("Continue to write " + b + ".\nAre you sure?", MessageButtons::YesNo));
        EXPECT_EQ(plotter.ended().received, c.received);
    }
    dialogs.whileAsking = nullptr;

    // Cancel in the other phases of a write is the write job's test.
}

// "COM Properties": its lists, the positions in and out, the device line. ("Wiring Info" is
// opened from the transfer pages' tests.)
TEST(ComSettingsDialogTest, ListsMatchTheLineTablesAndTheDeviceLineNamesTheChosenPort) {
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
    // The device line says what the chosen name stands for, each time the dialog opens.
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
