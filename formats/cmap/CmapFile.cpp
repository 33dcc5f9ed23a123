#include "formats/FamilyEntryPoints.h"

#include "core/TextFile.h"
#include "formats/cmap/CmapMapping.h"

namespace velmar {

ResultCode readCmapFile(const char* path, NavDatabase* database, ConversionReport* report) {
    if (path == nullptr || database == nullptr) {
        return kBadArgument;
    }
    return readOpenedFile(path, [database, report](std::FILE* file) {
        return readCmapIntoHub(file, database, report);
    });
}

ResultCode writeCmapFiles(NavDatabase* database, const char* basePath, ConversionReport* report) {
    return writeHubAsCmap(database, basePath, report);
}

} // namespace velmar
