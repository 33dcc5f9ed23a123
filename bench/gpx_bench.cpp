// Reading and writing the GPX of the GPX benchmark (10,000 waypoints, 10 tracks of 100,000
// points, about 70 MB); scripts/bench times the same file through velmar convert and GPSBabel.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "formats/gpx/GpxFile.h"
#include "tools/LargeDatabase.h"

namespace {

const std::string& largeFile() {
    static const std::string path = [] {
        const std::string p =
            (std::filesystem::temp_directory_path() / "velmar-bench-large.gpx").string();
        velmar::tools::LargeDatabaseShape shape;
        shape.marks = shape.routes = shape.lines = shape.zones = 0;
        velmar::NavDatabase db = velmar::tools::makeLargeDatabase(shape);
        velmar::writeGpxFile(&db, p.c_str());
        return p;
    }();
    return path;
}

void BM_ReadLargeGpx(benchmark::State& state) {
    const std::string& path = largeFile();
    for (auto _ : state) {
        velmar::NavDatabase db;
        velmar::initNavDatabase(&db);
        if (velmar::readGpx(path.c_str(), &db, nullptr) != velmar::kOk) {
            state.SkipWithError("read failed");
        }
        benchmark::DoNotOptimize(db.tracks.size());
    }
    state.SetBytesProcessed(state.iterations() *
                            static_cast<std::int64_t>(std::filesystem::file_size(path)));
}

void BM_WriteLargeGpx(benchmark::State& state) {
    const std::string& path = largeFile();
    velmar::NavDatabase db;
    velmar::initNavDatabase(&db);
    velmar::readGpx(path.c_str(), &db, nullptr);
    const std::string out = path + ".out";
    for (auto _ : state) {
        if (velmar::writeGpxFile(&db, out.c_str()) != velmar::kOk) {
            state.SkipWithError("write failed");
        }
    }
    state.SetBytesProcessed(state.iterations() *
                            static_cast<std::int64_t>(std::filesystem::file_size(out)));
    std::filesystem::remove(out);
}

BENCHMARK(BM_ReadLargeGpx)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteLargeGpx)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
