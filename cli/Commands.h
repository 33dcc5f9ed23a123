#pragma once
// The subcommands of the `velmar` command line.

namespace velmar::cli {

int runConvertCommand(int argc, char** argv); // argv[0] is "convert"
int runMergeCommand(int argc, char** argv);   // argv[0] is "merge"

} // namespace velmar::cli
