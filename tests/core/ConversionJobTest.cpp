#include <gtest/gtest.h>

#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <unistd.h>

#include "TestSupport.h"
#include "core/ConversionJob.h"
#include "formats/FamilyTable.h"
#include "formats/hub/HubFile.h"

namespace velmar {
namespace {

struct Post {
    unsigned message;
    std::uintptr_t wParam;
    std::intptr_t lParam;
    bool operator==(const Post&) const = default;
};

class RecordingWindow final : public JobWindow {
  public:
    void postMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override {
        const std::lock_guard<std::mutex> guard(mutex_);
        posts_.push_back({message, wParam, lParam});
    }
    std::vector<Post> posts() {
        const std::lock_guard<std::mutex> guard(mutex_);
        return posts_;
    }

  private:
    std::mutex mutex_;
    std::vector<Post> posts_;
};

// A reader that blocks until the test releases it, so a stop can arrive mid-read.
struct Gate {
    std::mutex mutex;
    std::condition_variable changed;
    bool entered = false;
    bool released = false;
} gate;

ResultCode blockingReader(const char* path, NavDatabase* database) {
    {
        std::unique_lock<std::mutex> lock(gate.mutex);
        gate.entered = true;
        gate.changed.notify_all();
        gate.changed.wait(lock, [] { return gate.released; });
    }
    return readHubFile(path, database);
}

ResultCode failingWriter(NavDatabase*, const char*) {
    return kWriteFailed;
}

const char kSmallHub[] =
    "$VERSION,1.0.1,2010.12.22*\r\n$WPT*\r\n"
    "$HOME,,00,000000,35D12.345N,139D45.678E,20120501,0.0,,,*\r\n$END*\r\nENDDATA\r\n";

class ConversionJobTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* name : {"a.hub", "b.hub", "c.hub"}) {
            test::writeBytes(dir.file(name), kSmallHub);
        }
        std::filesystem::create_directory(dir.file("out"));
    }

    std::unique_ptr<ConversionJob> job(std::vector<std::string> files, int from, int to) {
        return makeConversionJob(files, "  " + dir.file("out") + " \t", from, to,
                                 *formatFamily(from), *formatFamily(to));
    }

    std::string run(ConversionJob* j) {
        startConversionJob(j, &window);
        j->workerThread.join();
        return j->resultLog;
    }

    test::TempDir dir;
    RecordingWindow window;
};

TEST_F(ConversionJobTest, ThreeFilesGiveThreeLinesAndCompletion) {
    auto j = job({dir.file("a.hub"), dir.file("b.hub"), dir.file("c.hub")}, kHub, kHub);
    ASSERT_TRUE(j);
    EXPECT_EQ(j->outputFolder, dir.file("out"));
    EXPECT_EQ(run(j.get()), "Please wait or press <Cancel> button to abort\r\nOK : " +
                                dir.file("a.hub") + "\r\nOK : " + dir.file("b.hub") +
                                "\r\nOK : " + dir.file("c.hub") + "\r\nConverting Completed");
    EXPECT_EQ(window.posts(),
              (std::vector<Post>{{0x500, 1, 0}, {0x500, 1, 0}, {0x500, 1, 0}, {0x500, 0, 0}}));
    EXPECT_EQ(test::readBytes(dir.file("out/a.hub.hub")), kSmallHub);
    EXPECT_EQ(j->stopFlag, 1);
}

TEST_F(ConversionJobTest, FailuresAreLoggedAndTheJobGoesOn) {
    auto j = job({dir.file("missing.hub"), dir.file("a.hub")}, kHub, kSeries77);
    std::string log = run(j.get());
    EXPECT_NE(
        log.find("\r\nFAIL (0- 2) : " + dir.file("missing.hub") + "\r\nOK : " + dir.file("a.hub")),
        std::string::npos);
    EXPECT_TRUE(test::fileExists(dir.file("out/a.hub.s77")));

    FormatFamily broken = *formatFamily(kHub);
    broken.writer = failingWriter;
    auto k = makeConversionJob({dir.file("a.hub")}, dir.file("out"), kHub, kHub,
                               *formatFamily(kHub), broken);
    log = run(k.get());
    EXPECT_NE(log.find("\r\nFAIL (1- 1) " + dir.file("a.hub") + "\r\nConverting Completed"),
              std::string::npos);
}

