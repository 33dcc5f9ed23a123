#include "merge/MergeJob.h"

#include <algorithm>
#include <new>

#include "core/JobCommon.h"
#include "formats/cmap/CmapXml.h"
#include "formats/hub/HubFile.h"
#include "merge/MergeSession.h"

namespace velmar {

namespace {

template <typename Table>
auto findByName(const Table& table, const std::string& name) -> decltype(&table.front()) {
    const auto found = std::find_if(table.begin(), table.end(),
                                    [&name](const auto& record) { return record.name == name; });
    return found == table.end() ? nullptr : &*found;
}

// Running out of memory ends a merge at once: nothing is written and the report says so.
// The report of input `index`, when reports were asked for.
ConversionReport* inputReport(std::vector<ConversionReport>* reports, std::size_t index,
                              const std::string& file) {
    if (reports == nullptr) {
        return nullptr;
    }
    ConversionReport& report = (*reports)[index];
    report.source = file;
    report.stage = FindingStage::Merging;
    return &report;
}

void mergeHubFiles(const std::vector<std::string>& files, MergeReport* report,
                   std::vector<ConversionReport>* reports) {
    NavDatabase target;
    initNavDatabase(&target);
    // The first file is read as it is; it gives the merged file its data version.
    const ResultCode first = readHubFile(files.front().c_str(), &target);
    if (ConversionReport* input = inputReport(reports, 0, files.front())) {
        input->read = countRecords(target);
    }
    if (first == kNoMemory) {
        report->writeResult = kNoMemory;
        return;
    }
    if (first != kOk) {
        report->unreadableInputs.push_back(files.front());
    }
    MergeSession session(&target);
    for (std::size_t i = 1; i < files.size(); ++i) {
        NavDatabase source;
        initNavDatabase(&source);
        const ResultCode read = readHubFile(files[i].c_str(), &source);
        ConversionReport* input = inputReport(reports, i, files[i]);
        if (input != nullptr) {
            input->read = countRecords(source);
        }
        const ResultCode merged = read == kOk ? session.merge(&source, input) : kOk;
        clearNavDatabase(&source);
        if (read == kNoMemory || merged == kNoMemory) {
            report->writeResult = kNoMemory;
            return;
        }
        if (read != kOk || merged != kOk) {
            report->unreadableInputs.push_back(files[i]); // not, or not wholly, merged
        }
    }
    for (int selector : {RenumberRoutes, RenumberTracks, RenumberZones, RenumberLines}) {
        renumberRecords(&target, selector);
    }
    report->writeResult = writeHubFile(&target, report->outputPath.c_str());
    clearNavDatabase(&target);
}

// Appends one document's records to the merged ones, noting what the full tables drop.
ResultCode appendCmapRecords(CmapDatabase& from, CmapDatabase* into, ConversionReport* report) {
    RecordCounts& read = report->read;
    read.waypoints = static_cast<long long>(from.waypoints.size());
    read.routes = static_cast<long long>(from.routes.size());
    read.tracks = static_cast<long long>(from.tracks.size());
    for (const CmapRoute& route : from.routes) {
        read.routePoints += static_cast<long long>(route.waypoints.size());
    }
    for (const CmapTrack& track : from.tracks) {
        read.trackPoints += static_cast<long long>(track.points.size());
    }
    for (std::size_t i = 0; i < from.waypoints.size(); ++i) {
        const ResultCode added = addCmapWaypoint(into, &from.waypoints[i]);
        if (added == kNoMemory) {
            return added;
        }
        if (added != kOk) {
            RecordNotes(report, RecordKind::Waypoint, i, from.waypoints[i].name)
                .dropped("the merged document holds 10,000 waypoints");
        }
    }
    for (std::size_t i = 0; i < from.routes.size(); ++i) {
        const std::string name = from.routes[i].name;
        const ResultCode added = addCmapRoute(into, std::move(from.routes[i]));
        if (added == kNoMemory) {
            return added;
        }
        if (added != kOk) {
            RecordNotes(report, RecordKind::Route, i, name)
                .dropped("the merged document holds 1,000 routes");
        }
    }
    static const std::string kNoName;
    for (std::size_t i = 0; i < from.tracks.size(); ++i) {
        const ResultCode added = addCmapTrack(into, std::move(from.tracks[i]));
        if (added == kNoMemory) {
            return added;
        }
        if (added != kOk) {
            RecordNotes(report, RecordKind::Track, i, kNoName)
                .dropped("the merged document holds 1,000 tracks");
        }
    }
    return kOk;
}

// With reports, each document is read on its own first, so what the merged tables have no room
// for can be named.
ResultCode loadCmapInput(const std::string& file, CmapDatabase* database,
                         ConversionReport* report) {
    if (report == nullptr) {
        return loadCmapFile(file.c_str(), database);
    }
    CmapDatabase own;
    initCmapDatabase(&own);
    ResultCode read = loadCmapFile(file.c_str(), &own, report);
    if (read != kNoMemory) {
        const ResultCode appended = appendCmapRecords(own, database, report);
        read = appended == kOk ? read : appended;
    }
    clearCmapDatabase(&own);
    return read;
}

void mergeCmapFiles(const std::vector<std::string>& files, MergeReport* report,
                    std::vector<ConversionReport>* reports) {
    CmapDatabase database;
    initCmapDatabase(&database);
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string& file = files[i];
        // Every document's records go after those of the documents before it.
        const ResultCode read = loadCmapInput(file, &database, inputReport(reports, i, file));
        if (read == kNoMemory) {
            clearCmapDatabase(&database);
            report->writeResult = kNoMemory;
            return;
        }
        if (read != kOk) {
            report->unreadableInputs.push_back(file);
        }
    }
    report->writeResult = saveCmapFile(&database, report->outputPath.c_str());
    clearCmapDatabase(&database);
}

} // namespace

