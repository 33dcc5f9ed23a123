// velmar merge: the Merge page's job on the command line.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <string>
#include <vector>

#include "cli/Command.h"
#include "cli/Interrupts.h"
#include "cli/NamedChoice.h"
#include "cli/ReportOptions.h"
#include "cli/StandardOutput.h"
#include "core/JobCommon.h"
#include "merge/MergeJob.h"

namespace velmar::cli {

namespace {

constexpr char kMergeFooter[] =
    "Merges the listed files, in order, into one output FILE: HUB files into one HUB file\n"
    "(clashing waypoint, route and track names renamed WPTn, RTEn, TRKn), or CMAP documents\n"
    "into one CMAP document (records appended as they are).\n"
    "\n"
    "Prints 'Merging Completed' when every file was read and the output written. --report says\n"
    "(on stderr) per file which records were renamed or found no room in the merged file,\n"
    "--report-json FILE writes it as JSON, --strict makes any of it an error.\n"
    "Exit status: 0 on success, 1 when an input could not be read or the output not written\n"
    "(the readable inputs are still merged) or with --strict when a record was renamed or\n"
    "dropped, 2 for bad arguments or inputs.";

class MergeCommand final : public Command {
  public:
    void addOptions(CLI::App& app) override {
        app.footer(kMergeFooter);
        app.add_option("--type", type_, "the family of the files (default: hub)")
            ->type_name("TYPE")
            ->transform(namedChoice({"hub", "cmap"}, [](const std::string& value) {
                return value == "hub" ? MergeHub : value == "cmap" ? MergeCmap : -1;
            }));
        app.add_option("--out", output_, "the merged file (replaced when it exists)")
            ->type_name("FILE");
        app.add_option("FILE", files_, "the files to merge, in this order")->type_name("");
        reports_.addTo(app);
    }

    int run() override {
        if (files_.empty()) {
            return argumentError("merge", "no files to merge given (FILE...)");
        }
        if (trimText(output_).empty()) {
            return argumentError("merge", "no output file given (--out FILE)");
        }
        // The Merge button's own checks, which the ones above cover.
        const std::string refusal = checkMergeInputs(files_.size(), output_);
        if (!refusal.empty()) {
            return argumentError("merge", refusal);
        }
        // An interrupt ends the merge at once; the output being written is dropped, so the
        // earlier file stays as it was.
        const InterruptScope interrupts(FirstInterrupt::Quit);
        std::vector<ConversionReport> reports;
        const MergeReport report =
            runMergeJob(type_, files_, output_, reports_.wanted() ? &reports : nullptr);
        if (!report.ok()) {
            std::fprintf(stderr, "%s\n", report.message().c_str());
        } else {
            printLine(report.message());
        }
        for (const ConversionReport& input : reports) {
            if (reports_.summary) {
                std::fflush(stdout);
                std::fprintf(stderr, "%s\n", input.source.c_str());
                reports_.printSummary(input);
            }
        }
        const bool reported = reports_.writeJson("merge", reports);
        return (!report.ok() || !reported || reports_.strictFails(reports)) ? kExitFailed : kExitOk;
    }

  private:
    int type_ = MergeHub;
    std::string output_;
    std::vector<std::string> files_;
    ReportOptions reports_;
};

[[maybe_unused]] const bool registered = registerCommand<MergeCommand>(
    20, "merge", "merge HUB files into one HUB file, or CMAP files into one CMAP document");

} // namespace

} // namespace velmar::cli
