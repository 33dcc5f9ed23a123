#pragma once
// The text encodings that every file format shares: latitude and longitude texts, the position
// key, fixed-width fields, colour and date texts.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/ResultCode.h"

namespace velmar {

struct RgbColour {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    friend bool operator==(const RgbColour&, const RgbColour&) = default;
};

struct RecordDate {
    std::int32_t day = 0;
    std::int32_t month = 0;
    std::int32_t year = 0;
    friend bool operator==(const RecordDate&, const RecordDate&) = default;
};

// The selector of a latitude/longitude text form.
enum CoordStyle : int {
    NmeaFields = 0,   // "3412.345,N" and "13506.500,W" (two comma-separated fields)
    DegreeLetter = 1, // "34D12.345N" and "135D06.500W" (HUB, Series 5, Series 6)
    Spaced = 2,       // "34 12.345 N" and "135 06.500 W" (CMAP)
};

// Writes the value in the given style into `out` (replacing its content). 5, writing nothing,
// when `out` is missing, the value is out of range (NaN included) or the style is unknown.
ResultCode formatLatitude(double value, std::string* out, int style);
ResultCode formatLongitude(double value, std::string* out, int style);

// Appends the text of the value, or nothing when the codec refuses it (an empty field).
void appendLatitude(std::string& out, double value, int style);
void appendLongitude(std::string& out, double value, int style);
// The same text written at `out` (at most kMaxCoordinateText bytes); returns its end.
inline constexpr int kMaxCoordinateText = 48;
char* putLatitude(char* out, double value, int style);
char* putLongitude(char* out, double value, int style);

// Reads a DegreeLetter (1) or Spaced (2) text. 5 for another style or a missing output; a text
// matching no layout gives 0.0 and 0.
ResultCode parseLatitude(std::string_view text, int style, double* value);
ResultCode parseLongitude(std::string_view text, int style, double* value);

// A DegreeLetter coordinate in the very shape the writers make ("34D12.345N", "135D06.500W") at
// the start of `text`, read straight from its digits: the bytes it takes, with `value` set to
// what parseLatitude/parseLongitude give for the whole text; 0, value untouched, for another
// shape (which those then read).
std::size_t readWrittenLatitude(std::string_view text, double* value);
std::size_t readWrittenLongitude(std::string_view text, double* value);

bool latitudeInRange(double value);
bool longitudeInRange(double value);

// Whole degrees * 100000 + thousandths of a minute, truncated, signed.
std::int32_t positionKey(double value);
ResultCode latitudeKey(double value, std::int32_t* key);
ResultCode longitudeKey(double value, std::int32_t* key);

// Copies at most `width` bytes of the source and pads to exactly `width` with `pad`.
ResultCode padField(std::string* out, std::string_view source, int width, char pad);

// "%02X%02X%02X", red first.
void appendHexColour(std::string& out, const RgbColour& colour);
// Blue from position 4, green from 2, red from 0, each hexadecimal, low 8 bits; no digits gives 0.
RgbColour parseHexColour(std::string_view text);

// "%04d%02d%02d", year, month, day.
void appendCompactDate(std::string& out, const RecordDate& date);
// Day from position 6, month from 4, year from the rest.
RecordDate parseCompactDate(std::string_view text);

} // namespace velmar
