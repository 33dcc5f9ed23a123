#pragma once
// The report options that `velmar convert` and `velmar merge` share: --report prints a summary
// of what the device's limits did to each file, --report-json FILE writes every finding as JSON,
// --strict turns any loss (a finding other than a field not carried) into exit status 1.

#include <string>
#include <vector>

#include "core/ConversionReport.h"

namespace CLI {
class App;
}

namespace velmar::cli {

struct ReportOptions {
    bool summary = false;
    std::string jsonPath;
    bool strict = false;

    void addTo(CLI::App& app);
    // True when any of the options asks for reports.
    bool wanted() const { return summary || strict || !jsonPath.empty(); }

    // The summary of one file on stderr, when --report was given.
    void printSummary(const ConversionReport& report) const;
    // The JSON document of the job, when --report-json was given (replaced atomically): true, or
    // false after saying on stderr why it could not be written.
    bool writeJson(const char* command, const std::vector<ConversionReport>& reports) const;
    // With --strict: true when any report holds a loss.
    bool strictFails(const std::vector<ConversionReport>& reports) const;
};

} // namespace velmar::cli
