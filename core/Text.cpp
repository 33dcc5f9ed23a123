#include "core/Text.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace velmar {

namespace {

// The text up to its first NUL byte.
std::string_view untilNul(std::string_view text) {
    const auto nul = text.find('\0');
    return nul == std::string_view::npos ? text : text.substr(0, nul);
}

bool isCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// strtol-like reading of an integer with an optional sign: a value beyond the signed 64-bit
// range is held at that range's limit (LONG_MAX, or LONG_MIN for a negative value), as strtol
// holds it, and the callers keep the low 32 bits of the result. So "9223372036854775808" and
// "18446744073709551615" both read as LONG_MAX, whose low 32 bits are all ones (-1).
std::uint64_t readInteger(std::string_view text, int base) {
    text = untilNul(text);
    std::size_t i = 0;
    while (i < text.size() && isCSpace(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (base == 16 && i + 1 < text.size() && text[i] == '0' &&
        (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        // "0x" counts only when a hexadecimal digit follows, as with strtol.
        const char c = i + 2 < text.size() ? text[i + 2] : '\0';
        if (std::isxdigit(static_cast<unsigned char>(c))) {
            i += 2;
        }
    }
    constexpr std::uint64_t kMaxPositive = 0x7FFFFFFFFFFFFFFFULL;
    const std::uint64_t limit = negative ? kMaxPositive + 1 : kMaxPositive;
    const auto radix = static_cast<std::uint64_t>(base);
    std::uint64_t magnitude = 0;
    bool clamped = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        std::uint64_t digit;
        if (c >= '0' && c <= '9') {
            digit = static_cast<std::uint64_t>(c - '0');
        } else if (base == 16 && c >= 'a' && c <= 'f') {
            digit = static_cast<std::uint64_t>(c - 'a' + 10);
        } else if (base == 16 && c >= 'A' && c <= 'F') {
            digit = static_cast<std::uint64_t>(c - 'A' + 10);
        } else {
            break;
        }
        if (clamped || magnitude > (limit - digit) / radix) {
            clamped = true; // the remaining digits are read but change nothing
            continue;
        }
        magnitude = magnitude * radix + digit;
    }
    if (clamped) {
        magnitude = limit;
    }
    return negative ? ~magnitude + 1 : magnitude;
}

} // namespace

void copyText(std::string& target, std::string_view source, std::size_t maximum) {
    source = untilNul(source);
    target.assign(source.substr(0, std::min(maximum, source.size())));
}

void appendFieldText(std::string& out, std::string_view text, std::string_view breaking,
                     std::string_view replacements) {
    for (const char c : text) {
        if (c == '\r' || c == '\n' || c == '\0') {
            out.push_back(' ');
            continue;
        }
        const auto found = breaking.find(c);
        out.push_back(found == std::string_view::npos ? c : replacements[found]);
    }
}

std::string cutText(std::string_view source, std::size_t maximum) {
    std::string result;
    copyText(result, source, maximum);
    return result;
}

std::int32_t parseDecimal(std::string_view text) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(readInteger(text, 10)));
}

std::uint32_t parseUnsignedDecimal(std::string_view text) {
    return static_cast<std::uint32_t>(readInteger(text, 10));
}

std::uint32_t parseHex(std::string_view text) {
    return static_cast<std::uint32_t>(readInteger(text, 16));
}

double parseNumber(std::string_view text) {
    return parseNumberBeforeNul(untilNul(text));
}

double parseNumberBeforeNul(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && isCSpace(text[i])) {
        ++i;
    }
    std::size_t start = i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // The plain decimals of the formats ("12.345", "-0.5"): with at most 15 digits the digits
    // and the power of ten are exact doubles, so their quotient is the correctly rounded value,
    // the very double from_chars and strtod give.
    {
        static constexpr double kPowers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                             1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
        std::uint64_t digits = 0;
        int count = 0;
        int decimals = -1;
        std::size_t k = i;
        for (; k < text.size() && count <= 15; ++k) {
            const char c = text[k];
            if (c >= '0' && c <= '9') {
                digits = digits * 10 + static_cast<std::uint64_t>(c - '0');
                ++count;
                if (decimals >= 0) {
                    ++decimals;
                }
            } else if (c == '.' && decimals < 0) {
                decimals = 0;
            } else {
                break;
            }
        }
        const char after = k < text.size() ? text[k] : '\0';
        if (count > 0 && count <= 15 && after != 'e' && after != 'E' && after != 'x' &&
            after != 'X' && !(after >= '0' && after <= '9')) {
            const double value = static_cast<double>(digits) / kPowers[decimals < 0 ? 0 : decimals];
            return negative ? -value : value;
        }
    }
    // Fast path for the plain decimal numbers of the formats.
    if (i < text.size() && (std::isdigit(static_cast<unsigned char>(text[i])) || text[i] == '.')) {
        const bool hexPrefix =
            text[i] == '0' && i + 1 < text.size() && (text[i + 1] == 'x' || text[i + 1] == 'X');
        if (!hexPrefix) {
            double value = 0.0;
            const auto [ptr, ec] = std::from_chars(text.data() + i, text.data() + text.size(),
                                                   value, std::chars_format::general);
            if (ec == std::errc()) {
                return negative ? -value : value;
            }
            if (ec == std::errc::invalid_argument) {
                return 0.0;
            }
        }
    }
    // Anything else (hexadecimal, infinity, nan, out of range): the C library decides.
    const std::string copy(text.substr(start));
    return std::strtod(copy.c_str(), nullptr);
}

