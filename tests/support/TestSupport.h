#pragma once
// Helpers shared by the test programs: scratch folders and whole-file bytes.

#include <filesystem>
#include <string>

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

std::string readBytes(const std::string& path);
void writeBytes(const std::string& path, const std::string& bytes);
bool fileExists(const std::string& path);
// The source tree's examples/ folder and the build's cli binary.
std::string sourcePath(const std::string& relative);
std::string binaryPath(const std::string& relative);

} // namespace velmar::test
