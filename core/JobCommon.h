#pragma once
// What every job shares, whichever folder it lives in: the trimmed text of a path box and the
// message when memory runs out.

#include <string>

namespace velmar {

inline constexpr char kNoMemoryMessage[] = "Can not get enough memory";

// White space removed from both ends.
std::string trimText(const std::string& text);

} // namespace velmar
