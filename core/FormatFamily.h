#pragma once
// The contract of a format family: a reader (source path, database) and a writer (database,
// output path), each opening and closing its own files and returning a ResultCode.

#include <span>
#include <string>

#include "core/NavDatabase.h"

namespace velmar {

using FamilyReader = ResultCode (*)(const char* path, NavDatabase* database);
using FamilyWriter = ResultCode (*)(NavDatabase* database, const char* path);

struct FormatFamily {
    const char* caption = ""; // "Series 41", ..., as the type radio buttons read
    const char* key = "";     // the command line's name of the family ("s41", ...)
    FamilyReader reader = nullptr;
    FamilyWriter writer = nullptr;
    const char* extension = ""; // output extension, ".s41", ...
    // The suffixes a writer of a file set adds to its output name, one file per kind (".wpt",
    // ...); empty for a family that writes the output name itself.
    std::span<const char* const> memberSuffixes{};
};

} // namespace velmar
