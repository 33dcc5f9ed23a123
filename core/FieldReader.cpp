#include "core/FieldReader.h"

#include <algorithm>
#include <bit>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace velmar {

void FieldReader::note(std::size_t position, char c) {
    if (c == ',') {
        if (commaCount_ < kKnownCommas) {
            commas_[commaCount_++] = static_cast<std::uint32_t>(position);
        }
    } else if (stopCount_ <= kKnownStops) {
        if (stopCount_ < kKnownStops) {
            stops_[stopCount_] = static_cast<std::uint32_t>(position);
        }
        ++stopCount_; // one past kKnownStops: too many to remember
    }
}

FieldReader::FieldReader(std::string_view line) {
    // One pass finds the commas, the '*' and '$' that end a field early, and a NUL, which ends
    // the line's text: sixteen bytes at a time where the processor can.
    const char* const p = line.data();
    const std::size_t n = line.size();
    std::size_t i = 0;
#if defined(__SSE2__)
    const auto bytes = [](char c) { return _mm_set1_epi8(c); };
    const __m128i comma = bytes(','), star = bytes('*'), dollar = bytes('$');
    const __m128i nul = _mm_setzero_si128();
    for (; i < n; i += 16) {
        __m128i v;
        unsigned inside = 0xFFFF; // the bytes of this block not looked at before
        if (i + 16 <= n) {
            v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        } else if (n >= 16) {
            // The last sixteen bytes of the line; those of the block before are left out.
            const std::size_t back = i + 16 - n;
            v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + n - 16));
            i = n - 16;
            inside = 0xFFFFu << back & 0xFFFF;
        } else {
            char tail[16] = {};
            std::memcpy(tail, p + i, n - i);
            v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(tail));
            inside = (1u << (n - i)) - 1;
        }
        auto marks = static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(
                         _mm_cmpeq_epi8(v, comma),
                         _mm_or_si128(_mm_cmpeq_epi8(v, star), _mm_cmpeq_epi8(v, dollar))))) &
                     inside;
        const auto nuls = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, nul))) & inside;
        if (nuls != 0) {
            marks &= (1u << std::countr_zero(nuls)) - 1; // the marks before the NUL
        }
        for (; marks != 0; marks &= marks - 1) {
            const std::size_t at = i + static_cast<std::size_t>(std::countr_zero(marks));
            note(at, p[at]);
        }
        if (nuls != 0) {
            line_ = line.substr(0, i + static_cast<std::size_t>(std::countr_zero(nuls)));
            return;
        }
    }
    line_ = line;
#else
    for (; i < n; ++i) {
        const char c = p[i];
        if (c == ',' || c == '*' || c == '$') {
            note(i, c);
        } else if (c == '\0') {
            break;
        }
    }
    line_ = line.substr(0, i);
#endif
}

std::string_view FieldReader::field(int index, int maximum) const {
    if (index < 0 || maximum <= 0) {
        return {};
    }
    const auto wanted = static_cast<std::size_t>(index);
    std::size_t start = 0;
    if (wanted > 0) {
        if (wanted <= commaCount_) {
            start = commas_[wanted - 1] + 1;
        } else if (commaCount_ < kKnownCommas) {
            return {}; // fewer commas than the index
        } else {
            // A line with very many commas: walk on from the last one remembered.
            std::size_t commas = commaCount_;
            start = commas_[kKnownCommas - 1] + 1;
            while (commas < wanted && start < line_.size()) {
                if (line_[start++] == ',') {
                    ++commas;
                }
            }
            if (commas < wanted) {
                return {};
            }
        }
    }
    const std::size_t limit = std::min(line_.size(), start + static_cast<std::size_t>(maximum));
    std::size_t end = limit;
    if (wanted < commaCount_) {
        end = std::min<std::size_t>(end, commas_[wanted]); // the next comma
    } else if (commaCount_ == kKnownCommas) {
        end = start; // commas past the ones remembered are found by the scan below
        while (end < limit && line_[end] != ',') {
            ++end;
        }
    }
    if (stopCount_ > kKnownStops) {
        for (std::size_t k = start; k < end; ++k) {
            if (line_[k] == '*' || line_[k] == '$') {
                end = k;
                break;
            }
        }
    } else {
        for (std::size_t k = 0; k < stopCount_; ++k) {
            if (stops_[k] >= start) {
                end = std::min<std::size_t>(end, stops_[k]);
                break;
            }
        }
    }
    return line_.substr(start, end - start);
}

} // namespace velmar
