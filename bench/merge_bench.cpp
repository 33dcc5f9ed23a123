// Merging ten HUB files of 1,000 waypoints, 100 routes (10 points each) and 10 tracks (100
// points each), every name present in every file, so nearly every record after the first file
// is renamed. Also the same merge of ten 10,000-waypoint files, the waypoint table's capacity.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

#include "formats/hub/HubFile.h"
#include "merge/MergeJob.h"

namespace {

using namespace velmar;

std::filesystem::path benchFolder() {
    static const std::filesystem::path folder = [] {
        const auto path = std::filesystem::temp_directory_path() / "velmar-merge-bench";
        std::filesystem::create_directories(path);
        return path;
    }();
    return folder;
}

NavDatabase makeFile(int waypoints, int routes, int tracks) {
    NavDatabase db;
    initNavDatabase(&db);
    for (int i = 0; i < waypoints; ++i) {
        Waypoint waypoint;
        initWaypoint(&waypoint);
        waypoint.name = "W" + std::to_string(i);
        waypoint.latitude = 30.0 + i * 0.001;
        waypoint.longitude = 130.0 + i * 0.001;
        addWaypoint(&db, &waypoint);
    }
    for (int r = 0; r < routes; ++r) {
        Route route;
        initRoute(&route);
        route.name = "R" + std::to_string(r);
        for (int p = 0; p < 10; ++p) {
            RoutePoint point;
            point.name = "W" + std::to_string(p);
            point.latitude = 30.0 + p * 0.01;
            point.longitude = 130.0 + r * 0.01;
            addRoutePoint(&route, &point);
        }
        addRoute(&db, &route);
    }
    for (int t = 0; t < tracks; ++t) {
        Track track;
        initTrack(&track);
        track.name = "T" + std::to_string(t);
        for (int p = 0; p < 100; ++p) {
            TrackPoint point;
            point.latitude = 31.0 + p * 0.0001;
            point.longitude = 131.0 + t * 0.0001;
            addTrackPoint(&track, &point);
        }
        addTrack(&db, &track);
    }
    return db;
}

// Ten files with the same content (so every name clashes after the first file).
std::vector<std::string> makeFiles(const std::string& stem, int waypoints, int routes, int tracks) {
    NavDatabase db = makeFile(waypoints, routes, tracks);
    std::vector<std::string> files;
    for (int i = 0; i < 10; ++i) {
        files.push_back((benchFolder() / (stem + std::to_string(i) + ".hub")).string());
        writeHubFile(&db, files.back().c_str());
    }
    return files;
}

void runMerge(benchmark::State& state, const std::vector<std::string>& files,
              std::size_t expectedWaypoints) {
    const std::string output = (benchFolder() / "merged.hub").string();
    for (auto _ : state) {
        const MergeReport report = runMergeJob(MergeHub, files, output);
        if (!report.ok()) {
            state.SkipWithError(report.message().c_str());
            return;
        }
    }
    NavDatabase merged;
    initNavDatabase(&merged);
    readHubFile(output.c_str(), &merged);
    if (merged.waypoints.size() != expectedWaypoints) {
        state.SkipWithError("unexpected number of merged waypoints");
    }
    state.counters["waypoints"] = static_cast<double>(merged.waypoints.size());
    state.counters["routes"] = static_cast<double>(merged.routes.size());
    state.counters["tracks"] = static_cast<double>(merged.tracks.size());
}

void BM_MergeTenHubFiles(benchmark::State& state) {
    static const std::vector<std::string> files = makeFiles("small", 1000, 100, 10);
    runMerge(state, files, 10000);
}

void BM_MergeTenFullWaypointTables(benchmark::State& state) {
    static const std::vector<std::string> files = makeFiles("full", 10000, 0, 0);
    runMerge(state, files, 10000);
}

// The renaming alone, without the files: ten copies of one source (1,000 or 10,000 waypoints,
// 100 routes, 10 tracks) merged into one target with the counters of one job.
void BM_MergeNavDatabaseRenaming(benchmark::State& state) {
    const NavDatabase source = makeFile(static_cast<int>(state.range(0)), 100, 10);
    for (auto _ : state) {
        NavDatabase target;
        initNavDatabase(&target);
        MergeCounters counters;
        for (int i = 0; i < 10; ++i) {
            NavDatabase copy = source;
            mergeNavDatabase(&target, &copy, &counters);
        }
        benchmark::DoNotOptimize(target.waypoints.size());
    }
}

BENCHMARK(BM_MergeTenHubFiles)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MergeTenFullWaypointTables)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MergeNavDatabaseRenaming)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
