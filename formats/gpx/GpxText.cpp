#include "formats/gpx/GpxText.h"

#include <array>
#include <charconv>
#include <cmath>
#include <system_error>

#include "core/Text.h"

namespace velmar::gpx {

namespace {

// CP1252 0x80..0x9F; the five undefined bytes stand for the control character of their value.
constexpr std::array<std::uint16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

constexpr std::uint32_t kControlPictures = 0x2400;

void appendUtf8(std::string& out, std::uint32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

char byteOfCharacter(std::uint32_t c) {
    if (c <= 0xFF) {
        return static_cast<char>(c); // C1 controls back to the byte of their value
    }
    if (c >= kControlPictures && c < kControlPictures + 0x20 && c != kControlPictures + '\t' &&
        c != kControlPictures + '\n' && c != kControlPictures + '\r') {
        return static_cast<char>(c - kControlPictures);
    }
    for (std::size_t i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] == c) {
            return static_cast<char>(0x80 + i);
        }
    }
    return '?';
}

bool isXmlSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isXmlSpace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isXmlSpace(text.back())) {
        text.remove_suffix(1);
    }
    if (text.size() > 1 && text.front() == '+' && text[1] != '-') {
        text.remove_prefix(1); // xsd:decimal allows a plus sign; from_chars does not
    }
    return text;
}

} // namespace

std::uint32_t characterOfByte(unsigned char byte) {
    if (byte >= 0x80 && byte < 0xA0) {
        return kHighControls[byte - 0x80];
    }
    if (byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r') {
        return kControlPictures + byte;
    }
    return byte;
}

void appendEscaped(std::string& out, std::string_view bytes) {
    for (const char c : bytes) {
        switch (c) {
        case '&':
            out.append("&amp;");
            break;
        case '<':
            out.append("&lt;");
            break;
        case '>':
            out.append("&gt;");
            break;
        case '"':
            out.append("&quot;");
            break;
        case '\'':
            out.append("&apos;");
            break;
        case '\t':
            out.append("&#9;");
            break;
        case '\n':
            out.append("&#10;");
            break;
        case '\r':
            out.append("&#13;");
            break;
        default: {
            const auto byte = static_cast<unsigned char>(c);
            if (byte >= 0x20 && byte < 0x80) {
                out.push_back(c);
            } else {
                appendUtf8(out, characterOfByte(byte));
            }
        }
        }
    }
}

void appendBytesOfUtf8(std::string& out, std::string_view utf8) {
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        std::size_t length = 1;
        std::uint32_t c = lead;
        if (lead >= 0xF0) {
            length = 4;
            c = lead & 0x07;
        } else if (lead >= 0xE0) {
            length = 3;
            c = lead & 0x0F;
        } else if (lead >= 0xC0) {
            length = 2;
            c = lead & 0x1F;
        } else if (lead >= 0x80) {
            out.push_back('?'); // a stray continuation byte
            ++i;
            continue;
        }
        if (i + length > utf8.size()) {
            return; // cut short inside a character
        }
        for (std::size_t k = 1; k < length; ++k) {
            c = (c << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        }
        out.push_back(length == 1 ? static_cast<char>(c) : byteOfCharacter(c));
        i += length;
    }
}

// The shortest decimal of a value from 1 to 2^20 in magnitude with at most nine decimals,
// when it has one: below 2^20 two such decimals lie further apart than two neighbouring
// doubles, so the one that reads back as the value is the shortest text of the value. False
// for any other value.
bool appendShortDecimal(std::string& out, double value, int minimumDecimals) {
    static constexpr double kScales[] = {1e6, 1e7, 1e8, 1e9};
    static constexpr std::int64_t kPowers[] = {1000000, 10000000, 100000000, 1000000000};
    const double a = std::fabs(value);
    if (!(a >= 1.0 && a < 1048576.0) || minimumDecimals > 6) {
        return false;
    }
    for (int k = 0; k < 4; ++k) {
        std::int64_t scaled = 0;
        if (!scaledDecimal(a, 6 + k, &scaled) || static_cast<double>(scaled) / kScales[k] != a) {
            continue;
        }
        if (value < 0) {
            out.push_back('-');
        }
        appendInt(out, scaled / kPowers[k]);
        out.push_back('.');
        std::int64_t fraction = scaled % kPowers[k];
        int decimals = 6 + k;
        while (decimals > minimumDecimals && fraction % 10 == 0) {
            fraction /= 10; // the shortest text has no trailing zeros beyond the minimum
            --decimals;
        }
        appendInt(out, fraction, decimals);
        return true;
    }
    return false;
}

void appendDecimal(std::string& out, double value, int minimumDecimals) {
    if (appendShortDecimal(out, value, minimumDecimals)) {
        return;
    }
    char digits[400];
    const auto [end, ec] =
        std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed);
    if (ec != std::errc()) {
        return;
    }
    const std::string_view text(digits, static_cast<std::size_t>(end - digits));
    out.append(text);
    const std::size_t point = text.find('.');
    int decimals = 0;
    if (point == std::string_view::npos) {
        out.push_back('.');
    } else {
        decimals = static_cast<int>(text.size() - point - 1);
    }
    if (decimals < minimumDecimals) {
        out.append(static_cast<std::size_t>(minimumDecimals - decimals), '0');
    }
}

void appendAnyDouble(std::string& out, double value) {
    char digits[64];
    const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value);
    if (ec == std::errc()) {
        out.append(digits, static_cast<std::size_t>(end - digits));
    }
}

bool readDouble(std::string_view text, double* value) {
    text = trimmed(text);
    if (text.empty()) {
        return false;
    }
    // A plain decimal of up to 15 digits is its digits over a power of ten: exact operands, so
    // the quotient is the correctly rounded value from_chars gives.
    static constexpr double kPowers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                         1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const bool negative = text.front() == '-';
    std::uint64_t digits = 0;
    int count = 0;
    int decimals = -1;
    std::size_t i = negative ? 1 : 0;
    for (; i < text.size() && count <= 15; ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            digits = digits * 10 + static_cast<std::uint64_t>(c - '0');
            ++count;
            decimals += decimals >= 0 ? 1 : 0;
        } else if (c == '.' && decimals < 0) {
            decimals = 0;
        } else {
            break;
        }
    }
    if (i == text.size() && count > 0 && count <= 15) {
        const double magnitude = static_cast<double>(digits) / kPowers[decimals < 0 ? 0 : decimals];
        *value = negative ? -magnitude : magnitude;
        return true;
    }
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *value);
    return ec == std::errc() && end == text.data() + text.size();
}

bool readInteger(std::string_view text, std::int64_t* value) {
    text = trimmed(text);
    if (text.empty()) {
        return false;
    }
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *value);
    return ec == std::errc() && end == text.data() + text.size();
}

} // namespace velmar::gpx
