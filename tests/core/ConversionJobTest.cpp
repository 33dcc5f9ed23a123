#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>
#include <tuple>
#include <unistd.h>

#include "TestSupport.h"
#include "core/ConversionJob.h"
#include "formats/FamilyEntryPoints.h"
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

// The job in hand, asked to stop while its reader reads (the Cancel button, pressed mid-read).
ConversionJob* gStopping = nullptr;
ResultCode stopWhileReading(const char* path, NavDatabase* database, ConversionReport*) {
    {
        const std::lock_guard<std::mutex> guard(gStopping->lock);
        gStopping->stopFlag = 1;
    }
    return readHubFile(path, database);
}

ResultCode failingWriter(NavDatabase*, const char*, ConversionReport*) {
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

// A file that cannot be read, and a job going on after it, are the command line's and the
// Convert page's tests.
TEST_F(ConversionJobTest, AFailedWriteIsLoggedWithItsStep) {
    FormatFamily broken = *formatFamily(kHub);
    broken.writer = failingWriter;
    auto k = makeConversionJob({dir.file("a.hub")}, dir.file("out"), kHub, kHub,
                               *formatFamily(kHub), broken);
    EXPECT_NE(
        run(k.get()).find("\r\nFAIL (1- 1) " + dir.file("a.hub") + "\r\nConverting Completed"),
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
    FormatFamily stopping = *formatFamily(kHub);
    stopping.reader = stopWhileReading;
    auto j = makeConversionJob({dir.file("a.hub"), dir.file("b.hub")}, dir.file("out"), kHub, kHub,
                               stopping, *formatFamily(kHub));
    gStopping = j.get();
    EXPECT_EQ(run(j.get()), std::string(kJobStartText) + "\r\nABORT : " + dir.file("a.hub"));
    EXPECT_TRUE(window.posts().empty());
    EXPECT_FALSE(test::fileExists(dir.file("out/a.hub.hub")));
}

TEST(OutputPathFor, KeepsTheSourceNameAndAddsTheExtension) {
    EXPECT_EQ(outputPathFor("/out", "/logs/day1.s41", ".hub"), "/out/day1.s41.hub");
    EXPECT_EQ(outputPathFor("/out", "a.hub", ".hub"), "/out/a.hub.hub");
    EXPECT_EQ(outputPathFor("/out", "dir\\x.hub", ".s77"),
              "/out/dir\\x.hub.s77"); // a backslash is a name byte
}

// An output never takes the name of a source of its job or of an output the job already wrote.
TEST_F(ConversionJobTest, TakenOutputNamesGetANumber) {
    std::filesystem::create_directory(dir.file("a"));
    std::filesystem::create_directory(dir.file("b"));
    test::writeBytes(dir.file("a/day.hub"), kSmallHub);
    test::writeBytes(dir.file("b/day.hub"), kSmallHub);
    test::writeBytes(dir.file("out/x.hub"), kSmallHub);
    test::writeBytes(dir.file("out/x.hub.hub"), "a source, not an output");
    using Names = std::vector<std::string>; // the sources, and the renamed outputs in out/
    const std::tuple<Names, int, Names> cases[] = {
        {{"a/day.hub", "b/day.hub", "a/day.hub"}, kHub, {"", "day.hub-2.hub", "day.hub-3.hub"}},
        {{"out/x.hub", "out/x.hub.hub"}, kHub, {"x.hub-2.hub", ""}},
        {{"a/day.hub", "b/day.hub"}, kSeries6, {"", "day.hub-2.s6"}},
    };
    for (const auto& [sources, to, renamed] : cases) {
        std::vector<std::string> files;
        for (const std::string& source : sources) {
            files.push_back(dir.file(source));
        }
        auto j = job(files, kHub, to);
        EXPECT_EQ(run(j.get()).find("FAIL"), std::string::npos);
        for (std::size_t i = 0; i < renamed.size(); ++i) {
            const std::string& name = renamed[i];
            EXPECT_EQ(renamedOutput(j.get(), static_cast<int>(i)),
                      name.empty() ? "" : dir.file("out/" + name));
        }
    }
    EXPECT_EQ(test::readBytes(dir.file("out/x.hub.hub")), "a source, not an output");
    EXPECT_EQ(test::readBytes(dir.file("out/day.hub-3.hub")), kSmallHub);
    EXPECT_TRUE(test::fileExists(dir.file("out/day.hub.s6.wpt")));
    EXPECT_TRUE(test::fileExists(dir.file("out/day.hub-2.s6.wpt")));
}

// Texts holding XML's own characters keep CMAP documents well-formed XML, also after a trip
// through HUB (how each family carries such texts is the completeness test's).
TEST_F(ConversionJobTest, CmapDocumentsStayWellFormedXml) {
    test::writeBytes(dir.file("in.xml"),
                     "<C_MAP>\n<WAYPOINTS>\n<WAYPOINT>\n<NAME>P,$*3</NAME>\n"
                     "<DESCRIPTION>Harbour, north side &amp; &lt;B&gt; & co</DESCRIPTION>\n"
                     "</WAYPOINT>\n</WAYPOINTS>\n</C_MAP>\n");
    NavDatabase source, viaHub;
    ASSERT_EQ(readCmapFile(dir.file("in.xml").c_str(), &source), kOk);
    ASSERT_EQ(source.waypoints.size(), 1u);
    EXPECT_EQ(source.waypoints[0].comment, "Harbour, north side & <B> & co");
    ASSERT_EQ(writeCmapFiles(&source, dir.file("out/w.cmap").c_str()), kOk);
    ASSERT_EQ(writeHubFile(&source, dir.file("out/w.hub").c_str()), kOk);
    ASSERT_EQ(readHubFile(dir.file("out/w.hub").c_str(), &viaHub), kOk);
    ASSERT_EQ(writeCmapFiles(&viaHub, dir.file("out/via-hub.cmap").c_str()), kOk);
    for (const char* document : {"out/w.cmap.Marks.UP.xml", "out/via-hub.cmap.Marks.UP.xml"}) {
        EXPECT_EQ(std::system(("xmllint --noout '" + dir.file(document) + "'").c_str()), 0)
            << document;
    }
}

} // namespace
} // namespace velmar
