// The Merge tab: its controls, the file dialogs of each type, the Merge button's two checks and
// merges run from the page.

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "UiTestSupport.h"
#include "core/NavDatabase.h"
#include "formats/hub/HubFile.h"
#include "merge/MergeJob.h"
#include "ui/FileDropListBox.h"
#include "ui/MergePage.h"

namespace velmar {
namespace {

using test::clickControl;
using test::DialogCall;
using test::ScriptedDialogs;
using test::TempDir;

std::string hubWithWaypoint(const char* name) {
    return std::string("$VERSION,1.0.1,2012.03.05*\r\n$WPT*\r\n$") + name +
           ",Moored,10,0000FF,43D17.412N,5D21.630E,20120305,0.0,,,*\r\n$END*\r\nENDDATA\r\n";
}

QLineEdit* outputEdit(MergePage& page) {
    return control<QLineEdit>(&page, 1085);
}

QRadioButton* radio(MergePage& page, int id) {
    return control<QRadioButton>(&page, id);
}

std::vector<std::string> waypointNames(const std::string& path) {
    NavDatabase database;
    initNavDatabase(&database);
    EXPECT_EQ(readHubFile(path.c_str(), &database), kOk);
    std::vector<std::string> names;
    for (const Waypoint& waypoint : database.waypoints) {
        names.push_back(waypoint.name);
    }
    clearNavDatabase(&database);
    return names;
}

TEST(MergePageTest, StartsEmptyOnHubWithEveryControl) {
    ScriptedDialogs dialogs;
    MergePage page(dialogs);
    EXPECT_EQ(control<QLineEdit>(&page, 1082)->text(), "");
    EXPECT_EQ(outputEdit(page)->text(), "");
    EXPECT_EQ(page.fileList()->count(), 0);
    EXPECT_EQ(control<FileDropListBox>(&page, 1084), page.fileList());
    EXPECT_TRUE(radio(page, 1096)->isChecked());
    EXPECT_FALSE(radio(page, 1097)->isChecked());
    EXPECT_EQ(radio(page, 1096)->text(), "HUB");
    EXPECT_EQ(radio(page, 1097)->text(), "CMAP");
    EXPECT_EQ(control<QPushButton>(&page, 1083)->text(), "Add file");
    EXPECT_EQ(control<QPushButton>(&page, 1086)->text(), "Browse");
    EXPECT_EQ(control<QPushButton>(&page, 1087)->text(), "Merge");
    QStringList texts;
    for (const QLabel* label : page.findChildren<QLabel*>()) {
        texts.append(label->text());
    }
    EXPECT_TRUE(texts.contains("Source"));
    EXPECT_TRUE(texts.contains("Save in"));
    ASSERT_NE(page.findChild<QGroupBox*>(), nullptr);
    EXPECT_EQ(page.findChild<QGroupBox*>()->title(), "Source Type");
    EXPECT_EQ(page.values().mergeType, 0);
}

TEST(MergePageTest, FileDialogsFollowTheCheckedType) {
    struct Case {
        int radioId;
        const char* initialName;
        const char* filter;
        const char* extension;
    };
    const Case cases[] = {
        {1096, "*.hub", "All files (*.hub)|*.hub|All files (*.*)|*.*||", "hub"},
        {1097, "*.xml", "All files (*.xml)|*.xml|All files (*.*)|*.*||", "xml"},
    };
    for (const Case& c : cases) {
        ScriptedDialogs dialogs;
        MergePage page(dialogs);
        radio(page, c.radioId)->click();
        dialogs.pathAnswers = {QStringLiteral("/data/in.x"), QStringLiteral("/data/out.x")};
        page.addFile();
        page.chooseOutputFile();
        ASSERT_EQ(dialogs.calls.size(), 2u);
        const DialogCall& open = dialogs.calls[0];
        EXPECT_EQ(open.kind, DialogCall::Open);
        EXPECT_EQ(open.request.initialName, c.initialName);
        EXPECT_EQ(open.request.filter, c.filter);
        EXPECT_EQ(open.request.defaultExtension, "");
        EXPECT_TRUE(open.request.fileMustExist);
        EXPECT_TRUE(open.request.hideReadOnly);
        const DialogCall& save = dialogs.calls[1];
        EXPECT_EQ(save.kind, DialogCall::Save);
        EXPECT_EQ(save.request.initialName, c.initialName);
        EXPECT_EQ(save.request.filter, c.filter);
        EXPECT_EQ(save.request.defaultExtension, c.extension);
        EXPECT_TRUE(save.request.overwritePrompt);
        EXPECT_TRUE(save.request.hideReadOnly);
        EXPECT_FALSE(save.request.fileMustExist);
        EXPECT_EQ(page.fileList()->entries(), QStringList{"/data/in.x"});
        EXPECT_EQ(control<QLineEdit>(&page, 1082)->text(), "/data/in.x");
        EXPECT_EQ(outputEdit(page)->text(), "/data/out.x");
    }
}

TEST(MergePageTest, CancelledDialogsChangeNothingAndTypeSwitchKeepsTheList) {
    ScriptedDialogs dialogs;
    MergePage page(dialogs);
    dialogs.pathAnswers = {QStringLiteral("/data/a.hub"), QString(), QString()};
    page.addFile();
    QTest::keyClicks(outputEdit(page), QStringLiteral("/typed.hub"));
    radio(page, 1097)->click();
    page.addFile();          // cancelled
    page.chooseOutputFile(); // cancelled
    EXPECT_EQ(page.fileList()->entries(), QStringList{"/data/a.hub"});
    EXPECT_EQ(control<QLineEdit>(&page, 1082)->text(), "/data/a.hub");
    EXPECT_EQ(outputEdit(page)->text(), "/typed.hub");
    EXPECT_EQ(page.values().outputPath, "/typed.hub");
    EXPECT_EQ(page.values().mergeType, 1);
}

TEST(MergePageTest, MergeChecksComeInTheirOrder) {
    struct Case {
        const char* name;
        int files;
        QString output;
        const char* message;
    };
    const Case cases[] = {
        {"empty list beats empty output", 0, "", kNoMergeFilesMessage},
        {"empty list with an output", 0, "/tmp/out.hub", kNoMergeFilesMessage},
        {"blank output", 2, "  \t ", kNoMergeOutputMessage},
        {"empty output", 1, "", kNoMergeOutputMessage},
    };
    for (const Case& c : cases) {
        TempDir dir;
        ScriptedDialogs dialogs;
        MergePage page(dialogs);
        for (int i = 0; i < c.files; ++i) {
            page.fileList()->addEntry(QString::fromStdString(dir.file("in.hub")));
        }
        outputEdit(page)->setText(c.output);
        EXPECT_TRUE(test::runWithoutModal([&] { clickControl(&page, 1087); })) << c.name;
        const auto messages = dialogs.messages();
        ASSERT_EQ(messages.size(), 1u) << c.name;
        EXPECT_EQ(messages[0].text, c.message) << c.name;
        EXPECT_EQ(messages[0].icon, MessageIcon::Error) << c.name;
        EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << c.name;
    }
}

TEST(MergePageTest, HubMergeFromThePageRenamesClashesAndReportsCompleted) {
    TempDir dir;
    test::writeBytes(dir.file("first.hub"), hubWithWaypoint("HOME"));
    test::writeBytes(dir.file("second.hub"), hubWithWaypoint("HOME"));
    ScriptedDialogs dialogs;
    MergePage page(dialogs);
    dialogs.pathAnswers = {QString::fromStdString(dir.file("first.hub")),
                           QString::fromStdString(dir.file("second.hub"))};
    page.addFile();
    page.addFile();
    // The output path is typed, with blanks around it.
    QTest::keyClicks(outputEdit(page), QString::fromStdString("  " + dir.file("merged.hub") + " "));
    clickControl(&page, 1087);
    const auto messages = dialogs.messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Merging Completed");
    EXPECT_EQ(messages[0].icon, MessageIcon::None);
    EXPECT_EQ(waypointNames(dir.file("merged.hub")), (std::vector<std::string>{"HOME", "WPT0"}));
}

TEST(MergePageTest, UnreadableInputIsReportedByName) {
    TempDir dir;
    test::writeBytes(dir.file("good.hub"), hubWithWaypoint("BUOY"));
    ScriptedDialogs dialogs;
    MergePage page(dialogs);
    page.fileList()->addEntry(QString::fromStdString(dir.file("good.hub")));
    page.fileList()->addEntry(QString::fromStdString(dir.file("absent.hub")));
    outputEdit(page)->setText(QString::fromStdString(dir.file("merged.hub")));
    clickControl(&page, 1087);
    const auto messages = dialogs.messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].icon, MessageIcon::Error);
    EXPECT_NE(messages[0].text, "Merging Completed");
    EXPECT_TRUE(messages[0].text.contains(QString::fromStdString(dir.file("absent.hub"))))
        << messages[0].text.toStdString();
    // The readable input is still merged and written.
    EXPECT_EQ(waypointNames(dir.file("merged.hub")), std::vector<std::string>{"BUOY"});
}

TEST(MergePageTest, FailedWriteIsNotReportedAsCompleted) {
    TempDir dir;
    test::writeBytes(dir.file("a.hub"), hubWithWaypoint("A"));
    ScriptedDialogs dialogs;
    MergePage page(dialogs);
    page.fileList()->addEntry(QString::fromStdString(dir.file("a.hub")));
    outputEdit(page)->setText(QString::fromStdString(dir.file("no-such-folder/out.hub")));
    clickControl(&page, 1087);
    const auto messages = dialogs.messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].icon, MessageIcon::Error);
    EXPECT_NE(messages[0].text, "Merging Completed");
}

} // namespace
} // namespace velmar
