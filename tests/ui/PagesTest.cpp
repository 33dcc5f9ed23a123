// The Convert and Merge tabs (start state, dialogs, the buttons' checks in order, conversions and
// merges run from the page), the "Converting ...." window, "Details..." and the file lists.

#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QTest>
#include <QTextBlock>
#include <QUrl>

#include <gtest/gtest.h>

#include <atomic>
#include <sys/stat.h>
#include <thread>
#include <utime.h>

#include "TestSupport.h"
#include "UiTestSupport.h"
#include "core/Calendar.h"
#include "core/ConversionJob.h"
#include "merge/MergeJob.h"
#include "ui/ConvertPage.h"
#include "ui/FileDropListBox.h"
#include "ui/FileDropListView.h"
#include "ui/FileFacts.h"
#include "ui/FindingsDialog.h"
#include "ui/KeyFilter.h"
#include "ui/MergePage.h"
#include "ui/ProgressDialog.h"

namespace velmar {
namespace {

using test::clickControl;
using test::DialogCall;
using test::fields;

constexpr char kStart[] = "Please wait or press <Cancel> button to abort";

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

std::string hubWith(const std::string& waypoint) {
    return "$VERSION,1.0.1,2012.03.05*\r\n$WPT*\r\n$" + waypoint +
           ",Moored,10,0000FF,43D17.412N,5D21.630E,20120305,0.0,,,*\r\n$END*\r\nENDDATA\r\n";
}

// A reader that holds the worker until the held job is asked to stop.
std::atomic<ConversionJob*> gHeldJob{nullptr};
std::atomic<int> gReads{0};
std::atomic<int> gWrites{0};

ResultCode heldReader(const char*, NavDatabase*, ConversionReport*) {
    ++gReads;
    for (int ms = 0; ms < 15000; ++ms) {
        if (ConversionJob* job = gHeldJob.load()) {
            const std::lock_guard<std::mutex> guard(job->lock);
            if (job->stopFlag == 1)
                return kOk;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return kOk;
}
ResultCode countingWriter(NavDatabase*, const char*, ConversionReport*) {
    return ++gWrites, kOk;
}

std::unique_ptr<ConversionJob> jobOf(int files, FamilyReader reader, FamilyWriter writer) {
    std::vector<std::string> paths;
    for (int i = 0; i < files; ++i) {
        paths.push_back("/in/file" + std::to_string(i) + ".hub");
    }
    const FormatFamily family{"Fam", "fam", reader, writer, ".out"};
    auto job = makeConversionJob(paths, "/out", 5, 5, family, family);
    gHeldJob = job.get();
    gReads = gWrites = 0;
    return job;
}

std::string logOf(ConversionJob& job) {
    const std::lock_guard<std::mutex> guard(job.lock);
    return job.resultLog;
}

template <typename Page> class PageTest : public ::testing::Test {
  protected:
    QLineEdit* edit(int id) { return control<QLineEdit>(&page, id); }
    QRadioButton* radio(int id) { return control<QRadioButton>(&page, id); }
    QString path(const std::string& name) { return qs(dir.file(name)); }
    void setFiles(const QStringList& paths) {
        page.fileList()->clear();
        for (const QString& path : paths) {
            page.fileList()->addEntry(path);
        }
        dialogs.calls.clear();
    }

    test::TempDir dir;
    test::ScriptedDialogs dialogs;
    Page page{dialogs};
};
using ConvertPageTest = PageTest<ConvertPage>;
using MergePageTest = PageTest<MergePage>;

TEST_F(ConvertPageTest, StartsWithSeries41ToHubTheCurrentFolderAndEveryControl) {
    for (int id = 1110; id <= 1126; id += id == 1116 ? 4 : 1) { // the two groups of seven
        ASSERT_NE(radio(id), nullptr) << id;
        EXPECT_EQ(radio(id)->isChecked(), id == 1110 || id == 1125) << id;
    }
    const auto label = [&](int id) { return control<QLabel>(&page, id)->text(); };
    EXPECT_EQ(label(1131), "+ HUB");
    EXPECT_EQ(edit(1104)->text(), QDir::currentPath());
    for (int index = 0; index < 7; ++index) { // the model labels follow the checked types
        radio(1110 + index)->click();
        radio(1126 - index)->click();
        EXPECT_EQ(label(1130), modelLabelText(index));
        EXPECT_EQ(label(1131), modelLabelText(6 - index));
        EXPECT_EQ(page.values().sourceType, index);
        EXPECT_EQ(page.values().destinationType, 6 - index);
    }
    EXPECT_EQ(label(1130), "+ CMAP");
    EXPECT_TRUE(dialogs.calls.empty());
}

// The typed folder is kept; the dialogs ask their texts; files from the command line join the
// list as full paths without a dialog.
TEST_F(ConvertPageTest, TypedFolderIsKeptAndFilesJoinTheListFromDialogsAndTheCommandLine) {
    edit(1104)->clear();
    QTest::keyClicks(edit(1104), QStringLiteral("/typed/output"));
    radio(1112)->click();
    EXPECT_EQ(page.values().outputFolder, "/typed/output");
    QTest::keyClicks(edit(1104), QStringLiteral("/more"));
    dialogs.pathAnswers = {"/data/day1.s41", "/data/day1.s41", "", "", "/srv/outputs"};
    for (int i = 0; i < 3; ++i) {
        page.addFile(); // the third is cancelled
    }
    page.chooseOutputFolder(); // cancelled
    EXPECT_EQ(edit(1104)->text(), "/typed/output/more");
    page.chooseOutputFolder();
    EXPECT_EQ(page.values().outputFolder, "/srv/outputs");
    EXPECT_EQ(edit(1101)->text(), "/data/day1.s41");
    ASSERT_EQ(dialogs.calls.size(), 5u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(dialogs.calls[i].kind, DialogCall::Open);
        EXPECT_EQ(fields(dialogs.calls[i].request),
                  fields({"*.*", "All files (*.*)|*.*||", "", true, true, false}));
    }
    EXPECT_EQ(dialogs.calls[4].kind, DialogCall::Folder);
    EXPECT_EQ(dialogs.calls[4].text, "Current folder is:");
    page.addFiles({});
    page.addFiles({"day 1.s41", "../up.hub", "/abs/reef.wpt"});
    EXPECT_EQ(
        page.fileList()->entries(),
        (QStringList{"/data/day1.s41", "/data/day1.s41", QDir::current().filePath("day 1.s41"),
                     QDir::cleanPath(QDir::currentPath() + "/../up.hub"), "/abs/reef.wpt"}));
    EXPECT_EQ(edit(1101)->text(), "/abs/reef.wpt");
    EXPECT_EQ(edit(1104)->text(), "/srv/outputs");
    EXPECT_EQ(dialogs.calls.size(), 5u);
}

TEST_F(ConvertPageTest, ConvertChecksComeInTheirOrder) {
    test::writeBytes(dir.file("file"), "x");
    const QString folder = qs(dir.path().string());
    // Files listed, the folder as typed, the types checked, the message.
    const std::tuple<int, QString, int, int, QString> cases[] = {
        {0, "", 0, 3, "No files for convert.\nPress the <Add file> button to add a file to list"},
        {1, "   \t ", 0, 5,
         "No folder for save output files.\nPress the <Browse> button to choose folder"},
        {1, "", 3, 3,
         "No folder for save output files.\nPress the <Browse> button to choose folder"},
        {1, path("file"), 0, 5, path("file") + " folder is not exist"},
        {1, "  " + folder + "/nowhere ", 3, 5, folder + "/nowhere folder is not exist"},
        {2, folder, 3, 5, "No support Series 66"},
        {1, " " + folder, 0, 3, "No support Series 66"},
    };
    for (const auto& [files, folderText, source, destination, message] : cases) {
        setFiles(QStringList(files, path("in.hub")));
        edit(1104)->setText(folderText);
        radio(1110 + source)->setChecked(true);
        radio(1120 + destination)->setChecked(true);
        EXPECT_TRUE(test::runWithoutModal([&] { clickControl(&page, 1132); }));
        ASSERT_EQ(dialogs.calls.size(), 1u) << message.toStdString();
        EXPECT_EQ(dialogs.calls[0].text, message);
        EXPECT_EQ(dialogs.calls[0].icon, MessageIcon::Error);
        EXPECT_EQ(dialogs.calls[0].buttons, MessageButtons::Ok);
    }
}

TEST_F(ConvertPageTest, ConversionRunsToCompletedAndTheButtonReadsOk) {
    const std::string out = dir.file("out");
    std::filesystem::create_directory(out);
    test::writeBytes(dir.file("a.hub"), hubWith("HOME"));
    test::writeBytes(dir.file("c.hub"), hubWith("BUOY"));
    setFiles({path("a.hub"), path("missing.hub"), path("c.hub")});
    edit(1104)->setText(qs(out));
    radio(1115)->click(); // HUB
    radio(1124)->click(); // Series 77
    const auto finish = [&](ProgressDialog* window) {
        if (!window->completed()) {
            return false;
        }
        EXPECT_EQ(window->windowTitle(), "Converting ....");
        EXPECT_EQ(window->actionButton()->text(), "Ok");
        EXPECT_EQ(window->resultEdit()->toPlainText(),
                  QString(kStart) + "\nOK : " + path("a.hub") + "\nFAIL (0- 2) : " +
                      path("missing.hub") + "\nOK : " + path("c.hub") + "\nConverting Completed");
        return window->actionButton()->click(), true;
    };
    ASSERT_TRUE(test::driveModal<ProgressDialog>([&] { clickControl(&page, 1132); }, finish));
    EXPECT_TRUE(dialogs.calls.empty());
    // The HUB text comes back byte for byte, under the Series 77 extension.
    EXPECT_EQ(test::readBytes(out + "/a.hub.s77"), hubWith("HOME"));
    EXPECT_EQ(test::readBytes(out + "/c.hub.s77"), hubWith("BUOY"));
    EXPECT_FALSE(test::fileExists(out + "/missing.hub.s77"));
}

TEST_F(ConvertPageTest, CancelMidJobStopsTheWorkerAndSkipsTheRest) {
    gHeldJob = nullptr;
    gReads = gWrites = 0;
    page.setFamilyLookup([](int) {
        static const FormatFamily held{"Held", "held", heldReader, countingWriter, ".out"};
        return &held;
    });
    setFiles({path("one.s41"), path("two.s41"), path("three.s41")});
    edit(1104)->setText(qs(dir.path().string()));
    const auto cancel = [&](ProgressDialog* window) {
        if (gReads.load() == 0) {
            return false;
        }
        gHeldJob = window->job();
        EXPECT_EQ(window->actionButton()->text(), "Cancel");
        window->actionButton()->click(); // returns once the worker has ended
        EXPECT_EQ(logOf(*window->job()),
                  std::string(kStart) + "\r\nABORT : " + dir.file("one.s41"));
        return window->result() == QDialog::Accepted;
    };
    EXPECT_TRUE(test::driveModal<ProgressDialog>([&] { clickControl(&page, 1132); }, cancel));
    gHeldJob = nullptr;
    EXPECT_EQ(gReads.load(), 1);
    EXPECT_EQ(gWrites.load(), 0);
}

TEST(ProgressDialogTest, AppendsEveryLineOnceForATenThousandFilesJob) {
    auto job = jobOf(
        10000, [](const char*, NavDatabase*, ConversionReport*) { return kOk; },
        [](NavDatabase*, const char*, ConversionReport*) { return kCannotOpen; });
    ProgressDialog window(job.get());
    window.resize(460, 200);
    window.show();
    // Mark the line shown at the start; a box refilled from the whole log would lose the mark.
    window.resultEdit()->document()->firstBlock().setUserState(42);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.completed(); }, 60000));
    EXPECT_EQ(window.resultEdit()->document()->firstBlock().userState(), 42);
    const QString text = window.resultEdit()->toPlainText();
    EXPECT_EQ(text, qs(logOf(*job)).remove(QLatin1Char('\r')));
    EXPECT_EQ(window.resultEdit()->document()->blockCount(), 10002);
    EXPECT_TRUE(text.startsWith(QString(kStart) + "\nFAIL (1- 2) /in/file0.hub\nFAIL (1- 2) /in"));
    EXPECT_TRUE(text.endsWith("FAIL (1- 2) /in/file9999.hub\nConverting Completed"));
    const QScrollBar* bar = window.resultEdit()->verticalScrollBar(); // the last lines in view
    EXPECT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), std::min(bar->maximum(), 10002 - kVisibleTailLines));
    window.postMessage(kMsgConversion, 1, 0); // stray messages of a shown log add nothing
    window.postMessage(kMsgReadLine, 0, 0);
    QApplication::processEvents();
    EXPECT_EQ(window.resultEdit()->toPlainText(), text);
    window.actionButton()->click();
    EXPECT_EQ(window.result(), QDialog::Accepted);
    EXPECT_FALSE(job->workerThread.joinable());
}

