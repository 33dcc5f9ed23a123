// Placeholder until the family lands: the family refuses every file.
#include "formats/series41/Series41File.h"

namespace velmar {

ResultCode readSeries41File(const char* path, NavDatabase* database) {
    return path == nullptr || database == nullptr ? kBadArgument : kWriteFailed;
}

ResultCode writeSeries41File(NavDatabase* database, const char* path) {
    return path == nullptr || database == nullptr ? kBadArgument : kWriteFailed;
}

} // namespace velmar
