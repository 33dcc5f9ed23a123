// Placeholder until the family lands: the family refuses every file.
#include "formats/series6/Series6File.h"

namespace velmar {

ResultCode readSeries6File(const char* path, NavDatabase* database) {
    return path == nullptr || database == nullptr ? kBadArgument : kWriteFailed;
}

ResultCode writeSeries6Files(NavDatabase* database, const char* path) {
    return path == nullptr || database == nullptr ? kBadArgument : kWriteFailed;
}

} // namespace velmar