TEST(ProgressDialogTest, OnlyItsButtonClosesItAndTheWindowNeverOutlivesItsWorker) {
    auto job = jobOf(4, heldReader, countingWriter);
    {
        ProgressDialog window(job.get());
        EXPECT_FALSE(window.windowFlags() & Qt::WindowCloseButtonHint);
        EXPECT_TRUE(KeyFilter::covers(window.resultEdit()));
        window.show();
        ASSERT_TRUE(QTest::qWaitFor([] { return gReads.load() == 1; }));
        QTest::keyClick(&window, Qt::Key_Escape);
        QTest::keyClick(window.actionButton(), Qt::Key_Return);
        window.close();
        window.reject();
        QApplication::processEvents();
        EXPECT_TRUE(window.isVisible());
    } // the window goes first; its worker must be gone with it
    EXPECT_FALSE(job->workerThread.joinable());
    QApplication::processEvents(); // messages queued for the window died with it
    EXPECT_EQ(logOf(*job), std::string(kStart) + "\r\nABORT : /in/file0.hub");
    EXPECT_EQ(gReads.load(), 1);
    gHeldJob = nullptr;
}

TEST_F(MergePageTest, StartsOnHubAndTheFileDialogsFollowTheCheckedType) {
    EXPECT_EQ(radio(1096)->text(), "HUB");
    EXPECT_EQ(radio(1097)->text(), "CMAP");
    EXPECT_TRUE(radio(1096)->isChecked() && !radio(1097)->isChecked());
    for (const char* type : {"hub", "xml"}) {
        radio(type[0] == 'h' ? 1096 : 1097)->click();
        setFiles({});
        dialogs.pathAnswers = {"/data/in.x", "/data/out.x"};
        page.addFile();
        page.chooseOutputFile();
        const QString name = QString("*.") + type;
        const QString filter = "All files (" + name + ")|" + name + "|All files (*.*)|*.*||";
        ASSERT_EQ(dialogs.calls.size(), 2u);
        EXPECT_EQ(fields(dialogs.calls[0].request), fields({name, filter, "", true, true}));
        EXPECT_EQ(fields(dialogs.calls[1].request),
                  fields({name, filter, type, false, true, true}));
        EXPECT_EQ(page.fileList()->entries(), QStringList{"/data/in.x"});
        EXPECT_EQ(edit(1082)->text(), "/data/in.x");
        EXPECT_EQ(edit(1085)->text(), "/data/out.x");
    }
    EXPECT_EQ(page.values().mergeType, 1);
}

