// "Details...": offered by the Converting window and the Merge page's message only when the job
// changed records; the table of findings sorts by a column and saves itself as CSV.

#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "UiTestSupport.h"
#include "core/ConversionJob.h"
#include "merge/MergeJob.h"
#include "ui/FileDropListBox.h"
#include "ui/FindingsDialog.h"
#include "ui/MergePage.h"
#include "ui/ProgressDialog.h"

namespace velmar {
namespace {

ResultCode cleanWriter(NavDatabase*, const char*, ConversionReport*) {
    return kOk;
}

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
    const FormatFamily family{"Fam", "fam",
                              [](const char*, NavDatabase*, ConversionReport*) { return kOk; },
                              writer, ".out"};
    auto job = makeConversionJob({"/in/file0.hub"}, "/out", 5, 5, family, family);
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
    clean = completedJob(cleanWriter, dialogs, window);
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

TEST(DetailsTest, MergeMessageOffersTheRenamesBesideItsOk) {
    test::TempDir dir;
    test::ScriptedDialogs dialogs;
    MergePage page(dialogs);
    const std::string hub = "$VERSION,1.0.1,2012.03.05*\r\n$WPT*\r\n$HOME,Moored,10,0000FF,"
                            "43D17.412N,5D21.630E,20120305,0.0,,,*\r\n$END*\r\nENDDATA\r\n";
    test::writeBytes(dir.file("a.hub"), hub);
    test::writeBytes(dir.file("b.hub"), hub);
    page.fileList()->addEntry(QString::fromStdString(dir.file("a.hub")));
    page.fileList()->addEntry(QString::fromStdString(dir.file("b.hub")));
    control<QLineEdit>(&page, 1085)->setText(QString::fromStdString(dir.file("m.hub")));
    dialogs.detailsAnswers = {MessageAnswer::Details};
    QStringList row;
    const bool seen = test::driveModal<FindingsDialog>(
        [&] { page.merge(); },
        [&](FindingsDialog* details) {
            for (int c = 0; c < details->table()->columnCount(); ++c) {
                row << details->table()->item(0, c)->text();
            }
            EXPECT_EQ(details->table()->rowCount(), 1);
            details->accept();
            return true;
        });
    ASSERT_TRUE(seen);
    EXPECT_EQ(row.mid(0, 4),
              QStringList({"b.hub", "waypoint 1 HOME", "renamed", "name \"HOME\" -> \"WPT0\""}));
    ASSERT_EQ(dialogs.calls.size(), 1u);
    EXPECT_EQ(dialogs.calls[0].text, "Merging Completed");
    EXPECT_EQ(dialogs.calls[0].buttons, MessageButtons::OkDetails);
}

} // namespace
} // namespace velmar
