// Reading and writing a large HUB file (38 MB: 10,000 waypoints, 1,000 marks, 1,000 routes of 100
// points, 10 tracks of 100,000 points, lines and zones).
#include <benchmark/benchmark.h>

#include <filesystem>

#include "formats/hub/HubFile.h"
#include "tools/LargeDatabase.h"

namespace {

const std::string& largeFile() {
    static const std::string path = [] {
        const std::string p =
            (std::filesystem::temp_directory_path() / "velmar-bench-large.hub").string();
        velmar::NavDatabase db = velmar::tools::makeLargeDatabase();
        velmar::writeHubFile(&db, p.c_str());
        return p;
    }();
    return path;
}

void BM_ReadLargeHub(benchmark::State& state) {
    const std::string& path = largeFile();
    const auto size = static_cast<std::int64_t>(std::filesystem::file_size(path));
    for (auto _ : state) {
        velmar::NavDatabase db;
        velmar::initNavDatabase(&db);
        if (velmar::readHubFile(path.c_str(), &db) != velmar::kOk) {
            state.SkipWithError("read failed");
        }
        benchmark::DoNotOptimize(db.tracks.size());
    }
    state.SetBytesProcessed(state.iterations() * size);
}

void BM_WriteLargeHub(benchmark::State& state) {
    const std::string& path = largeFile();
    velmar::NavDatabase db;
    velmar::initNavDatabase(&db);
    velmar::readHubFile(path.c_str(), &db);
    const std::string out = path + ".out";
    for (auto _ : state) {
        if (velmar::writeHubFile(&db, out.c_str()) != velmar::kOk) {
            state.SkipWithError("write failed");
        }
    }
    state.SetBytesProcessed(state.iterations() *
                            static_cast<std::int64_t>(std::filesystem::file_size(out)));
    std::filesystem::remove(out);
}

BENCHMARK(BM_ReadLargeHub)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteLargeHub)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