TEST_F(MergePageTest, MergesAfterTheChecksAndReportsCompletedOnlyOnFullSuccess) {
    test::writeBytes(dir.file("a.hub"), hubWith("HOME"));
    test::writeBytes(dir.file("b.hub"), hubWith("HOME"));
    const QString a = path("a.hub"), b = path("b.hub"), absent = path("absent.hub");
    // The files, the output as typed, the message, the waypoints written.
    const std::tuple<QStringList, QString, QString, std::vector<std::string>> cases[] = {
        {{},
         "",
         "No HUB/CMAP files for merge.\nPress the <Add file> button to add a file to list",
         {}},
        {{a, b}, "  \t ", kNoOutputFileMessage, {}},
        {{a, b}, " " + path("2.hub") + " ", "Merging Completed", {"HOME", "WPT0"}},
        {{a, absent}, path("3.hub"), "Err : Cannot read input file " + absent, {"HOME"}},
        {{a}, path("no/4.hub"), "Err : Cannot create output file " + path("no/4.hub"), {}},
    };
    for (const auto& [inputs, output, message, names] : cases) {
        setFiles(inputs);
        edit(1085)->clear();
        QTest::keyClicks(edit(1085), output);
        // "Details..." beside the OK of the renamed twin shows its rename.
        const bool renamed = names.size() > 1;
        dialogs.detailsAnswers = {renamed ? MessageAnswer::Details : MessageAnswer::Ok};
        QStringList row;
        const auto merge = [&] { clickControl(&page, 1087); };
        const auto readDetails = [&](FindingsDialog* details) {
            for (int column = 0; column < 4; ++column) {
                row << details->table()->item(0, column)->text();
            }
            row << QString::number(details->table()->rowCount());
            return details->accept(), true;
        };
        EXPECT_TRUE(renamed ? test::driveModal<FindingsDialog>(merge, readDetails)
                            : test::runWithoutModal(merge));
        EXPECT_EQ(row, renamed ? QStringList({"b.hub", "waypoint 1 HOME", "renamed",
                                              "name \"HOME\" -> \"WPT0\"", "1"})
                               : QStringList());
        ASSERT_EQ(dialogs.calls.size(), 1u) << message.toStdString();
        EXPECT_EQ(dialogs.calls[0].text, message);
        EXPECT_EQ(dialogs.calls[0].icon,
                  message == "Merging Completed" ? MessageIcon::None : MessageIcon::Error);
        EXPECT_EQ(dialogs.calls[0].buttons, // "Details..." for the renamed twin
                  names.size() > 1 ? MessageButtons::OkDetails : MessageButtons::Ok);
        const std::string merged = test::readBytes(output.trimmed().toStdString());
        EXPECT_EQ(merged.empty(), names.empty()) << message.toStdString();
        for (const std::string& name : names) {
            EXPECT_NE(merged.find("\r\n$" + name + ",Moored,"), std::string::npos) << name;
        }
    }
}

