#pragma once
// The merge job: several HUB files into one HUB file, or several CMAP files into one CMAP
// document. Runs on the caller's thread.

#include <cstddef>
#include <string>
#include <vector>

#include "core/ConversionReport.h"
#include "core/JobCommon.h"
#include "core/NavDatabase.h"

namespace velmar {

enum MergeType : int { MergeHub = 0, MergeCmap = 1 };

// The Merge button's two checks in their order: the message of the first failed one, or an
// empty text. The output text is checked trimmed.
std::string checkMergeInputs(std::size_t fileCount, const std::string& outputText);

// What a merge did: every input that could not be read, and whether the output was written.
struct MergeReport {
    std::string refusal; // the failed check's message: nothing was read or written
    std::vector<std::string> unreadableInputs;
    std::string outputPath;
    ResultCode writeResult = kOk;

    bool ok() const { return refusal.empty() && unreadableInputs.empty() && writeResult == kOk; }
    // "Merging Completed" on full success; the check's message when one failed; otherwise the
    // failures, one per line, naming the files.
    std::string message() const;
};

// Merges `files` (in list order) into `outputText` (trimmed). The readable inputs are merged and
// written even when others fail. Inputs that fail the checks are refused without any file work.
// With `reports`, it gets one report per input file (in list order): the records read, and the
// renames and the records the merged file had no room for.
MergeReport runMergeJob(int type, const std::vector<std::string>& files,
                        const std::string& outputText,
                        std::vector<ConversionReport>* reports = nullptr);

// Rename counters of one merge job ("WPT%d", "RTE%d", "TRK%d"): from 0 once per job.
struct MergeCounters {
    int waypoints = 0;
    int routes = 0;
    int tracks = 0;
};

// Appends every record of `source` to `target`; waypoints, routes and tracks whose names clash
// get new unique names (changed in place in the source). 5 for a missing argument, else 0.
// Without counters, they start at 0 for this call.
ResultCode mergeNavDatabase(NavDatabase* target, NavDatabase* source,
                            MergeCounters* counters = nullptr);

// The first record of the table with that name (byte for byte), or null.
const Waypoint* findWaypointByName(const NavDatabase* database, const std::string& name);
const Route* findRouteByName(const NavDatabase* database, const std::string& name);
const Track* findTrackByName(const NavDatabase* database, const std::string& name);

} // namespace velmar
