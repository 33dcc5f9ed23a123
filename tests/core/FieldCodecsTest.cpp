#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <tuple>

#include "core/Calendar.h"
#include "core/Clock.h"
#include "core/FieldCodecs.h"
#include "core/FieldReader.h"
#include "core/Text.h"

namespace velmar {
namespace {

std::string lat(double v, int style) {
    std::string out = "untouched";
    EXPECT_EQ(formatLatitude(v, &out, style), kOk) << v;
    return out;
}

std::string lon(double v, int style) {
    std::string out = "untouched";
    EXPECT_EQ(formatLongitude(v, &out, style), kOk) << v;
    return out;
}

TEST(FieldCodecs, FormatsCoordinatesInEveryStyle) {
    const std::tuple<double, bool, int, const char*> cases[] = {
        // value, latitude?, style, text
        // Latitudes in the other two styles are printf's (below).
        {34.20575, true, NmeaFields, "3412.345,N"},
        {-135.1083333333, false, NmeaFields, "13506.500,W"},
        {-135.1083333333, false, DegreeLetter, "135D06.500W"},
        {135.1083333333, false, Spaced, "135 06.500 E"},
        {0.0, true, DegreeLetter, "0D00.000N"},
        {0.0, false, NmeaFields, "00000.000,E"},
        // Minutes that print as 60.000 carry into the degrees, in every style.
        {34.99999999, true, DegreeLetter, "35D00.000N"},
        {-(157 + 59.99996 / 60), false, DegreeLetter, "158D00.000W"},
        {-(157 + 59.99996 / 60), false, NmeaFields, "15800.000,W"},
        {89 + 59.99996 / 60, true, Spaced, "90 00.000 N"},
        {179.99999999, false, Spaced, "180 00.000 E"},
        {157 + 59.9994 / 60, false, DegreeLetter, "157D59.999E"},
        {90.0, true, DegreeLetter, "90D00.000N"},
        {-90.0, true, Spaced, "90 00.000 S"},
        {180.0, false, DegreeLetter, "180D00.000E"},
        {-180.0, false, NmeaFields, "18000.000,W"},
        {5.0, true, NmeaFields, "0500.000,N"},
    };
    for (const auto& [value, latitude, style, text] : cases) {
        EXPECT_EQ(latitude ? lat(value, style) : lon(value, style), text) << value;
    }
}

TEST(FieldCodecs, MatchesPrintfByteForByte) {
    std::mt19937_64 random(42);
    std::uniform_real_distribution<double> latitudes(-90.0, 90.0);
    for (int i = 0; i < 20000; ++i) {
        const double v = latitudes(random);
        const double a = std::fabs(v);
        const int d = static_cast<int>(a);
        char expected[64];
        std::snprintf(expected, sizeof expected, "%dD%06.3f%c", d, (a - d) * 60.0,
                      v < 0 ? 'S' : 'N');
        ASSERT_EQ(lat(v, DegreeLetter), expected);
        std::snprintf(expected, sizeof expected, "%02d %06.3f %c", d, (a - d) * 60.0,
                      v < 0 ? 'S' : 'N');
        ASSERT_EQ(lat(v, Spaced), expected);
    }
}

TEST(FieldCodecs, RefusesOutOfRangeValuesAndStyles) {
    std::string out = "kept";
    EXPECT_EQ(formatLatitude(91.0, &out, DegreeLetter), kBadArgument);
    EXPECT_EQ(formatLatitude(-90.0000001, &out, DegreeLetter), kBadArgument);
    EXPECT_EQ(formatLongitude(180.5, &out, DegreeLetter), kBadArgument);
    EXPECT_EQ(formatLatitude(std::nan(""), &out, DegreeLetter), kBadArgument);
    EXPECT_EQ(formatLatitude(10.0, &out, 3), kBadArgument);
    EXPECT_EQ(formatLatitude(10.0, &out, -1), kBadArgument);
    EXPECT_EQ(formatLatitude(10.0, nullptr, 1), kBadArgument);
    EXPECT_EQ(out, "kept");
    std::string field;
    appendLatitude(field, 95.0, DegreeLetter);
    appendLongitude(field, std::numeric_limits<double>::infinity(), DegreeLetter);
    EXPECT_EQ(field, "");
}

TEST(FieldCodecs, ParsesLayoutsByMarkerPositions) {
    const std::tuple<const char*, bool, int, double> cases[] = {
        // text, latitude?, style, value
        {"34D12.345N", true, DegreeLetter, 34.20575},
        {"5D30.000S", true, DegreeLetter, -5.5},
        {"345D12.345N", true, DegreeLetter, 0.0}, // no layout matches
        {"34D12.345", true, DegreeLetter, 0.0},
        {"", true, DegreeLetter, 0.0},
        {"135D06.500W", false, DegreeLetter, -(135 + 6.5 / 60)},
        {"35D06.500E", false, DegreeLetter, 35 + 6.5 / 60},
        {"5D06.500E", false, DegreeLetter, 5 + 6.5 / 60},
        {"135 06.500 W", false, Spaced, -(135 + 6.5 * (1.0 / 60.0))},
        {"34 12.345 N", true, Spaced, 34 + 12.345 * (1.0 / 60.0)},
        {"4 12.345 S", true, Spaced, -(4 + 12.345 * (1.0 / 60.0))},
        {"34D12.345X", true, DegreeLetter, 0.0},
        {"ABDCD.EFGHN", true, DegreeLetter, 0.0}, // markers match, digits are not checked
    };
    double value = 99.0;
    for (const auto& [text, latitude, style, expected] : cases) {
        value = 99.0;
        const ResultCode r =
            latitude ? parseLatitude(text, style, &value) : parseLongitude(text, style, &value);
        EXPECT_EQ(r, kOk) << text;
        EXPECT_DOUBLE_EQ(value, expected) << text;
    }
    // degrees + minutes * (1.0/60.0), not minutes / 60.0: the last bit can differ.
    parseLatitude("34D12.345N", DegreeLetter, &value);
    EXPECT_EQ(value, 34.0 + 12.345 * (1.0 / 60.0));
    EXPECT_EQ(parseLatitude("34D12.345N", NmeaFields, &value), kBadArgument);
    EXPECT_EQ(parseLongitude("34D12.345N", 3, &value), kBadArgument);
    EXPECT_EQ(parseLatitude("34D12.345N", DegreeLetter, nullptr), kBadArgument);
}

TEST(FieldCodecs, PositionKeys) {
    EXPECT_EQ(positionKey(34.5), 3430000);
    EXPECT_EQ(positionKey(-0.25), -15000);
    EXPECT_EQ(positionKey(0.0), 0);
    EXPECT_EQ(positionKey(179.9999999), 17959999);
    std::int32_t key = 7;
    EXPECT_EQ(latitudeKey(91.0, &key), kBadArgument);
    EXPECT_EQ(key, 7);
    EXPECT_EQ(longitudeKey(-135.5, &key), kOk);
    EXPECT_EQ(key, -13530000);
    EXPECT_EQ(latitudeKey(1.0, nullptr), kBadArgument);
}

TEST(FieldCodecs, FieldReader) {
    const std::tuple<std::string_view, int, int, const char*> cases[] = {
        // line, index, width
        {"WPT1,,0A", 1, 63, ""},    {"WPT1,,0A", 2, 63, "0A"},
        {"WPT1,,0A", 5, 63, ""},    {"ABC*12", 0, 63, "ABC"},
        {"A,B*C,D", 1, 63, "B"},    {"A,B*C,D", 2, 63, "D"},
        {"A,B$C,D", 1, 63, "B"},    {"$A,B", 0, 63, ""},
        {"ABCDEFG,H", 0, 3, "ABC"}, {"", 0, 63, ""},
        {"A,", 1, 63, ""},          {"X,Y", 0, 63, "X"},
        {"A,B", -1, 63, ""},        {"A,B", 0, 0, ""},
        {{"A\0,B", 4}, 1, 63, ""}, // NUL ends
        {"A*,B*,C", 1, 63, "B"},    {"1234567890123456789,", 0, 17, "12345678901234567"},
    };
    for (const auto& [line, index, maximum, text] : cases) {
        EXPECT_EQ(FieldReader(line).field(index, maximum), text) << line << " " << index;
    }
    // Lines of many fields and stops.
    std::string line;
    for (int i = 0; i < 200; ++i) {
        line += std::to_string(i) + (i % 10 == 9 ? "*," : ",");
    }
    const FieldReader reader(line);
    for (int i : {0, 9, 63, 64, 65, 150, 199, 200, 201}) {
        EXPECT_EQ(reader.field(i), i < 200 ? std::to_string(i) : "") << i;
    }
}

TEST(FieldCodecs, PadField) {
    std::string out;
    for (const auto& [text, width, padded] :
         {std::tuple{"AB", 5, "AB000"}, {"ABCDEFG", 5, "ABCDE"}, {"", 0, ""}}) {
        EXPECT_EQ(padField(&out, text, width, '0'), kOk);
        EXPECT_EQ(out, padded);
    }
    EXPECT_EQ(padField(&out, "A", -1, ' '), kBadArgument);
    EXPECT_EQ(padField(nullptr, "A", 3, ' '), kBadArgument);
}

TEST(FieldCodecs, ColoursAndDates) {
    std::string text;
    appendHexColour(text, RgbColour{255, 0, 171});
    EXPECT_EQ(text, "FF00AB");
    EXPECT_EQ(parseHexColour("FF00AB"), (RgbColour{255, 0, 171}));
    EXPECT_EQ(parseHexColour("ff00ab"), (RgbColour{255, 0, 171}));
    EXPECT_EQ(parseHexColour("ZZZZZZ"), (RgbColour{0, 0, 0}));
    EXPECT_EQ(parseHexColour("12"), (RgbColour{0x12, 0, 0}));
    EXPECT_EQ(parseHexColour("123"), (RgbColour{0x12, 0x3, 0}));
    EXPECT_EQ(parseHexColour("1234567"), (RgbColour{0x12, 0x34, 0x56}));
    text.clear();
    appendCompactDate(text, RecordDate{5, 3, 2012});
    EXPECT_EQ(text, "20120305");
    EXPECT_EQ(parseCompactDate("20120305"), (RecordDate{5, 3, 2012}));
    EXPECT_EQ(parseCompactDate("2012"), (RecordDate{0, 0, 2012}));
    EXPECT_EQ(parseCompactDate("201203"), (RecordDate{0, 3, 2012}));
    EXPECT_EQ(parseCompactDate("abc"), (RecordDate{0, 0, 0}));
}

// Numbers read as strtod and strtol read their prefix; integers held at the signed 64-bit limits,
// then their low 32 bits.
TEST(Text, NumbersReadAsTheCLibraryReadsTheirPrefix) {
    for (const char* text :
         {"12.5", " -3.25e2x", ".5", "-.5", "1e400", "0x10", "inf", "abc", "7.", "+2"}) {
        EXPECT_EQ(parseNumber(text), std::strtod(text, nullptr)) << text;
    }
    for (const char* text :
         {"  42abc", "-17", "+8", "abc", "", "4294967297", "9223372036854775807",
          "9223372036854775808", "-9223372036854775808", "-9223372036854775809",
          "18446744073709551615", "-18446744073709551615", "18446744073709551616",
          "99999999999999999999", "-99999999999999999999", "1234567890123456789",
          "-1234567890123456789", "  +4294967297x"}) {
        EXPECT_EQ(parseDecimal(text), static_cast<std::int32_t>(std::strtol(text, nullptr, 10)))
            << text;
    }
    for (const char* text : {"0x1F", "1f", "0x", "zz", "-1", "8000000000000000", "7FFFFFFFFFFFFFFF",
                             "FFFFFFFFFFFFFFFF", "-8000000000000000", "-8000000000000001",
                             "0x123456789ABCDEF0", "00000000000000000000000000ff"}) {
        EXPECT_EQ(parseHex(text), static_cast<std::uint32_t>(std::strtol(text, nullptr, 16)))
            << text;
    }
    EXPECT_EQ(parseDecimal("4294967297"), 1); // the low 32 bits
}

TEST(Text, NumberTextsMatchPrintf) {
    for (const auto& [value, width, pad] : {std::tuple{5LL, 3, '0'},
                                            {-5LL, 3, '0'},
                                            {1234LL, 3, '0'},
                                            {7LL, 2, ' '},
                                            {-1LL, 4, ' '},
                                            {12LL, 2, ' '},
                                            {0LL, 5, '0'}}) {
        std::string out;
        appendInt(out, value, width, pad);
        char expected[32];
        std::snprintf(expected, sizeof expected, pad == '0' ? "%0*lld" : "%*lld", width, value);
        EXPECT_EQ(out, expected);
    }
    std::string hex;
    appendHex(hex, 0xAB);
    appendHex(hex, 5);
    appendHex(hex, 0x1234);
    EXPECT_EQ(hex, "AB051234");
    for (double v : {0.0, 0.05, 0.15, 0.25, -0.05, 123.456, 1e20, -2.5}) {
        std::string out;
        appendFixed(out, v, 1);
        char expected[64];
        std::snprintf(expected, sizeof expected, "%0.1f", v);
        EXPECT_EQ(out, expected) << v;
    }
}

TEST(Text, CutsAtWidthAndNulAndReplacesWhatWouldBreakAField) {
    EXPECT_EQ(cutText("Harbour", 6), "Harbou");
    EXPECT_EQ(cutText(std::string_view("AB\0CD", 5), 4), "AB");
    std::string target = "old";
    copyText(target, "", 5);
    EXPECT_EQ(target, "");
    appendFieldText(target, std::string_view("a,b*$\r\n\0c", 9), ",*$", ";??");
    EXPECT_EQ(target, "a;b??   c");
}

TEST(Calendar, RoundTripsAndKnownDates) {
    EXPECT_EQ(daysFromCivil(1970, 1, 1), 0);
    EXPECT_EQ(secondsFromCivil(CivilTime{12, 0, 0, 15, 3, 2012}), 1331812800);
    EXPECT_EQ(daysFromCivil(2013, 1, 1), daysFromCivil(2012, 13, 1)); // 13th month carries
    const CivilTime t = civilFromSeconds(86400);
    EXPECT_EQ(std::tuple(t.day, t.month, t.year), std::tuple(2, 1, 1970));
    for (std::int64_t s = -100000000; s < 4000000000LL; s += 9876543) {
        EXPECT_EQ(secondsFromCivil(civilFromSeconds(s)), s);
    }
}

TEST(Clock, IsInjectableAndUtc) {
    const ScopedClock clock(1331812800 + 3600 + 61); // 15 March 2012, 13:01:01 UTC
    int d = 0, m = 0, y = 0, h = 0, mi = 0, s = 0;
    EXPECT_EQ(todayDate(&d, &m, &y), kOk);
    EXPECT_EQ(timeOfDay(&h, &mi, &s), kOk);
    EXPECT_EQ(std::tuple(d, m, y, h, mi, s), std::tuple(15, 3, 2012, 13, 1, 1));
}

} // namespace
} // namespace velmar
