#pragma once
// The date and size columns of the file list view, read from the file's metadata (no open, so a
// read-only file or one held open elsewhere still shows its facts).

#include <cstdint>
#include <string>

namespace velmar {

inline constexpr char kUnknownFact[] = "*";

// "%d/%02d/%04d" of the UTC calendar date of seconds since 1970: "5/03/2012".
std::string formatListDate(std::int64_t secondsSince1970);
// Bytes in kilobytes, halves rounding up, "%d": 511 -> "0", 512 -> "1", 1536 -> "2".
std::string formatListSize(std::uint64_t bytes);

// The last-write date of a regular file, or "*" for a folder, a missing file or a failure.
std::string fileDateText(const std::string& path);
// The size of a regular file in kilobytes, or "*".
std::string fileSizeText(const std::string& path);

} // namespace velmar
