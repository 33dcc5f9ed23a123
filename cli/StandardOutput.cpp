#include "cli/StandardOutput.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cli/Command.h"

namespace velmar::cli {

namespace {

bool failed = false;

void reportFailure(int error) {
    if (!failed) {
        std::fprintf(stderr, "velmar: cannot write to standard output: %s\n",
                     std::strerror(error != 0 ? error : EIO));
    }
    failed = true;
}

} // namespace

bool printLine(std::string_view line) {
    if (failed) {
        return false;
    }
    errno = 0;
    if (std::fwrite(line.data(), 1, line.size(), stdout) != line.size() ||
        std::fputc('\n', stdout) == EOF || std::fflush(stdout) != 0) {
        reportFailure(errno);
        return false;
    }
    return true;
}

int finishOutput(int status) {
    errno = 0;
    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
        reportFailure(errno);
    }
    return (failed && status == kExitOk) ? kExitFailed : status;
}

} // namespace velmar::cli
