// The Convert tab: its start state, its dialogs, the Convert button's checks in their order,
// and real conversions run from the page through the "Converting ...." window.

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "TestSupport.h"
#include "UiTestSupport.h"
#include "core/ConversionJob.h"
#include "formats/FamilyTable.h"
#include "formats/hub/HubFile.h"
#include "ui/ConvertPage.h"
#include "ui/FileDropListBox.h"
#include "ui/ProgressDialog.h"

namespace velmar {
namespace {

using test::clickControl;
using test::DialogCall;
using test::ScriptedDialogs;
using test::TempDir;

constexpr char kSampleHub[] = "$VERSION,1.0.1,2012.03.05*\r\n"
                              "$WPT*\r\n"
                              "$HOME,Home berth,10,0000FF,43D17.412N,5D21.630E,20120305,0.0,,,*\r\n"
                              "$REEF,Keep clear,12,FF0000,43D16.950N,5D22.105E,20120305,1.5,,,*\r\n"
                              "$END*\r\n"
                              "$ROT,001,OUT,Harbour to reef,00FF00,20120305*\r\n"
                              "$001,N,43D17.412N,5D21.630E,HOME,10*\r\n"
                              "$002,S,43D16.950N,5D22.105E,REEF,12*\r\n"
                              "$END*\r\n"
                              "ENDDATA\r\n";

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

QLineEdit* folderEdit(ConvertPage& page) {
    return control<QLineEdit>(&page, 1104);
}

QRadioButton* radio(ConvertPage& page, int id) {
    return control<QRadioButton>(&page, id);
}

QString labelText(ConvertPage& page, int id) {
    auto* label = control<QLabel>(&page, id);
    return label == nullptr ? QStringLiteral("<missing>") : label->text();
}

// What the reference conversion writes for a HUB source.
std::string referenceHubOutput(const std::string& source, const std::string& output) {
    NavDatabase database;
    initNavDatabase(&database);
    EXPECT_EQ(readHubFile(source.c_str(), &database), kOk);
    EXPECT_EQ(writeHubFile(&database, output.c_str()), kOk);
    clearNavDatabase(&database);
    return test::readBytes(output);
}

TEST(ConvertPageTest, StartsWithSeries41ToHubAndTheCurrentFolder) {
    ScriptedDialogs dialogs;
    ConvertPage page(dialogs);
    EXPECT_TRUE(radio(page, 1110)->isChecked());
    EXPECT_TRUE(radio(page, 1125)->isChecked());
    for (int id = 1111; id <= 1116; ++id) {
        EXPECT_FALSE(radio(page, id)->isChecked()) << id;
    }
    EXPECT_EQ(labelText(page, 1131), "+ HUB");
    EXPECT_EQ(labelText(page, 1130), QString::fromLatin1(modelLabelText(0)));
    EXPECT_FALSE(labelText(page, 1130).isEmpty());
    EXPECT_EQ(folderEdit(page)->text(), QDir::currentPath());
    EXPECT_EQ(control<QLineEdit>(&page, 1101)->text(), "");
    EXPECT_EQ(page.fileList()->count(), 0);
    EXPECT_EQ(page.values().sourceType, 0);
    EXPECT_EQ(page.values().destinationType, 5);
    EXPECT_TRUE(dialogs.calls.empty());
}

TEST(ConvertPageTest, EveryControlHasItsIdAndCaption) {
    ScriptedDialogs dialogs;
    ConvertPage page(dialogs);
    const char* captions[] = {"Series 41", "Series 5", "Series 6", "Series 66",
                              "Series 77", "HUB",      "CMAP"};
    for (int i = 0; i < 7; ++i) {
        ASSERT_NE(radio(page, 1110 + i), nullptr);
        ASSERT_NE(radio(page, 1120 + i), nullptr);
        EXPECT_EQ(radio(page, 1110 + i)->text(), captions[i]);
        EXPECT_EQ(radio(page, 1120 + i)->text(), captions[i]);
    }
    struct Button {
        int id;
        const char* caption;
    };
    for (const Button& b :
         {Button{1102, "Add file"}, Button{1105, "Browse"}, Button{1132, "Convert"}}) {
        auto* button = control<QPushButton>(&page, b.id);
        ASSERT_NE(button, nullptr) << b.id;
        EXPECT_EQ(button->text(), b.caption);
        EXPECT_FALSE(button->autoDefault()) << b.id;
    }
    EXPECT_NE(control<QLineEdit>(&page, 1101), nullptr);
    EXPECT_NE(control<QLineEdit>(&page, 1104), nullptr);
    EXPECT_NE(control<FileDropListBox>(&page, 1103), nullptr);
    QStringList texts;
    for (const QLabel* label : page.findChildren<QLabel*>()) {
        texts.append(label->text());
    }
    for (const QGroupBox* group : page.findChildren<QGroupBox*>()) {
        texts.append(group->title());
    }
    for (const char* text : {"Source", "Save in", "Source Type", "Dest Type"}) {
        EXPECT_TRUE(texts.contains(QString::fromLatin1(text))) << text;
    }
    EXPECT_EQ(texts.count(QStringLiteral("Models :")), 2);
}

TEST(ConvertPageTest, ModelLabelsFollowTheCheckedTypes) {
    ScriptedDialogs dialogs;
    ConvertPage page(dialogs);
    radio(page, 1126)->click();
    EXPECT_EQ(labelText(page, 1131), "+ CMAP");
    radio(page, 1115)->click();
    EXPECT_EQ(labelText(page, 1130), "+ HUB");
    EXPECT_EQ(labelText(page, 1131), "+ CMAP");
    for (int index = 0; index < 5; ++index) {
        radio(page, 1120 + index)->click();
        EXPECT_EQ(labelText(page, 1131), QString::fromLatin1(modelLabelText(index)));
        EXPECT_EQ(page.values().destinationType, index);
    }
    EXPECT_EQ(modelLabelText(7), nullptr);
    EXPECT_EQ(modelLabelText(-1), nullptr);
    // The series show device models, several lines each, none empty.
    for (int index = 0; index < 5; ++index) {
        EXPECT_NE(QString::fromLatin1(modelLabelText(index)).trimmed(), "") << index;
    }
}

TEST(ConvertPageTest, TypedFolderIsKeptAcrossARadioClick) {
    ScriptedDialogs dialogs;
    ConvertPage page(dialogs);
    folderEdit(page)->clear();
    QTest::keyClicks(folderEdit(page), QStringLiteral("/typed/output"));
    radio(page, 1112)->click();
    EXPECT_EQ(page.values().outputFolder, "/typed/output");
    EXPECT_EQ(folderEdit(page)->text(), "/typed/output");
    EXPECT_EQ(page.values().sourceType, 2);
    // Add file pushes the values into the controls: the typed text survives that too.
    QTest::keyClicks(folderEdit(page), QStringLiteral("/more"));
    dialogs.pathAnswers = {QStringLiteral("/data/a.s6")};
    page.addFile();
    EXPECT_EQ(folderEdit(page)->text(), "/typed/output/more");
}

TEST(ConvertPageTest, AddFileAsksForAnExistingFileAndListsItEachTime) {
    ScriptedDialogs dialogs;
    ConvertPage page(dialogs);
    dialogs.pathAnswers = {QStringLiteral("/data/day1.s41"), QStringLiteral("/data/day1.s41"),
                           QString()};
    page.addFile();
    page.addFile();
    page.addFile(); // cancelled
    ASSERT_EQ(dialogs.calls.size(), 3u);
    for (const DialogCall& call : dialogs.calls) {
        EXPECT_EQ(call.kind, DialogCall::Open);
        EXPECT_EQ(call.request.initialName, "*.*");
        EXPECT_EQ(call.request.filter, "All files (*.*)|*.*||");
        EXPECT_TRUE(call.request.fileMustExist);
        EXPECT_TRUE(call.request.hideReadOnly);
        EXPECT_EQ(call.request.defaultExtension, "");
    }
    EXPECT_EQ(page.fileList()->entries(), (QStringList{"/data/day1.s41", "/data/day1.s41"}));
    EXPECT_EQ(control<QLineEdit>(&page, 1101)->text(), "/data/day1.s41");
}

TEST(ConvertPageTest, BrowseSetsTheFolderAndCancelKeepsIt) {
    ScriptedDialogs dialogs;
    ConvertPage page(dialogs);
    const QString before = folderEdit(page)->text();
    dialogs.pathAnswers = {QString()};
    page.chooseOutputFolder();
    EXPECT_EQ(folderEdit(page)->text(), before);
    dialogs.pathAnswers = {QStringLiteral("/srv/outputs")};
    page.chooseOutputFolder();
    EXPECT_EQ(folderEdit(page)->text(), "/srv/outputs");
    EXPECT_EQ(page.values().outputFolder, "/srv/outputs");
    ASSERT_EQ(dialogs.calls.size(), 2u);
    EXPECT_EQ(dialogs.calls[0].kind, DialogCall::Folder);
    EXPECT_EQ(dialogs.calls[0].text, "Current folder is:");
}

TEST(ConvertPageTest, ConvertChecksComeInTheirOrder) {
    TempDir dir;
    test::writeBytes(dir.file("plain-file"), "x");
    const QString folder = qs(dir.path().string());
    struct Case {
        const char* name;
        int files;
        QString folderText;
        int source;
        int destination;
        QString message;
    };
    const std::vector<Case> cases = {
        {"empty list beats empty folder", 0, "", 0, 3, kNoFilesMessage},
        {"empty list with a good folder", 0, folder, 5, 5, kNoFilesMessage},
        {"blank folder", 1, "   \t ", 0, 5, kNoFolderMessage},
        {"blank folder beats Series 66", 1, "", 3, 3, kNoFolderMessage},
        {"folder that is a file", 1, qs(dir.file("plain-file")), 0, 5,
         qs(dir.file("plain-file")) + " folder is not exist"},
        {"missing folder, trimmed", 1, "  " + qs(dir.file("nowhere")) + " ", 3, 5,
         qs(dir.file("nowhere")) + " folder is not exist"},
        {"Series 66 source", 2, folder, 3, 5, kNoSeries66Message},
        {"Series 66 destination", 1, " " + folder, 0, 3, kNoSeries66Message},
    };
    for (const Case& c : cases) {
        ScriptedDialogs dialogs;
        ConvertPage page(dialogs);
        for (int i = 0; i < c.files; ++i) {
            page.fileList()->addEntry(qs(dir.file("in" + std::to_string(i) + ".hub")));
        }
        folderEdit(page)->setText(c.folderText);
        radio(page, 1110 + c.source)->setChecked(true);
        radio(page, 1120 + c.destination)->setChecked(true);
        EXPECT_TRUE(test::runWithoutModal([&] { clickControl(&page, 1132); })) << c.name;
        const auto messages = dialogs.messages();
        ASSERT_EQ(messages.size(), 1u) << c.name;
        EXPECT_EQ(messages[0].text, c.message) << c.name;
        EXPECT_EQ(messages[0].icon, MessageIcon::Error) << c.name;
        EXPECT_EQ(messages[0].buttons, MessageButtons::Ok) << c.name;
    }
}

TEST(ConvertPageTest, ConversionRunsToCompletedAndTheButtonReadsOk) {
    TempDir dir;
    const std::string out = dir.file("out");
    std::filesystem::create_directory(out);
    test::writeBytes(dir.file("a.hub"), kSampleHub);
    test::writeBytes(dir.file("c.hub"), kSampleHub);
    ScriptedDialogs dialogs;
    ConvertPage page(dialogs);
    for (const char* name : {"a.hub", "missing.hub", "c.hub"}) {
        page.fileList()->addEntry(qs(dir.file(name)));
    }
    folderEdit(page)->setText(qs(out));
    radio(page, 1115)->click(); // HUB
    radio(page, 1125)->click(); // HUB

    QString shownLog;
    QString buttonText;
    bool filterCovers = false;
    const bool driven = test::driveModal([&] { clickControl(&page, 1132); },
                                         [&](QWidget* modal) {
                                             auto* window = qobject_cast<ProgressDialog*>(modal);
                                             if (window == nullptr || !window->completed()) {
                                                 return false;
                                             }
                                             shownLog = window->resultEdit()->toPlainText();
                                             buttonText = window->actionButton()->text();
                                             filterCovers =
                                                 window->windowTitle() == "Converting ....";
                                             window->actionButton()->click();
                                             return true;
                                         });
    ASSERT_TRUE(driven);
    EXPECT_TRUE(filterCovers);
    EXPECT_EQ(buttonText, "Ok");
    EXPECT_EQ(shownLog,
              "Please wait or press <Cancel> button to abort\nOK : " + qs(dir.file("a.hub")) +
                  "\nFAIL (0- 2) : " + qs(dir.file("missing.hub")) +
                  "\nOK : " + qs(dir.file("c.hub")) + "\nConverting Completed");
    EXPECT_TRUE(dialogs.calls.empty());
    // a.hub converted HUB to HUB is a.hub.hub, byte for byte what the HUB writer gives.
    const std::string reference = referenceHubOutput(dir.file("a.hub"), dir.file("ref.hub"));
    EXPECT_EQ(test::readBytes(out + "/a.hub.hub"), reference);
    EXPECT_EQ(test::readBytes(out + "/c.hub.hub"), reference);
    EXPECT_FALSE(test::fileExists(out + "/missing.hub.hub"));
}

TEST(ConvertPageTest, HubToSeries77UsesTheFamilyExtension) {
    TempDir dir;
    test::writeBytes(dir.file("trip.hub"), kSampleHub);
    ScriptedDialogs dialogs;
    ConvertPage page(dialogs);
    page.fileList()->addEntry(qs(dir.file("trip.hub")));
    folderEdit(page)->setText(qs(dir.path().string()));
    radio(page, 1115)->click();
    radio(page, 1124)->click(); // Series 77
    ASSERT_TRUE(test::driveModal([&] { clickControl(&page, 1132); },
                                 [](QWidget* modal) {
                                     auto* window = qobject_cast<ProgressDialog*>(modal);
                                     if (window == nullptr || !window->completed()) {
                                         return false;
                                     }
                                     window->actionButton()->click();
                                     return true;
                                 }));
    EXPECT_EQ(test::readBytes(dir.file("trip.hub.s77")),
              referenceHubOutput(dir.file("trip.hub"), dir.file("ref.hub")));
}

// A family whose reader waits, while the test presses Cancel, until the job's stop flag is set.
std::atomic<ConversionJob*> gWatchedJob{nullptr};
std::atomic<int> gSlowReads{0};
std::atomic<int> gWrites{0};

ResultCode slowReader(const char*, NavDatabase*) {
    ++gSlowReads;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (std::chrono::steady_clock::now() < deadline) {
        if (ConversionJob* job = gWatchedJob.load()) {
            const std::lock_guard<std::mutex> guard(job->lock);
            if (job->stopFlag == 1) {
                break;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return kOk;
}

ResultCode countingWriter(NavDatabase*, const char*) {
    ++gWrites;
    return kOk;
}

const FormatFamily* slowFamilies(int index) {
    static const FormatFamily slow{"Slow", "slow", slowReader, countingWriter, ".out"};
    return index == kSeries66 ? nullptr : &slow;
}

TEST(ConvertPageTest, CancelWhileTheFirstFileIsReadAbortsItAndSkipsTheRest) {
    TempDir dir;
    gWatchedJob = nullptr;
    gSlowReads = 0;
    gWrites = 0;
    ScriptedDialogs dialogs;
    ConvertPage page(dialogs);
    page.setFamilyLookup(&slowFamilies);
    for (const char* name : {"one.s41", "two.s41", "three.s41"}) {
        page.fileList()->addEntry(qs(dir.file(name)));
    }
    folderEdit(page)->setText(qs(dir.path().string()));

    std::string logAfterCancel;
    QString buttonBefore;
    bool closed = false;
    const bool driven =
        test::driveModal([&] { clickControl(&page, 1132); },
                         [&](QWidget* modal) {
                             auto* window = qobject_cast<ProgressDialog*>(modal);
                             if (window == nullptr || gSlowReads.load() == 0) {
                                 return false;
                             }
                             gWatchedJob = window->job();
                             buttonBefore = window->actionButton()->text();
                             window->actionButton()->click(); // returns once the worker has ended
                             {
                                 const std::lock_guard<std::mutex> guard(window->job()->lock);
                                 logAfterCancel = window->job()->resultLog;
                             }
                             closed = window->result() == QDialog::Accepted;
                             return true;
                         });
    gWatchedJob = nullptr;
    ASSERT_TRUE(driven);
    EXPECT_EQ(buttonBefore, "Cancel");
    EXPECT_TRUE(closed);
    EXPECT_EQ(logAfterCancel,
              "Please wait or press <Cancel> button to abort\r\nABORT : " + dir.file("one.s41"));
    EXPECT_EQ(gSlowReads.load(), 1);
    EXPECT_EQ(gWrites.load(), 0);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

} // namespace
} // namespace velmar
