#pragma once
// What every fuzz target shares: the input cut into files in a private scratch folder, the set
// read through a family's reader, and the round trip through the writer and reader of every
// family. A failed expectation aborts, so the fuzzer keeps the input.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/FormatFamily.h"

namespace velmar::fuzz {

// Splits the parts of a multi-file input: a line "====" ends one file and starts the next.
inline constexpr char kPartSeparator[] = "====\n";

// Aborts with the message when the condition is false.
void expect(bool condition, const char* what);

// Writes the input as files named `base` + each suffix in a freshly emptied scratch folder: the
// input is cut at the separator into at most as many parts as there are suffixes (the last part
// keeps the rest). Returns the paths of the files written, in suffix order.
std::vector<std::string> writeInputFiles(const std::uint8_t* data, std::size_t size,
                                         const std::string& base,
                                         const std::vector<std::string>& suffixes);

// The body of a reader's target: the input as the files of one set of the family, read, and
// when it reads, written to every family and read back.
int fuzzFamilyReader(int typeIndex, const std::uint8_t* data, std::size_t size,
                     const std::vector<std::string>& suffixes);

} // namespace velmar::fuzz
