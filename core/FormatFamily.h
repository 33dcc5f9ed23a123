#pragma once
// The contract of a format family: a reader (source path, database) and a writer (database,
// output path), each opening and closing its own files and returning a ResultCode.

#include <span>
#include <string>

#include "core/ConversionReport.h"
#include "core/NavDatabase.h"

namespace velmar {

// Both take an optional report (null: none asked for) into which they note what the family's
// limits did to the records.
using FamilyReader = ResultCode (*)(const char* path, NavDatabase* database,
                                    ConversionReport* report);
using FamilyWriter = ResultCode (*)(NavDatabase* database, const char* path,
                                    ConversionReport* report);

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
