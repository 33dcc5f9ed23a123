// velmar convert: the Convert page's job on the command line.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "cli/Command.h"
#include "cli/Interrupts.h"
#include "cli/JobConsole.h"
#include "cli/NamedChoice.h"
#include "cli/ReportOptions.h"
#include "cli/StandardOutput.h"
#include "core/ConversionJob.h"
#include "core/TextFile.h"
#include "formats/FamilyTable.h"

namespace velmar::cli {

namespace {

// The conversion's window: its completion, when the job posts it.
class ConversionWindow final : public ConsoleWindow {
  public:
    // Waits up to 100 ms for a post; true when the job reported completion.
    bool wait() {
        return waitAndLook([this] { return completed_; });
    }

  private:
    void note(unsigned message, std::uintptr_t wParam, std::intptr_t) override {
        if (message == kMsgConversion && wParam == 0) {
            completed_ = true;
        }
    }

    bool completed_ = false;
};

// Prints the log's result lines as they arrive. The k-th result line is the k-th file's; an
// output that had to take a numbered name (its plain name was a source or an earlier output)
// is named after its OK line.
class LinePrinter {
  public:
    LinePrinter(ConversionJob* job, const ReportOptions& reports) : job_(job), reports_(reports) {}

    void feed(const std::string& text) {
        forEachLogLine(text, [this](std::string_view line) { print(line); });
    }
    bool sawFailure() const { return failed_; }

  private:
    void print(std::string_view line) {
        const bool failed = line.rfind("FAIL", 0) == 0 || line.rfind("ABORT", 0) == 0;
        failed_ = failed_ || failed;
        printLine(line);
        if (failed || line.rfind("OK : ", 0) == 0) {
            const int file = files_++;
            const std::string renamed = renamedOutput(job_, file);
            if (!failed && !renamed.empty()) {
                printLine("  written as " + renamed);
            }
            if (reports_.summary) {
                std::fflush(stdout); // the summary follows its result line
                reports_.printSummary(conversionReport(job_, file));
            }
        }
    }

    ConversionJob* job_;
    const ReportOptions& reports_;
    int files_ = 0;
    bool failed_ = false;
};

// A required family option: a type name of the family table, or the digit of a desktop type
// button, stored as the type index.
void addFamilyOption(CLI::App& app, const char* name, int& type, const char* help) {
    std::vector<std::string> names;
    int buttons = 0;
    for (int i = 0; i < kFamilyCount; ++i) {
        names.emplace_back(formatFamily(i)->key);
        buttons += familyHas(i, kOnTypeRadios) ? 1 : 0;
    }
    app.add_option(name, type, help)
        ->required()
        ->type_name("TYPE")
        ->transform(namedChoice(
            names, [](const std::string& value) { return familyIndexByKey(value); },
            " or 0.." + std::to_string(buttons - 1)));
}

constexpr char kConvertFooter[] =
    "Converts each FILE from one format family to another into DIR, naming each output after\n"
    "its source: DIR/<file name><extension of TYPE>, so day1.s41 to HUB gives day1.s41.hub.\n"
    "An output never replaces a FILE of the list or an earlier output of the same run: it then\n"
    "takes a numbered name (day1.s41-2.hub), printed after its result line.\n"
    "\n"
    "Types (or the index 0..6 of the desktop program's type buttons, for all but GPX):\n"
    "  s41   Series 41  .s41 sentence files\n"
    "  s5    Series 5   sets of .wpt .rut .trk files\n"
    "  s6    Series 6   sets of .wpt .rut .trk .bnd files\n"
    "  s66   Series 66  listed, but not supported\n"
    "  s77   Series 77  .s77 files (the HUB text format)\n"
    "  hub   HUB        .hub files\n"
    "  cmap  CMAP       .xml documents of chart software\n"
    "  gpx   GPX        .gpx documents of other chart programs, phone apps and receivers\n"
    "\n"
    "A Series 5 or Series 6 set is the files that share one base name, one per record kind:\n"
    "day.wpt (waypoints), day.rut (routes), day.trk (tracks) and, for Series 6, day.bnd\n"
    "(boundaries). As sources, name each file of the set you want read; each is read on its\n"
    "own and gives its own output:\n"
    "  velmar convert --from s6 --to hub --out out day.wpt day.rut day.trk day.bnd\n"
    "As the destination, each source gives one set in DIR, a file per kind that has records:\n"
    "day.hub.s5.wpt, day.hub.s5.rut, day.hub.s5.trk (Series 6: .s6.wpt .s6.rut .s6.trk .s6.bnd).\n"
    "CMAP outputs are one document per kind: day.hub.cmap.Marks.UP.xml, .Multi RT.RT.xml and\n"
    ".Multi TRK.TRK.xml.\n"
    "\n"
    "Prints one result line per file as it is done (OK : FILE, FAIL (0- n) : FILE when reading\n"
    "failed, FAIL (1- n) FILE when writing failed, ABORT : FILE) and 'Converting Completed'.\n"
    "\n"
    "Devices have limits: names of 6 or 8 characters, small character sets, a few symbols and\n"
    "colours, tables and point budgets. A conversion meets them by cutting, renaming, mapping or\n"
    "dropping, and leaves out fields the destination has no place for. --report says after each\n"
    "result line (on stderr) what was done to which record, --report-json FILE writes all of it\n"
    "as JSON, and --strict makes any such change but a field left out an error.\n"
    "\n"
    "Exit status: 0 when every file converted, 1 when any failed or was aborted or the result\n"
    "lines or the report could not be written, or with --strict when a record was changed or\n"
    "dropped, 2 for bad arguments or inputs. Ctrl-C stops after the file in hand; a second\n"
    "Ctrl-C quits at once.";

class ConvertCommand final : public Command {
  public:
    void addOptions(CLI::App& app) override {
        app.footer(kConvertFooter);
        addFamilyOption(app, "--from", from_, "the family of the sources");
        addFamilyOption(app, "--to", to_, "the family of the outputs");
        out_ = app.add_option("--out", folder_,
                              "the folder the outputs go to (default: the "
                              "current folder)")
                   ->type_name("DIR");
        app.add_option("FILE", files_, "the files to convert, in this order")->type_name("");
        reports_.addTo(app);
    }