// A path far wider than the "Converting ...." window: it scrolls to the end of the line. (The
// lists' view of such a path is the file lists' test.)
TEST(ProgressDialogTest, ScrollsToTheWholeOfALongLine) {
    const QString path = "/" + QStringLiteral("very-long-folder-name/").repeated(12) + "day.hub";
    const FormatFamily family{
        "Fam", "fam", [](const char*, NavDatabase*, ConversionReport*) { return kCannotOpen; },
        countingWriter, ".out"};
    auto job = makeConversionJob({localPath(path)}, "/out", 5, 5, family, family);
    ProgressDialog window(job.get());
    window.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.completed(); }, 60000));
    const QPlainTextEdit* edit = window.resultEdit();
    EXPECT_GE(edit->horizontalScrollBar()->maximum() + edit->viewport()->width(),
              edit->fontMetrics().horizontalAdvance("FAIL (0- 2) : " + path));
    window.actionButton()->click();
}

// "Details...": offered by the Converting window and the Merge page's message only when the job
// changed records; the table of findings sorts by a column and saves itself as CSV.
// Texts with a byte of another character set, a comma, quotes and line ends (one without quotes).
ResultCode changingWriter(NavDatabase*, const char*, ConversionReport* report) {
    report->add(FindingKind::TextCut, RecordKind::Waypoint, 0, -1, "CAF\xE9\n", "name",
                "CAF\xE9 DU PORT", "CAF\xE9 D", "six characters");
    report->add(FindingKind::NameRenamed, RecordKind::Waypoint, 1, -1, "Harbour,Quay", "name",
                "6\" pier", "001", "numbered");
    report->add(FindingKind::CharactersReplaced, RecordKind::Route, 0, 2, "P2", "comment",
                "two\r\nlines", "two  lines", "no line ends");
    return kOk;
}

