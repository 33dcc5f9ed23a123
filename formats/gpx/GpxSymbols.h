#pragma once
// The readable names of our symbol numbers in GPX <sym> elements: the names other chart
// programs and receivers use. The number itself travels in our extension; a GPX from another
// program gives only the name, which is mapped back here.

#include <cstdint>
#include <string_view>

namespace velmar::gpx {

inline constexpr std::uint32_t kDefaultSymbol = 0; // "Waypoint"

// The name of a symbol number; "Waypoint" for numbers without a name of their own.
std::string_view symbolName(std::uint32_t symbol);
// The number of a name (case and surrounding white space ignored); the default symbol for a
// name the table does not know.
std::uint32_t symbolOfName(std::string_view name);
// The numbers that have a name of their own are 0..symbolNameCount() - 1.
std::uint32_t symbolNameCount();

} // namespace velmar::gpx
