#pragma once
// Runs a program of the build (the real `velmar` binary, a script) and collects its exit status
// and output.

#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace velmar::test {

struct CliResult {
    int exitCode = -1; // -1 when it did not exit by itself
    int signal = 0;    // the signal that ended it, if one did
    std::string out;
    std::string err;
};

struct RunOptions {
    std::string workingFolder;         // empty: the test's own
    int stdoutFd = -1;                 // standard output goes there instead of being collected
    std::vector<std::string> unsetEnv; // variables the program must not see
    std::vector<std::string> setEnv;   // "NAME=value"
    // Runs while the program does (its standard input is then /dev/null), e.g. to play the
    // other end of its work or interrupt it.
    std::function<void(pid_t)> whileRunning{};
};

CliResult runProgram(const std::string& program, const std::vector<std::string>& arguments,
                     const RunOptions& options = {});
CliResult runVelmar(const std::vector<std::string>& arguments,
                    const std::string& workingFolder = "", int stdoutFd = -1);

} // namespace velmar::test