QStringList rowTexts(const QTableWidget* table, int column) {
    QStringList texts;
    for (int r = 0; r < table->rowCount(); ++r) {
        texts << table->item(r, column)->text();
    }
    return texts;
}

// Shows the Converting window of a one-file job and waits for it to complete.
std::unique_ptr<ConversionJob> completedJob(FamilyWriter writer, test::ScriptedDialogs& dialogs,
                                            std::unique_ptr<ProgressDialog>& window) {
    auto job = jobOf(
        1, [](const char*, NavDatabase*, ConversionReport*) { return kOk; }, writer);
    job->reportWanted = true;
    window = std::make_unique<ProgressDialog>(job.get(), nullptr, &dialogs);
    window->show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->completed(); }, 60000));
    return job;
}

TEST(DetailsTest, ConvertingWindowShowsTheFindingsSortsThemAndSavesTheCsv) {
    test::TempDir dir;
    test::ScriptedDialogs dialogs;
    std::unique_ptr<ConversionJob> clean, job; // the jobs outlive their windows
    std::unique_ptr<ProgressDialog> window;
    clean = completedJob([](NavDatabase*, const char*, ConversionReport*) { return kOk; }, dialogs,
                         window);
    EXPECT_FALSE(window->detailsButton()->isVisible());
    window->actionButton()->click();
    job = completedJob(changingWriter, dialogs, window);
    ASSERT_TRUE(window->detailsButton()->isVisible());
    EXPECT_EQ(window->detailsButton()->text(), "Details...");

    const std::string csv = dir.file("findings.csv");
    const bool seen = test::driveModal<FindingsDialog>(
        [&] { window->detailsButton()->click(); },
        [&](FindingsDialog* details) {
            QTableWidget* table = details->table();
            EXPECT_EQ(rowTexts(table, 0), QStringList(3, "file0.hub"));
            EXPECT_EQ(rowTexts(table, 2),
                      QStringList({"cut to the device's width", "renamed", "characters replaced"}));
            EXPECT_EQ(table->item(1, 3)->text(), "name \"6\" pier\" -> \"001\"");
            EXPECT_EQ(table->item(1, 4)->text(), "numbered");
            QHeaderView* header = table->horizontalHeader();
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                              QPoint(header->sectionViewportPosition(1) + 4, 4));
            EXPECT_EQ(rowTexts(table, 1),
                      QStringList({"route 1, point 3 P2", "waypoint 1 CAF\uFFFD\n",
                                   "waypoint 2 Harbour,Quay"}));
            dialogs.pathAnswers = {QString::fromStdString(csv)};
            details->saveButton()->click();
            details->saveButton()->click(); // cancelled: the file stays as the first wrote it
            details->accept();
            return true;
        });
    ASSERT_TRUE(seen);
    EXPECT_EQ(test::readBytes(csv),
              "File,Record,What happened,Old -> new,Why\r\n"
              "file0.hub,\"route 1, point 3 P2\",characters replaced,"
              "\"comment \"\"two\r\nlines\"\" -> \"\"two  lines\"\"\",no line ends\r\n"
              "file0.hub,\"waypoint 1 CAF\xE9\n\",cut to the device's width,"
              "\"name \"\"CAF\xE9 DU PORT\"\" -> \"\"CAF\xE9 D\"\"\",six characters\r\n"
              "file0.hub,\"waypoint 2 Harbour,Quay\",renamed,"
              "\"name \"\"6\"\" pier\"\" -> \"\"001\"\"\",numbered\r\n");
    EXPECT_EQ(test::folderNames(dir.path().string()), std::vector<std::string>{"findings.csv"});
    ASSERT_EQ(dialogs.calls.size(), 2u); // the two save dialogs, no message
    EXPECT_EQ(test::fields(dialogs.calls[1].request),
              test::fields({"*.csv", "CSV files (*.csv)|*.csv|All files (*.*)|*.*||", "csv", false,
                            true, true}));
    window->actionButton()->click();
}

