#include "CliRunner.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "TestSupport.h"

namespace velmar::test {

namespace {

// Starts `program` with its output going to the files `outPath` and `errPath`.
pid_t spawn(const std::string& program, const std::vector<std::string>& arguments,
            const RunOptions& options, const std::string& outPath, const std::string& errPath,
            bool noInput) {
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
        if (noInput) {
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
    return pid;
}

CliResult collect(int status, const std::string& outPath, const std::string& errPath) {
    CliResult result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    result.out = readBytes(outPath);
    result.err = readBytes(errPath);
    return result;
}

} // namespace

CliResult runProgram(const std::string& program, const std::vector<std::string>& arguments,
                     const RunOptions& options) {
    TempDir capture;
    const std::string outPath = capture.file("out");
    const std::string errPath = capture.file("err");
    const pid_t pid = spawn(program, arguments, options, outPath, errPath, false);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return collect(status, outPath, errPath);
}

CliResult runVelmar(const std::vector<std::string>& arguments, const std::string& workingFolder,
                    int stdoutFd) {
    return runProgram(binaryPath("cli/velmar"), arguments, {workingFolder, stdoutFd, {}, {}});
}

} // namespace velmar::test

namespace velmar::test {

VelmarProcess::VelmarProcess(const std::vector<std::string>& arguments)
    : pid_(spawn(binaryPath("cli/velmar"), arguments, {}, capture_.file("out"),
                 capture_.file("err"), true)) {}

VelmarProcess::~VelmarProcess() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
}

void VelmarProcess::interrupt() {
    if (pid_ > 0) {
        ::kill(pid_, SIGINT);
    }
}

CliResult VelmarProcess::wait(std::chrono::milliseconds timeout) {
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    pid_t done = 0;
    while ((done = ::waitpid(pid_, &status, WNOHANG)) == 0 &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (done == 0) {
        ::kill(pid_, SIGKILL); // a command that hangs fails the test instead of hanging it
        ::waitpid(pid_, &status, 0);
    }
    pid_ = -1;
    CliResult result = collect(status, capture_.file("out"), capture_.file("err"));
    if (done == 0) {
        result.exitCode = -1;
    }
    return result;
}

} // namespace velmar::test
