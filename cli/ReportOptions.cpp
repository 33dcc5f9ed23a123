#include "cli/ReportOptions.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <cstdio>

#include "core/TextFile.h"

namespace velmar::cli {

namespace {

const char* stageText(FindingStage stage) {
    switch (stage) {
    case FindingStage::Reading:
        return "reading";
    case FindingStage::Writing:
        return "writing";
    case FindingStage::Merging:
        return "merging";
    }
    return "";
}

nlohmann::ordered_json countsJson(const RecordCounts& counts) {
    return {{"waypoints", counts.waypoints}, {"marks", counts.marks},
            {"routes", counts.routes},       {"routePoints", counts.routePoints},
            {"tracks", counts.tracks},       {"trackPoints", counts.trackPoints},
            {"lines", counts.lines},         {"zones", counts.zones}};
}

nlohmann::ordered_json findingJson(const Finding& finding) {
    nlohmann::ordered_json json = {
        {"kind", findingKindText(finding.kind)},
        {"stage", stageText(finding.stage)},
        {"record",
         {{"kind", recordKindText(finding.recordKind)},
          {"index", finding.index + 1},
          {"name", finding.name}}},
    };
    if (finding.point >= 0) {
        json["record"]["point"] = finding.point + 1;
    }
    if (*finding.field != '\0') {
        json["field"] = finding.field;
    }
    if (!finding.oldValue.empty() || !finding.newValue.empty()) {
        json["old"] = finding.oldValue;
        json["new"] = finding.newValue;
    }
    json["reason"] = finding.reason;
    return json;
}

} // namespace

void ReportOptions::addTo(CLI::App& app) {
    app.add_flag("--report", summary,
                 "after each file's result line, say on stderr what the destination's limits "
                 "did to its records");
    app.add_option("--report-json", jsonPath, "write every finding of the job to FILE as JSON")
        ->type_name("FILE");
    app.add_flag("--strict", strict,
                 "exit with 1 when any record was cut, renamed, mapped or dropped (fields the "
                 "destination has no place for do not count)");
}

void ReportOptions::printSummary(const ConversionReport& report) const {
    if (summary) {
        std::fputs(reportSummary(report).c_str(), stderr);
        std::fflush(stderr);
    }
}

bool ReportOptions::writeJson(const char* command,
                              const std::vector<ConversionReport>& reports) const {
    if (jsonPath.empty()) {
        return true;
    }
    nlohmann::ordered_json files = nlohmann::ordered_json::array();
    for (const ConversionReport& report : reports) {
        nlohmann::ordered_json file = {{"source", report.source},
                                       {"read", countsJson(report.read)}};
        if (!report.output.empty()) {
            file["output"] = report.output;
        }
        if (report.wasWritten) {
            file["written"] = countsJson(report.written);
        }
        nlohmann::ordered_json findings = nlohmann::ordered_json::array();
        for (const Finding& finding : report.findings) {
            findings.push_back(findingJson(finding));
        }
        file["findings"] = std::move(findings);
        files.push_back(std::move(file));
    }
    const nlohmann::ordered_json document = {{"command", command}, {"files", std::move(files)}};
    OutputFile out;
    ResultCode result = out.create(jsonPath);
    if (result == kOk) {
        // Texts in the files are bytes; a byte that is not UTF-8 is written as U+FFFD.
        out.write(document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n");
        result = out.close();
    }
    if (result != kOk) {
        std::fprintf(stderr, "velmar %s: cannot write the report %s\n", command, jsonPath.c_str());
        return false;
    }
    return true;
}

bool ReportOptions::strictFails(const std::vector<ConversionReport>& reports) const {
    if (!strict) {
        return false;
    }
    for (const ConversionReport& report : reports) {
        if (report.lossCount() != 0) {
            return true;
        }
    }
    return false;
}

} // namespace velmar::cli
