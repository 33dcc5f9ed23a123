#pragma once
// The one table of format families, by type index (core/TypeIndex.h).

#include <string_view>

#include "core/FormatFamily.h"
#include "core/TypeIndex.h"

namespace velmar {

inline constexpr int kFamilyCount = 8;

// What a family can do. Reading, writing and the file set follow from the family's row (its
// reader, its writer, its member suffixes); the type radio button is said by the row itself.
enum FamilyCapability : unsigned {
    kOnTypeRadios = 1u << 0, // a type radio button of the desktop program (same index)
    kReads = 1u << 1,        // has a reader: a conversion may start from it
    kWrites = 1u << 2,       // has a writer: a conversion may end in it
    kFileSet = 1u << 3,      // writes one file per kind, each suffix appended to the output name
};

// The family of a type index; null outside 0..kFamilyCount - 1.
const FormatFamily* formatFamily(int typeIndex);
// True when the family of the index has every capability asked for.
bool familyHas(int typeIndex, unsigned capabilities);
// The type index of a command-line name ("s41", "hub", "gpx", ...) or of the digit of a type
// radio button ("0".."6"); -1 if none.
int familyIndexByKey(std::string_view key);

} // namespace velmar
