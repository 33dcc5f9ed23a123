#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "core/Calendar.h"
#include "core/Clock.h"
#include "core/Text.h"

namespace velmar {
namespace {

TEST(Text, NumbersFollowCPrefixRules) {
    EXPECT_EQ(parseDecimal("  42abc"), 42);
    EXPECT_EQ(parseDecimal("-17"), -17);
    EXPECT_EQ(parseDecimal("+8"), 8);
    EXPECT_EQ(parseDecimal("abc"), 0);
    EXPECT_EQ(parseDecimal(""), 0);
    EXPECT_EQ(parseDecimal("4294967297"), 1); // the low 32 bits
    EXPECT_EQ(parseHex("0x1F"), 0x1Fu);
    EXPECT_EQ(parseHex("1f"), 0x1Fu);
    EXPECT_EQ(parseHex("0x"), 0u);
    EXPECT_EQ(parseHex("zz"), 0u);
    EXPECT_EQ(parseHex("-1"), 0xFFFFFFFFu);
    for (const char* text :
         {"12.5", " -3.25e2x", ".5", "-.5", "1e400", "0x10", "inf", "abc", "7.", "+2"}) {
        EXPECT_EQ(parseNumber(text), std::strtod(text, nullptr)) << text;
    }
}

// Integers read as strtol reads them, held at the signed 64-bit limits, then their low 32 bits.
TEST(Text, IntegersReadAsStrtolDoes) {
    for (const char* text :
         {"9223372036854775807", "9223372036854775808", "-9223372036854775808",
          "-9223372036854775809", "18446744073709551615", "-18446744073709551615",
          "18446744073709551616", "99999999999999999999", "-99999999999999999999",
          "1234567890123456789", "-1234567890123456789", "  +4294967297x"}) {
        EXPECT_EQ(parseDecimal(text), static_cast<std::int32_t>(std::strtol(text, nullptr, 10)))
            << text;
    }
    for (const char* text :
         {"8000000000000000", "7FFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "-8000000000000000",
          "-8000000000000001", "0x123456789ABCDEF0", "00000000000000000000000000ff"}) {
        EXPECT_EQ(parseHex(text), static_cast<std::uint32_t>(std::strtol(text, nullptr, 16)))
            << text;
    }
}

TEST(Text, FieldTextsReplaceWhatWouldBreakThem) {
    std::string out;
    appendFieldText(out, std::string_view("a,b*$\r\n\0c", 9), ",*$", ";??");
    EXPECT_EQ(out, "a;b??   c");
}

TEST(Text, NumberTextsMatchPrintf) {
    struct Case {
        long long value;
        int width;
        char pad;
    };
    for (const Case c : {Case{5, 3, '0'}, Case{-5, 3, '0'}, Case{1234, 3, '0'}, Case{7, 2, ' '},
                         Case{-1, 4, ' '}, Case{12, 2, ' '}, Case{0, 5, '0'}}) {
        std::string out;
        appendInt(out, c.value, c.width, c.pad);
        char expected[32];
        std::snprintf(expected, sizeof expected, c.pad == '0' ? "%0*lld" : "%*lld", c.width,
                      c.value);
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

TEST(Text, CutsAtWidthAndNul) {
    EXPECT_EQ(cutText("Harbour", 6), "Harbou");
    EXPECT_EQ(cutText(std::string_view("AB\0CD", 5), 4), "AB");
    std::string target = "old";
    copyText(target, "", 5);
    EXPECT_EQ(target, "");
}

TEST(Calendar, RoundTripsAndKnownDates) {
    EXPECT_EQ(daysFromCivil(1970, 1, 1), 0);
    EXPECT_EQ(secondsFromCivil(CivilTime{12, 0, 0, 15, 3, 2012}), 1331812800);
    EXPECT_EQ(daysFromCivil(2013, 1, 1), daysFromCivil(2012, 13, 1)); // 13th month carries
    const CivilTime t = civilFromSeconds(86400);
    EXPECT_EQ(t.day, 2);
    EXPECT_EQ(t.month, 1);
    EXPECT_EQ(t.year, 1970);
    for (std::int64_t s = -100000000; s < 4000000000LL; s += 9876543) {
        EXPECT_EQ(secondsFromCivil(civilFromSeconds(s)), s);
    }
}

TEST(Clock, IsInjectableAndUtc) {
    const ScopedClock clock(1331812800 + 3600 + 61); // 15 March 2012, 13:01:01 UTC
    int d = 0, m = 0, y = 0, h = 0, mi = 0, s = 0;
    EXPECT_EQ(todayDate(&d, &m, &y), kOk);
    EXPECT_EQ(timeOfDay(&h, &mi, &s), kOk);
    EXPECT_EQ(d, 15);
    EXPECT_EQ(m, 3);
    EXPECT_EQ(y, 2012);
    EXPECT_EQ(h, 13);
    EXPECT_EQ(mi, 1);
    EXPECT_EQ(s, 1);
}

} // namespace
} // namespace velmar
