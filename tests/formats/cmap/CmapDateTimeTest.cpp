#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "formats/cmap/CmapXml.h"

namespace velmar {
namespace {

struct DateTimeCase {
    std::int32_t seconds;
    CmapDateTime time;
    friend void PrintTo(const DateTimeCase& c, std::ostream* os) { *os << c.seconds; }
};

class DateTimeBothWays : public ::testing::TestWithParam<DateTimeCase> {};

TEST_P(DateTimeBothWays, EncodesAndDecodes) {
    const DateTimeCase& c = GetParam();
    EXPECT_EQ(encodeDateTime(c.time), c.seconds);
    EXPECT_EQ(encodeDateTime(c.time.hour, c.time.minute, c.time.second, c.time.day, c.time.month,
                             c.time.year),
              c.seconds);
    CmapDateTime decoded{9, 9, 9, 9, 9, 9};
    ASSERT_EQ(decodeDateTime(c.seconds, &decoded), kOk);
    EXPECT_EQ(decoded, c.time);
}

INSTANTIATE_TEST_SUITE_P(UtcCalendar, DateTimeBothWays,
                         ::testing::Values(DateTimeCase{0, {0, 0, 0, 1, 1, 1970}},
                                           DateTimeCase{86400, {0, 0, 0, 2, 1, 1970}},
                                           DateTimeCase{86399, {23, 59, 59, 1, 1, 1970}},
                                           DateTimeCase{1331812800, {12, 0, 0, 15, 3, 2012}},
                                           DateTimeCase{951782400,
                                                        {0, 0, 0, 29, 2, 2000}}, // a leap day
                                           DateTimeCase{978307199, {23, 59, 59, 31, 12, 2000}},
                                           DateTimeCase{2147483647, {3, 14, 7, 19, 1, 2038}}));

TEST(DateTime, FieldsOutsideTheirRangesCarryIntoTheNextOnes) {
    // Month 13 of 2011 is January 2012; 24:00 is midnight of the next day; day 0 the last of the
    // month before.
    EXPECT_EQ(encodeDateTime(0, 0, 0, 1, 13, 2011), encodeDateTime(0, 0, 0, 1, 1, 2012));
    EXPECT_EQ(encodeDateTime(24, 0, 0, 14, 3, 2012), encodeDateTime(0, 0, 0, 15, 3, 2012));
    EXPECT_EQ(encodeDateTime(0, 0, 0, 0, 3, 2012), encodeDateTime(0, 0, 0, 29, 2, 2012));
    EXPECT_EQ(encodeDateTime(0, 0, -1, 1, 1, 1970), -1);
    // Beyond 2038 the low 32 bits are kept: 2106-02-07 06:28:16 is 2^32 seconds.
    EXPECT_EQ(encodeDateTime(6, 28, 16, 7, 2, 2106), 0);
    EXPECT_EQ(encodeDateTime(3, 14, 8, 19, 1, 2038), std::numeric_limits<std::int32_t>::min());
}

TEST(DateTime, NegativeSecondsLeaveTheFieldsAsTheyWere) {
    CmapDateTime time{1, 2, 3, 4, 5, 2006};
    EXPECT_EQ(decodeDateTime(-1, &time), kBadArgument);
    EXPECT_EQ(decodeDateTime(std::numeric_limits<std::int32_t>::min(), &time), kBadArgument);
    EXPECT_EQ(time, (CmapDateTime{1, 2, 3, 4, 5, 2006}));
    EXPECT_EQ(decodeDateTime(0, nullptr), kBadArgument);
}

TEST(DateTime, TheMachinesTimeZoneDoesNotMatter) {
    const char* old = std::getenv("TZ");
    const std::string saved = old ? old : "";
    ::setenv("TZ", "JST-9", 1);
    ::tzset();
    const std::int32_t seconds = encodeDateTime(12, 0, 0, 15, 3, 2012);
    CmapDateTime time;
    decodeDateTime(1331812800, &time);
    if (old) {
        ::setenv("TZ", saved.c_str(), 1);
    } else {
        ::unsetenv("TZ");
    }
    ::tzset();
    EXPECT_EQ(seconds, 1331812800);
    EXPECT_EQ(time, (CmapDateTime{12, 0, 0, 15, 3, 2012}));
}

} // namespace
} // namespace velmar