char* putInt(char* out, long long value, int width, char pad) {
    static constexpr char kPairs[] =
        "00010203040506070809101112131415161718192021222324252627282930"
        "31323334353637383940414243444546474849505152535455565758596061"
        "62636465666768697071727374757677787980818283848586878889909192"
        "93949596979899";
    static_assert(sizeof kPairs == 201, "every pair of digits, 00 to 99");
    const bool negative = value < 0;
    auto magnitude = negative ? 0ULL - static_cast<unsigned long long>(value)
                              : static_cast<unsigned long long>(value);
    int digits = 1;
    for (unsigned long long power = 10; digits < 20 && magnitude >= power; power *= 10) {
        ++digits;
    }
    // The sign and the padding, then the digits written from the right, two at a time.
    const int length = digits + (negative ? 1 : 0);
    int fill = width > length ? std::min(width, kMaxIntWidth) - length : 0;
    const auto pad8 = [&out, &fill](char c) {
        const char run[8] = {c, c, c, c, c, c, c, c};
        for (; fill > 0; fill -= 8) {
            std::memcpy(out, run, 8); // whole words: there is room for the widest field
            out += fill < 8 ? fill : 8;
        }
    };
    if (pad != '0') {
        pad8(pad);
    }
    if (negative) {
        *out++ = '-';
    }
    pad8('0'); // zeros between the sign and the digits (nothing left after a space fill)
    char* p = out + digits;
    while (magnitude >= 100) {
        const auto pair = static_cast<std::size_t>(magnitude % 100) * 2;
        magnitude /= 100;
        p -= 2;
        p[0] = kPairs[pair];
        p[1] = kPairs[pair + 1];
    }
    if (magnitude >= 10) {
        const auto pair = static_cast<std::size_t>(magnitude) * 2;
        out[0] = kPairs[pair];
        out[1] = kPairs[pair + 1];
    } else {
        out[0] = static_cast<char>('0' + magnitude);
    }
    return out + digits;
}

void appendInt(std::string& out, long long value, int width, char pad) {
    if (width > kMaxIntWidth) {
        // Wider than any field of the formats.
        char digits[24];
        const auto length = static_cast<int>(putInt(digits, value) - digits);
        if (length >= width) {
            out.append(digits, static_cast<std::size_t>(length));
            return;
        }
        const bool negative = value < 0;
        if (pad == '0' && negative) {
            out.push_back('-');
        }
        out.append(static_cast<std::size_t>(width - length), pad);
        if (pad != '0' && negative) {
            out.push_back('-');
        }
        out.append(digits + (negative ? 1 : 0), static_cast<std::size_t>(length - negative));
        return;
    }
    char text[kMaxIntText];
    out.append(text, static_cast<std::size_t>(putInt(text, value, width, pad) - text));
}

void appendHex(std::string& out, std::uint32_t value, int width) {
    char digits[16];
    const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value, 16);
    (void)ec;
    const int length = static_cast<int>(end - digits);
    if (length < width) {
        out.append(static_cast<std::size_t>(width - length), '0');
    }
    for (char* p = digits; p != end; ++p) {
        out.push_back(*p >= 'a' && *p <= 'f' ? static_cast<char>(*p - 'a' + 'A') : *p);
    }
}

bool scaledDecimal(double value, int decimals, std::int64_t* scaled) {
    static constexpr double kScales[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};
    const double a = std::fabs(value);
    if (decimals < 0 || decimals > 9) {
        return false;
    }
    // a * scale - n is a multiple of a's last place (a >= 1) smaller than 1, so the fused
    // multiply-add gives it exactly, and with it the exact side of the half way point; below
    // 2^52 every n is a double of its own.
    const double scale = kScales[decimals];
    if (!(a >= 1.0 && a < 2147483648.0 && a * scale < 4503599627370496.0)) {
        return false;
    }
    const double product = a * scale;
    double n = static_cast<double>(static_cast<std::int64_t>(product + 0.5));
    // Below 2^40 the product is off by less than 2^-13: a rounded product that far from the
    // half way point is on the same side of it as the exact one.
    const double nearRest = product - n;
    if (product < 1099511627776.0 && nearRest > -0.4998 && nearRest < 0.4998) {
        *scaled = static_cast<std::int64_t>(n);
        return true;
    }
    n = std::nearbyint(product);
    const double rest = std::fma(a, scale, -n);
    if (rest > 0.5 || (rest == 0.5 && std::fmod(n, 2.0) != 0.0)) {
        n += 1.0;
    } else if (rest < -0.5 || (rest == -0.5 && std::fmod(n, 2.0) != 0.0)) {
        n -= 1.0;
    }
    *scaled = static_cast<std::int64_t>(n);
    return true;
}

void appendFixed(std::string& out, double value, int decimals) {
    if (std::isnan(value)) {
        out.append(std::signbit(value) ? "-nan" : "nan");
        return;
    }
    if (value == std::trunc(value) && std::fabs(value) < 1e15 && decimals > 0 &&
        !(value == 0.0 && std::signbit(value))) {
        // A whole number (the zeros and the whole metres of the formats): its digits and zeros.
        appendInt(out, static_cast<long long>(value));
        out.push_back('.');
        out.append(static_cast<std::size_t>(decimals), '0');
        return;
    }
    std::int64_t scaled = 0;
    if (decimals > 0 && scaledDecimal(value, decimals, &scaled)) {
        static constexpr std::int64_t kPowers[] = {1, 10, 100, 1000, 10000, 100000, 1000000};
        const std::int64_t power = kPowers[decimals];
        if (std::signbit(value)) {
            out.push_back('-');
        }
        appendInt(out, scaled / power);
        out.push_back('.');
        appendInt(out, scaled % power, decimals);
        return;
    }
    char digits[400];
    const auto [end, ec] =
        std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, decimals);
    if (ec != std::errc()) {
        return;
    }
    out.append(digits, static_cast<std::size_t>(end - digits));
}

} // namespace velmar