    int run() override;

  private:
    int from_ = -1;
    int to_ = -1;
    std::string folder_;
    CLI::Option* out_ = nullptr;
    std::vector<std::string> files_;
    ReportOptions reports_;
};

// The output folder: --out trimmed, or the current folder without it. An empty text, or the
// message of the argument error when it names no folder.
std::string outputFolder(const std::string& given, bool isGiven, std::string* folder) {
    *folder = trimText(given);
    if (!isGiven) {
        std::error_code error;
        *folder = std::filesystem::current_path(error).string();
    }
    if (folder->empty()) {
        return "no output folder given (--out DIR)";
    }
    if (!isExistingFolder(*folder)) {
        std::error_code error;
        return "output folder " + *folder +
               (std::filesystem::exists(*folder, error) ? " is not a folder" : " does not exist");
    }
    return {};
}

// Runs the built job with the console as its window, printing its result lines as they come,
// until it completes or Ctrl-C stops it after the file in hand. True when it completed.
bool runOnConsole(ConversionJob* job, LinePrinter& printer) {
    const InterruptScope interrupts(FirstInterrupt::Stop);
    ConversionWindow window;
    std::size_t offset = 0;
    startWithInterruptsBlocked([&] { startConversionJob(job, &window); });
    bool completed = false;
    while (!completed) {
        completed = window.wait();
        printer.feed(takeJobLog(job, &offset));
        if (interruptAsked()) {
            break; // Cancel: the file in hand ends, the others get no line
        }
    }
    stopConversionJob(job);
    printer.feed(takeJobLog(job, &offset));
    return completed;
}

int ConvertCommand::run() {
    if (files_.empty()) {
        return argumentError("convert", "no files to convert given (FILE...)");
    }
    std::string folder;
    const std::string badFolder = outputFolder(folder_, out_->count() != 0, &folder);
    if (!badFolder.empty()) {
        return argumentError("convert", badFolder);
    }
    if (!familyHas(from_, kReads) || !familyHas(to_, kWrites)) {
        const FormatFamily& refused = *formatFamily(familyHas(from_, kReads) ? to_ : from_);
        return argumentError("convert", std::string(refused.caption) +
                                            " files cannot be converted (" + refused.key +
                                            " is listed, but not supported)");
    }
    // The Convert button's own checks, which the ones above cover.
    const std::string problem =
        checkConvertInputs(files_.size(), folder, formatFamily(from_), formatFamily(to_));
    if (!problem.empty()) {
        return argumentError("convert", problem);
    }
    std::unique_ptr<ConversionJob> job =
        makeConversionJob(files_, folder, from_, to_, *formatFamily(from_), *formatFamily(to_));
    if (!job) {
        return argumentError("convert", kNoMemoryMessage);
    }
    job->reportWanted = reports_.wanted();
    LinePrinter printer(job.get(), reports_);
    const bool completed = runOnConsole(job.get(), printer);
    std::vector<ConversionReport> reports;
    for (int i = 0; reports_.wanted() && i < job->fileCount; ++i) {
        reports.push_back(conversionReport(job.get(), i));
        reports.back().source = job->files[static_cast<std::size_t>(i)];
    }
    const bool reported = reports_.writeJson("convert", reports);
    const bool failed = printer.sawFailure() || !completed || !reported;
    return (failed || reports_.strictFails(reports)) ? kExitFailed : kExitOk;
}

[[maybe_unused]] const bool registered = registerCommand<ConvertCommand>(
    10, "convert", "convert files from one format family to another, one output per file");

} // namespace

} // namespace velmar::cli
