// velmar-outputs OUTDIR [FAMILY:FILE...]: writes what every family pair makes of the given
// sources and of a generated database, with the clock held at one instant, so that two builds
// can be compared byte for byte (`diff -r`) after a change that must not change any output.
// Each source is read by its family and written by every family (first round); every file of
// the first round is read by its family and written by every family again (second round).
// A CMAP source is also read and written as the CMAP merge does. OUTDIR/results lists each
// conversion with its reader's and writer's result codes and the findings of its report.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/Clock.h"
#include "formats/FamilyTable.h"
#include "formats/cmap/CmapXml.h"
#include "formats/hub/HubFile.h"
#include "tools/LargeDatabase.h"

namespace {

using namespace velmar;
namespace fs = std::filesystem;

struct Source {
    int family;
    std::string path;
};

void writeFindings(const ConversionReport& report, std::ofstream& results) {
    for (const Finding& finding : report.findings) {
        results << "  " << static_cast<int>(finding.stage) << ' ' << findingKindText(finding.kind)
                << ": " << findingRecordText(finding) << ' ' << finding.field << ' '
                << findingChangeText(finding) << " (" << finding.reason << ")\n";
    }
}

// Reads the source and writes it with every family into `folder`; returns the files written.
std::vector<Source> convertToAll(const Source& source, const fs::path& folder,
                                 std::ofstream& results) {
    std::vector<Source> written;
    const std::string stem = fs::path(source.path).filename().string();
    for (int to = 0; to < kFamilyCount; ++to) {
        if (!familyHas(to, kWrites)) {
            continue;
        }
        NavDatabase db;
        initNavDatabase(&db);
        ConversionReport report;
        report.stage = FindingStage::Reading;
        const ResultCode read =
            formatFamily(source.family)->reader(source.path.c_str(), &db, &report);
        const FormatFamily& target = *formatFamily(to);
        const fs::path out = folder / (stem + target.extension);
        report.stage = FindingStage::Writing;
        const ResultCode wrote =
            read == kOk ? target.writer(&db, out.string().c_str(), &report) : -1;
        results << source.path.substr(source.path.rfind('/') + 1) << " -> " << target.key
                << ": read " << read << ", write " << wrote << '\n';
        writeFindings(report, results);
        const RecordCounts& w = report.written;
        results << "  written " << report.wasWritten << ": " << w.waypoints << ' ' << w.marks << ' '
                << w.routes << ' ' << w.routePoints << ' ' << w.tracks << ' ' << w.trackPoints
                << ' ' << w.lines << ' ' << w.zones << '\n';
        if (target.memberSuffixes.empty()) {
            written.push_back({to, out.string()});
        }
        for (const char* suffix : target.memberSuffixes) {
            written.push_back({to, out.string() + suffix});
        }
    }
    return written;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("usage: velmar-outputs OUTDIR [FAMILY:FILE...]\n", stderr);
        return 2;
    }
    const ScopedClock clock(1335960000); // 2012-05-02 12:00:00 UTC
    const fs::path folder = argv[1];
    fs::create_directories(folder / "1");
    fs::create_directories(folder / "2");
    std::vector<Source> sources;
    for (int i = 2; i < argc; ++i) {
        const std::string argument = argv[i];
        const auto colon = argument.find(':');
        const int family =
            colon == std::string::npos ? -1 : familyIndexByKey(argument.substr(0, colon));
        if (family < 0) {
            std::fprintf(stderr, "velmar-outputs: %s is not FAMILY:FILE\n", argv[i]);
            return 2;
        }
        sources.push_back({family, argument.substr(colon + 1)});
    }
    // Every record kind, routes and tracks past the device families' capacities.
    tools::LargeDatabaseShape shape;
    shape.tracks = 2;
    shape.trackPoints = 30000;
    NavDatabase generated = tools::makeLargeDatabase(shape);
    const std::string generatedPath = (folder / "generated.hub").string();
    if (writeHubFile(&generated, generatedPath.c_str()) != kOk) {
        std::fputs("velmar-outputs: cannot write the generated database\n", stderr);
        return 1;
    }
    sources.push_back({kHub, generatedPath});
    std::ofstream results(folder / "results");
    for (const Source& source : sources) {
        if (source.family == kCmap) {
            // The merge's own way through a CMAP document: its records as they stand.
            CmapDatabase cmap;
            ConversionReport report;
            report.stage = FindingStage::Reading;
            const ResultCode read = loadCmapFile(source.path.c_str(), &cmap, &report);
            const fs::path out =
                folder / "1" / (fs::path(source.path).filename().string() + ".xml");
            results << source.path << " -> cmap document: read " << read << ", write "
                    << saveCmapFile(&cmap, out.string().c_str()) << '\n';
            writeFindings(report, results);
        }
        for (const Source& first : convertToAll(source, folder / "1", results)) {
            if (fs::exists(first.path)) {
                convertToAll(first, folder / "2", results);
            }
        }
    }
    return results ? 0 : 1;
}
