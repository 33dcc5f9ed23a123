// Series 6 record tables, sections, file sets and mappings, and the family's entry points (the
// examples and their conversions are the golden test's).

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "TestSupport.h"
#include "core/TextFile.h"
#include "formats/FamilyEntryPoints.h"
#include "formats/series6/Series6Format.h"
#include "formats/series6/Series6Mapping.h"

namespace velmar::test {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using Counts = std::vector<std::size_t>;
using Codes = std::vector<int>;

constexpr double kLat = 34.20575;           // 34D12.345N
constexpr double kLon = 135.0 + 6.5 / 60.0; // 135D06.500E
const std::string kPos = "34D12.345N,135D06.500E";
const std::string kZero = "0D00.000N,0D00.000E";
constexpr RgbColour kRed{255, 0, 0};
constexpr RgbColour kBlue{0, 0, 255};
constexpr RgbColour kBlack{0, 0, 0};

// Reads the bytes as one Series 6 file; the read must give 0.
Series6Data readBytesAsSeries6(const std::string& bytes) {
    TempDir dir;
    writeBytes(dir.file("in"), bytes);
    Series6Data data;
    EXPECT_EQ(readSeries6Records(openForReading(dir.file("in")).get(), &data), kOk);
    return data;
}

// The section of one kind as written into a fresh file.
std::string writtenSection(const Series6Data& data, int kind) {
    TempDir dir;
    OutputFile file;
    EXPECT_EQ(file.create(dir.file("out")), kOk);
    EXPECT_EQ(writeSeries6Section(&file, &data, kind), kOk);
    EXPECT_EQ(file.close(), kOk);
    return readBytes(dir.file("out"));
}

template <typename Record> Counts pointCounts(const std::vector<Record>& records) {
    Counts counts;
    for (const Record& record : records) {
        counts.push_back(record.points.size());
    }
    return counts;
}

// One field of every point of a record, e.g. pointValues(track, &Series6TrackPoint::trackCode).
template <typename Record, typename Point, typename Value>
Codes pointValues(const Record& record, Value Point::*field) {
    Codes values;
    for (const Point& point : record.points) {
        values.push_back(static_cast<int>(point.*field));
    }
    return values;
}

Series6Data mapOut(const NavDatabase& database) {
    Series6Data data;
    EXPECT_EQ(hubToSeries6(&database, &data), kOk);
    return data;
}

NavDatabase mapIn(const Series6Data& data) {
    NavDatabase database;
    EXPECT_EQ(series6ToHub(&data, &database), kOk);
    return database;
}

// The hub records written as one Series 6 section and read back.
NavDatabase throughSection(const NavDatabase& database, int kind) {
    return mapIn(readBytesAsSeries6(writtenSection(mapOut(database), kind)));
}

// Hub records whose point i lies at (1 + i, 2) and (i, -i).
Track hubTrack(const std::vector<char>& flags, RgbColour colour = kRed) {
    Track track;
    track.colour = colour;
    for (std::size_t i = 0; i < flags.size(); ++i) {
        track.points.push_back({flags[i], 1.0 + static_cast<double>(i), 2.0});
    }
    return track;
}

Zone hubZone(std::size_t points, RgbColour colour = kRed) {
    Zone zone;
    zone.colour = colour;
    for (std::size_t i = 0; i < points; ++i) {
        zone.points.push_back({static_cast<double>(i), -static_cast<double>(i)});
    }
    return zone;
}

// Adds up to the capacity, then once more: the extra add gives the table's code.
template <typename Add> void fillPastCapacity(std::size_t capacity, ResultCode full, Add add) {
    for (std::size_t i = 0; i < capacity; ++i) {
        ASSERT_EQ(add(), kOk) << i;
    }
    EXPECT_EQ(add(), full);
}

TEST(Series6Data, TablesAcceptUpToCapacityAndRefuseOnePast) {
    Series6Data data;
    Series6Route route;
    Series6Track track;
    Series6Boundary boundary;
    const Series6Waypoint waypoint;
    const Series6RoutePoint routePoint;
    const Series6TrackPoint trackPoint;
    const Series6BoundaryPoint boundaryPoint;
    fillPastCapacity(4000, 10, [&] { return addSeries6Waypoint(&data, &waypoint); });
    fillPastCapacity(100, 12, [&] { return addSeries6RoutePoint(&route, &routePoint); });
    fillPastCapacity(100, 11, [&] { return addSeries6Route(&data, Series6Route(route)); });
    fillPastCapacity(8000, 16, [&] { return addSeries6TrackPoint(&track, &trackPoint); });
    fillPastCapacity(8000, 15, [&] { return addSeries6Track(&data, Series6Track{{trackPoint}}); });
    fillPastCapacity(200, 18, [&] { return addSeries6BoundaryPoint(&boundary, &boundaryPoint); });
    fillPastCapacity(200, 17, [&] { return addSeries6Boundary(&data, Series6Boundary(boundary)); });
    EXPECT_EQ(data.boundaries[199].points.size(), 200u);
    EXPECT_EQ(clearSeries6Data(&data), kOk);
    EXPECT_TRUE(data.waypoints.empty() && data.routes.empty() && data.tracks.empty() &&
                data.boundaries.empty());
}

TEST(Series6Reader, FieldsSectionLinesEndMarkAndHostileBytes) {
    // "$NRMX" opens a section and "$ENDING" closes it; lines without '$' are skipped; an empty
    // field keeps the new record's value; a megabyte line is read in pieces of 255 bytes (only
    // the first begins with '$'); a NUL byte ends a line's text; nothing after 0x1A is read.
    const Series6Data data = readBytesAsSeries6(
        "note\n$0009,82,,,\n$NRMX trailing\r\n$0001,82," + kPos +
        ",\r\n  $0005,1,,\nplain\n\n$ABCDEFG,7,5D30.000S,1D00.000W,\n$,,,\n$X,-3,bad,bad\n$" +
        repeated("A", 1 << 20) + "\n$00\0"s + "01,5,,,\n$ENDING\n$0002,82,,,\n$RUT\n$0002,1f," +
        kPos + "\n$0003,C0,,\n$END\n$TRK\n$01,,\n$END\n$BND\n$02,000,C0,,\n$END\n" +
        "$NRM\n$0005,82,,,\n\x1A$0006,82,,,\n$END\n$RUT\n$0001,C0,,\n$END\n");
    EXPECT_EQ(writtenSection(data, Series6Waypoints),
              "$NRM\r\n$0001,82," + kPos + ",\r\n$ABCD,07,5D30.000S,1D00.000W,\r\n$,82," + kZero +
                  ",\r\n$X,-3," + kZero + ",\r\n$AAAA,82," + kZero + ",\r\n$00,82," + kZero +
                  ",\r\n$0005,82," + kZero + ",\r\n$END\r\n\x1A");
    EXPECT_EQ(writtenSection(data, Series6Routes),
              "$RUT\r\n$0002,1F," + kPos + "\r\n$0003,C0," + kZero + "\r\n$END\r\n\x1A");
    EXPECT_EQ(pointCounts(data.tracks), Counts{1});
    EXPECT_EQ(pointCounts(data.boundaries), Counts{1});
    // Binary and broken input never fails the read.
    std::string binary = noiseBytes(4096);
    std::replace(binary.begin(), binary.end(), '\x1A', '$'); // no end mark to stop at
    for (const std::string& input : {""s, "\x1A"s, "$NRM"s, binary, "$TRK\n" + repeated(",", 300),
                                     "$RUT\n$" + repeated("9", 100000) + ",C0\n$END\n"}) {
        readBytesAsSeries6(input); // the helper expects the result 0
    }
}

TEST(Series6Reader, RoutesSplitWhereTheNumberIsNotThePreviousPlusOne) {
    const std::vector<std::pair<std::vector<std::string>, Counts>> cases = {
        {{"0001", "0002", "0003", "0005", "0006"}, {3, 2}},
        {{"ABCD", "WXYZ", "ABCD"}, {1, 1, 1}}, // no digits: 0 is never 0 + 1
        {{"0009", "0010", "0011"}, {3}},
        {{"0003", "0002", "0001"}, {1, 1, 1}},
        {{"0000", "0001", "00023", "0003"}, {4}}, // "00023" is cut to "0002"
        {{"0001", "0001"}, {1, 1}}};
    for (const auto& [names, routes] : cases) {
        std::string bytes = "$RUT\n";
        for (const std::string& name : names) {
            bytes += "$" + name + ",C0," + kPos + "\n";
        }
        const Series6Data data = readBytesAsSeries6(bytes + "$END\n");
        EXPECT_EQ(pointCounts(data.routes), routes) << names.front() << "...";
    }
}

TEST(Series6Reader, TrackRunsFollowTheirCodes) {
    // The codes of the lines, then the codes of the tracks read: "$END" closes a run with 0.
    const std::vector<std::pair<Codes, std::vector<Codes>>> cases = {
        {{3, 3, 3, 0, 3, 3, 0}, {{3, 3, 3, 0}, {3, 3, 0}}},
        {{0, 0, 0, 2, 2, 0}, {{0, 0, 0}, {2, 2, 0}}},
        {{3, 3}, {{3, 0}}},
        {{0, 5, 0, 0, 0, 6}, {{0}, {5, 0}, {0, 0}, {0}}},
        {{1, 2, 0}, {{1, 2, 0}}}};
    for (const auto& [codes, tracks] : cases) {
        std::string bytes = "$TRK\n";
        for (int code : codes) {
            bytes += "$0" + std::to_string(code) + "," + kPos + "\n";
        }
        std::vector<Codes> read;
        for (const Series6Track& track : readBytesAsSeries6(bytes + "$END\n").tracks) {
            read.push_back(pointValues(track, &Series6TrackPoint::trackCode));
        }
        EXPECT_EQ(read, tracks) << codes.front() << "...";
    }
}

TEST(Series6Reader, BoundariesEndAtTheHexCodeC0AndOpenRecordsAreDropped) {
    const Series6Data data = readBytesAsSeries6("$BND\n$04,000,80," + kPos +
                                                "\n$04,001,80,,\n$03,002,C0,,\n$05,000,80,,\n"
                                                "$06,001,192,,\n$07,002,80,,\n$END\n");
    // The colour of the last line counts, codes are hexadecimal and "$END" closes with C0.
    EXPECT_EQ(writtenSection(data, Series6Boundaries),
              "$BND\r\n$03,000,80," + kPos + "\r\n$03,001,80," + kZero + "\r\n$03,002,C0," + kZero +
                  "\r\n$07,000,80," + kZero + "\r\n$07,001,192," + kZero + "\r\n$07,002,C0," +
                  kZero + "\r\n$END\r\n\x1A");
    // A route, track or boundary that its section does not close by the end of the file.
    const std::string end = "," + kPos + "\r\n";
    EXPECT_TRUE(readBytesAsSeries6("$TRK\r\n$03" + end + "$03" + end + "\x1A").tracks.empty());
    EXPECT_EQ(
        pointCounts(readBytesAsSeries6("$TRK\r\n$02" + end + "$00" + end + "$03" + end).tracks),
        Counts{2});
    EXPECT_EQ(pointCounts(readBytesAsSeries6("$RUT\r\n$0001,C0" + end + "$0003,C0" + end).routes),
              Counts{1});
    EXPECT_TRUE(readBytesAsSeries6("$BND\r\n$04,000,80" + end).boundaries.empty());
}

TEST(Series6Reader, RecordsBeyondCapacityAreDropped) {
    // One route run of 101 numbers and 100 more routes; a boundary of 201 points; a track of
    // 8,001 points and 8,000 more tracks.
    std::string bytes = "$RUT\n";
    for (int i = 1; i <= 101; ++i) {
        bytes += "$" + std::to_string(i) + ",C0,,\n";
    }
    const Series6Data data = readBytesAsSeries6(
        bytes + repeated("$X,C0,,\n", 100) + "$END\n$BND\n" + repeated("$01,000,80,,\n", 201) +
        "$END\n$TRK\n" + repeated("$01,,\n", 8001) + "$00,,\n" + repeated("$02,,\n$00,,\n", 8000));
    ASSERT_EQ(data.routes.size(), 100u);
    EXPECT_EQ(data.routes[0].points.back().name, "100");
    EXPECT_EQ(pointCounts(data.boundaries), Counts{200});
    ASSERT_EQ(data.tracks.size(), 8000u);
    EXPECT_EQ(data.tracks[0].points.size(), 8000u);
    EXPECT_EQ(data.tracks[1].points.size(), 2u);
}

Series6Data oneOfEachKind() {
    Series6Data data;
    data.waypoints = {{"0001", 82, kLat, kLon}, {"0002", 5, -0.5, -180.0}, {"0003", 123, 91.0, 0}};
    data.routes = {{{{"0001", 0xC0, kLat, kLon}}}, {{{"0004", 0x0A, 1.0, 2.0}}}};
    data.tracks = {{{{1, kLat, kLon}, {0, kLat, kLon}}}, {{{12, -1.5, -2.25}}}};
    data.boundaries = {{4, {{0x80, kLat, kLon}, {0xC0, 1.0, 1.0}}}, {1, {{0xC0, 1.0, 1.0}}}};
    return data;
}

TEST(Series6Writer, SectionsByteForByte) {
    const std::string lines[] = {
        "$NRM\r\n$0001,82,34D12.345N,135D06.500E,\r\n$0002,05,0D30.000S,180D00.000W,\r\n"
        "$0003,123,,0D00.000E,\r\n",
        "$RUT\r\n$0001,C0,34D12.345N,135D06.500E\r\n$0004,0A,1D00.000N,2D00.000E\r\n",
        "$TRK\r\n$01,34D12.345N,135D06.500E\r\n$00,34D12.345N,135D06.500E\r\n"
        "$12,1D30.000S,2D15.000W\r\n",
        "$BND\r\n$04,000,80,34D12.345N,135D06.500E\r\n$04,001,C0,1D00.000N,1D00.000E\r\n"
        "$01,000,C0,1D00.000N,1D00.000E\r\n"};
    for (int kind = 0; kind < 4; ++kind) {
        EXPECT_EQ(writtenSection(oneOfEachKind(), kind), lines[kind] + "$END\r\n\x1A") << kind;
        EXPECT_EQ(writtenSection(Series6Data{}, kind), "\x1A") << "no records " << kind;
    }
    EXPECT_EQ(writtenSection(oneOfEachKind(), 4), "\x1A");
    EXPECT_EQ(writtenSection(oneOfEachKind(), -1), "\x1A");
}

// Which kinds make a file is the golden test's; how a set is replaced, tries every kind and gives
// the first failure is the file-set helper's (TextFileTest, FileSet).
TEST(Series6FileSet, AMissingFolderOrAFullDiskFails) {
    TempDir dir;
    Series6Data data = oneOfEachKind();
    EXPECT_EQ(writeSeries6FileSet(&data, dir.file("missing/trip.s6").c_str()), kCannotOpen);
    if (!fs::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full";
    }
    data.waypoints.resize(4000, data.waypoints[0]);
    OutputFile file;
    ASSERT_EQ(file.create("/dev/full"), kOk);
    EXPECT_EQ(writeSeries6Section(&file, &data, Series6Waypoints), kWriteFailed);
    EXPECT_EQ(file.close(), kWriteFailed);
}

TEST(Series6HubToSeries6, WaypointsRenamedUpTo4000AndZonesCodedByPalette) {
    NavDatabase database;
    Waypoint waypoint;
    waypoint.name = "HOME";
    waypoint.symbol = 5;
    waypoint.latitude = 34.5;
    waypoint.longitude = -1.0;
    database.waypoints.assign(4001, waypoint);
    database.zones = {hubZone(4, kBlue), hubZone(1, RgbColour{1, 2, 3})};
    const Series6Data data = mapOut(database);
    ASSERT_EQ(data.waypoints.size(), 4000u);
    EXPECT_EQ(data.waypoints.back().name, "4000");
    EXPECT_EQ(writtenSection(data, Series6Waypoints).substr(0, 70),
              "$NRM\r\n$0001,82,34D30.000N,1D00.000W,\r\n$0002,82,34D30.000N,1D00.000W,\r\n");
    EXPECT_EQ(writtenSection(data, Series6Boundaries),
              "$BND\r\n$04,000,80,0D00.000N,0D00.000E\r\n$04,001,80,1D00.000N,1D00.000W\r\n"
              "$04,002,80,2D00.000N,2D00.000W\r\n$04,003,C0,3D00.000N,3D00.000W\r\n"
              "$00,000,C0,0D00.000N,0D00.000E\r\n$END\r\n\x1A");
    const NavDatabase back = throughSection(database, Series6Boundaries);
    ASSERT_EQ(pointCounts(back.zones), (Counts{4, 1})) << "one boundary of 4 points, then one";
    EXPECT_EQ(back.zones[0].colour, kBlue);
    EXPECT_DOUBLE_EQ(back.zones[0].points[3].longitude, -3.0);
}

TEST(Series6HubToSeries6, RoutePointsNumberedWithGapsWithinTheBudgetOf100) {
    // Hub route sizes, kept sizes, and the first and last name of every kept route with points.
    const std::vector<std::tuple<std::vector<int>, Counts, std::vector<std::string>>> cases = {
        {{3, 2}, {3, 2}, {"0001", "0003", "0005", "0006"}},
        {{60, 50}, {60, 39}, {"0001", "0060", "0062", "0100"}},
        {{99, 5}, {99}, {"0001", "0099"}},
        {{101}, {100}, {"0001", "0100"}},
        {{0, 3}, {0, 3}, {"0002", "0004"}}, // a route without points takes a number and its gap
        {std::vector<int>(150, 0), Counts(100, 0), {}}};
    for (const auto& [hub, kept, expectedEnds] : cases) {
        NavDatabase database;
        for (int points : hub) {
            database.routes.emplace_back().points.resize(static_cast<std::size_t>(points));
        }
        const Series6Data data = mapOut(database);
        std::vector<std::string> ends;
        for (const Series6Route& route : data.routes) {
            if (!route.points.empty()) {
                ends.insert(ends.end(), {route.points.front().name, route.points.back().name});
                EXPECT_EQ(route.points.back().pointCode, 0xC0);
            }
        }
        EXPECT_EQ(pointCounts(data.routes), kept) << hub.front() << "...";
        EXPECT_EQ(ends, expectedEnds) << hub.front() << "...";
    }
}

TEST(Series6HubToSeries6, TrackCodesFromFlagsAndPaletteAndBack) {
    // Hub flags and colour, the codes written, and the colour of the tracks read back.
    const std::vector<std::tuple<std::vector<char>, RgbColour, Codes, RgbColour>> cases = {
        {{'N', 'N', 'S', 'N', 'N'}, kRed, {1, 1, 0, 1, 0}, kRed},
        {{'N', 'N', 'N'}, RgbColour{254, 0, 0}, {0, 0, 0}, kBlack}, // outside the palette
        {{'N', 'N', 'N'}, RgbColour{0, 255, 0}, {2, 2, 0}, RgbColour{0, 255, 0}},
        {{'N', 'N'}, RgbColour{255, 255, 0}, {3, 0}, RgbColour{255, 255, 0}},
        {{'S'}, kBlue, {0}, kBlack},
        {{'N', 'N'}, RgbColour{255, 0, 255}, {5, 0}, RgbColour{255, 0, 255}},
        {{'X', 'N'}, RgbColour{125, 125, 125}, {6, 0}, RgbColour{125, 125, 125}},
        {{'N', 'N'}, RgbColour{255, 255, 255}, {7, 0}, RgbColour{255, 255, 255}}};
    for (const auto& [flags, colour, codes, colourBack] : cases) {
        NavDatabase database;
        database.tracks = {hubTrack(flags, colour)};
        const Series6Data data = mapOut(database);
        ASSERT_EQ(data.tracks.size(), 1u);
        EXPECT_EQ(pointValues(data.tracks[0], &Series6TrackPoint::trackCode), codes);
        EXPECT_DOUBLE_EQ(data.tracks[0].points.back().latitude, static_cast<double>(flags.size()));
        for (const Track& track : throughSection(database, Series6Tracks).tracks) {
            EXPECT_EQ(track.colour, colourBack) << codes.front();
        }
    }
    NavDatabase database;
    database.tracks = {hubTrack({'N', 'N', 'N'}, kBlack), hubTrack({'N', 'N', 'N'}, kBlack)};
    EXPECT_EQ(pointCounts(throughSection(database, Series6Tracks).tracks), Counts{6})
        << "two black tracks come back as one";
    database.tracks = {hubTrack({'N', 'N', 'S', 'N', 'N'})};
    EXPECT_EQ(pointCounts(throughSection(database, Series6Tracks).tracks), (Counts{3, 2}))
        << "a red track with an end of run comes back as two red tracks";
}

TEST(Series6HubToSeries6, TrackAndBoundaryPointBudgets) {
    // The record that reaches the budget is cut (its kept last point keeps its code), every
    // later one is dropped.
    const std::vector<std::tuple<bool, Counts, Counts, int>> cases = {
        {false, {5000, 4000, 10}, {5000, 3000}, 1},
        {false, {7999, 0, 1, 1}, {7999, 0, 1}, 0},
        {false, {8001, 1}, {8000}, 0}, // a track ends at 8,000
        {true, {150, 100, 3}, {150, 50}, 0x80},
        {true, {201}, {200}, 0xC0},
        {true, Counts(250, 1), Counts(200, 1), 0xC0}};
    for (const auto& [zones, hub, kept, lastCode] : cases) {
        NavDatabase database;
        for (std::size_t points : hub) {
            if (zones) {
                database.zones.push_back(hubZone(points));
            } else {
                database.tracks.push_back(hubTrack(std::vector<char>(points, 'N')));
            }
        }
        const Series6Data data = mapOut(database);
        EXPECT_EQ(zones ? pointCounts(data.boundaries) : pointCounts(data.tracks), kept)
            << hub.front();
        EXPECT_EQ(zones ? data.boundaries.back().points.back().pointCode
                        : data.tracks.back().points.back().trackCode,
                  lastCode)
            << hub.front();
    }
}

TEST(Series6ToHub, RecordsMapWithGreenRoutesPaletteColoursAndDefaults) {
    Series6Data data;
    data.waypoints = {{"0001", 300, 1.0, 2.0}, {"0002", -1, 0.0, 0.0}, {"0003", 255, 0, 0}};
    data.routes = {{{{"0001", 0xC0, 1.0, 1.0}, {"0002", 0x1FF, 2.0, 2.0}}}, {{{"0004", 1, 0, 0}}}};
    data.tracks = {{{{9, 1.0, 1.0}, {0, 2.0, 2.0}}}, {{{3, 1.0, 1.0}, {3, 2.0, 2.0}}}};
    data.boundaries = {{4, {{0x80, 1.0, 1.0}, {0xC0, 2.0, 2.0}}}, {12, {{0xC0, 0.0, 0.0}}}};
    const NavDatabase database = mapIn(data);
    ASSERT_EQ(database.waypoints.size(), 3u);
    EXPECT_EQ(database.waypoints[2].name, "0003");
    EXPECT_EQ(database.waypoints[0].symbol + database.waypoints[1].symbol, 0u) << "not a byte";
    EXPECT_EQ(database.waypoints[2].symbol, 255u);
    ASSERT_EQ(database.routes.size(), 2u);
    EXPECT_EQ(database.routes[0].colour, (RgbColour{0, 255, 0}));
    EXPECT_EQ(database.routes[1].number, 2);
    EXPECT_EQ(pointValues(database.routes[0], &RoutePoint::symbol), (Codes{192, 0}));
    ASSERT_EQ(database.tracks.size(), 2u);
    EXPECT_EQ(database.tracks[0].colour, kBlack) << "code 9 is outside the palette";
    EXPECT_EQ(database.tracks[1].colour, (RgbColour{255, 255, 0}));
    EXPECT_EQ(pointValues(database.tracks[0], &TrackPoint::pointFlag), (Codes{'N', 'S'}));
    ASSERT_EQ(pointCounts(database.zones), (Counts{2, 1}));
    EXPECT_EQ(database.zones[0].colour, kBlue);
    EXPECT_EQ(database.zones[1].colour, kBlack);
    EXPECT_EQ(database.zones[1].number, 2);

    data.tracks.assign(1001, Series6Track{{{0, 1.0, 1.0}}}); // full hub tables end their kind
    const NavDatabase full = mapIn(data);
    EXPECT_EQ(full.tracks.size(), 1000u);
    EXPECT_EQ(full.zones.size(), 2u) << "the next kind is still mapped";
}

TEST(Series6File, EntryPointsAndMissingArguments) {
    TempDir dir;
    NavDatabase database;
    EXPECT_EQ(readSeries6File(dir.file("absent.s6.wpt").c_str(), &database), kCannotOpen);
    EXPECT_EQ(readSeries6File(dir.path().c_str(), &database), kCannotOpen);
    database.marks.resize(2);
    database.lines.resize(1);
    database.lines[0].points.resize(3);
    EXPECT_EQ(writeSeries6Files(&database, dir.file("trip.s6").c_str()), kOk);
    EXPECT_TRUE(fs::is_empty(dir.path())) << "marks and lines only: no file";
    database.zones = {hubZone(1)};
    EXPECT_EQ(writeSeries6Files(&database, dir.file("missing/trip.s6").c_str()), kCannotOpen);

    Series6Data data;
    Series6Route route;
    EXPECT_EQ(addSeries6Waypoint(&data, nullptr), kBadArgument);
    EXPECT_EQ(addSeries6RoutePoint(&route, nullptr), kBadArgument);
    EXPECT_EQ(readSeries6Records(nullptr, &data), kBadArgument);
    EXPECT_EQ(writeSeries6Section(nullptr, &data, 0), kBadArgument);
    EXPECT_EQ(writeSeries6FileSet(nullptr, "x"), kBadArgument);
    EXPECT_EQ(series6ToHub(&data, nullptr), kBadArgument);
    EXPECT_EQ(hubToSeries6(nullptr, &data), kBadArgument);
    EXPECT_EQ(readSeries6File(nullptr, &database), kBadArgument);
    EXPECT_EQ(writeSeries6Files(&database, nullptr), kBadArgument);
}

} // namespace
} // namespace velmar::test
