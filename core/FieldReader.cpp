#include "core/FieldReader.h"

namespace velmar {

FieldReader::FieldReader(std::string_view line) {
    // One pass finds the commas and a NUL, which ends the line's text.
    std::size_t i = 0;
    for (; i < line.size(); ++i) {
        const char c = line[i];
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