// The file lists: drops append every path in drop order, Delete removes the selection, and the
// list view's date and size columns come from the file's metadata.
// Drags the paths (or the text) over the list and drops them; whether every event was accepted.
bool drop(QAbstractItemView* list, const QStringList& paths, const QString& text = {}) {
    QMimeData mime;
    QList<QUrl> urls;
    for (const QString& path : paths) {
        urls.append(path.contains("://") ? QUrl(path) : QUrl::fromLocalFile(path));
    }
    text.isEmpty() ? mime.setUrls(urls) : mime.setText(text);
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, {});
    QDragMoveEvent move(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, {});
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, {});
    bool accepted = true;
    for (QEvent* event : std::initializer_list<QEvent*>{&enter, &move, &drop}) {
        QApplication::sendEvent(list->viewport(), event);
        accepted = accepted && event->isAccepted();
    }
    return accepted;
}

// Selects the rows and presses Delete.
void deleteRows(QAbstractItemView* list, const std::vector<int>& rows) {
    list->clearSelection();
    for (const int row : rows) {
        list->selectionModel()->select(list->model()->index(row, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    QTest::keyClick(list, Qt::Key_Delete);
}

TEST(FileListTest, DropsAppendEveryLocalPathInOrderDeleteRemovesTheSelectionLongPathsElide) {
    test::TempDir dir;
    test::writeBytes(dir.file("a.hub"), "x");
    test::writeBytes(dir.file("b.s41"), std::string(2048, 'y'));
    // A folder, a missing file and a repeated path are all listed.
    QStringList paths;
    for (const char* name : {"a.hub", "", "missing.xml", "a.hub", "b.s41"}) {
        paths.append(QString::fromStdString(dir.file(name)));
    }
    // A path far wider than the list keeps its file name in view: the middle of the path elided,
    // the whole in the tooltip.
    const QString longPath = "/" + QStringLiteral("very-long-folder-name/").repeated(12) + "d.hub";
    FileDropListBox box;
    FileDropListView view;
    view.initColumns();
    const std::pair<QAbstractItemView*, std::function<QStringList()>> lists[] = {
        {&box, [&] { return box.entries(); }}, {&view, [&] { return view.paths(); }}};
    for (const auto& [list, entries] : lists) {
        list->resize(300, 200);
        list->show();
        EXPECT_TRUE(drop(list, paths));
        EXPECT_EQ(entries(), paths);
        deleteRows(list, {});
        EXPECT_EQ(entries(), paths);
        deleteRows(list, {1, 3, 4});
        EXPECT_EQ(entries(), (QStringList{paths[0], paths[2]}));
        EXPECT_FALSE(drop(list, {}, QStringLiteral("/not/a/url")));    // text is not a file
        drop(list, {QStringLiteral("https://example.invalid/a.hub")}); // nor a web address
        EXPECT_EQ(entries().size(), 2);
        EXPECT_TRUE(drop(list, {longPath}));
        QApplication::processEvents();
        EXPECT_EQ(list->textElideMode(), Qt::ElideMiddle);
        EXPECT_EQ(list->horizontalScrollBar()->maximum(), 0);
        EXPECT_EQ(list->model()->index(2, 0).data(Qt::ToolTipRole).toString(), longPath);
    }
}

TEST(FileDropListViewTest, ColumnsFillTheWidthAndRowsShowTheMetadata) {
    test::TempDir dir;
    FileDropListView view;
    view.resize(500, 300);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    view.initColumns();
    ASSERT_EQ(view.columnCount(), 3);
    const QStringList headers = {"Name", "Date (d/m/yyyy)", "Size (KB)"};
    for (int column = 0; column < 3; ++column) {
        EXPECT_EQ(view.headerItem()->text(column), headers[column]);
        EXPECT_TRUE(view.headerItem()->textAlignment(column) &
                    (column == 0 ? Qt::AlignLeft : Qt::AlignRight));
    }
    for (const auto& [column, least] : {std::pair(1, 90), std::pair(2, 60)}) {
        // 90 and 60 pixels, or wider when the heading needs it: never cut.
        const int heading = view.header()->fontMetrics().horizontalAdvance(headers[column]);
        EXPECT_EQ(view.columnWidth(column), std::max(least, heading + 16)) << column;
    }
    for (const int width : {500, 700}) { // the name takes the rest, also after a resize
        view.resize(width, 300);
        EXPECT_EQ(view.columnWidth(0) + view.columnWidth(1) + view.columnWidth(2),
                  view.viewport()->width());
    }
    EXPECT_FALSE(view.isSortingEnabled() || view.header()->sectionsClickable());
    // Name, bytes (none: the folder itself, a missing file), last write, date and size shown.
    // The files are read-only and show their facts all the same: nothing opens them to write.
    const std::tuple<std::string, int, CivilTime, QString, QString> rows[] = {
        {"a.s41", 511, {12, 30, 0, 5, 3, 2012}, "5/03/2012", "0"},
        {"b.s41", 512, {23, 59, 59, 29, 2, 2024}, "29/02/2024", "1"},
        {"c.s41", 1535, {0, 0, 0, 1, 1, 1970}, "1/01/1970", "1"},
        {"d.s41", 1536, {0, 0, 1, 31, 12, 1999}, "31/12/1999", "2"},
        {"", -1, {}, "*", "*"},
        {"gone.s6", -1, {}, "*", "*"}};
    for (const auto& [name, bytes, modified, date, size] : rows) {
        if (bytes >= 0) {
            test::writeBytes(dir.file(name), std::string(static_cast<std::size_t>(bytes), 'x'));
            const auto seconds = static_cast<time_t>(secondsFromCivil(modified));
            const utimbuf times{seconds, seconds};
            ASSERT_EQ(::utime(dir.file(name).c_str(), &times), 0);
            ASSERT_EQ(::chmod(dir.file(name).c_str(), 0444), 0);
        }
        view.addFile(QString::fromStdString(dir.file(name)));
        const QTreeWidgetItem* row = view.topLevelItem(view.topLevelItemCount() - 1);
        EXPECT_EQ(row->text(0).toStdString(), dir.file(name));
        EXPECT_EQ(row->text(1), date) << name;
        EXPECT_EQ(row->text(2), size) << name;
        EXPECT_TRUE(row->textAlignment(2) & Qt::AlignRight);
    }
    EXPECT_EQ(formatListSize(5368709120ull), "5242880"); // past 32 bits
}

} // namespace
} // namespace velmar
