#include "formats/FamilyEntryPoints.h"

#include "core/TextFile.h"
#include "formats/series41/Series41Mapping.h"
#include "formats/series41/Series41Sentences.h"

namespace velmar {

// The format holds what the navigation database holds: reading notes nothing.
ResultCode readSeries41File(const char* path, NavDatabase* database, ConversionReport*) {
    if (path == nullptr || database == nullptr) {
        return kBadArgument;
    }
    Series41Data set;
    const ResultCode read =
        readOpenedFile(path, [&set](std::FILE* file) { return readSeries41Sentences(file, &set); });
    return read == kOk ? series41ToHub(&set, database) : read;
}

ResultCode writeSeries41File(NavDatabase* database, const char* path, ConversionReport* report) {
    if (database == nullptr || path == nullptr) {
        return kBadArgument;
    }
    OutputFile file;
    ResultCode result = file.create(path);
    if (result != kOk) {
        return result;
    }
    // Every route point gets a waypoint at its position, so the routes can name their points.
    const std::size_t waypoints = database->waypoints.size();
    result = addRoutePointsAsWaypoints(database);
    for (std::size_t i = waypoints; report != nullptr && i < database->waypoints.size(); ++i) {
        RecordNotes(report, RecordKind::Waypoint, i, database->waypoints[i].name)
            .note(FindingKind::RecordAdded, "", {}, {},
                  "a Series 41 route names its points by waypoint, so a route point with no "
                  "waypoint of its name at its position is kept as one");
    }
    Series41Data set;
    if (result == kOk) {
        result = hubToSeries41(database, &set, report);
    }
    if (result == kOk) {
        result = writeSeries41Sentences(&file, &set);
    }
    if (result == kOk) {
        result = file.close(); // on any failure the file is discarded: the earlier one stays
    }
    clearSeries41Data(&set);
    return result;
}

} // namespace velmar
