#include "CliRunner.h"

#include <cstdlib>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "TestSupport.h"

namespace velmar::test {

CliResult runProgram(const std::string& program, const std::vector<std::string>& arguments,
                     const RunOptions& options) {
    TempDir capture;
    const std::string outPath = capture.file("out");
    const std::string errPath = capture.file("err");
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> raw;
    for (std::string& a : argv) {
        raw.push_back(a.data());
    }
    raw.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int out = options.stdoutFd >= 0
                            ? options.stdoutFd
                            : ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (options.whileRunning) {
            ::dup2(::open("/dev/null", O_RDONLY), 0);
        }
        ::dup2(out, 1);
        ::dup2(err, 2);
        for (const std::string& name : options.unsetEnv) {
            ::unsetenv(name.c_str());
        }
        for (const std::string& entry : options.setEnv) {
            const std::size_t equals = entry.find('=');
            ::setenv(entry.substr(0, equals).c_str(), entry.substr(equals + 1).c_str(), 1);
        }
        if (!options.workingFolder.empty() && ::chdir(options.workingFolder.c_str()) != 0) {
            ::_exit(127);
        }
        ::execv(program.c_str(), raw.data());
        ::_exit(127);
    }
    if (options.whileRunning) {
        options.whileRunning(pid);
    }
    CliResult result;
    int status = 0;
    ::waitpid(pid, &status, 0);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    result.out = readBytes(outPath);
    result.err = readBytes(errPath);
    return result;
}

CliResult runVelmar(const std::vector<std::string>& arguments, const std::string& workingFolder,
                    int stdoutFd) {
    return runProgram(binaryPath("cli/velmar"), arguments, {workingFolder, stdoutFd, {}, {}});
}

} // namespace velmar::test
