// Every family pair on a database that passes every device limit: convert and read the output
// back. The source with the write's findings applied (records and points dropped, fields taking
// their new value or any value when not carried, tracks joined into the one before) is what came
// back, point for point; and each finding changes the field it names. Then the findings in the
// user's words.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <tuple>

#include "TestSupport.h"
#include "core/ConversionReport.h"
#include "core/Text.h"
#include "formats/FamilyTable.h"
#include "merge/MergeJob.h"

namespace velmar {
namespace {

double at(int k) {
    return 10.0 + k * 0.01;
} // positions on the formats' grain

NavDatabase stressDatabase() {
    NavDatabase db;
    const RecordDate date{15, 3, 2012};
    const RgbColour colours[] = {{255, 0, 0}, {10, 20, 30}, {0, 0, 0}, {0, 0, 255}};
    for (int i = 0; i < 4010; ++i) { // past 999 (Series 41) and 4,000 (Series 6)
        std::string name = i % 3 == 0 ? "MARINA" : "W";
        appendInt(name, i, 4);
        if (i == 7) {
            name = "Harbour,Q*$y"; // lower case, a comma, the sentence marks, past 6 characters
        }
        db.waypoints.push_back({name, i % 2 ? "Fuel $5 dock, <B> & co*" : "", 5u + i % 30,
                                colours[i % 4], at(i), -at(i), date, double(i % 7)});
    }
    db.marks.push_back({"MARK1", 3, {1, 2, 3}, 1.0, 2.0, date, 4.0});
    for (int r = 0; r < 55; ++r) { // past 50 routes; points past 30 and 300; some at no waypoint
        Route route{0, "R" + std::to_string(r), "route " + std::to_string(r), colours[r % 4], date,
                    {}};
        const int points = r == 0 ? 350 : r == 1 ? 0 : 3 + r % 40;
        for (int p = 0; p < points; ++p) {
            const int k = (r * 7 + p) % 900 + (p % 5 == 4 ? 5000 : 0);
            route.points.push_back({"P" + std::to_string(p), 16u + p % 300, at(k), -at(k)});
        }
        db.routes.push_back(route);
    }
    for (int t = 0; t < 45; ++t) { // past 40 tracks, 2,100 points and the 8,000 budget
        Track track{0, "T" + std::to_string(t), colours[t % 4], date, {}};
        const int points = t == 0 ? 2500 : t == 1 ? 0 : 300 + t;
        for (int p = 0; p < points; ++p) {
            const bool end = p + 1 == points || (t % 4 == 1 && p == 10);
            track.points.push_back({end ? 'S' : 'N', at(p), at(t)});
        }
        db.tracks.push_back(track);
    }
    db.lines.push_back({0, "LINE", {9, 9, 9}, date, {{1.0, 1.0}, {2.0, 2.0}}});
    for (int z = 0; z < 3; ++z) {
        Zone zone{0, colours[z], {7, 7, 7}, 5, date, {}};
        for (int p = 0; p < (z == 0 ? 250 : 4); ++p) {
            zone.points.push_back({at(p), at(z)});
        }
        db.zones.push_back(zone);
    }
    return db;
}

// Writes with a family and reads every file it made into one database.
NavDatabase roundTrip(int family, NavDatabase db, const std::string& base, ConversionReport* out) {
    const FormatFamily& f = *formatFamily(family);
    const std::string path = base + f.extension;
    EXPECT_EQ(f.writer(&db, path.c_str(), out), kOk) << f.caption;
    NavDatabase back;
    if (f.memberSuffixes.empty()) {
        EXPECT_EQ(f.reader(path.c_str(), &back, nullptr), kOk);
    }
    for (const char* member : f.memberSuffixes) {
        if (test::fileExists(path + member)) {
            EXPECT_EQ(f.reader((path + member).c_str(), &back, nullptr), kOk);
        }
    }
    return back;
}

using Fields = std::vector<std::string>;
using NamedFields = std::vector<std::pair<const char*, std::string>>;
const std::string kAny = "*"; // a field that may come back with any value

template <typename R> NamedFields fieldsOf(const R& r) {
    NamedFields fields;
    if constexpr (requires { r.name; }) {
        fields.push_back({"name", r.name});
    }
    if constexpr (requires { r.comment; }) {
        fields.push_back({"comment", r.comment});
    }
    if constexpr (requires { r.symbol; }) {
        fields.push_back({"symbol", numberText(r.symbol)});
    }
    if constexpr (requires { r.colour; }) {
        fields.push_back({"colour", colourText(r.colour)});
    }
    if constexpr (requires { r.secondColour; }) {
        fields.push_back({"secondColour", colourText(r.secondColour)});
        fields.push_back({"zoneKind", numberText(r.zoneKind)});
    }
    if constexpr (requires { r.date; }) {
        fields.push_back({"date", dateText(r.date)});
    }
    if constexpr (requires { r.altitude; }) {
        fields.push_back({"altitude", numberText(r.altitude)});
    }
    return fields;
}

// The findings of the write by record and point; without a report, none.
class Findings {
  public:
    explicit Findings(const ConversionReport* report = nullptr) {
        for (std::size_t n = 0; report != nullptr && n < report->findings.size(); ++n) {
            if (const Finding& f = report->findings[n]; f.stage == FindingStage::Writing) {
                at_[{f.recordKind, f.index, f.point}].push_back(&f);
            }
        }
    }
    std::vector<const Finding*> at(RecordKind k, int i, int p = -1) const {
        const auto found = at_.find({k, i, p});
        return found == at_.end() ? std::vector<const Finding*>{} : found->second;
    }
    const Finding* find(RecordKind k, int i, int p, FindingKind kind,
                        std::string_view field) const {
        const Finding* last = nullptr;
        for (const Finding* f : at(k, i, p)) {
            last = f->kind == kind && f->field == field ? f : last;
        }
        return last;
    }
    // The values as they come back: a field a finding changed has its new value (which differs
    // from the old one), or any value when it is not carried.
    Fields apply(RecordKind k, int i, int p, const NamedFields& fields) const {
        Fields values;
        for (const auto& [name, value] : fields) {
            values.push_back(value);
            for (const Finding* f : at(k, i, p)) {
                if (f->field != std::string_view(name)) {
                    continue;
                }
                const bool open = f->kind == FindingKind::FieldNotCarried;
                EXPECT_TRUE(open || f->newValue != value) << findingRecordText(*f) << " " << name;
                values.back() = open ? kAny : f->newValue;
            }
        }
        return values;
    }

