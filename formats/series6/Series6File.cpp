#include "formats/FamilyEntryPoints.h"

#include <new>

#include "core/TextFile.h"
#include "formats/series6/Series6Format.h"
#include "formats/series6/Series6Mapping.h"

namespace velmar {

ResultCode readSeries6File(const char* path, NavDatabase* database, ConversionReport* report) {
    if (path == nullptr || database == nullptr) {
        return kBadArgument;
    }
    Series6Data data;
    const ResultCode read =
        readOpenedFile(path, [&data](std::FILE* file) { return readSeries6Records(file, &data); });
    return read == kOk ? series6ToHub(&data, database, report) : read;
}

ResultCode writeSeries6Files(NavDatabase* database, const char* basePath,
                             ConversionReport* report) {
    if (database == nullptr || basePath == nullptr) {
        return kBadArgument;
    }
    try {
        Series6Data data;
        initSeries6Data(&data);
        ResultCode result = hubToSeries6(database, &data, report);
        if (result == kOk) {
            result = writeSeries6FileSet(&data, basePath);
        }
        clearSeries6Data(&data);
        return result;
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
}

} // namespace velmar
