// Placeholder until the merge command lands.
#include <cstdio>

#include "cli/Commands.h"

namespace velmar::cli {

int runMergeCommand(int, char**) {
    std::fputs("velmar merge: not available yet\n", stderr);
    return 2;
}

} // namespace velmar::cli
