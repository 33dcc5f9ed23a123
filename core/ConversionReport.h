#pragma once
// What a conversion or a merge did to the data of one file: the records read and written per
// kind, and every finding: a name cut to a device's width, renamed, characters replaced, a
// symbol or colour mapped, a record or points dropped, a field the destination has no place
// for, a value written empty. The readers, mappings and writers take an optional report and
// note what they do as they do it; without a report nothing is noted and nothing is spent.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/NavDatabase.h"

namespace velmar {

enum class RecordKind : std::uint8_t {
    Waypoint,
    Mark,
    Route,
    Track,
    Line,
    Zone,
};

enum class FindingKind : std::uint8_t {
    TextCut,            // a name or comment cut to the device's width
    NameRenamed,        // a duplicate renamed, or the device numbers its records
    CharactersReplaced, // characters outside the device's character set
    SymbolMapped,       // a symbol mapped to another one or to the default
    ColourMapped,       // a colour mapped to the device's palette or to the default
    RecordDropped,      // device capacity, a route without points, an empty track, ...
    PointsDropped,      // a route's point limit, a track's point budget
    FieldNotCarried,    // the destination has no place for the field
    ValueOutOfRange,    // a value the format cannot hold, written empty
    RecordAdded,        // a record the destination needs (a route point kept as a waypoint)
    RecordSplit,        // one record comes back as several (a track split at its breaks)
    RecordJoined,       // a record comes back as part of the one before it
};

// Where a finding was made.
enum class FindingStage : std::uint8_t { Reading, Writing, Merging };

struct Finding {
    FindingKind kind = FindingKind::TextCut;
    FindingStage stage = FindingStage::Writing;
    RecordKind recordKind = RecordKind::Waypoint;
    int index = 0;  // the record's place in its table of the source, from 0
    int point = -1; // the point's place in the record, from 0; -1 for the record itself
    std::string name;
    const char* field = ""; // "name", "comment", "symbol", "colour", "date", "points", ...
    std::string oldValue;
    std::string newValue;
    std::string reason; // in a user's words
};

// Records of a file per kind; routes, tracks, lines and zones with the sum of their points.
struct RecordCounts {
    long long waypoints = 0;
    long long marks = 0;
    long long routes = 0;
    long long routePoints = 0;
    long long tracks = 0;
    long long trackPoints = 0;
    long long lines = 0;
    long long zones = 0;
    friend bool operator==(const RecordCounts&, const RecordCounts&) = default;
};

RecordCounts countRecords(const NavDatabase& database);

struct ConversionReport {
    std::string source; // the file read
    std::string output; // the file (or base name of the file set) written
    RecordCounts read;
    RecordCounts written;
    bool wasWritten = false; // `written` holds the writer's counts
    FindingStage stage = FindingStage::Writing;
    std::vector<Finding> findings;

    // Notes a finding at the report's stage.
    void add(FindingKind kind, RecordKind recordKind, int index, int point, std::string_view name,
             const char* field, std::string oldValue, std::string newValue,
             std::string_view reason);
    // The findings other than fields not carried: what --strict refuses.
    std::size_t lossCount() const;
};

// A record a mapping is handling, with the report it notes into. Every call does nothing when
// there is no report, so a mapping calls these unconditionally.
class RecordNotes {
  public:
    RecordNotes(ConversionReport* report, RecordKind kind, std::size_t index,
                const std::string& name)
        : report_(report), kind_(kind), index_(static_cast<int>(index)), name_(&name) {}

    bool active() const { return report_ != nullptr; }
    // The notes of point `point` of the record.
    RecordNotes atPoint(std::size_t point, const std::string& name) const;

    void note(FindingKind kind, const char* field, std::string oldValue, std::string newValue,
              std::string_view reason) const;
    // A text cut to `width` (or its first NUL byte): noted when it was longer.
    void cut(const char* field, std::string_view text, std::size_t width,
             std::string_view reason) const;
    // A text whose bytes were replaced: noted when `after` differs from `before`.
    void replaced(const char* field, std::string_view before, std::string_view after,
                  std::string_view reason) const;
    // A text written into a field whose line ends, NUL bytes and `breaking` bytes are written as
    // a space and the byte at the same place of `replacements` (what appendFieldText does).
    void written(const char* field, std::string_view text, std::string_view breaking,
                 std::string_view replacements, std::string_view reason) const;
    void renamed(std::string_view before, std::string_view after, std::string_view reason) const;
    void symbol(std::uint32_t before, std::uint32_t after, std::string_view reason) const;
    void colour(const RgbColour& before, const RgbColour& after, std::string_view reason) const;
    void dropped(std::string_view reason) const;
    void pointsDropped(std::size_t before, std::size_t after, std::string_view reason) const;
    // Fields the destination has no place for: noted when they hold more than a new record.
    void textNotCarried(const char* field, std::string_view text, std::string_view reason) const;
    void symbolNotCarried(std::uint32_t symbol, std::string_view reason) const;
    void colourNotCarried(const RgbColour& colour, std::string_view reason) const;
    void dateNotCarried(const RecordDate& date, std::string_view reason) const;
    void altitudeNotCarried(double altitude, std::string_view reason) const;
    // A position the formats' codecs refuse, which is written as empty fields.
    void position(double latitude, double longitude) const;

  private:
    RecordNotes(ConversionReport* report, RecordKind kind, int index, int point,
                const std::string* name)
        : report_(report), kind_(kind), index_(index), point_(point), name_(name) {}

    ConversionReport* report_;
    RecordKind kind_;
    int index_;
    int point_ = -1;
    const std::string* name_;
};

// Notes every record of a kind that the destination has no table for.
template <typename Table>
void noteKindDropped(ConversionReport* report, RecordKind kind, const Table& table,
                     std::string_view reason) {
    if (report == nullptr) {
        return;
    }
    static const std::string kNoName;
    for (std::size_t i = 0; i < table.size(); ++i) {
        if constexpr (requires { table[i].name; }) {
            RecordNotes(report, kind, i, table[i].name).dropped(reason);
        } else {
            RecordNotes(report, kind, i, kNoName).dropped(reason);
        }
    }
}

// The value texts of findings: "255, 0, 0", "2012-03-15", "12.5".
std::string colourText(const RgbColour& colour);
std::string dateText(const RecordDate& date);
std::string numberText(double value);

// Words for the user: "waypoint", "route", ...; "name cut", "renamed", ...
const char* recordKindText(RecordKind kind);
const char* findingKindText(FindingKind kind);
// The record of a finding as a user reads it: "waypoint 12 HARBOUR", "route 2 R1, point 5".
std::string findingRecordText(const Finding& finding);
// "old -> new", the old value alone, or empty.
std::string findingChangeText(const Finding& finding);

// A short summary for the command line: the counts read and written, the number of findings
// by kind, and the first `shown` findings, then "and N more".
std::string reportSummary(const ConversionReport& report, std::size_t shown = 5);

} // namespace velmar
