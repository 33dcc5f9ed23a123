// velmar merge: the Merge page's job on the command line.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "merge/MergeJob.h"

namespace velmar::cli {

namespace {

constexpr char kMergeUsage[] =
    "Usage: velmar merge [--type hub|cmap] --out FILE FILE...\n"
    "Merges the listed files, in order, into one output FILE: HUB files into one HUB file\n"
    "(clashing waypoint, route and track names renamed WPTn, RTEn, TRKn), or CMAP documents\n"
    "into one CMAP document (records appended as they are). --type defaults to hub.\n"
    "\n"
    "Prints 'Merging Completed' when every file was read and the output written.\n"
    "Exit status: 0 on success, 1 when an input could not be read or the output not written\n"
    "(the readable inputs are still merged), 2 for bad arguments or inputs.\n";

int usageError(const std::string& message) {
    std::fprintf(stderr, "velmar merge: %s\n\n%s", message.c_str(), kMergeUsage);
    return 2;
}

} // namespace

int runMergeCommand(int argc, char** argv) {
    int type = MergeHub;
    std::string output;
    std::vector<std::string> files;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (!optionsEnded && (arg == "--help" || arg == "-h")) {
            std::fputs(kMergeUsage, stdout);
            return 0;
        }
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && (arg == "--type" || arg == "--out")) {
            if (i + 1 >= argc) {
                return usageError(arg + " needs a value");
            }
            const std::string value = argv[++i];
            if (arg == "--out") {
                output = value;
            } else if (value == "hub") {
                type = MergeHub;
            } else if (value == "cmap") {
                type = MergeCmap;
            } else {
                return usageError("unknown type '" + value + "' (hub or cmap)");
            }
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            return usageError("unknown option '" + arg + "'");
        } else {
            files.push_back(arg);
        }
    }
    const std::string refusal = checkMergeInputs(files.size(), output);
    if (!refusal.empty()) {
        std::fprintf(stderr, "%s\n", refusal.c_str());
        return 2;
    }
    const MergeReport report = runMergeJob(type, files, output);
    if (!report.ok()) {
        std::fprintf(stderr, "%s\n", report.message().c_str());
        return 1;
    }
    std::printf("%s\n", report.message().c_str());
    return 0;
}

} // namespace velmar::cli