  private:
    std::map<std::tuple<RecordKind, int, int>, std::vector<const Finding*>> at_;
};

// A line per point (the record's fields, then the point's), or one for a record without points;
// as the findings say the table comes back, with its number of `records`. `added` records the
// writer added at the end may come back as anything.
template <typename Table>
std::vector<Fields> linesOf(RecordKind k, const Table& table, const Findings& findings,
                            std::size_t* records, std::size_t added = 0) {
    std::vector<Fields> lines;
    Fields joinedTo; // the fields of the record the next joined one becomes part of
    for (int i = 0; i < int(table.size() + added); ++i) {
        if (findings.find(k, i, -1, FindingKind::RecordDropped, "")) {
            continue;
        }
        const Finding* split = findings.find(k, i, -1, FindingKind::RecordSplit, "");
        const bool joined = findings.find(k, i, -1, FindingKind::RecordJoined, "");
        *records += (joined ? 0 : 1) + (split ? std::stoul(split->newValue) - 1 : 0);
        if (i >= int(table.size())) {
            lines.push_back({kAny});
            continue;
        }
        const auto& r = table[std::size_t(i)];
        Fields fields = findings.apply(k, i, -1, fieldsOf(r));
        fields = joined ? joinedTo : fields;
        joinedTo = fields;
        if constexpr (requires { r.points; }) {
            const Finding* cut = findings.find(k, i, -1, FindingKind::PointsDropped, "points");
            const std::size_t count = cut ? std::stoul(cut->newValue) : r.points.size();
            const bool runsOpen =
                findings.find(k, i, -1, FindingKind::FieldNotCarried, "pointFlag");
            for (std::size_t p = 0; p < count; ++p) {
                if (findings.find(k, i, int(p), FindingKind::RecordDropped, "")) {
                    continue;
                }
                const auto& x = r.points[p];
                char position[48];
                std::snprintf(position, sizeof position, "%.4f %.4f", x.latitude, x.longitude);
                Fields line = fields;
                line.push_back(position);
                if constexpr (requires { x.name; }) {
                    const Fields named = findings.apply(
                        k, i, int(p), {{"name", x.name}, {"symbol", numberText(x.symbol)}});
                    line.insert(line.end(), named.begin(), named.end());
                }
                if constexpr (requires { x.pointFlag; }) {
                    line.push_back(runsOpen ? kAny : std::string(1, char(x.pointFlag)));
                }
                lines.push_back(line);
            }
            if (count > 0) {
                continue;
            }
        }
        lines.push_back(fields);
    }
    return lines;
}

bool matches(const Fields& want, const Fields& got) {
    if (want == Fields{kAny}) {
        return true;
    }
    return want.size() == got.size() &&
           std::equal(want.begin(), want.end(), got.begin(),
                      [](const auto& w, const auto& g) { return w == kAny || w == g; });
}

std::string joined(const Fields& fields) {
    std::string text;
    for (const std::string& field : fields) {
        text += field + "|";
    }
    return text;
}

template <typename Table>
void compare(RecordKind k, const Table& source, const Table& back, const Findings& findings,
             std::size_t added = 0) {
    std::size_t records = 0, backRecords = 0;
    const std::vector<Fields> want = linesOf(k, source, findings, &records, added);
    const std::vector<Fields> got = linesOf(k, back, Findings(), &backRecords);
    for (std::size_t n = 0; n < std::min(want.size(), got.size()); ++n) {
        if (!matches(want[n], got[n])) {
            ADD_FAILURE() << recordKindText(k) << " line " << n << ": " << joined(want[n])
                          << " came back as " << joined(got[n]);
            return;
        }
    }
    EXPECT_EQ(want.size(), got.size()) << recordKindText(k);
    EXPECT_EQ(records, backRecords) << recordKindText(k);
}

class CompletenessTest : public ::testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(CompletenessTest, WhatComesBackIsTheSourceWithTheFindingsApplied) {
    const auto [from, to] = GetParam();
    test::TempDir dir;
    const NavDatabase source = roundTrip(from, stressDatabase(), dir.file("source"), nullptr);
    ConversionReport report;
    const NavDatabase back = roundTrip(to, source, dir.file("out"), &report);
    const Findings findings(&report);
    // The Series 41 writer gives route points waypoints of their own before it maps.
    const auto added =
        std::count_if(report.findings.begin(), report.findings.end(),
                      [](const Finding& f) { return f.kind == FindingKind::RecordAdded; });
    compare(RecordKind::Waypoint, source.waypoints, back.waypoints, findings, std::size_t(added));
    compare(RecordKind::Mark, source.marks, back.marks, findings);
    compare(RecordKind::Route, source.routes, back.routes, findings);
    compare(RecordKind::Track, source.tracks, back.tracks, findings);
    compare(RecordKind::Line, source.lines, back.lines, findings);
    compare(RecordKind::Zone, source.zones, back.zones, findings);
    EXPECT_EQ(report.written.waypoints, static_cast<long long>(back.waypoints.size()));
}

const int kFamilies[] = {kSeries41, kSeries5, kSeries6, kHub, kCmap, kGpx};
INSTANTIATE_TEST_SUITE_P(AllPairs, CompletenessTest,
                         ::testing::Combine(::testing::ValuesIn(kFamilies),
                                            ::testing::ValuesIn(kFamilies)),
                         [](const auto& info) {
                             return std::string(formatFamily(std::get<0>(info.param))->key) +
                                    "_to_" + formatFamily(std::get<1>(info.param))->key;
                         });

// Exact findings of the device limits, the merge's renames, and the report's summary.
Waypoint waypoint(const std::string& name, int k) {
    Waypoint w;
    initWaypoint(&w);
    w.name = name;
    w.comment = "0123456789ABCDEF"; // the whole width of a Series 41 comment
    w.symbol = 16;
    w.latitude = 10.0 + k * 0.01;
    w.longitude = 20.0;
    return w;
}

ConversionReport write(int family, NavDatabase db) {
    test::TempDir dir;
    ConversionReport report;
    EXPECT_EQ(formatFamily(family)->writer(&db, dir.file("out").c_str(), &report), kOk);
    return report;
}

// A finding as the user reads it: "waypoint 1 A: name cut, name "ABCDEFG" -> "ABCDEF"".
std::string text(const Finding& f) {
    return findingRecordText(f) + ": " + findingKindText(f.kind) + ", " + findingChangeText(f);
}

// The completeness test above checks each finding against what comes back; these read as the
// user reads them (the cut and renamed texts are the details table's test).
TEST(FindingsTest, EachLimitIsNotedWithItsOldAndNewValueAndNothingElse) {
    NavDatabase thousand;
    for (int i = 0; i < 1000; ++i) {
        thousand.waypoints.push_back(waypoint("W" + std::to_string(i), i));
    }
    NavDatabase colour;
    Track track;
    track.name = "T";
    track.colour = {10, 20, 30};
    track.points = {{'N', 1.0, 1.0}, {'S', 1.1, 1.1}};
    colour.tracks.push_back(track);
    NavDatabase budget;
    track.colour = {255, 0, 0};
    track.points.assign(5000, {'N', 1.0, 1.0});
    budget.tracks = {track, track};

    const struct {
        int family;
        NavDatabase db;
        std::size_t at; // the finding's place among the report's findings
        std::string finding;
    } cases[] = {
        {kSeries41, thousand, 0, "waypoint 1000 W999: dropped, "},
        {kSeries6, colour, 2, "track 1 T: colour mapped, colour \"10, 20, 30\" -> \"0, 0, 0\""},
        {kSeries6, budget, 3, "track 2 T: points dropped, points \"5000\" -> \"3000\""},
    };
    for (const auto& c : cases) {
        const ConversionReport report = write(c.family, c.db);
        ASSERT_LT(c.at, report.findings.size()) << reportSummary(report, 10);
        EXPECT_EQ(text(report.findings[c.at]), c.finding) << reportSummary(report, 10);
    }
    // One drop for the 1,000th waypoint and nothing else of the 999 that fit.
    EXPECT_EQ(write(kSeries41, thousand).findings.size(), 1u);
    EXPECT_EQ(write(kSeries41, thousand).written.waypoints, 999);
    // Nothing is noted when nothing changes.
    NavDatabase home;
    home.waypoints.push_back(waypoint("HOME", 0));
    EXPECT_TRUE(write(kHub, home).findings.empty() && write(kSeries41, home).findings.empty());
    EXPECT_EQ(write(kHub, home).written, countRecords(home));
}

TEST(FindingsTest, CmapReaderNotesWhatItsCapacitiesDrop) {
    std::string xml = "<C_MAP>\n<WAYPOINTS>\n";
    for (int i = 0; i <= 10000; ++i) {
        xml += "<WAYPOINT>\n<NAME>W" + std::to_string(i) + "</NAME>\n</WAYPOINT>\n";
    }
    xml += "</WAYPOINTS>\n";
    for (int r = 0; r <= 1000; ++r) {
        xml += "<ROUTE>\n<NAME>R" + std::to_string(r) + "</NAME>\n";
        for (int p = 0; p < (r == 0 ? 1001 : 1); ++p) {
            xml += "<WAYPOINT>\n</WAYPOINT>\n";
        }
        xml += "</ROUTE>\n<TRACK>\n</TRACK>\n";
    }
    test::TempDir dir;
    test::writeBytes(dir.file("big.xml"), xml + "</C_MAP>\n");
    NavDatabase db;
    ConversionReport report;
    ASSERT_EQ(formatFamily(kCmap)->reader(dir.file("big.xml").c_str(), &db, &report), kOk);
    std::vector<std::tuple<FindingKind, RecordKind, int, std::string, std::string>> found;
    for (const Finding& f : report.findings) {
        found.emplace_back(f.kind, f.recordKind, f.index, f.name, f.oldValue + ">" + f.newValue);
    }
    using K = FindingKind;
    using R = RecordKind;
    EXPECT_EQ(found, decltype(found)({{K::RecordDropped, R::Waypoint, 10000, "W10000", ">"},
                                      {K::PointsDropped, R::Route, 0, "R0", "1001>1000"},
                                      {K::RecordDropped, R::Route, 1000, "R1000", ">"},
                                      {K::RecordDropped, R::Track, 1000, "", ">"}}));
    EXPECT_EQ(countRecords(db).routePoints, 1999);
}

TEST(FindingsTest, MergeReportsItsRenamesAndTheSummaryCountsThem) {
    test::TempDir dir;
    NavDatabase db;
    db.waypoints = {waypoint("HOME", 0), waypoint("HOME", 1)};
    ASSERT_EQ(formatFamily(kHub)->writer(&db, dir.file("a.hub").c_str(), nullptr), kOk);
    std::vector<ConversionReport> reports;
    const MergeReport merged =
        runMergeJob(MergeHub, {dir.file("a.hub"), dir.file("a.hub")}, dir.file("m.hub"), &reports);
    ASSERT_TRUE(merged.ok());
    ASSERT_EQ(reports.size(), 2u);
    ASSERT_EQ(reports[1].findings.size(), 2u);
    EXPECT_EQ(reports[1].findings[1].newValue, "WPT1");
    EXPECT_EQ(reports[1].lossCount(), 2u);
    EXPECT_TRUE(reports[0].findings.empty()) << reportSummary(reports[0], 10);
    const std::string summary = reportSummary(reports[1], 1);
    EXPECT_NE(summary.find("read: 2 waypoints"), std::string::npos) << summary;
    EXPECT_NE(summary.find("waypoint 1 HOME: renamed, name \"HOME\" -> \"WPT0\""),
              std::string::npos)
        << summary;
    EXPECT_NE(summary.find("and 1 more"), std::string::npos) << summary;
}

} // namespace
} // namespace velmar
