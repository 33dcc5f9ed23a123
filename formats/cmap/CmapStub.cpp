// Placeholder until the family lands: the family refuses every file.
#include "formats/cmap/CmapFile.h"

namespace velmar {

ResultCode readCmapFile(const char* path, NavDatabase* database) {
    return path == nullptr || database == nullptr ? kBadArgument : kWriteFailed;
}

ResultCode writeCmapFiles(NavDatabase* database, const char* path) {
    return path == nullptr || database == nullptr ? kBadArgument : kWriteFailed;
}

} // namespace velmar
