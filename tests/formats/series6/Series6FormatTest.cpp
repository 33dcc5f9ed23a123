// The Series 6 record tables, the section reader and the section writer.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "Series6TestHelpers.h"

namespace velmar::test {
namespace {

using namespace std::string_literals;

std::string routeLine(const std::string& name) {
    return "$" + name + ",C0," + kPos;
}

std::string trackLine(int code) {
    std::string line = "$";
    line += (code < 10 ? "0" : "") + std::to_string(code);
    return line + "," + kPos;
}

// --- tables -------------------------------------------------------------------------------

TEST(Series6Data, NewRecordsHoldTheDeviceDefaults) {
    EXPECT_EQ(Series6Waypoint{}.symbol, 82);
    EXPECT_EQ(Series6RoutePoint{}.pointCode, 0xC0);
    EXPECT_EQ(Series6TrackPoint{}.trackCode, 1);
    EXPECT_EQ(Series6BoundaryPoint{}.pointCode, 0x80);
    EXPECT_EQ(Series6Boundary{}.colourIndex, 1);
}

TEST(Series6Data, TablesAcceptUpToCapacityAndRefuseOnePast) {
    Series6Data data;
    initSeries6Data(&data);
    const Series6Waypoint waypoint;
    for (std::size_t i = 0; i < kSeries6MaxWaypoints; ++i) {
        ASSERT_EQ(addSeries6Waypoint(&data, &waypoint), kOk);
    }
    EXPECT_EQ(addSeries6Waypoint(&data, &waypoint), 10);
    EXPECT_EQ(data.waypoints.size(), 4000u);

    Series6Route route;
    const Series6RoutePoint routePoint;
    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(addSeries6RoutePoint(&route, &routePoint), kOk);
    }
    EXPECT_EQ(addSeries6RoutePoint(&route, &routePoint), 12);
    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(addSeries6Route(&data, &route), kOk);
    }
    EXPECT_EQ(addSeries6Route(&data, &route), 11);
    EXPECT_EQ(addSeries6Route(&data, Series6Route{route}), 11);
    EXPECT_EQ(data.routes.size(), 100u);
    EXPECT_EQ(route.points.size(), 100u) << "a copying add leaves the caller's points";

    Series6Track track;
    const Series6TrackPoint trackPoint;
    for (int i = 0; i < 8000; ++i) {
        ASSERT_EQ(addSeries6TrackPoint(&track, &trackPoint), kOk);
    }
    EXPECT_EQ(addSeries6TrackPoint(&track, &trackPoint), 16);
    const Series6Track small{{trackPoint}};
    for (int i = 0; i < 8000; ++i) {
        ASSERT_EQ(addSeries6Track(&data, &small), kOk);
    }
    EXPECT_EQ(addSeries6Track(&data, &small), 15);

    Series6Boundary boundary;
    const Series6BoundaryPoint boundaryPoint;
    for (int i = 0; i < 200; ++i) {
        ASSERT_EQ(addSeries6BoundaryPoint(&boundary, &boundaryPoint), kOk);
    }
    EXPECT_EQ(addSeries6BoundaryPoint(&boundary, &boundaryPoint), 18);
    for (int i = 0; i < 200; ++i) {
        ASSERT_EQ(addSeries6Boundary(&data, &boundary), kOk);
    }
    EXPECT_EQ(addSeries6Boundary(&data, &boundary), 17);
    EXPECT_EQ(data.boundaries.size(), 200u);

    EXPECT_EQ(clearSeries6Data(&data), kOk);
    EXPECT_TRUE(data.waypoints.empty() && data.routes.empty() && data.tracks.empty() &&
                data.boundaries.empty());
}

TEST(Series6Data, MovingAddLeavesTheWorkingRecordWithoutPoints) {
    Series6Data data;
    Series6Boundary boundary;
    boundary.colourIndex = 4;
    boundary.points.resize(3);
    EXPECT_EQ(addSeries6Boundary(&data, std::move(boundary)), kOk);
    EXPECT_TRUE(boundary.points.empty());
    ASSERT_EQ(data.boundaries.size(), 1u);
    EXPECT_EQ(data.boundaries[0].colourIndex, 4);
    EXPECT_EQ(data.boundaries[0].points.size(), 3u);
}

