// The CMAP family's mapping to and from the navigation database, and its entry points.
#include <algorithm>
#include <new>

#include "core/Text.h"
#include "core/TextFile.h"
#include "formats/cmap/CmapFile.h"
#include "formats/cmap/CmapXml.h"

namespace velmar {

namespace {

constexpr std::uint32_t kMaxCarriedSymbol = 255;

// A symbol or icon number is carried only when it is 0..255.
std::uint32_t symbolOfIcon(std::int32_t icon) {
    return icon >= 0 && static_cast<std::uint32_t>(icon) <= kMaxCarriedSymbol
               ? static_cast<std::uint32_t>(icon)
               : 0;
}
std::int32_t iconOfSymbol(std::uint32_t symbol) {
    return symbol <= kMaxCarriedSymbol ? static_cast<std::int32_t>(symbol) : 0;
}

constexpr char kIcons[] = "the navigation database keeps symbols 0 to 255; others become 0";

ResultCode cmapWaypointsToHub(const CmapDatabase& cmap, NavDatabase* database,
                              ConversionReport* report) {
    Waypoint waypoint;
    for (const CmapWaypoint& source : cmap.waypoints) {
        if (report != nullptr) {
            const RecordNotes notes(report, RecordKind::Waypoint, database->waypoints.size(),
                                    source.name);
            notes.cut("name", source.name, kWaypointNameWidth,
                      "the navigation database keeps 19 characters of a waypoint name");
            notes.cut("comment", source.description, kCommentWidth,
                      "the navigation database keeps 34 characters of a comment");
            notes.symbol(static_cast<std::uint32_t>(source.icon), symbolOfIcon(source.icon),
                         kIcons);
        }
        initWaypoint(&waypoint);
        copyText(waypoint.name, source.name, kWaypointNameWidth);
        copyText(waypoint.comment, source.description, kCommentWidth);
        waypoint.symbol = symbolOfIcon(source.icon);
        waypoint.latitude = source.latitude;
        waypoint.longitude = source.longitude;
        waypoint.date.day = source.dateTime.day;
        waypoint.date.month = source.dateTime.month;
        waypoint.date.year = source.dateTime.year;
        waypoint.altitude = source.altitude;
        const ResultCode result = addWaypoint(database, &waypoint);
        if (result == kNoMemory) {
            return result;
        }
        if (result != kOk) {
            break; // the table is full
        }
    }
    return kOk;
}

ResultCode cmapRoutesToHub(const CmapDatabase& cmap, NavDatabase* database,
                           ConversionReport* report) {
    Route route;
    RoutePoint point;
    for (const CmapRoute& source : cmap.routes) {
        const RecordNotes notes(report, RecordKind::Route, database->routes.size(), source.name);
        notes.cut("name", source.name, kRouteNameWidth,
                  "the navigation database keeps 8 characters of a route name");
        notes.cut("comment", source.description, kCommentWidth,
                  "the navigation database keeps 34 characters of a comment");
        for (std::size_t p = 0; notes.active() && p < source.waypoints.size(); ++p) {
            const CmapRouteWaypoint& waypoint = source.waypoints[p];
            const RecordNotes pointNotes = notes.atPoint(p, waypoint.name);
            pointNotes.cut("name", waypoint.name, kRoutePointNameWidth,
                           "the navigation database keeps 19 characters of a point name");
            pointNotes.symbol(static_cast<std::uint32_t>(waypoint.icon),
                              symbolOfIcon(waypoint.icon), kIcons);
        }
        clearRoutePoints(&route);
        initRoute(&route); // the date stays today
        copyText(route.name, source.name, kRouteNameWidth);
        copyText(route.comment, source.description, kCommentWidth);
        for (const CmapRouteWaypoint& waypoint : source.waypoints) {
            initRoutePoint(&point);
            copyText(point.name, waypoint.name, kRoutePointNameWidth);
            point.symbol = symbolOfIcon(waypoint.icon);
            point.latitude = waypoint.latitude;
            point.longitude = waypoint.longitude;
            const ResultCode result = addRoutePoint(&route, &point);
            if (result == kNoMemory) {
                return result;
            }
            if (result != kOk) {
                break; // the remaining waypoints are dropped, the route is still added
            }
        }
        const ResultCode result = addRoute(database, std::move(route));
        if (result == kNoMemory) {
            return result;
        }
        if (result != kOk) {
            break;
        }
    }
    clearRoutePoints(&route);
    return renumberRecords(database, RenumberRoutes);
}

ResultCode cmapTracksToHub(const CmapDatabase& cmap, NavDatabase* database) {
    Track track;
    TrackPoint point;
    for (const CmapTrack& source : cmap.tracks) {
        clearTrackPoints(&track);
        initTrack(&track);
        for (const CmapTrackPoint& cmapPoint : source.points) {
            initTrackPoint(&point); // every point 'N'
            point.latitude = cmapPoint.latitude;
            point.longitude = cmapPoint.longitude;
            const ResultCode result = addTrackPoint(&track, &point);
            if (result == kNoMemory) {
                return result;
            }
            if (result != kOk) {
                break;
            }
        }
        const ResultCode result = addTrack(database, std::move(track));
        if (result == kNoMemory) {
            return result;
        }
        if (result != kOk) {
            break;
        }
    }
    clearTrackPoints(&track);
    return renumberRecords(database, RenumberTracks);
}

ResultCode hubWaypointsToCmap(const NavDatabase& database, CmapDatabase* cmap,
                              ConversionReport* report) {
    CmapWaypoint waypoint;
    for (const Waypoint& source : database.waypoints) {
        if (report != nullptr) {
            const RecordNotes notes(report, RecordKind::Waypoint, cmap->waypoints.size(),
                                    source.name);
            notes.position(source.latitude, source.longitude);
            notes.symbol(source.symbol, static_cast<std::uint32_t>(iconOfSymbol(source.symbol)),
                         "a CMAP icon number is carried for symbols 0 to 255 only");
            notes.colourNotCarried(source.colour, "a CMAP waypoint's colour is not carried");
        }
        initCmapWaypoint(&waypoint); // type 2, the current time
        copyText(waypoint.name, source.name, kCmapNameWidth);
        copyText(waypoint.description, source.comment, kCmapDescriptionWidth);
        waypoint.icon = iconOfSymbol(source.symbol);
        waypoint.latitude = source.latitude;
        waypoint.longitude = source.longitude;
        waypoint.dateTime.day = source.date.day;
        waypoint.dateTime.month = source.date.month;
        waypoint.dateTime.year = source.date.year;
        waypoint.altitude = source.altitude;
        const ResultCode result = addCmapWaypoint(cmap, &waypoint);
        if (result == kNoMemory) {
            return result;
        }
        if (result != kOk) {
            break;
        }
    }
    return kOk;
}

ResultCode hubRoutesToCmap(const NavDatabase& database, CmapDatabase* cmap,
                           ConversionReport* report) {
    CmapRoute route;
    CmapRouteWaypoint waypoint;
    for (const Route& source : database.routes) {
        const RecordNotes notes(report, RecordKind::Route, cmap->routes.size(), source.name);
        if (notes.active()) {
            notes.colourNotCarried(source.colour, "a CMAP route's colour is not carried");
            notes.dateNotCarried(source.date, "a CMAP route has no date");
            for (std::size_t p = 0; p < source.points.size(); ++p) {
                const RoutePoint& point = source.points[p];
                const RecordNotes pointNotes = notes.atPoint(p, point.name);
                pointNotes.position(point.latitude, point.longitude);
                pointNotes.symbol(point.symbol,
                                  static_cast<std::uint32_t>(iconOfSymbol(point.symbol)),
                                  "a CMAP icon number is carried for symbols 0 to 255 only");
            }
        }
        clearCmapRouteWaypoints(&route);
        initCmapRoute(&route);
        copyText(route.name, source.name, kCmapNameWidth);
        copyText(route.description, source.comment, kCmapDescriptionWidth);
        for (const RoutePoint& point : source.points) {
            initCmapRouteWaypoint(&waypoint); // type 1, the current date and time
            copyText(waypoint.name, point.name, kCmapNameWidth);
            waypoint.icon = iconOfSymbol(point.symbol);
            waypoint.latitude = point.latitude;
            waypoint.longitude = point.longitude;
            const ResultCode result = addCmapRouteWaypoint(&route, &waypoint);
            if (result == kNoMemory) {
                return result;
            }
            if (result != kOk) {
                break;
            }
        }
        const ResultCode result = addCmapRoute(cmap, std::move(route));
        if (result == kNoMemory) {
            return result;
        }
        if (result != kOk) {
            break;
        }
    }
    return kOk;
}

ResultCode hubTracksToCmap(const NavDatabase& database, CmapDatabase* cmap,
                           ConversionReport* report) {
    CmapTrack track;
    CmapTrackPoint point;
    for (const Track& source : database.tracks) {
        const RecordNotes notes(report, RecordKind::Track, cmap->tracks.size(), source.name);
        if (notes.active()) {
            notes.textNotCarried("name", source.name, "a CMAP track has no name");
            notes.colourNotCarried(source.colour, "a CMAP track's colour is not carried");
            notes.dateNotCarried(source.date, "a CMAP track has no date");
            const bool breaks =
                std::any_of(source.points.begin(), source.points.end(),
                            [](const TrackPoint& point) { return point.pointFlag != 'N'; });
            if (breaks) {
                notes.note(FindingKind::FieldNotCarried, "pointFlag", "the track's runs", {},
                           "a CMAP track is one run: the breaks between runs are not carried");
            }
            for (std::size_t p = 0; p < source.points.size(); ++p) {
                notes.atPoint(p, source.name)
                    .position(source.points[p].latitude, source.points[p].longitude);
            }
        }
        clearCmapTrackPoints(&track);
        initCmapTrack(&track);
        for (const TrackPoint& hubPoint : source.points) {
            initCmapTrackPoint(&point); // fore colour 0, back colour 15, the current time
            point.latitude = hubPoint.latitude;
            point.longitude = hubPoint.longitude;
            const ResultCode result = addCmapTrackPoint(&track, &point);
            if (result == kNoMemory) {
                return result;
            }
            if (result != kOk) {
                break;
            }
        }
        const ResultCode result = addCmapTrack(cmap, std::move(track));
        if (result == kNoMemory) {
            return result;
        }
        if (result != kOk) {
            break;
        }
    }
    return kOk;
}

} // namespace

ResultCode cmapToHub(const CmapDatabase* cmap, NavDatabase* database, ConversionReport* report) {
    if (cmap == nullptr || database == nullptr) {
        return kBadArgument;
    }
    try {
        ResultCode result = cmapWaypointsToHub(*cmap, database, report);
        if (result == kOk) {
            result = cmapRoutesToHub(*cmap, database, report);
        }
        if (result == kOk) {
            result = cmapTracksToHub(*cmap, database);
        }
        return result;
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
}

ResultCode hubToCmap(const NavDatabase* database, CmapDatabase* cmap, ConversionReport* report) {
    if (cmap == nullptr || database == nullptr) {
        return kBadArgument;
    }
    try {
        ResultCode result = hubWaypointsToCmap(*database, cmap, report);
        if (result == kOk) {
            result = hubRoutesToCmap(*database, cmap, report);
        }
        if (result == kOk) {
            result = hubTracksToCmap(*database, cmap, report);
        }
        if (result == kOk && report != nullptr) {
            noteKindDropped(report, RecordKind::Mark, database->marks, "a CMAP file has no marks");
            noteKindDropped(report, RecordKind::Line, database->lines, "a CMAP file has no lines");
            noteKindDropped(report, RecordKind::Zone, database->zones, "a CMAP file has no zones");
            RecordCounts& written = report->written;
            written = {};
            written.waypoints = static_cast<long long>(cmap->waypoints.size());
            written.routes = static_cast<long long>(cmap->routes.size());
            written.tracks = static_cast<long long>(cmap->tracks.size());
            for (const CmapRoute& route : cmap->routes) {
                written.routePoints += static_cast<long long>(route.waypoints.size());
            }
            for (const CmapTrack& track : cmap->tracks) {
                written.trackPoints += static_cast<long long>(track.points.size());
            }
            report->wasWritten = true;
        }
        return result;
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
}

ResultCode readCmapFile(const char* path, NavDatabase* database, ConversionReport* report) {
    if (path == nullptr || database == nullptr) {
        return kBadArgument;
    }
    FilePtr file = openForReading(path);
    if (!file) {
        return kCannotOpen;
    }
    CmapDatabase cmap;
    initCmapDatabase(&cmap);
    ResultCode result = readCmapRecords(file.get(), &cmap, report);
    file.reset();
    if (result == kOk) {
        result = cmapToHub(&cmap, database, report);
    }
    clearCmapDatabase(&cmap);
    return result;
}

ResultCode writeCmapFiles(NavDatabase* database, const char* basePath, ConversionReport* report) {
    if (basePath == nullptr || database == nullptr) {
        return kBadArgument;
    }
    CmapDatabase cmap;
    initCmapDatabase(&cmap);
    ResultCode result = hubToCmap(database, &cmap, report);
    if (result == kOk) {
        result = writeCmapFileSet(&cmap, basePath);
    }
    clearCmapDatabase(&cmap);
    return result;
}

} // namespace velmar
