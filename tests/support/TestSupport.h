#pragma once
// Helpers shared by the test programs: scratch folders, whole-file bytes, and the programs of
// the build (the real `velmar` binary, a script) run with their exit status and output.

#include <csignal>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <sys/types.h>
#include <vector>

namespace velmar::test {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

// While it lives, no file of the process can grow beyond `bytes`: a write past that fails as on
// a full disk.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    rlimit previous_{};
    struct sigaction previousAction_ {};
};

// The names in a folder, sorted (hidden temporary files included).
std::vector<std::string> folderNames(const std::string& folder);

// The lines, each ended with `end` (CR LF, as the writers end them).
std::string crlf(const std::vector<std::string>& lines, const char* end = "\r\n");
// The text `count` times over.
std::string repeated(const std::string& text, std::size_t count);
// Binary noise of every byte value (line ends, '$', '<', NUL among them): byte i is
// i * step + offset, modulo 256.
std::string noiseBytes(std::size_t count, unsigned step = 37, unsigned offset = 0);
std::string readBytes(const std::string& path);
void writeBytes(const std::string& path, const std::string& bytes);
bool fileExists(const std::string& path);
// The source tree's examples/ folder and the build's cli binary.
std::string sourcePath(const std::string& relative);
std::string binaryPath(const std::string& relative);

struct CliResult {
    int exitCode = -1; // -1 when it did not exit by itself
    int signal = 0;    // the signal that ended it, if one did
    std::string out;
    std::string err;
};

struct RunOptions {
    std::string workingFolder{};         // empty: the test's own
    int stdoutFd = -1;                   // standard output goes there instead of being collected
    std::vector<std::string> unsetEnv{}; // variables the program must not see
    std::vector<std::string> setEnv{};   // "NAME=value"
    // Runs while the program does (its standard input is then /dev/null), e.g. to play the
    // other end of its work or interrupt it.
    std::function<void(pid_t)> whileRunning{};
};

CliResult runProgram(const std::string& program, const std::vector<std::string>& arguments,
                     const RunOptions& options = {});
CliResult runVelmar(const std::vector<std::string>& arguments,
                    const std::string& workingFolder = "", int stdoutFd = -1);

} // namespace velmar::test