TEST(Series6Data, MissingArgumentsGiveFive) {
    Series6Data data;
    Series6Route route;
    const Series6Waypoint waypoint;
    EXPECT_EQ(initSeries6Data(nullptr), 5);
    EXPECT_EQ(clearSeries6Data(nullptr), 5);
    EXPECT_EQ(addSeries6Waypoint(nullptr, &waypoint), 5);
    EXPECT_EQ(addSeries6Waypoint(&data, nullptr), 5);
    EXPECT_EQ(addSeries6Route(&data, static_cast<const Series6Route*>(nullptr)), 5);
    EXPECT_EQ(addSeries6Route(nullptr, Series6Route{}), 5);
    EXPECT_EQ(addSeries6RoutePoint(&route, nullptr), 5);
    EXPECT_EQ(addSeries6TrackPoint(nullptr, nullptr), 5);
    EXPECT_EQ(readSeries6Records(nullptr, &data), 5);
    EXPECT_EQ(writeSeries6Section(nullptr, &data, 0), 5);
    EXPECT_EQ(writeSeries6FileSet(&data, nullptr), 5);
    EXPECT_EQ(writeSeries6FileSet(nullptr, "x"), 5);
}

// --- reader -------------------------------------------------------------------------------

TEST(Series6Reader, ReadsTheExampleWaypointFile) {
    const Series6Data data =
        readBytesAsSeries6("$NRM\r\n$0001,82,34D12.345N,135D06.500E,\r\n$END\r\n\x1A");
    ASSERT_EQ(data.waypoints.size(), 1u);
    EXPECT_EQ(data.waypoints[0].name, "0001");
    EXPECT_EQ(data.waypoints[0].symbol, 82);
    EXPECT_NEAR(data.waypoints[0].latitude, 34.20575, 1e-9);
    EXPECT_NEAR(data.waypoints[0].longitude, 135.108333, 1e-6);
}

TEST(Series6Reader, FieldsAreCutAndEmptyFieldsKeepTheNewValues) {
    const Series6Data data = readBytesAsSeries6(
        "$NRM\n$ABCDEFG,7,5D30.000S,1D00.000W,\n$,,,\n$9\n$X,-3,bad,bad\n$END\n");
    ASSERT_EQ(data.waypoints.size(), 4u);
    EXPECT_EQ(data.waypoints[0].name, "ABCD");
    EXPECT_EQ(data.waypoints[0].symbol, 7);
    EXPECT_DOUBLE_EQ(data.waypoints[0].latitude, -5.5);
    EXPECT_DOUBLE_EQ(data.waypoints[0].longitude, -1.0);
    EXPECT_EQ(data.waypoints[1].name, "");
    EXPECT_EQ(data.waypoints[1].symbol, 82);
    EXPECT_EQ(data.waypoints[2].name, "9");
    EXPECT_EQ(data.waypoints[3].symbol, -3);
    EXPECT_EQ(data.waypoints[3].latitude, 0.0);
}

TEST(Series6Reader, SectionLinesAreKnownByTheirFirstFourCharacters) {
    const Series6Data data = readBytesAsSeries6("$NRMX trailing\r\n$0001,82," + std::string(kPos) +
                                                ",\r\n$ENDING\r\n" + "$0002,82," + kPos + ",\r\n");
    ASSERT_EQ(data.waypoints.size(), 1u) << "the line after \"$ENDING\" is outside any section";
    EXPECT_EQ(data.waypoints[0].name, "0001");
}

TEST(Series6Reader, LinesWithoutDollarAreIgnoredInEveryState) {
    const Series6Data data = readBytesAsSeries6(
        "note before\n\n$END\n$0009,82,1D00.000N,1D00.000E,\n$NRM\n  $0005,1,,\nplain\n\n"
        "$0001,82,1D00.000N,1D00.000E,\n$END\n$RUT\nnote\n$0001,C0,,\n\n$0002,C0,,\n$END\n");
    ASSERT_EQ(data.waypoints.size(), 1u);
    EXPECT_EQ(data.waypoints[0].name, "0001");
    ASSERT_EQ(data.routes.size(), 1u);
    EXPECT_EQ(data.routes[0].points.size(), 2u);
}

TEST(Series6Reader, NothingAfterTheEndMarkIsRead) {
    const std::string afterMark = "$0002,82," + std::string(kPos) + ",\r\n$END\r\n$RUT\r\n" +
                                  routeLine("0001") + "\r\n$END\r\n";
    const Series6Data data =
        readBytesAsSeries6("$NRM\r\n$0001,82," + std::string(kPos) + ",\r\n\x1A" + afterMark);
    ASSERT_EQ(data.waypoints.size(), 1u) << "waypoints were kept line by line";
    EXPECT_EQ(data.waypoints[0].name, "0001");
    EXPECT_TRUE(data.routes.empty());
}