const Waypoint* findWaypointByName(const NavDatabase* database, const std::string& name) {
    return database == nullptr ? nullptr : findByName(database->waypoints, name);
}
const Route* findRouteByName(const NavDatabase* database, const std::string& name) {
    return database == nullptr ? nullptr : findByName(database->routes, name);
}
const Track* findTrackByName(const NavDatabase* database, const std::string& name) {
    return database == nullptr ? nullptr : findByName(database->tracks, name);
}

ResultCode mergeNavDatabase(NavDatabase* target, NavDatabase* source, MergeCounters* counters) {
    if (target == nullptr || source == nullptr) {
        return kBadArgument;
    }
    MergeSession session(target, counters != nullptr ? *counters : MergeCounters{});
    const ResultCode result = session.merge(source);
    if (counters != nullptr) {
        *counters = session.counters();
    }
    return result;
}

std::string checkMergeInputs(std::size_t fileCount, const std::string& outputText) {
    if (fileCount == 0) {
        return "No HUB/CMAP files for merge.\nPress the <Add file> button to add a file to list";
    }
    if (trimText(outputText).empty()) {
        return kNoOutputFileMessage;
    }
    return {};
}

std::string MergeReport::message() const {
    if (!refusal.empty()) {
        return refusal;
    }
    if (ok()) {
        return "Merging Completed";
    }
    std::string text;
    const auto line = [&text](const std::string& content) {
        if (!text.empty()) {
            text += '\n';
        }
        text += content;
    };
    for (const std::string& input : unreadableInputs) {
        line("Err : Cannot read input file " + input);
    }
    switch (writeResult) {
    case kOk:
        break;
    case kCannotOpen:
        line("Err : Cannot create output file " + outputPath);
        break;
    case kBadArgument:
        line("Err : Unknown merge type");
        break;
    case kNoMemory:
        line(kNoMemoryMessage);
        break;
    default:
        line("Err : Cannot write output file " + outputPath);
        break;
    }
    return text;
}

MergeReport runMergeJob(int type, const std::vector<std::string>& files,
                        const std::string& outputText, std::vector<ConversionReport>* reports) {
    MergeReport report;
    try {
        report.outputPath = trimText(outputText);
        if (type != MergeHub && type != MergeCmap) {
            report.writeResult = kBadArgument;
            return report;
        }
        report.refusal = checkMergeInputs(files.size(), outputText);
        if (!report.refusal.empty()) {
            return report; // nothing is read or written
        }
        if (reports != nullptr) {
            reports->assign(files.size(), ConversionReport{});
        }
        if (type == MergeHub) {
            mergeHubFiles(files, &report, reports);
        } else {
            mergeCmapFiles(files, &report, reports);
        }
    } catch (const std::bad_alloc&) {
        report.writeResult = kNoMemory;
    }
    return report;
}

} // namespace velmar
