#include "core/FieldCodecs.h"

#include <algorithm>
#include <cmath>

#include "core/Text.h"

namespace velmar {

namespace {

bool validStyle(int style) {
    return style >= NmeaFields && style <= Spaced;
}

// Degrees and minutes of a coordinate, "%06.3f" for the minutes. Minutes that print as 60.000
// carry into the degrees, so 34.99999999 prints as 35 degrees 00.000 minutes and no device is
// sent 60 minutes. Writes at most kMaxCoordinateText bytes for a value in range.
char* putCoordinate(char* out, double value, int style, bool latitude) {
    const char hemisphere = latitude ? (value < 0 ? 'S' : 'N') : (value < 0 ? 'W' : 'E');
    const double a = std::fabs(value);
    int degrees = static_cast<int>(a);
    const double minutes = (a - degrees) * 60.0;
    std::int64_t thousandths = 0;
    // Below one minute the minutes are printed the general way (a short text, in the string
    // itself).
    std::string text;
    if (!scaledDecimal(minutes, 3, &thousandths)) {
        appendFixed(text, minutes, 3);
    } else if (thousandths == 60000) {
        ++degrees;
        thousandths = 0;
    }
    out = putInt(out, degrees, style == DegreeLetter ? 0 : (latitude ? 2 : 3));
    if (style == DegreeLetter) {
        *out++ = 'D';
    } else if (style == Spaced) {
        *out++ = ' ';
    }
    if (text.empty()) {
        out = putInt(out, thousandths / 1000, 2);
        *out++ = '.';
        out = putInt(out, thousandths % 1000, 3);
    } else {
        for (std::size_t i = text.size(); i < 6; ++i) {
            *out++ = '0';
        }
        out = std::copy(text.begin(), text.end(), out);
    }
    if (style == NmeaFields) {
        *out++ = ',';
    } else if (style == Spaced) {
        *out++ = ' ';
    }
    *out++ = hemisphere;
    return out;
}

void appendCoordinate(std::string& out, double value, int style, bool latitude) {
    char text[kMaxCoordinateText];
    out.append(text, static_cast<std::size_t>(putCoordinate(text, value, style, latitude) - text));
}

struct Layout {
    std::size_t marker;     // 'D' or the space
    std::size_t point;      // '.'
    std::size_t hemisphere; // 'N'/'S' or 'E'/'W'
};

bool at(std::string_view text, std::size_t position, char c) {
    return position < text.size() && text[position] == c;
}

bool hemisphereAt(std::string_view text, std::size_t position, char positive, char negative) {
    return at(text, position, positive) || at(text, position, negative);
}

bool isDigit(char c) {
    return static_cast<unsigned char>(c - '0') < 10;
}

double signedCoordinate(double degrees, double minutes, bool negative) {
    const double result = degrees + minutes * (1.0 / 60.0);
    return negative ? -result : result;
}

// The digits and point that every writer makes ("34", "12.345"), read as parseNumber reads
// them (its digits over a power of ten); false for any other text, which parseNumber reads.
bool plainDecimal(std::string_view text, double* value) {
    static constexpr double kPowers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                         1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const char* p = text.data();
    const char* const end = p + text.size();
    if (text.empty() || text.size() > 15) {
        return false;
    }
    std::uint64_t digits = 0;
    for (; p < end && isDigit(*p); ++p) {
        digits = digits * 10 + static_cast<std::uint64_t>(*p - '0');
    }
    std::size_t decimals = 0;
    if (p < end && *p == '.') {
        const char* const point = p++;
        for (; p < end && isDigit(*p); ++p) {
            digits = digits * 10 + static_cast<std::uint64_t>(*p - '0');
        }
        decimals = static_cast<std::size_t>(p - point - 1);
        if (text.size() == 1) {
            return false; // "." alone has no digit
        }
    }
    if (p != end) {
        return false;
    }
    *value = static_cast<double>(digits) / kPowers[decimals];
    return true;
}

std::size_t readWrittenCoordinate(std::string_view text, double* value, bool latitude) {
    // One or two (latitude) or up to three (longitude) degree digits, 'D', two minute digits,
    // '.', three digits and the hemisphere: the degree digits put the 'D' where the first layout
    // of parseCoordinate that fits such a text looks for it, so both read the same numbers.
    const char* const p = text.data();
    const std::size_t n = text.size();
    const std::size_t most = latitude ? 2 : 3;
    std::size_t d = 0;
    std::uint32_t degrees = 0;
    for (; d < n && d < most && isDigit(p[d]); ++d) {
        degrees = degrees * 10 + static_cast<std::uint32_t>(p[d] - '0');
    }
    if (d == 0 || n < d + 8) {
        return 0;
    }
    const char* const m = p + d;
    if (m[0] != 'D' || !isDigit(m[1]) || !isDigit(m[2]) || m[3] != '.' || !isDigit(m[4]) ||
        !isDigit(m[5]) || !isDigit(m[6])) {
        return 0;
    }
    const bool negative = m[7] == (latitude ? 'S' : 'W');
    if (!negative && m[7] != (latitude ? 'N' : 'E')) {
        return 0;
    }
    const auto thousandths =
        static_cast<std::uint32_t>((m[1] - '0') * 10000 + (m[2] - '0') * 1000 + (m[4] - '0') * 100 +
                                   (m[5] - '0') * 10 + (m[6] - '0'));
    // The very doubles that plainDecimal makes of "34" and "12.345".
    *value = signedCoordinate(static_cast<double>(degrees), static_cast<double>(thousandths) / 1e3,
                              negative);
    return d + 8;
}

ResultCode parseCoordinate(std::string_view text, int style, double* value, bool latitude) {
    if (value == nullptr || (style != DegreeLetter && style != Spaced)) {
        return kBadArgument;
    }
    const auto nul = text.find('\0');
    if (nul != std::string_view::npos) {
        text = text.substr(0, nul);
    }
    const char marker = style == DegreeLetter ? 'D' : ' ';
    const std::size_t shift = style == Spaced ? 1 : 0;
    const char positive = latitude ? 'N' : 'E';
    const char negative = latitude ? 'S' : 'W';
    static constexpr Layout kLatitude[] = {{2, 5, 9}, {1, 4, 8}};
    static constexpr Layout kLongitude[] = {{3, 6, 10}, {2, 5, 9}, {1, 4, 8}};
    const Layout* layouts = latitude ? kLatitude : kLongitude;
    const std::size_t count = latitude ? 2 : 3;
    for (std::size_t i = 0; i < count; ++i) {
        const Layout& l = layouts[i];
        const std::size_t hemisphere = l.hemisphere + shift;
        if (at(text, l.marker, marker) && at(text, l.point, '.') &&
            hemisphereAt(text, hemisphere, positive, negative)) {
            const std::string_view degreeText = text.substr(0, l.marker);
            const std::string_view minuteText =
                text.substr(l.marker + 1, hemisphere - l.marker - 1);
            double degrees = 0.0;
            double minutes = 0.0;
            if (!plainDecimal(degreeText, &degrees)) {
                degrees = parseNumberBeforeNul(degreeText);
            }
            if (!plainDecimal(minuteText, &minutes)) {
                minutes = parseNumberBeforeNul(minuteText);
            }
            *value = signedCoordinate(degrees, minutes, text[hemisphere] == negative);
            return kOk;
        }
    }
    *value = 0.0;
    return kOk;
}

} // namespace

bool latitudeInRange(double value) {
    return value >= -90.0 && value <= 90.0;
}
bool longitudeInRange(double value) {
    return value >= -180.0 && value <= 180.0;
}

ResultCode formatLatitude(double value, std::string* out, int style) {
    if (out == nullptr || !latitudeInRange(value) || !validStyle(style)) {
        return kBadArgument;
    }
    out->clear();
    appendCoordinate(*out, value, style, true);
    return kOk;
}

ResultCode formatLongitude(double value, std::string* out, int style) {
    if (out == nullptr || !longitudeInRange(value) || !validStyle(style)) {
        return kBadArgument;
    }
    out->clear();
    appendCoordinate(*out, value, style, false);
    return kOk;
}

char* putLatitude(char* out, double value, int style) {
    return latitudeInRange(value) && validStyle(style) ? putCoordinate(out, value, style, true)
                                                       : out;
}

char* putLongitude(char* out, double value, int style) {
    return longitudeInRange(value) && validStyle(style) ? putCoordinate(out, value, style, false)
                                                        : out;
}

void appendLatitude(std::string& out, double value, int style) {
    if (latitudeInRange(value) && validStyle(style)) {
        appendCoordinate(out, value, style, true);
    }
}

void appendLongitude(std::string& out, double value, int style) {
    if (longitudeInRange(value) && validStyle(style)) {
        appendCoordinate(out, value, style, false);
    }
}

ResultCode parseLatitude(std::string_view text, int style, double* value) {
    return parseCoordinate(text, style, value, true);
}

ResultCode parseLongitude(std::string_view text, int style, double* value) {
    return parseCoordinate(text, style, value, false);
}

std::size_t readWrittenLatitude(std::string_view text, double* value) {
    return readWrittenCoordinate(text, value, true);
}

std::size_t readWrittenLongitude(std::string_view text, double* value) {
    return readWrittenCoordinate(text, value, false);
}

std::int32_t positionKey(double value) {
    if (!std::isfinite(value) || std::fabs(value) > 20000.0) {
        return 0; // only ever compared for values in range
    }
    const int sign = value < 0 ? -1 : 1;
    const double a = std::fabs(value);
    const auto degrees = static_cast<std::int64_t>(a);
    const auto thousandths =
        static_cast<std::int64_t>((a - static_cast<double>(degrees)) * 60000.0);
    return static_cast<std::int32_t>(sign * (degrees * 100000 + thousandths));
}

ResultCode latitudeKey(double value, std::int32_t* key) {
    if (key == nullptr || !latitudeInRange(value)) {
        return kBadArgument;
    }
    *key = positionKey(value);
    return kOk;
}

ResultCode longitudeKey(double value, std::int32_t* key) {
    if (key == nullptr || !longitudeInRange(value)) {
        return kBadArgument;
    }
    *key = positionKey(value);
    return kOk;
}

ResultCode padField(std::string* out, std::string_view source, int width, char pad) {
    if (out == nullptr || width < 0) {
        return kBadArgument;
    }
    copyText(*out, source, static_cast<std::size_t>(width));
    out->append(static_cast<std::size_t>(width) - out->size(), pad);
    return kOk;
}

void appendHexColour(std::string& out, const RgbColour& colour) {
    appendHex(out, colour.red);
    appendHex(out, colour.green);
    appendHex(out, colour.blue);
}

RgbColour parseHexColour(std::string_view text) {
    text = text.substr(0, std::min<std::size_t>(text.size(), 6));
    auto from = [&](std::size_t position, std::size_t end) -> std::uint8_t {
        if (position >= text.size()) {
            return 0;
        }
        return static_cast<std::uint8_t>(parseHex(text.substr(position, end - position)) & 0xFF);
    };
    RgbColour colour;
    colour.blue = from(4, text.size());
    colour.green = from(2, std::min<std::size_t>(4, text.size()));
    colour.red = from(0, std::min<std::size_t>(2, text.size()));
    return colour;
}

void appendCompactDate(std::string& out, const RecordDate& date) {
    appendInt(out, date.year, 4);
    appendInt(out, date.month, 2);
    appendInt(out, date.day, 2);
}

RecordDate parseCompactDate(std::string_view text) {
    auto from = [&](std::size_t position, std::size_t end) -> std::int32_t {
        if (position >= text.size()) {
            return 0;
        }
        return parseDecimal(text.substr(position, end - position));
    };
    RecordDate date;
    date.day = from(6, text.size());
    date.month = from(4, std::min<std::size_t>(6, text.size()));
    date.year = from(0, std::min<std::size_t>(4, text.size()));
    return date;
}

} // namespace velmar
