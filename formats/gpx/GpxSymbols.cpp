#include "formats/gpx/GpxSymbols.h"

#include <array>

namespace velmar::gpx {

namespace {

// By symbol number: 16..24 are the symbols of the Series 41 devices (marina, fuel, green and red
// buoys, light, anchorage, ...), the others general marks and places ashore.
constexpr std::array<std::string_view, 32> kNames = {
    "Waypoint",
    "Flag, Red",
    "Flag, Green",
    "Flag, Blue",
    "Dot, White",
    "Shipwreck",
    "Danger Area",
    "Skull and Crossbones",
    "Restricted Area",
    "Man Overboard",
    "Boat Ramp",
    "Diver Down Flag 1",
    "Fishing Area",
    "Swimming Area",
    "Scenic Area",
    "Residence",
    "Marina",
    "Gas Station",
    "Navaid, Green",
    "Navaid, Red",
    "Light",
    "Anchor",
    "Buoy, White",
    "Bell",
    "Horn",
    "Radio Beacon",
    "Drinking Water",
    "Restroom",
    "Shower",
    "Parking Area",
    "Campground",
    "Pin, Red",
};

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

} // namespace

std::string_view symbolName(std::uint32_t symbol) {
    return symbol < kNames.size() ? kNames[symbol] : kNames[kDefaultSymbol];
}

std::uint32_t symbolOfName(std::string_view name) {
    const auto space = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!name.empty() && space(name.front())) {
        name.remove_prefix(1);
    }
    while (!name.empty() && space(name.back())) {
        name.remove_suffix(1);
    }
    for (std::size_t i = 0; i < kNames.size(); ++i) {
        if (sameName(name, kNames[i])) {
            return static_cast<std::uint32_t>(i);
        }
    }
    return kDefaultSymbol;
}

std::uint32_t symbolNameCount() {
    return static_cast<std::uint32_t>(kNames.size());
}

} // namespace velmar::gpx
