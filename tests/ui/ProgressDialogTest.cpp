// The "Converting ...." window: it shows the whole log as it grows without copying it again,
// keeps the last lines in view, cannot be closed but by its button, and never outlives its
// worker.

#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "UiTestSupport.h"
#include "core/ConversionJob.h"
#include "ui/KeyFilter.h"
#include "ui/ProgressDialog.h"

namespace velmar {
namespace {

ResultCode quickReader(const char*, NavDatabase*) {
    return kOk;
}
ResultCode quickWriter(NavDatabase*, const char*) {
    return kOk;
}
ResultCode failingWriter(NavDatabase*, const char*) {
    return kCannotOpen;
}

// A reader that holds the worker until the window has asked the job to stop.
std::atomic<ConversionJob*> gHeldJob{nullptr};
std::atomic<int> gReaderEntered{0};

ResultCode heldReader(const char*, NavDatabase*) {
    ++gReaderEntered;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (std::chrono::steady_clock::now() < deadline) {
        if (ConversionJob* job = gHeldJob.load()) {
            const std::lock_guard<std::mutex> guard(job->lock);
            if (job->stopFlag == 1) {
                break;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return kOk;
}

// A reader that holds the worker at the first file until the gate opens.
std::atomic<bool> gGateOpen{false};
std::atomic<int> gGateReads{0};

ResultCode gatedReader(const char*, NavDatabase*) {
    ++gGateReads;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (!gGateOpen.load() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return kOk;
}

std::unique_ptr<ConversionJob> jobOf(int files, FamilyReader reader, FamilyWriter writer) {
    std::vector<std::string> paths;
    for (int i = 0; i < files; ++i) {
        paths.push_back("/in/file" + std::to_string(i) + ".hub");
    }
    const FormatFamily source{"In", "in", reader, writer, ".in"};
    const FormatFamily destination{"Out", "out", reader, writer, ".out"};
    return makeConversionJob(paths, "/out", 5, 5, source, destination);
}

QString shownText(const std::string& log) {
    QString text = QString::fromStdString(log);
    text.remove(QLatin1Char('\r'));
    return text;
}

TEST(ProgressDialogTest, ShowsEveryLineOnceForATenThousandFilesJob) {
    auto job = jobOf(10000, quickReader, quickWriter);
    ProgressDialog window(job.get());
    EXPECT_EQ(window.windowTitle(), "Converting ....");
    window.resize(460, 200);
    window.show();
    ASSERT_TRUE(test::waitFor([&] { return window.completed(); }, 60000));
    EXPECT_EQ(window.actionButton()->text(), "Ok");
    std::string log;
    {
        const std::lock_guard<std::mutex> guard(job->lock);
        log = job->resultLog;
    }
    EXPECT_EQ(window.resultEdit()->toPlainText(), shownText(log));
    EXPECT_EQ(window.resultEdit()->document()->blockCount(), 10002);
    EXPECT_TRUE(window.resultEdit()->toPlainText().endsWith("OK : /in/file9999.hub\n"
                                                            "Converting Completed"));
    // Scrolled to the end: the last lines are in view.
    const QScrollBar* bar = window.resultEdit()->verticalScrollBar();
    EXPECT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), std::min(bar->maximum(), 10002 - kVisibleTailLines));
    window.actionButton()->click();
    EXPECT_EQ(window.result(), QDialog::Accepted);
    EXPECT_FALSE(job->workerThread.joinable());
}

TEST(ProgressDialogTest, WriterFailuresAreShownWithTheirCode) {
    auto job = jobOf(2, quickReader, failingWriter);
    ProgressDialog window(job.get());
    window.show();
    ASSERT_TRUE(test::waitFor([&] { return window.completed(); }));
    EXPECT_EQ(window.resultEdit()->toPlainText(),
              "Please wait or press <Cancel> button to abort\n"
              "FAIL (1- 2) /in/file0.hub\nFAIL (1- 2) /in/file1.hub\nConverting Completed");
    window.actionButton()->click();
}

TEST(ProgressDialogTest, OnlyItsButtonClosesItWhileTheJobRuns) {
    gReaderEntered = 0;
    auto job = jobOf(3, heldReader, quickWriter);
    gHeldJob = job.get();
    ProgressDialog window(job.get());
    EXPECT_FALSE(window.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(KeyFilter::covers(window.resultEdit()));
    window.show();
    ASSERT_TRUE(test::waitFor([] { return gReaderEntered.load() == 1; }));
    EXPECT_EQ(window.actionButton()->text(), "Cancel");

    QTest::keyClick(&window, Qt::Key_Escape);
    QTest::keyClick(window.actionButton(), Qt::Key_Return);
    QTest::keyClick(window.resultEdit(), Qt::Key_Enter);
    window.close();
    window.reject();
    QApplication::processEvents();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(gReaderEntered.load(), 1);

    // Cancel asks for the stop and waits; the worker sees it after the read.
    window.actionButton()->click();
    gHeldJob = nullptr;
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.result(), QDialog::Accepted);
    EXPECT_FALSE(job->workerThread.joinable());
    const std::lock_guard<std::mutex> guard(job->lock);
    EXPECT_EQ(job->resultLog,
              "Please wait or press <Cancel> button to abort\r\nABORT : /in/file0.hub");
    EXPECT_EQ(gReaderEntered.load(), 1);
}

TEST(ProgressDialogTest, ClosingTheWindowObjectStopsAndWaitsForTheWorker) {
    gReaderEntered = 0;
    auto job = jobOf(4, heldReader, quickWriter);
    gHeldJob = job.get();
    {
        ProgressDialog window(job.get());
        window.show();
        ASSERT_TRUE(test::waitFor([] { return gReaderEntered.load() == 1; }));
    } // the window goes first; its worker must be gone with it
    gHeldJob = nullptr;
    EXPECT_FALSE(job->workerThread.joinable());
    // Messages the worker had queued died with the window: processing them now is harmless.
    QApplication::processEvents();
    const std::lock_guard<std::mutex> guard(job->lock);
    EXPECT_EQ(job->stopFlag, 1);
    EXPECT_EQ(gReaderEntered.load(), 1);
}

TEST(ProgressDialogTest, NewLinesAreAppendedToWhatTheBoxAlreadyShows) {
    gGateOpen = false;
    gGateReads = 0;
    auto job = jobOf(3, gatedReader, quickWriter);
    ProgressDialog window(job.get());
    window.show();
    ASSERT_TRUE(test::waitFor([] { return gGateReads.load() == 1; }));
    // Mark the line already shown; a box that were refilled from the whole log would lose it.
    QTextBlock first = window.resultEdit()->document()->firstBlock();
    EXPECT_EQ(first.text(), "Please wait or press <Cancel> button to abort");
    first.setUserState(42);
    gGateOpen = true;
    ASSERT_TRUE(test::waitFor([&] { return window.completed(); }));
    EXPECT_EQ(window.resultEdit()->document()->firstBlock().userState(), 42);
    EXPECT_EQ(window.resultEdit()->document()->blockCount(), 5);
    window.actionButton()->click();
}

TEST(ProgressDialogTest, LateMessagesDoNotRepeatLines) {
    auto job = jobOf(1, quickReader, quickWriter);
    ProgressDialog window(job.get());
    window.show();
    ASSERT_TRUE(test::waitFor([&] { return window.completed(); }));
    const QString before = window.resultEdit()->toPlainText();
    // A stray message of an already shown log adds nothing.
    window.postMessage(kMsgConversion, 1, 0);
    window.postMessage(kMsgReadLine, 0, 0);
    QApplication::processEvents();
    EXPECT_EQ(window.resultEdit()->toPlainText(), before);
    window.actionButton()->click();
}

} // namespace
} // namespace velmar
