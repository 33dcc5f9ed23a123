#include "merge/MergeJob.h"

#include <algorithm>
#include <new>

#include "core/ConversionJob.h"
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
void mergeHubFiles(const std::vector<std::string>& files, MergeReport* report) {
    NavDatabase target;
    initNavDatabase(&target);
    // The first file is read as it is; it gives the merged file its data version.
    const ResultCode first = readHubFile(files.front().c_str(), &target);
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
        const ResultCode merged = read == kOk ? session.merge(&source) : kOk;
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

void mergeCmapFiles(const std::vector<std::string>& files, MergeReport* report) {
    CmapDatabase database;
    initCmapDatabase(&database);
    for (const std::string& file : files) {
        // Every document's records go after those of the documents before it.
        const ResultCode read = loadCmapFile(file.c_str(), &database);
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
        return kNoMergeFilesMessage;
    }
    if (trimText(outputText).empty()) {
        return kNoMergeOutputMessage;
    }
    return {};
}

std::string MergeReport::message() const {
    if (!refusal.empty()) {
        return refusal;
    }
    if (ok()) {
        return kMergeCompletedMessage;
    }
    std::string text;
    const auto line = [&text](const std::string& content) {
        if (!text.empty()) {
            text += '\n';
        }
        text += content;
    };
    for (const std::string& input : unreadableInputs) {
        line(kMergeUnreadableInput + input);
    }
    switch (writeResult) {
    case kOk:
        break;
    case kCannotOpen:
        line(kMergeCannotCreateOutput + outputPath);
        break;
    case kBadArgument:
        line(kMergeUnknownType);
        break;
    case kNoMemory:
        line(kNoMemoryMessage);
        break;
    default:
        line(kMergeCannotWriteOutput + outputPath);
        break;
    }
    return text;
}

MergeReport runMergeJob(int type, const std::vector<std::string>& files,
                        const std::string& outputText) {
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
        if (type == MergeHub) {
            mergeHubFiles(files, &report);
        } else {
            mergeCmapFiles(files, &report);
        }
    } catch (const std::bad_alloc&) {
        report.writeResult = kNoMemory;
    }
    return report;
}

} // namespace velmar
