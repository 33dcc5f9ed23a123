// Placeholder until the family lands: the family refuses every file.
#include "formats/series5/Series5File.h"

namespace velmar {

ResultCode readSeries5File(const char* path, NavDatabase* database) {
    return path == nullptr || database == nullptr ? kBadArgument : kWriteFailed;
}

ResultCode writeSeries5Files(NavDatabase* database, const char* path) {
    return path == nullptr || database == nullptr ? kBadArgument : kWriteFailed;
}

} // namespace velmar
