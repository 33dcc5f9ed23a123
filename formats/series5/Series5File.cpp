#include "formats/FamilyEntryPoints.h"

#include <new>
#include <vector>

#include "core/TextFile.h"
#include "formats/series5/Series5Data.h"
#include "formats/series5/Series5Format.h"
#include "formats/series5/Series5Mapping.h"

namespace velmar {

ResultCode readSeries5File(const char* path, NavDatabase* database, ConversionReport* report) {
    if (path == nullptr || database == nullptr) {
        return kBadArgument;
    }
    Series5Data data;
    const ResultCode read =
        readOpenedFile(path, [&data](std::FILE* file) { return readSeries5Records(file, &data); });
    return read == kOk ? series5ToHub(&data, database, report) : read;
}

ResultCode writeSeries5Files(NavDatabase* database, const char* basePath,
                             ConversionReport* report) {
    if (database == nullptr || basePath == nullptr) {
        return kBadArgument;
    }
    try {
        Series5Data data;
        initSeries5Data(&data);
        const ResultCode mapped = hubToSeries5(database, &data, report);
        if (mapped != kOk) {
            clearSeries5Data(&data);
            return mapped;
        }
        const auto kind = [&data](int selector) {
            return [&data, selector](OutputFile& file) {
                return writeSeries5Records(&file, &data, selector);
            };
        };
        const std::vector<FileSetPart> parts = {
            {kSeries5Suffixes[Series5Waypoints], !data.waypoints.empty(), kind(Series5Waypoints)},
            {kSeries5Suffixes[Series5Routes], !data.routes.empty(), kind(Series5Routes)},
            {kSeries5Suffixes[Series5Tracks], !data.tracks.empty(), kind(Series5Tracks)},
        };
        // Every kind with records is tried; the first failure of the set is the result.
        const ResultCode written = writeFileSet(basePath, parts);
        clearSeries5Data(&data);
        return written;
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
}

} // namespace velmar
