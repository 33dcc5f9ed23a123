#pragma once
// The one table of format families, by type index (the order of the type radio buttons):
// 0 Series 41, 1 Series 5, 2 Series 6, 3 Series 66, 4 Series 77, 5 HUB, 6 CMAP.

#include <string_view>

#include "core/FormatFamily.h"

namespace velmar {

inline constexpr int kFamilyCount = 7;
inline constexpr int kSeries41 = 0;
inline constexpr int kSeries5 = 1;
inline constexpr int kSeries6 = 2;
inline constexpr int kSeries66 = 3;
inline constexpr int kSeries77 = 4;
inline constexpr int kHub = 5;
inline constexpr int kCmap = 6;

// The family of a type index; null outside 0..6.
const FormatFamily* formatFamily(int typeIndex);
// The type index of a command-line name ("s41", "hub", ...) or of a digit "0".."6"; -1 if none.
int familyIndexByKey(std::string_view key);

} // namespace velmar
