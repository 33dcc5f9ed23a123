#include "ui/FileFacts.h"

#include <sys/stat.h>

#include "core/Calendar.h"
#include "core/Text.h"

namespace velmar {

namespace {

bool regularFileFacts(const std::string& path, struct stat* facts) {
    return !path.empty() && ::stat(path.c_str(), facts) == 0 && S_ISREG(facts->st_mode);
}

} // namespace

std::string formatListDate(std::int64_t secondsSince1970) {
    const CivilTime time = civilFromSeconds(secondsSince1970);
    std::string text;
    appendInt(text, time.day);
    text.push_back('/');
    appendInt(text, time.month, 2);
    text.push_back('/');
    appendInt(text, time.year, 4);
    return text;
}

std::string formatListSize(std::uint64_t bytes) {
    std::string text;
    appendInt(text, static_cast<long long>((bytes + 512) / 1024));
    return text;
}

std::string fileDateText(const std::string& path) {
    struct stat facts {};
    if (!regularFileFacts(path, &facts)) {
        return kUnknownFact;
    }
    return formatListDate(static_cast<std::int64_t>(facts.st_mtime));
}

std::string fileSizeText(const std::string& path) {
    struct stat facts {};
    if (!regularFileFacts(path, &facts)) {
        return kUnknownFact;
    }
    return formatListSize(static_cast<std::uint64_t>(facts.st_size));
}

} // namespace velmar
