#pragma once
// The names a conversion job's outputs may take: never one of the job's own sources, never an
// output the job already wrote. Two sources with the same file name (a/day.hub and b/day.hub
// into one folder) so get two outputs, day.hub.s41 and day.hub-2.s41.

#include <cstdint>
#include <set>
#include <span>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

namespace velmar {

class OutputNames {
  public:
    // The job's sources, by name and, for those that exist, as files (so a link to a source or
    // another spelling of its path counts as the source too).
    void addSources(const std::vector<std::string>& sources);

    // The output path `stem` + `extension`, or the first of `stem`-2, -3, ... + `extension`
    // that is free. A path is free when none of its files (the path itself, or for a file set
    // the path with each of `members` appended) is a source or was claimed before. The files
    // of the path returned are claimed. May throw std::bad_alloc.
    std::string claim(const std::string& stem, const std::string& extension,
                      std::span<const char* const> members);

  private:
    using FileId = std::pair<std::uint64_t, std::uint64_t>; // device, inode

    static std::string key(const std::string& path);
    bool taken(const std::string& path) const;
    template <typename Visit>
    static void forEachFile(const std::string& path, std::span<const char* const> members,
                            Visit visit);

    std::unordered_set<std::string> sources_;
    std::set<FileId> sourceFiles_;
    std::unordered_set<std::string> claimed_;
};

} // namespace velmar
