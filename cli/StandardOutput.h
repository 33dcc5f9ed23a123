#pragma once
// The command line's standard output, checked: a full disk or a closed pipe is noticed at the
// line it hits, said once on stderr, and makes the command exit 1 instead of reporting success.
// SIGPIPE must be ignored (main does), so a closed pipe is a write error, not a silent death.

#include <string_view>

namespace velmar::cli {

// Writes the line and a line end and flushes; false once standard output has failed.
bool printLine(std::string_view line);
// Flushes standard output. The status to exit with: `status`, or 1 in place of 0 when anything
// written to standard output was lost.
int finishOutput(int status);

} // namespace velmar::cli