TEST_F(ConversionJobTest, ReadOnlyOutputFolderFailsTheWrite) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root writes into read-only folders";
    }
    std::filesystem::permissions(dir.file("out"), std::filesystem::perms::owner_read |
                                                      std::filesystem::perms::owner_exec);
    auto j = job({dir.file("a.hub")}, kHub, kHub);
    EXPECT_NE(run(j.get()).find("\r\nFAIL (1- 2) " + dir.file("a.hub")), std::string::npos);
}

TEST_F(ConversionJobTest, CancelDuringTheFirstReadAbortsIt) {
    gate.entered = false;
    gate.released = false;
    FormatFamily blocking = *formatFamily(kHub);
    blocking.reader = blockingReader;
    auto j = makeConversionJob({dir.file("a.hub"), dir.file("b.hub"), dir.file("c.hub")},
                               dir.file("out"), kHub, kHub, blocking, *formatFamily(kHub));
    startConversionJob(j.get(), &window);
    {
        std::unique_lock<std::mutex> lock(gate.mutex);
        gate.changed.wait(lock, [] { return gate.entered; });
    }
    // The button: set the flag under the lock, then wait for the worker.
    {
        const std::lock_guard<std::mutex> guard(j->lock);
        j->stopFlag = 1;
    }
    {
        const std::lock_guard<std::mutex> lock(gate.mutex);
        gate.released = true;
    }
    gate.changed.notify_all();
    stopConversionJob(j.get());
    EXPECT_EQ(j->resultLog, std::string(kConvertStartText) + "\r\nABORT : " + dir.file("a.hub"));
    EXPECT_TRUE(window.posts().empty());
    EXPECT_FALSE(test::fileExists(dir.file("out/a.hub.hub")));
}

TEST_F(ConversionJobTest, OutputNamesKeepTheSourceNameAndExtension) {
    EXPECT_EQ(outputPathFor("/out", "/logs/day1.s41", ".hub"), "/out/day1.s41.hub");
    EXPECT_EQ(outputPathFor("/out", "a.hub", ".hub"), "/out/a.hub.hub");
    EXPECT_EQ(outputPathFor("/out", "dir\\x.hub", ".s77"),
              "/out/dir\\x.hub.s77"); // a backslash is a name byte
    auto j = job({dir.file("a.hub")}, kHub, kSeries77);
    run(j.get());
    auto k = job({dir.file("a.hub")}, kHub, kHub);
    run(k.get());
    EXPECT_EQ(test::readBytes(dir.file("out/a.hub.s77")),
              test::readBytes(dir.file("out/a.hub.hub")));
}

TEST_F(ConversionJobTest, InputChecksInTheirOrder) {
    const std::string folder = dir.file("out");
    EXPECT_EQ(checkConvertInputs(0, "", 3, 3), kNoFilesMessage);
    EXPECT_EQ(checkConvertInputs(1, " \t ", 3, 3), kNoFolderMessage);
    EXPECT_EQ(checkConvertInputs(1, dir.file("a.hub"), 3, 3),
              dir.file("a.hub") + " folder is not exist");
    EXPECT_EQ(checkConvertInputs(1, " " + folder + " ", 3, 5), "No support Series 66");
    EXPECT_EQ(checkConvertInputs(1, folder, 0, 3), "No support Series 66");
    EXPECT_EQ(checkConvertInputs(1, folder, 0, 5), "");
}

} // namespace
} // namespace velmar
