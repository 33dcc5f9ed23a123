#include "core/OutputNames.h"

#include <filesystem>
#include <sys/stat.h>
#include <system_error>

#include "core/Text.h"

namespace velmar {

std::string OutputNames::key(const std::string& path) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return (error ? std::filesystem::path(path) : absolute).lexically_normal().string();
}

template <typename Visit>
void OutputNames::forEachFile(const std::string& path, std::span<const char* const> members,
                              Visit visit) {
    if (members.empty()) {
        visit(path);
        return;
    }
    for (const char* suffix : members) {
        visit(path + suffix);
    }
}

void OutputNames::addSources(const std::vector<std::string>& sources) {
    for (const std::string& source : sources) {
        sources_.insert(key(source));
        struct stat info {};
        if (::stat(source.c_str(), &info) == 0) {
            sourceFiles_.insert(
                {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)});
        }
    }
}

bool OutputNames::taken(const std::string& file) const {
    const std::string name = key(file);
    if (claimed_.count(name) != 0 || sources_.count(name) != 0) {
        return true;
    }
    struct stat info {};
    return ::stat(file.c_str(), &info) == 0 &&
           sourceFiles_.count({static_cast<std::uint64_t>(info.st_dev),
                               static_cast<std::uint64_t>(info.st_ino)}) != 0;
}

std::string OutputNames::claim(const std::string& stem, const std::string& extension,
                               std::span<const char* const> members) {
    std::string path = stem + extension;
    for (long long number = 2;; ++number) {
        bool free = true;
        forEachFile(path, members, [&](const std::string& file) { free = free && !taken(file); });
        if (free) {
            break;
        }
        path = stem;
        path.push_back('-');
        appendInt(path, number);
        path += extension;
    }
    forEachFile(path, members, [this](const std::string& file) { claimed_.insert(key(file)); });
    return path;
}

} // namespace velmar
