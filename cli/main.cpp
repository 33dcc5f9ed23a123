// velmar: the command-line companion of the desktop program, for scripting and batch work.
#include <cstdio>
#include <cstring>

#include "cli/Commands.h"

namespace {

constexpr char kUsage[] =
    "Usage: velmar COMMAND [OPTIONS] FILE...\n"
    "Converts and merges the user databases of chart plotters and GPS receivers.\n"
    "\n"
    "Commands:\n"
    "  convert   convert files from one format family to another, one output per file\n"
    "  merge     merge HUB files into one HUB file, or CMAP files into one CMAP document\n"
    "\n"
    "Run 'velmar COMMAND --help' for the options of a command.\n";

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const char* command = argv[1];
    if (std::strcmp(command, "--help") == 0 || std::strcmp(command, "-h") == 0) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (std::strcmp(command, "convert") == 0) {
        return velmar::cli::runConvertCommand(argc - 1, argv + 1);
    }
    if (std::strcmp(command, "merge") == 0) {
        return velmar::cli::runMergeCommand(argc - 1, argv + 1);
    }
    std::fprintf(stderr, "velmar: unknown command '%s'\n\n%s", command, kUsage);
    return 2;
}
