// Exact findings of the device limits, the merge's renames, and the report's summary.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "core/ConversionReport.h"
#include "formats/FamilyTable.h"
#include "merge/MergeJob.h"

namespace velmar {
namespace {

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

TEST(FindingsTest, EachLimitIsNotedWithItsOldAndNewValueAndNothingElse) {
    NavDatabase nineChars;
    nineChars.waypoints.push_back(waypoint("LIGHTHOUS", 0));
    NavDatabase thousand;
    for (int i = 0; i < 1000; ++i) {
        thousand.waypoints.push_back(waypoint("W" + std::to_string(i), i));
    }
    NavDatabase twins;
    twins.waypoints = {waypoint("MARINA1", 0), waypoint("MARINA2", 1)};
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
        {kSeries41, nineChars, 0,
         "waypoint 1 LIGHTHOUS: cut to the device's width, name \"LIGHTHOUS\" -> \"LIGHTH\""},
        {kSeries41, thousand, 0, "waypoint 1000 W999: dropped, "},
        {kSeries41, twins, 2, "waypoint 1 MARINA1: renamed, name \"MARINA\" -> \"001\""},
        {kSeries41, twins, 3, "waypoint 2 MARINA2: renamed, name \"MARINA\" -> \"002\""},
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
