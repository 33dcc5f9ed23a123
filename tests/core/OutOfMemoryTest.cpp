// A test program whose allocations can be made to fail: with failAt = N, the N-th operator new
// throws std::bad_alloc. Swept over N, every conversion and merge must end with 0 and its whole
// output, or with 3 and the earlier output untouched; never with 0 and less.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <map>
#include <new>

#include "TestSupport.h"
#include "core/Clock.h"
#include "formats/FamilyTable.h"
#include "merge/MergeJob.h"

namespace {
std::atomic<long> allocations{0};
std::atomic<long> failAt{0}; // 0: allocations are neither counted nor failed

bool failsNow() {
    const long at = failAt.load(std::memory_order_relaxed);
    return at != 0 && allocations.fetch_add(1, std::memory_order_relaxed) + 1 == at;
}
void* allocate(std::size_t size) noexcept {
    return failsNow() ? nullptr : std::malloc(size == 0 ? 1 : size);
}
} // namespace

void* operator new(std::size_t size) {
    if (void* p = allocate(size)) {
        return p;
    }
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return allocate(size);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}

namespace velmar {
namespace {

using Job = std::function<ResultCode(const std::string& out)>;

// A family's own conversion: its reader on the source, its writer into `out`.
Job conversion(int family, std::string source) {
    return [family, source](const std::string& out) {
        const FormatFamily& f = *formatFamily(family);
        NavDatabase db;
        initNavDatabase(&db);
        const ResultCode read = f.reader(source.c_str(), &db, nullptr);
        return read != kOk ? read : f.writer(&db, out.c_str(), nullptr);
    };
}

Job merge(int type, std::vector<std::string> files) {
    return [type, files](const std::string& out) {
        const MergeReport report = runMergeJob(type, files, out);
        return report.unreadableInputs.empty() ? report.writeResult : -1; // -1: records lost
    };
}

class OutOfMemoryTest : public ::testing::Test {
  protected:
    // Runs the conversion once whole, then once for every N with the N-th allocation failing.
    void sweep(const Job& run, const std::string& out) {
        const std::string folder = dir.file("out");
        ASSERT_EQ(run(out), kOk);
        std::map<std::string, std::string> whole;
        for (const std::string& name : test::folderNames(folder)) {
            whole[name] = test::readBytes(folder + "/" + name);
        }
        for (long n = 1; !HasFailure(); ++n) {
            for (const auto& [name, bytes] : whole) {
                test::writeBytes(folder + "/" + name, "earlier");
            }
            allocations = 0;
            failAt = n;
            const ResultCode result = run(out);
            const bool failed = allocations >= n;
            failAt = 0;
            ASSERT_TRUE(result == kOk || result == kNoMemory) << "N " << n << ": " << result;
            for (const auto& [name, bytes] : whole) {
                EXPECT_EQ(test::readBytes(folder + "/" + name), result == kOk ? bytes : "earlier")
                    << "N " << n << ": " << name;
            }
            EXPECT_EQ(test::folderNames(folder).size(), whole.size()) << "N " << n;
            if (!failed) {
                break; // the whole run got every allocation it asked for
            }
        }
    }

    const ScopedClock clock{1335960000};
    test::TempDir dir;
};

// Each family's own conversion of an example (a HUB file reads as Series 5 too, and gives the
// GPX source), and both merges.
TEST_F(OutOfMemoryTest, EveryConversionAndMergeEndsWholeOrWithThreeAndTheEarlierOutput) {
    const auto example = [](const char* name) { return test::sourcePath("examples/") + name; };
    const std::string hub = example("harbor-day.hub"), xml = example("coastal-run.xml");
    const std::string gpx = dir.file("harbor-day.gpx");
    NavDatabase db;
    initNavDatabase(&db);
    ASSERT_EQ(formatFamily(kHub)->reader(hub.c_str(), &db, nullptr), kOk);
    ASSERT_EQ(formatFamily(kGpx)->writer(&db, gpx.c_str(), nullptr), kOk);
    const std::pair<Job, const char*> jobs[] = {
        {conversion(kSeries41, example("harbour-tour.s41")), "o.s41"},
        {conversion(kSeries5, hub), "o.s5"},
        {conversion(kSeries6, example("reef-patrol.s6.trk")), "o.s6"},
        {conversion(kHub, hub), "o.hub"},
        {conversion(kCmap, xml), "o.cmap"},
        {conversion(kGpx, gpx), "o.gpx"},
        {merge(MergeHub, {hub, hub}), "m.hub"},
        {merge(MergeCmap, {xml, xml}), "m.xml"},
    };
    for (const auto& [job, out] : jobs) {
        SCOPED_TRACE(out);
        std::filesystem::remove_all(dir.file("out"));
        std::filesystem::create_directory(dir.file("out"));
        sweep(job, dir.file(std::string("out/") + out));
    }
}

} // namespace
} // namespace velmar
