#pragma once
// Proleptic Gregorian calendar arithmetic in UTC, independent of the C library and time zones.

#include <cstdint>

namespace velmar {

struct CivilTime {
    int hour = 0;
    int minute = 0;
    int second = 0;
    int day = 1;
    int month = 1;
    int year = 1970;
    friend bool operator==(const CivilTime&, const CivilTime&) = default;
};

// Days from 1970-01-01 to the given date; months outside 1..12 roll into neighbouring years.
std::int64_t daysFromCivil(std::int64_t year, std::int64_t month, std::int64_t day);
// Seconds since 1970-01-01 00:00:00 of the calendar time (fields outside their ranges carry).
std::int64_t secondsFromCivil(const CivilTime& time);
// The calendar time of seconds since 1970-01-01 00:00:00.
CivilTime civilFromSeconds(std::int64_t seconds);

} // namespace velmar
