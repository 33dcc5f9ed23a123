#pragma once
// Small text helpers shared by every format: capped copies, C-style number reading and
// printf-exact number writing without the cost of printf.

#include <cstdint>
#include <string>
#include <string_view>

namespace velmar {

// Copies at most `maximum` bytes of `source` into `target` (texts longer than their field are cut).
// A NUL byte ends the source text, as in the fixed character fields of the devices.
void copyText(std::string& target, std::string_view source, std::size_t maximum);

// What a field of a comma-separated line cannot hold and what it is written as instead: a ','
// would split the field (written as ';'), and a '*' or '$' would end it early when it is read
// back (written as the replacement character '?').
inline constexpr std::string_view kFieldBreaking = ",*$";
inline constexpr std::string_view kFieldReplacements = ";??";

// Appends a text so that it reads back as the one field it was written as: CR, LF and NUL
// become a space, and each byte of `breaking` becomes the byte at the same place of
// `replacements` (the comma-separated families pass kFieldBreaking and kFieldReplacements). Only
// writing replaces: stored files read as they stand.
void appendFieldText(std::string& out, std::string_view text, std::string_view breaking = {},
                     std::string_view replacements = {});

// The text cut to at most `maximum` bytes (and at its first NUL byte).
std::string cutText(std::string_view source, std::size_t maximum);

// True when the text begins with the prefix (case-sensitive).
inline bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// Numbers with C strtol / strtod prefix semantics: leading white space skipped, an optional
// sign, "0x" accepted in base 16, 0 when there are no digits. Integers are read as strtol reads
// them (a value beyond the signed 64-bit range is held at its limit) and keep the low 32 bits.
std::int32_t parseDecimal(std::string_view text);
std::uint32_t parseUnsignedDecimal(std::string_view text);
std::uint32_t parseHex(std::string_view text);
double parseNumber(std::string_view text);
// parseNumber for a text that holds no NUL byte (already cut at it).
double parseNumberBeforeNul(std::string_view text);

// The value times 10^decimals (0..9) rounded to the nearest integer, ties to even, as printf
// rounds the value to that many decimals; the sign is left out. False, and nothing computed,
// outside the range where this is exact: a magnitude below 1 or from 2^31 on, or a product
// from 2^52 on.
bool scaledDecimal(double value, int decimals, std::int64_t* scaled);

// Appending number texts exactly as printf would print them.
void appendInt(std::string& out, long long value, int width = 0, char pad = '0'); // "%0*d" / "%*d"
// The same text written at `out`, which must have room for kMaxIntText bytes (the width is held
// at kMaxIntWidth); returns the end of the text. For writers that build a line in a buffer of
// their own.
inline constexpr int kMaxIntWidth = 40;
inline constexpr int kMaxIntText = 64;
char* putInt(char* out, long long value, int width = 0, char pad = '0');
void appendHex(std::string& out, std::uint32_t value, int width = 2); // "%0*X"
void appendFixed(std::string& out, double value, int decimals);       // "%.*f"

} // namespace velmar