TEST(Series6Reader, RoutesSplitWhereTheNumberIsNotThePreviousPlusOne) {
    struct Case {
        std::vector<std::string> names;
        std::vector<std::size_t> routes;
    };
    const std::vector<Case> cases = {
        {{"0001", "0002", "0003", "0005", "0006"}, {3, 2}},
        {{"0001", "0003"}, {1, 1}},
        {{"ABCD", "WXYZ", "ABCD"}, {1, 1, 1}}, // no digits: 0 is never 0 + 1
        {{"0009", "0010", "0011"}, {3}},
        {{"0003", "0002", "0001"}, {1, 1, 1}},
        {{"0000", "0001", "00023", "0003"}, {4}}, // "00023" is cut to "0002"
        {{"0001", "0001"}, {1, 1}},
        {{"0005"}, {1}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> lines;
        for (const std::string& name : c.names) {
            lines.push_back(routeLine(name));
        }
        const Series6Data data = readBytesAsSeries6(sectionBytes("$RUT", lines));
        EXPECT_EQ(pointCounts(data.routes), c.routes) << c.names.front() << "...";
    }
}

TEST(Series6Reader, RoutePointsKeepNameCodeAndPosition) {
    const Series6Data data =
        readBytesAsSeries6(sectionBytes("$RUT", {"$0002,C0,34D12.345N,135D06.500E", "$0003,1f"}));
    ASSERT_EQ(data.routes.size(), 1u);
    const Series6RoutePoint& first = data.routes[0].points[0];
    EXPECT_EQ(first.name, "0002");
    EXPECT_EQ(first.pointCode, 192);
    EXPECT_NEAR(first.latitude, kLat, 1e-9);
    EXPECT_NEAR(first.longitude, kLon, 1e-9);
    EXPECT_EQ(data.routes[0].points[1].pointCode, 0x1F);
}

TEST(Series6Reader, TrackRunsFollowTheirCodes) {
    struct Case {
        std::vector<int> codes;
        std::vector<std::size_t> tracks;
        std::vector<std::vector<int>> storedCodes;
    };
    const std::vector<Case> cases = {
        {{3, 3, 3, 0, 3, 3, 0}, {4, 3}, {{3, 3, 3, 0}, {3, 3, 0}}},
        {{0, 0, 0, 2, 2, 0}, {3, 3}, {{0, 0, 0}, {2, 2, 0}}},
        {{3, 3}, {2}, {{3, 0}}}, // closed by "$END": the last code becomes 0
        {{0, 0}, {2}, {{0, 0}}},
        {{0, 5, 0, 0, 0, 6}, {1, 2, 2, 1}, {{0}, {5, 0}, {0, 0}, {6}}},
        {{0, 0, 4, 0, 4}, {2, 2, 1}, {{0, 0}, {4, 0}, {4}}},
        {{1, 2, 0}, {3}, {{1, 2, 0}}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> lines;
        for (int code : c.codes) {
            lines.push_back(trackLine(code));
        }
        const Series6Data data = readBytesAsSeries6(sectionBytes("$TRK", lines));
        ASSERT_EQ(pointCounts(data.tracks), c.tracks) << "case starting " << c.codes.front();
        // A run of code-0 points that "$END" closes keeps code 0; the last case's final
        // single point is closed by "$END" and so gets 0.
        for (std::size_t t = 0; t < data.tracks.size(); ++t) {
            std::vector<int> codes;
            for (const Series6TrackPoint& point : data.tracks[t].points) {
                codes.push_back(point.trackCode);
            }
            std::vector<int> expected = c.storedCodes[t];
            if (t + 1 == data.tracks.size()) {
                expected.back() = 0;
            }
            EXPECT_EQ(codes, expected);
        }
    }
}

TEST(Series6Reader, UnfinishedSectionsAtTheEndOfTheFileAreDropped) {
    const std::string tail = trackLine(3) + "\r\n" + trackLine(3) + "\r\n";
    const Series6Data tracks = readBytesAsSeries6("$TRK\r\n" + tail + "\x1A");
    EXPECT_TRUE(tracks.tracks.empty());
    const Series6Data closedRunThenOpen =
        readBytesAsSeries6("$TRK\r\n" + trackLine(2) + "\r\n" + trackLine(0) + "\r\n" + tail);
    EXPECT_EQ(pointCounts(closedRunThenOpen.tracks), (std::vector<std::size_t>{2}));
    const Series6Data routes =
        readBytesAsSeries6("$RUT\r\n" + routeLine("0001") + "\r\n" + routeLine("0003") + "\r\n");
    EXPECT_EQ(pointCounts(routes.routes), (std::vector<std::size_t>{1}))
        << "the route split off by the gap stays, the open one is dropped";
    const Series6Data boundaries =
        readBytesAsSeries6("$BND\r\n$04,000,80," + std::string(kPos) + "\r\n");
    EXPECT_TRUE(boundaries.boundaries.empty());
}

TEST(Series6Reader, BoundariesEndAtTheHexCodeC0) {
    const Series6Data data = readBytesAsSeries6(sectionBytes(
        "$BND", {"$04,000,80,34D12.345N,135D06.500E", "$04,001,80," + std::string(kPos),
                 "$03,002,C0," + std::string(kPos), "$05,000,80," + std::string(kPos),
                 "$06,001,192," + std::string(kPos), "$07,002,80," + std::string(kPos)}));
    ASSERT_EQ(pointCounts(data.boundaries), (std::vector<std::size_t>{3, 3}));
    EXPECT_EQ(data.boundaries[0].colourIndex, 3) << "the colour of the last line counts";
    EXPECT_EQ(data.boundaries[0].points[2].pointCode, 0xC0);
    EXPECT_NEAR(data.boundaries[0].points[0].latitude, kLat, 1e-9);
    EXPECT_EQ(data.boundaries[1].colourIndex, 7);
    EXPECT_EQ(data.boundaries[1].points[1].pointCode, 0x192) << "\"192\" is hexadecimal";
    EXPECT_EQ(data.boundaries[1].points[2].pointCode, 0xC0) << "\"$END\" closes with C0";
}

TEST(Series6Reader, BoundaryColourFromAnEmptyFieldIsZeroAndRenewedAfterwards) {
    const Series6Data data =
        readBytesAsSeries6(sectionBytes("$BND", {",000,80", "$,001,C0", "$$END", "$02,000,C0"}));
    // ",000,80" has no '$' and is ignored; "$$END" is a data line with empty fields.
    ASSERT_EQ(pointCounts(data.boundaries), (std::vector<std::size_t>{1, 2}));
    EXPECT_EQ(data.boundaries[0].colourIndex, 0);
    EXPECT_EQ(data.boundaries[1].colourIndex, 2);
    EXPECT_EQ(data.boundaries[1].points[0].pointCode, 0x80);
}

TEST(Series6Reader, SeveralSectionsInOneFileAndLfLineEnds) {
    const Series6Data data =
        readBytesAsSeries6("$RUT\n$0001,C0,,\n$END\n$NRM\n$0001,10,,,\n$END\n$TRK\n$01,,\n$END\n"
                           "$BND\n$02,000,C0,,\n$END\n");
    EXPECT_EQ(data.waypoints.size(), 1u);
    EXPECT_EQ(data.routes.size(), 1u);
    EXPECT_EQ(data.tracks.size(), 1u);
    EXPECT_EQ(data.boundaries.size(), 1u);
}

TEST(Series6Reader, RecordsBeyondCapacityAreDroppedAndTheResultStaysZero) {
    std::string bytes = "$NRM\r\n";
    for (int i = 1; i <= 4001; ++i) {
        bytes += "$" + std::to_string(i) + ",82," + kPos + ",\r\n";
    }
    bytes += "$END\r\n$RUT\r\n";
    for (int i = 1; i <= 101; ++i) { // one run of 101 consecutive numbers
        bytes += routeLine(std::to_string(i)) + "\r\n";
    }
    for (int i = 0; i < 100; ++i) { // 100 more single-point routes
        bytes += routeLine("X") + "\r\n";
    }
    bytes += "$END\r\n$BND\r\n";
    for (int i = 0; i < 201; ++i) {
        bytes += "$01,000,80,,\r\n";
    }
    bytes += "$END\r\n\x1A";
    const Series6Data data = readBytesAsSeries6(bytes);
    ASSERT_EQ(data.waypoints.size(), 4000u);
    EXPECT_EQ(data.waypoints.back().name, "4000");
    ASSERT_EQ(data.routes.size(), 100u);
    EXPECT_EQ(data.routes[0].points.size(), 100u);
    EXPECT_EQ(data.routes[0].points.back().name, "100");
    ASSERT_EQ(data.boundaries.size(), 1u);
    EXPECT_EQ(data.boundaries[0].points.size(), 200u);
}

TEST(Series6Reader, TrackTableAndTrackPointsStopAtCapacity) {
    std::string bytes = "$TRK\n";
    for (int i = 0; i < 8001; ++i) {
        bytes += "$01,,\n";
    }
    bytes += "$00,,\n";
    for (int i = 0; i < 8000; ++i) {
        bytes += "$02,,\n$00,,\n";
    }
    bytes += "$END\n";
    const Series6Data data = readBytesAsSeries6(bytes);
    ASSERT_EQ(data.tracks.size(), 8000u);
    EXPECT_EQ(data.tracks[0].points.size(), 8000u);
    EXPECT_EQ(data.tracks[1].points.size(), 2u);
}

TEST(Series6Reader, HostileBytesNeverFailTheRead) {
    std::string binary;
    for (int i = 0; i < 4096; ++i) {
        const char c = static_cast<char>((i * 37) & 0xFF);
        binary.push_back(c == 0x1A ? '$' : c);
    }
    const std::string megabyteLine = "$NRM\n$" + std::string(1 << 20, 'A') + "\n$END\n";
    const std::vector<std::string> inputs = {
        "",
        "\x1A",
        "$NRM",
        "$NRM\n$0001\0,82,,,\n$END\n"s,
        binary,
        megabyteLine,
        "$TRK\n" + std::string(300, ',') + "\n$END\n",
        "$RUT\n$" + std::string(100000, '9') + ",C0\n$END\n",
    };
    for (const std::string& input : inputs) {
        const Series6Data data = readBytesAsSeries6(input);
        EXPECT_LE(data.waypoints.size(), kSeries6MaxWaypoints);
    }
    // A megabyte line is read in pieces of 255 bytes: each piece that begins with '$' (only
    // the first) is a waypoint.
    EXPECT_EQ(readBytesAsSeries6(megabyteLine).waypoints.size(), 1u);
}

TEST(Series6Reader, LongLinesAreReadAsSeveralLines) {
    const std::string line = "$" + std::string(254, 'A') + "$0002,82,34D12.345N,135D06.500E,";
    const Series6Data data = readBytesAsSeries6("$NRM\r\n" + line + "\r\n$END\r\n");
    ASSERT_EQ(data.waypoints.size(), 2u);
    EXPECT_EQ(data.waypoints[0].name, "AAAA");
    EXPECT_EQ(data.waypoints[1].name, "0002");
    EXPECT_NEAR(data.waypoints[1].latitude, kLat, 1e-9);
}

TEST(Series6Reader, NulByteEndsTheTextOfItsLine) {
    const Series6Data data = readBytesAsSeries6("$NRM\n$00\0"
                                                "01,5,,,\n$END\n"s);
    ASSERT_EQ(data.waypoints.size(), 1u);
    EXPECT_EQ(data.waypoints[0].name, "00");
    EXPECT_EQ(data.waypoints[0].symbol, 82);
}

// --- writer -------------------------------------------------------------------------------

TEST(Series6Writer, WaypointSectionByteForByte) {
    Series6Data data;
    data.waypoints.push_back({"0001", 82, kLat, kLon});
    data.waypoints.push_back({"0002", 5, -0.5, -180.0});
    data.waypoints.push_back({"0003", 123, 91.0, 180.5}); // refused by the codecs: empty
    data.waypoints.push_back({"0004", -7, 0.0, 0.0});
    EXPECT_EQ(writtenSection(data, Series6Waypoints), "$NRM\r\n"
                                                      "$0001,82,34D12.345N,135D06.500E,\r\n"
                                                      "$0002,05,0D30.000S,180D00.000W,\r\n"
                                                      "$0003,123,,,\r\n"
                                                      "$0004,-7,0D00.000N,0D00.000E,\r\n"
                                                      "$END\r\n\x1A");
}

TEST(Series6Writer, RouteSectionByteForByte) {
    Series6Data data;
    data.routes.push_back({{{"0001", 0xC0, kLat, kLon}, {"0002", 0xC0, kLat, kLon}}});
    data.routes.push_back({{{"0004", 0x0A, 1.0, 2.0}}});
    EXPECT_EQ(writtenSection(data, Series6Routes), "$RUT\r\n"
                                                   "$0001,C0,34D12.345N,135D06.500E\r\n"
                                                   "$0002,C0,34D12.345N,135D06.500E\r\n"
                                                   "$0004,0A,1D00.000N,2D00.000E\r\n"
                                                   "$END\r\n\x1A");
}

TEST(Series6Writer, TrackSectionByteForByte) {
    Series6Data data;
    data.tracks.push_back({{{1, kLat, kLon}, {0, kLat, kLon}}});
    data.tracks.push_back({{{12, -1.5, -2.25}}});
    EXPECT_EQ(writtenSection(data, Series6Tracks), "$TRK\r\n"
                                                   "$01,34D12.345N,135D06.500E\r\n"
                                                   "$00,34D12.345N,135D06.500E\r\n"
                                                   "$12,1D30.000S,2D15.000W\r\n"
                                                   "$END\r\n\x1A");
}

TEST(Series6Writer, BoundarySectionNumbersPointsPerBoundaryInHex) {
    Series6Data data;
    data.boundaries.push_back({4, {{0x80, kLat, kLon}, {0xC0, kLat, kLon}}});
    data.boundaries.push_back({1, {{0xC0, 1.0, 1.0}}});
    EXPECT_EQ(writtenSection(data, Series6Boundaries), "$BND\r\n"
                                                       "$04,000,80,34D12.345N,135D06.500E\r\n"
                                                       "$04,001,C0,34D12.345N,135D06.500E\r\n"
                                                       "$01,000,C0,1D00.000N,1D00.000E\r\n"
                                                       "$END\r\n\x1A");
}

TEST(Series6Writer, EmptyKindOrUnknownSelectorWritesOnlyTheEndMark) {
    Series6Data data;
    data.waypoints.push_back({"0001", 82, 0.0, 0.0});
    for (int kind : {1, 2, 3, 4, -1}) {
        EXPECT_EQ(writtenSection(data, kind), "\x1A") << kind;
    }
}

TEST(Series6Writer, FailedWriteEndsTheSectionWithOne) {
    if (!std::filesystem::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full";
    }
    Series6Data data;
    data.waypoints.resize(4000, Series6Waypoint{"0001", 82, kLat, kLon});
    OutputFile file;
    ASSERT_EQ(file.create("/dev/full"), kOk);
    EXPECT_EQ(writeSeries6Section(&file, &data, Series6Waypoints), 1);
    EXPECT_EQ(file.close(), 1);
}

TEST(Series6Writer, WrittenSectionsReadBackAsTheSameRecords) {
    Series6Data data;
    data.waypoints.push_back({"0001", 82, kLat, kLon});
    data.waypoints.push_back({"0002", 82, -12.5, -170.25});
    data.routes.push_back({{{"0001", 0xC0, 1.0, 1.0}, {"0002", 0xC0, 2.0, 2.0}}});
    data.routes.push_back({{{"0004", 0xC0, 3.0, 3.0}}});
    data.tracks.push_back({{{3, 1.0, 1.0}, {3, 2.0, 2.0}, {0, 3.0, 3.0}}});
    data.tracks.push_back({{{0, 4.0, 4.0}, {0, 5.0, 5.0}}});
    data.tracks.push_back({{{5, 6.0, 6.0}, {0, 7.0, 7.0}}});
    data.boundaries.push_back({4, {{0x80, 1.0, 1.0}, {0x80, 2.0, 2.0}, {0xC0, 3.0, 3.0}}});
    data.boundaries.push_back({6, {{0x80, 4.0, 4.0}, {0xC0, 5.0, 5.0}}});

    std::string all;
    for (int kind = 0; kind < 4; ++kind) {
        std::string section = writtenSection(data, kind);
        ASSERT_EQ(section.back(), '\x1A');
        section.pop_back();
        all += section;
    }
    const Series6Data back = readBytesAsSeries6(all);
    ASSERT_EQ(back.waypoints.size(), 2u);
    EXPECT_EQ(back.waypoints[1].name, "0002");
    EXPECT_NEAR(back.waypoints[1].longitude, -170.25, 1e-9);
    EXPECT_EQ(pointCounts(back.routes), (std::vector<std::size_t>{2, 1}));
    EXPECT_EQ(pointCounts(back.tracks), (std::vector<std::size_t>{3, 2, 2}));
    EXPECT_EQ(pointCounts(back.boundaries), (std::vector<std::size_t>{3, 2}));
    EXPECT_EQ(back.boundaries[0].colourIndex, 4);
    EXPECT_EQ(back.boundaries[1].colourIndex, 6);
    EXPECT_EQ(back.boundaries[1].points[0].pointCode, 0x80);
}

} // namespace
} // namespace velmar::test
