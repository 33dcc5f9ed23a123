#include "formats/FamilyTable.h"

#include "formats/FamilyEntryPoints.h"
#include "formats/cmap/CmapXml.h"
#include "formats/gpx/GpxFile.h"
#include "formats/hub/HubFile.h"
#include "formats/series5/Series5Format.h"
#include "formats/series6/Series6Format.h"

namespace velmar {

namespace {

constexpr const char* kCmapMembers[] = {kCmapWaypointSuffix, kCmapRouteSuffix, kCmapTrackSuffix};

struct FamilyRow {
    FormatFamily family;
    unsigned capabilities;
};

const FamilyRow kFamilies[kFamilyCount] = {
    {{"Series 41", "s41", readSeries41File, writeSeries41File, ".s41"}, kOnTypeRadios},
    {{"Series 5", "s5", readSeries5File, writeSeries5Files, ".s5", kSeries5Suffixes},
     kOnTypeRadios},
    {{"Series 6", "s6", readSeries6File, writeSeries6Files, ".s6", kSeries6Suffixes},
     kOnTypeRadios},
    // A type radio button without a file format of its own: neither read nor written, so the
    // Convert page and the command line refuse it before a job starts.
    {{"Series 66", "s66", nullptr, nullptr, ".s66"}, kOnTypeRadios},
    {{"Series 77", "s77", readHubFile, writeHubFile, ".s77"}, kOnTypeRadios},
    {{"HUB", "hub", readHubFile, writeHubFile, ".hub"}, kOnTypeRadios},
    {{"CMAP", "cmap", readCmapFile, writeCmapFiles, ".cmap", kCmapMembers}, kOnTypeRadios},
    {{"GPX", "gpx", readGpxFile, writeGpxFile, ".gpx"}, 0},
};

} // namespace

const FormatFamily* formatFamily(int typeIndex) {
    if (typeIndex < 0 || typeIndex >= kFamilyCount) {
        return nullptr;
    }
    return &kFamilies[typeIndex].family;
}

bool familyHas(int typeIndex, unsigned capabilities) {
    if (typeIndex < 0 || typeIndex >= kFamilyCount) {
        return false;
    }
    const FamilyRow& row = kFamilies[typeIndex];
    const unsigned has = row.capabilities | (row.family.reader != nullptr ? kReads : 0u) |
                         (row.family.writer != nullptr ? kWrites : 0u) |
                         (row.family.memberSuffixes.empty() ? 0u : kFileSet);
    return (has & capabilities) == capabilities;
}

int familyIndexByKey(std::string_view key) {
    if (key.size() == 1 && key[0] >= '0' && key[0] <= '9') {
        const int index = key[0] - '0';
        return familyHas(index, kOnTypeRadios) ? index : -1;
    }
    for (int i = 0; i < kFamilyCount; ++i) {
        if (key == kFamilies[i].family.key) {
            return i;
        }
    }
    return -1;
}

} // namespace velmar
