#pragma once
// Record dates in GPX: a valid calendar date travels as the UTC midnight of its day in <time>
// (xsd:dateTime); any other date (a record read from a file with a broken date field) as the
// three numbers "year-month-day" in our extension.

#include <string>
#include <string_view>

#include "core/FieldCodecs.h"

namespace velmar::gpx {

// True for a date of the years 1..9999 that the calendar has (no 31 April, no 29 February
// outside leap years).
bool isCalendarDate(const RecordDate& date);
// "YYYY-MM-DDT00:00:00Z"; only for calendar dates.
void appendDateTime(std::string& out, const RecordDate& date);
// The UTC date of an xsd:dateTime ("2024-06-12T23:30:00-02:00" is 13 June) or of an xsd:date;
// false when the text is neither.
bool readDateTime(std::string_view text, RecordDate* date);

// "year-month-day", each number as it stands (months and days in at least two digits).
void appendDateText(std::string& out, const RecordDate& date);
bool readDateText(std::string_view text, RecordDate* date);

} // namespace velmar::gpx
