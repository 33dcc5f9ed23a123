#include "formats/FamilyEntryPoints.h"

#include "core/TextFile.h"
#include "formats/cmap/CmapMapping.h"

namespace velmar {

ResultCode readCmapFile(const char* path, NavDatabase* database, ConversionReport* report) {
    if (path == nullptr || database == nullptr) {
        return kBadArgument;
    }
    FilePtr file = openForReading(path);
    if (!file) {
        return kCannotOpen;
    }
    return readCmapIntoHub(file.get(), database, report);
}

ResultCode writeCmapFiles(NavDatabase* database, const char* basePath, ConversionReport* report) {
    return writeHubAsCmap(database, basePath, report);
}

} // namespace velmar
