#pragma once
// The texts of GPX documents. The navigation database holds 8-bit texts in the Windows Western
// code page (CP1252); GPX is UTF-8. Every byte has one character, so a text written and read
// back is the same bytes:
//   0x20..0x7E and TAB, LF, CR  themselves (the XML specials and TAB, LF, CR as references)
//   0x80..0xFF                 the CP1252 character; the five bytes CP1252 leaves undefined
//                              (0x81 0x8D 0x8F 0x90 0x9D) as the control characters U+0081...
//   other control bytes        their picture in the Control Pictures block (0x01 -> U+2401),
//                              since XML cannot carry them at all
// Reading maps those characters back, U+0080..U+009F to the byte of the same value, and any
// other character to '?'.

#include <cstdint>
#include <string>
#include <string_view>

namespace velmar::gpx {

// Appends the bytes as UTF-8 XML character data, escaped for element content and attributes.
void appendEscaped(std::string& out, std::string_view bytes);

// Appends the 8-bit byte of each character of the UTF-8 text (as expat delivers it). An
// incomplete sequence at the end of the text (a text cut short) is left out.
void appendBytesOfUtf8(std::string& out, std::string_view utf8);

// The Unicode character of a CP1252 byte, as written.
std::uint32_t characterOfByte(unsigned char byte);

// Numbers: the shortest text that reads back as the same double, in fixed notation with at
// least `minimumDecimals` decimals (xsd:decimal has no exponent). Not for NaN or infinities.
void appendDecimal(std::string& out, double value, int minimumDecimals);
// The shortest text of any double ("nan", "inf" and exponents included), for our extensions.
void appendAnyDouble(std::string& out, double value);

// Strict readers: white space around the number is allowed, nothing else. False when the text
// is not a number (an exponent, "nan" and "inf" are read by readDouble, so test the range).
bool readDouble(std::string_view text, double* value);
bool readInteger(std::string_view text, std::int64_t* value);

} // namespace velmar::gpx
