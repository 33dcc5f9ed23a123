#include "core/FieldReader.h"

#include <bit>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace velmar {

FieldReader::FieldReader(std::string_view line) {
    // One pass finds the commas and a NUL, which ends the line's text: sixteen bytes at a time
    // where the processor can.
    const char* const p = line.data();
    const std::size_t n = line.size();
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i comma = _mm_set1_epi8(',');
    const __m128i nul = _mm_setzero_si128();
    for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        auto commas = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, comma)));
        const auto nuls = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, nul)));
        if (nuls != 0) {
            commas &= (1u << std::countr_zero(nuls)) - 1; // the commas before the NUL
        }
        for (; commas != 0 && commaCount_ < kKnownCommas; commas &= commas - 1) {
            commas_[commaCount_++] = static_cast<std::uint32_t>(i + std::countr_zero(commas));
        }
        if (nuls != 0) {
            line_ = line.substr(0, i + std::countr_zero(nuls));
            return;
        }
    }
#endif
    for (; i < n; ++i) {
        const char c = p[i];
        if (c == ',') {
            if (commaCount_ < kKnownCommas) {
                commas_[commaCount_++] = static_cast<std::uint32_t>(i);
            }
        } else if (c == '\0') {
            break;
        }
    }
    line_ = line.substr(0, i);
}

std::string_view FieldReader::field(int index, int maximum) const {
    if (index < 0 || maximum <= 0) {
        return {};
    }
    std::size_t start = 0;
    if (index > 0) {
        const auto wanted = static_cast<std::size_t>(index);
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
    std::size_t end = start;
    const std::size_t limit = start + static_cast<std::size_t>(maximum);
    while (end < line_.size() && end < limit) {
        const char c = line_[end];
        if (c == ',' || c == '*' || c == '$') {
            break;
        }
        ++end;
    }
    return line_.substr(start, end - start);
}

} // namespace velmar
