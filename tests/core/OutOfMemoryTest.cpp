// A test program whose allocations can be made to fail: with failAt = N, the N-th operator new
// throws std::bad_alloc. Swept over N, every conversion and merge must end with 0 and its whole
// output, or with 3 and the earlier output untouched; never with 0 and less.
#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <cstdlib>
#include <functional>
#include <map>
#include <new>

#include "TestSupport.h"
#include "core/Clock.h"
#include "formats/FamilyTable.h"
#include "formats/cmap/CmapFile.h"
#include "formats/cmap/CmapXml.h"
#include "formats/hub/HubFile.h"
#include "formats/series41/Series41File.h"
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
        const ResultCode read = f.reader(source.c_str(), &db);
        return read != kOk ? read : f.writer(&db, out.c_str());
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
    void SetUp() override {
        NavDatabase db;
        initNavDatabase(&db);
        for (const char* name : {"A", "B,1"}) {
            Waypoint& w = db.waypoints.emplace_back();
            initWaypoint(&w);
            w.name = name;
            w.latitude = 34.5;
            w.longitude = name[0] == 'A' ? 135.25 : -2.75;
        }
        Route route;
        initRoute(&route);
        Track track;
        initTrack(&track);
        Zone zone;
        initZone(&zone);
        for (int i = 0; i < 3; ++i) {
            route.points.push_back({"P" + std::to_string(i), 0, 10.0 + i, 20.0});
            track.points.push_back({i == 2 ? 'S' : 'N', 10.0, 20.0 + i});
            zone.points.push_back({-10.0, 20.0 + i});
        }
        db.routes.assign(2, route);
        db.tracks.assign(2, track);
        db.zones.assign(1, zone);
        db.marks.emplace_back().name = "M";
        ASSERT_EQ(writeHubFile(&db, hub.c_str()), kOk);
        ASSERT_EQ(writeSeries41File(&db, s41.c_str()), kOk);
        CmapDatabase cmap;
        ASSERT_EQ(writeCmapFiles(&db, dir.file("c").c_str()), kOk);
        loadCmapFile(dir.file("c.Marks.UP.xml").c_str(), &cmap);
        loadCmapFile(dir.file("c.Multi RT.RT.xml").c_str(), &cmap);
        loadCmapFile(dir.file("c.Multi TRK.TRK.xml").c_str(), &cmap);
        ASSERT_EQ(saveCmapFile(&cmap, xml.c_str()), kOk);
        test::writeBytes(s6, "$NRM\r\n$0001,82,34D12.345N,135D06.500E,\r\n$END\r\n$RUT\r\n"
                             "$0001,C0,1D00.000N,2D00.000E\r\n$0002,C0,1D00.000N,3D00.000E\r\n"
                             "$0004,C0,1D00.000N,4D00.000E\r\n$END\r\n$TRK\r\n$01,1D00.000N,"
                             "2D00.000E\r\n$00,1D00.000N,2D00.000E\r\n$02,1D00.000N,2D00.000E\r\n"
                             "$END\r\n$BND\r\n$04,000,80,1D00.000N,2D00.000E\r\n"
                             "$04,001,C0,1D00.000N,2D00.000E\r\n$END\r\n\x1A");
        std::filesystem::create_directory(dir.file("out"));
    }

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
    const std::string hub = dir.file("in.hub"), s41 = dir.file("in.s41"), s6 = dir.file("in.s6"),
                      xml = dir.file("in.xml");
};

// Each family's own conversion, from one source file (a HUB file reads as Series 5 too) to its
// output or file set; and the two merges.
TEST_F(OutOfMemoryTest, EveryConversionAndMergeEndsWholeOrWithThreeAndTheEarlierOutput) {
    const std::pair<Job, const char*> jobs[] = {
        {conversion(kSeries41, s41), "o.s41"},   {conversion(kSeries5, hub), "o.s5"},
        {conversion(kSeries6, s6), "o.s6"},      {conversion(kHub, hub), "o.hub"},
        {conversion(kCmap, xml), "o.cmap"},      {merge(MergeHub, {hub, hub}), "m.hub"},
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
