#include "formats/gpx/GpxDates.h"

#include <charconv>

#include "core/Calendar.h"
#include "core/Text.h"

namespace velmar::gpx {

namespace {

bool isLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

// Reads exactly `digits` decimal digits (at least `digits` when `more` is true).
bool readDigits(std::string_view& text, int digits, bool more, int* value) {
    std::size_t count = 0;
    *value = 0;
    while (count < text.size() && text[count] >= '0' && text[count] <= '9' &&
           (more || count < static_cast<std::size_t>(digits)) && count < 9) {
        *value = *value * 10 + (text[count] - '0');
        ++count;
    }
    if (count < static_cast<std::size_t>(digits)) {
        return false;
    }
    text.remove_prefix(count);
    return true;
}

bool take(std::string_view& text, char c) {
    if (text.empty() || text.front() != c) {
        return false;
    }
    text.remove_prefix(1);
    return true;
}

bool readSigned(std::string_view& text, std::int32_t* value) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *value);
    if (ec != std::errc()) {
        return false;
    }
    text.remove_prefix(static_cast<std::size_t>(end - text.data()));
    return true;
}

std::string_view trimmed(std::string_view text) {
    const auto space = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && space(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && space(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

} // namespace

bool isCalendarDate(const RecordDate& date) {
    return date.year >= 1 && date.year <= 9999 && date.month >= 1 && date.month <= 12 &&
           date.day >= 1 && date.day <= daysInMonth(date.year, date.month);
}

void appendDateTime(std::string& out, const RecordDate& date) {
    appendInt(out, date.year, 4);
    out.push_back('-');
    appendInt(out, date.month, 2);
    out.push_back('-');
    appendInt(out, date.day, 2);
    out.append("T00:00:00Z");
}

bool readDateTime(std::string_view text, RecordDate* date) {
    text = trimmed(text);
    CivilTime t;
    if (!readDigits(text, 4, true, &t.year) || !take(text, '-') ||
        !readDigits(text, 2, false, &t.month) || !take(text, '-') ||
        !readDigits(text, 2, false, &t.day)) {
        return false;
    }
    if (!isCalendarDate({t.day, t.month, t.year})) {
        return false;
    }
    std::int64_t offset = 0;
    if (!text.empty() && (text.front() == 'T' || text.front() == ' ')) {
        text.remove_prefix(1);
        if (!readDigits(text, 2, false, &t.hour) || !take(text, ':') ||
            !readDigits(text, 2, false, &t.minute) || !take(text, ':') ||
            !readDigits(text, 2, false, &t.second) || t.hour > 24 || t.minute > 59 ||
            t.second > 60) {
            return false;
        }
        if (take(text, '.')) { // fractions of a second do not change the date
            while (!text.empty() && text.front() >= '0' && text.front() <= '9') {
                text.remove_prefix(1);
            }
        }
    }
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        const int sign = text.front() == '-' ? -1 : 1;
        text.remove_prefix(1);
        int hours = 0;
        int minutes = 0;
        if (!readDigits(text, 2, false, &hours)) {
            return false;
        }
        take(text, ':');
        if (!text.empty() && !readDigits(text, 2, false, &minutes)) {
            return false;
        }
        offset = sign * (hours * 3600 + minutes * 60);
    } else {
        take(text, 'Z');
    }
    if (!text.empty()) {
        return false;
    }
    const CivilTime utc = civilFromSeconds(secondsFromCivil(t) - offset);
    *date = RecordDate{utc.day, utc.month, utc.year};
    return true;
}

void appendDateText(std::string& out, const RecordDate& date) {
    appendInt(out, date.year);
    out.push_back('-');
    appendInt(out, date.month, 2);
    out.push_back('-');
    appendInt(out, date.day, 2);
}

bool readDateText(std::string_view text, RecordDate* date) {
    text = trimmed(text);
    RecordDate d;
    if (!readSigned(text, &d.year) || !take(text, '-') || !readSigned(text, &d.month) ||
        !take(text, '-') || !readSigned(text, &d.day) || !text.empty()) {
        return false;
    }
    *date = d;
    return true;
}

} // namespace velmar::gpx
