#pragma once
// The comma fields of one line, found in one pass and handed out without copying. Used by the
// line readers of every format.

#include <array>
#include <cstdint>
#include <string_view>

namespace velmar {

class FieldReader {
  public:
    explicit FieldReader(std::string_view line);
    // Field `index` (0-based): from the index-th ',' to the next ',', '*', '$' or `maximum`
    // bytes; empty when missing, for a negative index or a `maximum` below 1. A NUL byte ends
    // the line.
    std::string_view field(int index, int maximum = 63) const;
    // True when the field is not empty (the readers take only such fields).
    bool has(int index) const { return !field(index).empty(); }

  private:
    static constexpr std::size_t kKnownCommas = 64;
    static constexpr std::size_t kKnownStops = 16;
    void note(std::size_t position, char c);
    std::string_view line_;
    std::array<std::uint32_t, kKnownCommas> commas_{};
    std::size_t commaCount_ = 0;
    // Where a '*' or '$' cuts a field short; past kKnownStops, fields are scanned for them.
    std::array<std::uint32_t, kKnownStops> stops_{};
    std::size_t stopCount_ = 0;
};

} // namespace velmar
