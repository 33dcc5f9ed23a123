// Every family pair on a database that passes every device limit: convert, read the output back
// and compare it with the source record by record. Each difference is explained by a finding
// (its last new value is what came back, or the field is not carried), and each finding of the
// write is a real difference.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <tuple>

#include "TestSupport.h"
#include "core/ConversionReport.h"
#include "core/Text.h"
#include "formats/FamilyTable.h"

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
            name = "Harbour,Quay"; // lower case, a comma, past 6 characters
        }
        db.waypoints.push_back({name, i % 2 ? "Fuel dock and a long comment" : "", 5u + i % 30,
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

using Fields = std::vector<std::pair<const char*, std::string>>;

template <typename R> Fields fieldsOf(const R& r) {
    Fields fields;
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

// "waypoint 12", "route 2, point 5": where a difference was found.
std::string where(RecordKind k, int i, int p = -1) {
    Finding at;
    at.recordKind = k;
    at.index = i;
    at.point = p;
    return findingRecordText(at);
}

class Checker {
  public:
    explicit Checker(const ConversionReport& report) {
        for (const Finding& f : report.findings) {
            if (f.stage == FindingStage::Writing) {
                byRecord[{f.recordKind, f.index, f.point}].push_back(&f);
            }
        }
    }

    const Finding* last(RecordKind k, int i, int p, std::string_view field,
                        FindingKind kind) const {
        const auto found = byRecord.find({k, i, p});
        const Finding* hit = nullptr;
        for (const Finding* f : found == byRecord.end() ? Found{} : found->second) {
            hit = f->field == field && (kind == FindingKind::TextCut || f->kind == kind) ? f : hit;
        }
        return hit;
    }

    // Each field that differs has a finding that says so; a field that is the same has none.
    void fields(RecordKind k, int i, int p, const Fields& from, const Fields& back) {
        for (std::size_t n = 0; n < from.size(); ++n) {
            const Finding* f = last(k, i, p, from[n].first, FindingKind::TextCut);
            const std::string at = where(k, i, p) + " " + from[n].first + " ";
            if (from[n].second == back[n].second) {
                EXPECT_EQ(f, nullptr) << at << ": finding, no change";
            } else if (f == nullptr || f->kind != FindingKind::FieldNotCarried) {
                ASSERT_NE(f, nullptr) << at << from[n].second << " -> " << back[n].second;
                EXPECT_EQ(f->newValue, back[n].second) << at;
            }
        }
    }

    template <typename Table>
    std::vector<int> kept(RecordKind k, const Table& source, std::size_t added = 0) const {
        std::vector<int> indexes;
        for (int i = 0; i < int(source.size() + added); ++i) {
            if (last(k, i, -1, "", FindingKind::RecordDropped) == nullptr) {
                indexes.push_back(i);
            }
        }
        return indexes;
    }

    template <typename Record>
    void points(RecordKind k, int i, const Record& from, const Record& back) {
        const Finding* cut = last(k, i, -1, "points", FindingKind::PointsDropped);
        const std::size_t count = cut ? std::stoul(cut->newValue) : from.points.size();
        std::size_t b = 0;
        std::string flagsFrom, flagsBack;
        for (std::size_t p = 0; p < count; ++p) {
            if (last(k, i, int(p), "", FindingKind::RecordDropped) != nullptr) {
                continue;
            }
            ASSERT_LT(b, back.points.size()) << where(k, i);
            const auto& x = from.points[p];
            const auto& y = back.points[b++];
            EXPECT_NEAR(x.latitude, y.latitude, 2e-5);
            EXPECT_NEAR(x.longitude, y.longitude, 2e-5);
            if constexpr (requires { x.name; }) {
                fields(k, i, int(p), {{"name", x.name}, {"symbol", numberText(x.symbol)}},
                       {{"name", y.name}, {"symbol", numberText(y.symbol)}});
            }
            if constexpr (requires { x.pointFlag; }) {
                flagsFrom += char(x.pointFlag);
                flagsBack += char(y.pointFlag);
            }
        }
        EXPECT_EQ(b, back.points.size()) << where(k, i);
        if (flagsFrom != flagsBack) {
            EXPECT_NE(last(k, i, -1, "pointFlag", FindingKind::FieldNotCarried), nullptr);
        }
    }

  private:
    using Found = std::vector<const Finding*>;
    std::map<std::tuple<RecordKind, int, int>, Found> byRecord;
};

template <typename Table>
void compareKind(Checker& check, RecordKind k, const Table& from, const Table& back,
                 std::size_t added = 0) {
    const std::vector<int> kept = check.kept(k, from, added);
    ASSERT_EQ(kept.size(), back.size()) << recordKindText(k);
    for (std::size_t n = 0; n < kept.size(); ++n) {
        if (kept[n] >= int(from.size())) {
            continue; // a record the destination added
        }
        const auto& x = from[std::size_t(kept[n])];
        check.fields(k, kept[n], -1, fieldsOf(x), fieldsOf(back[n]));
        if constexpr (requires { x.points; }) {
            check.points(k, kept[n], x, back[n]);
        }
    }
}

// Tracks the destination split or joined are put back together before they are compared: a
// split track's parts are one track again, and the tracks joined into one device track take
// their own points back from it in order.
std::vector<Track> regroupTracks(const Checker& check, const std::vector<Track>& source,
                                 const std::vector<Track>& back, const std::vector<int>& kept) {
    std::vector<Track> grouped;
    std::vector<std::size_t> counts;
    std::vector<bool> joined;
    std::size_t b = 0;
    for (const int i : kept) {
        const Finding* cut =
            check.last(RecordKind::Track, i, -1, "points", FindingKind::PointsDropped);
        counts.push_back(cut ? std::stoul(cut->newValue) : source[std::size_t(i)].points.size());
        joined.push_back(check.last(RecordKind::Track, i, -1, "", FindingKind::RecordJoined));
        if (joined.back()) {
            grouped.push_back({});
            continue;
        }
        const Finding* split = check.last(RecordKind::Track, i, -1, "", FindingKind::RecordSplit);
        grouped.push_back(back.at(b++));
        for (std::size_t n = 1; split != nullptr && n < std::stoul(split->newValue); ++n) {
            const Track& part = back.at(b++);
            EXPECT_EQ(part.colour, grouped.back().colour);
            grouped.back().points.insert(grouped.back().points.end(), part.points.begin(),
                                         part.points.end());
        }
    }
    EXPECT_EQ(b, back.size());
    for (std::size_t n = 0; n < grouped.size(); ++n) {
        if (joined[n]) {
            continue;
        }
        const auto shared = grouped[n].points;
        std::size_t from = 0;
        for (std::size_t m = n; m < grouped.size() && (m == n || joined[m]); ++m) {
            const std::size_t take = std::min(counts[m], shared.size() - from);
            Track& own = grouped[m];
            own = grouped[n];
            own.points.assign(shared.begin() + std::ptrdiff_t(from),
                              shared.begin() + std::ptrdiff_t(from + take));
            from += take;
        }
        EXPECT_EQ(from, shared.size());
    }
    return grouped;
}

class CompletenessTest : public ::testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(CompletenessTest, EveryDifferenceHasAFindingAndEveryFindingADifference) {
    const auto [from, to] = GetParam();
    test::TempDir dir;
    const NavDatabase source = roundTrip(from, stressDatabase(), dir.file("source"), nullptr);
    ConversionReport report;
    const NavDatabase back = roundTrip(to, source, dir.file("out"), &report);
    // The Series 41 writer gives route points waypoints of their own before it maps.
    std::size_t added = 0;
    for (const Finding& f : report.findings) {
        added += f.kind == FindingKind::RecordAdded ? 1 : 0;
    }
    Checker check(report);
    compareKind(check, RecordKind::Waypoint, source.waypoints, back.waypoints, added);
    compareKind(check, RecordKind::Mark, source.marks, back.marks);
    compareKind(check, RecordKind::Route, source.routes, back.routes);
    compareKind(check, RecordKind::Line, source.lines, back.lines);
    compareKind(check, RecordKind::Zone, source.zones, back.zones);
    const std::vector<int> kept = check.kept(RecordKind::Track, source.tracks);
    compareKind(check, RecordKind::Track, source.tracks,
                regroupTracks(check, source.tracks, back.tracks, kept));
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

} // namespace
} // namespace velmar
