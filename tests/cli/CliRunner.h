#pragma once
// Runs a program of the build (the real `velmar` binary, a script) and collects its exit status
// and output.

#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

#include "TestSupport.h"

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
};

CliResult runProgram(const std::string& program, const std::vector<std::string>& arguments,
                     const RunOptions& options = {});
CliResult runVelmar(const std::vector<std::string>& arguments,
                    const std::string& workingFolder = "", int stdoutFd = -1);

// The `velmar` binary running in the background (stdin from /dev/null), for a test that plays
// the other end of its work or interrupts it.
class VelmarProcess {
  public:
    explicit VelmarProcess(const std::vector<std::string>& arguments);
    ~VelmarProcess(); // kills it when it still runs
    VelmarProcess(const VelmarProcess&) = delete;
    VelmarProcess& operator=(const VelmarProcess&) = delete;

    void interrupt(); // Ctrl-C
    // Waits for the exit; after `timeout` it is killed and the exit code is -1.
    CliResult wait(std::chrono::milliseconds timeout = std::chrono::seconds(30));

  private:
    TempDir capture_;
    pid_t pid_ = -1;
};

} // namespace velmar::test
