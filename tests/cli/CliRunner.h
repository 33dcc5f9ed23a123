#pragma once
// Runs the real `velmar` binary and collects its exit status and output.

#include <string>
#include <vector>

namespace velmar::test {

struct CliResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

CliResult runVelmar(const std::vector<std::string>& arguments,
                    const std::string& workingFolder = "");

} // namespace velmar::test
