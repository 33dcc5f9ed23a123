#include "core/ConversionReport.h"

#include <array>
#include <cmath>
#include <utility>

#include "core/Clock.h"
#include "core/Text.h"

namespace velmar {

namespace {

template <typename Table> long long pointSum(const Table& table) {
    long long sum = 0;
    for (const auto& record : table) {
        sum += static_cast<long long>(record.points.size());
    }
    return sum;
}

void appendCount(std::string& out, const char* label, long long value) {
    if (value == 0) {
        return;
    }
    if (!out.empty()) {
        out += ", ";
    }
    appendInt(out, value);
    out += ' ';
    out += label;
}

std::string countsText(const RecordCounts& counts) {
    std::string text;
    appendCount(text, "waypoints", counts.waypoints);
    appendCount(text, "marks", counts.marks);
    appendCount(text, "routes", counts.routes);
    appendCount(text, "route points", counts.routePoints);
    appendCount(text, "tracks", counts.tracks);
    appendCount(text, "track points", counts.trackPoints);
    appendCount(text, "lines", counts.lines);
    appendCount(text, "zones", counts.zones);
    return text.empty() ? std::string("no records") : text;
}

} // namespace

RecordCounts countRecords(const NavDatabase& database) {
    RecordCounts counts;
    counts.waypoints = static_cast<long long>(database.waypoints.size());
    counts.marks = static_cast<long long>(database.marks.size());
    counts.routes = static_cast<long long>(database.routes.size());
    counts.routePoints = pointSum(database.routes);
    counts.tracks = static_cast<long long>(database.tracks.size());
    counts.trackPoints = pointSum(database.tracks);
    counts.lines = static_cast<long long>(database.lines.size());
    counts.zones = static_cast<long long>(database.zones.size());
    return counts;
}

void ConversionReport::add(FindingKind kind, RecordKind recordKind, int index, int point,
                           std::string_view name, const char* field, std::string oldValue,
                           std::string newValue, std::string_view reason) {
    Finding& finding = findings.emplace_back();
    finding.kind = kind;
    finding.stage = stage;
    finding.recordKind = recordKind;
    finding.index = index;
    finding.point = point;
    finding.name = name;
    finding.field = field;
    finding.oldValue = std::move(oldValue);
    finding.newValue = std::move(newValue);
    finding.reason = reason;
}

std::size_t ConversionReport::lossCount() const {
    std::size_t count = 0;
    for (const Finding& finding : findings) {
        count += finding.kind == FindingKind::FieldNotCarried ? 0 : 1;
    }
    return count;
}

RecordNotes RecordNotes::atPoint(std::size_t point, const std::string& name) const {
    return RecordNotes(report_, kind_, index_, static_cast<int>(point), &name);
}

void RecordNotes::note(FindingKind kind, const char* field, std::string oldValue,
                       std::string newValue, std::string_view reason) const {
    if (report_ != nullptr) {
        report_->add(kind, kind_, index_, point_, *name_, field, std::move(oldValue),
                     std::move(newValue), reason);
    }
}

void RecordNotes::cut(const char* field, std::string_view text, std::size_t width,
                      std::string_view reason) const {
    if (report_ == nullptr) {
        return;
    }
    std::string kept = cutText(text, width);
    if (kept.size() != text.size()) {
        note(FindingKind::TextCut, field, std::string(text), std::move(kept), reason);
    }
}

void RecordNotes::replaced(const char* field, std::string_view before, std::string_view after,
                           std::string_view reason) const {
    if (report_ != nullptr && before != after) {
        note(FindingKind::CharactersReplaced, field, std::string(before), std::string(after),
             reason);
    }
}

void RecordNotes::written(const char* field, std::string_view text, std::string_view breaking,
                          std::string_view replacements, std::string_view reason) const {
    if (report_ == nullptr) {
        return;
    }
    const bool clean =
        text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos &&
        text.find_first_of(breaking) == std::string_view::npos;
    if (!clean) {
        std::string after;
        appendFieldText(after, text, breaking, replacements);
        note(FindingKind::CharactersReplaced, field, std::string(text), std::move(after), reason);
    }
}

void RecordNotes::renamed(std::string_view before, std::string_view after,
                          std::string_view reason) const {
    if (report_ != nullptr && before != after) {
        note(FindingKind::NameRenamed, "name", std::string(before), std::string(after), reason);
    }
}

void RecordNotes::symbol(std::uint32_t before, std::uint32_t after, std::string_view reason) const {
    if (report_ != nullptr && before != after) {
        note(FindingKind::SymbolMapped, "symbol", numberText(before), numberText(after), reason);
    }
}

void RecordNotes::colour(const RgbColour& before, const RgbColour& after,
                         std::string_view reason) const {
    if (report_ != nullptr && before != after) {
        note(FindingKind::ColourMapped, "colour", colourText(before), colourText(after), reason);
    }
}

void RecordNotes::dropped(std::string_view reason) const {
    note(FindingKind::RecordDropped, "", {}, {}, reason);
}

void RecordNotes::pointsDropped(std::size_t before, std::size_t after,
                                std::string_view reason) const {
    if (report_ != nullptr && before != after) {
        note(FindingKind::PointsDropped, "points", numberText(static_cast<double>(before)),
             numberText(static_cast<double>(after)), reason);
    }
}

void RecordNotes::textNotCarried(const char* field, std::string_view text,
                                 std::string_view reason) const {
    if (report_ != nullptr && !text.empty()) {
        note(FindingKind::FieldNotCarried, field, std::string(text), {}, reason);
    }
}

void RecordNotes::symbolNotCarried(std::uint32_t symbol, std::string_view reason) const {
    if (report_ != nullptr && symbol != 0) {
        note(FindingKind::FieldNotCarried, "symbol", numberText(symbol), {}, reason);
    }
}

void RecordNotes::colourNotCarried(const RgbColour& colour, std::string_view reason) const {
    if (report_ != nullptr && colour != RgbColour{}) {
        note(FindingKind::FieldNotCarried, "colour", colourText(colour), {}, reason);
    }
}

void RecordNotes::dateNotCarried(const RecordDate& date, std::string_view reason) const {
    // A record without a date reads back dated today: today's date is not lost.
    RecordDate today;
    if (report_ != nullptr &&
        (todayDate(&today.day, &today.month, &today.year) != kOk || date != today)) {
        note(FindingKind::FieldNotCarried, "date", dateText(date), {}, reason);
    }
}

void RecordNotes::altitudeNotCarried(double altitude, std::string_view reason) const {
    if (report_ != nullptr && altitude != 0.0) {
        note(FindingKind::FieldNotCarried, "altitude", numberText(altitude), {}, reason);
    }
}

void RecordNotes::position(double latitude, double longitude) const {
    if (report_ == nullptr) {
        return;
    }
    if (!latitudeInRange(latitude)) {
        note(FindingKind::ValueOutOfRange, "latitude", numberText(latitude), {},
             "a latitude lies between -90 and 90 degrees");
    }
    if (!longitudeInRange(longitude)) {
        note(FindingKind::ValueOutOfRange, "longitude", numberText(longitude), {},
             "a longitude lies between -180 and 180 degrees");
    }
}

std::string colourText(const RgbColour& colour) {
    std::string text;
    appendInt(text, colour.red);
    text += ", ";
    appendInt(text, colour.green);
    text += ", ";
    appendInt(text, colour.blue);
    return text;
}

std::string dateText(const RecordDate& date) {
    std::string text;
    appendInt(text, date.year, 4);
    text += '-';
    appendInt(text, date.month, 2);
    text += '-';
    appendInt(text, date.day, 2);
    return text;
}

std::string numberText(double value) {
    std::string text;
    if (std::isfinite(value) && value == std::trunc(value) && std::fabs(value) < 1e15) {
        appendInt(text, static_cast<long long>(value));
    } else if (std::isfinite(value)) {
        appendFixed(text, value, 6);
        while (text.back() == '0') {
            text.pop_back();
        }
    } else {
        text = std::isnan(value) ? "not a number" : value < 0 ? "-infinity" : "infinity";
    }
    return text;
}

const char* recordKindText(RecordKind kind) {
    static constexpr std::array<const char*, 6> kTexts = {"waypoint", "mark", "route",
                                                          "track",    "line", "zone"};
    return kTexts[static_cast<std::size_t>(kind)];
}

const char* findingKindText(FindingKind kind) {
    static constexpr std::array<const char*, 12> kTexts = {
        "cut to the device's width",
        "renamed",
        "characters replaced",
        "symbol mapped",
        "colour mapped",
        "dropped",
        "points dropped",
        "not carried",
        "out of range, written empty",
        "added",
        "split",
        "joined to the one before",
    };
    return kTexts[static_cast<std::size_t>(kind)];
}

std::string findingRecordText(const Finding& finding) {
    std::string text = recordKindText(finding.recordKind);
    text += ' ';
    appendInt(text, finding.index + 1);
    const bool pointName = finding.point >= 0;
    if (!pointName && !finding.name.empty()) {
        text += ' ';
        text += finding.name;
    }
    if (pointName) {
        text += ", point ";
        appendInt(text, finding.point + 1);
        if (!finding.name.empty()) {
            text += ' ';
            text += finding.name;
        }
    }
    return text;
}

std::string findingChangeText(const Finding& finding) {
    if (finding.oldValue.empty() && finding.newValue.empty()) {
        return {};
    }
    std::string text = finding.field;
    text += ' ';
    text += finding.oldValue.empty() ? std::string("(empty)") : "\"" + finding.oldValue + "\"";
    if (finding.kind != FindingKind::FieldNotCarried &&
        finding.kind != FindingKind::ValueOutOfRange) {
        text += " -> ";
        text += finding.newValue.empty() ? std::string("(empty)") : "\"" + finding.newValue + "\"";
    }
    return text;
}

std::string reportSummary(const ConversionReport& report, std::size_t shown) {
    std::string text = "  read: " + countsText(report.read) + '\n';
    if (report.wasWritten) {
        text += "  written: " + countsText(report.written) + '\n';
    }
    if (report.findings.empty()) {
        text += "  nothing was changed or left out\n";
        return text;
    }
    std::array<std::size_t, 12> byKind{};
    for (const Finding& finding : report.findings) {
        ++byKind[static_cast<std::size_t>(finding.kind)];
    }
    text += "  findings: ";
    bool first = true;
    for (std::size_t kind = 0; kind < byKind.size(); ++kind) {
        if (byKind[kind] != 0) {
            text += first ? "" : ", ";
            appendInt(text, static_cast<long long>(byKind[kind]));
            text += ' ';
            text += findingKindText(static_cast<FindingKind>(kind));
            first = false;
        }
    }
    text += '\n';
    const std::size_t count = std::min(shown, report.findings.size());
    for (std::size_t i = 0; i < count; ++i) {
        const Finding& finding = report.findings[i];
        text += "  " + findingRecordText(finding) + ": " + findingKindText(finding.kind);
        const std::string change = findingChangeText(finding);
        if (!change.empty()) {
            text += ", " + change;
        }
        text += " (" + finding.reason + ")\n";
    }
    if (report.findings.size() > count) {
        text += "  and ";
        appendInt(text, static_cast<long long>(report.findings.size() - count));
        text += " more\n";
    }
    return text;
}

} // namespace velmar
