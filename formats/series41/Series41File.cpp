#include "formats/series41/Series41File.h"

#include <algorithm>
#include <new>
#include <string>
#include <unordered_set>

#include "core/PositionIndex.h"
#include "core/Text.h"
#include "core/TextFile.h"
#include "formats/series41/Series41Mapping.h"
#include "formats/series41/Series41Sentences.h"

namespace velmar {

namespace {

constexpr std::uint32_t kFirstDeviceSymbol = 16;
constexpr std::uint32_t kLastDeviceSymbol = 24;
constexpr std::uint32_t kLastHubSymbol = 255;
// After a renaming by position the names "001".."996" are all there is room for.
constexpr std::size_t kRenamedWaypoints = 996;

std::int32_t deviceSymbol(std::uint32_t symbol) {
    return symbol >= kFirstDeviceSymbol && symbol <= kLastDeviceSymbol
               ? static_cast<std::int32_t>(symbol)
               : kSeries41DefaultSymbol;
}

std::uint32_t hubSymbol(std::int32_t symbol) {
    return symbol >= 0 && static_cast<std::uint32_t>(symbol) <= kLastHubSymbol
               ? static_cast<std::uint32_t>(symbol)
               : 0;
}

bool allowedCharacter(char c) {
    if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
        return true;
    }
    switch (c) {
    case '_':
    case '&':
    case '(':
    case ')':
    case '+':
    case '-':
    case '/':
    case '=':
    case '?':
    case '}':
        return true;
    default:
        return false;
    }
}

// When any two waypoint names are equal, every waypoint is renamed by its position ("%03d") and
// the list is cut to the 996 such names.
void renameDuplicateWaypoints(Series41Data* set) {
    std::unordered_set<std::string_view> seen;
    seen.reserve(set->waypoints.size());
    bool duplicate = false;
    for (const Series41Waypoint& waypoint : set->waypoints) {
        if (!seen.insert(waypoint.name).second) {
            duplicate = true;
            break;
        }
    }
    if (!duplicate) {
        return;
    }
    if (set->waypoints.size() > kRenamedWaypoints) {
        set->waypoints.resize(kRenamedWaypoints);
    }
    for (std::size_t i = 0; i < set->waypoints.size(); ++i) {
        std::string& name = set->waypoints[i].name;
        name.clear();
        appendInt(name, static_cast<long long>(i + 1), 3);
    }
}

ResultCode mapWaypointsOut(const NavDatabase* database, Series41Data* set) {
    for (const Waypoint& source : database->waypoints) {
        Series41Waypoint waypoint;
        waypoint.latitude = source.latitude;
        waypoint.longitude = source.longitude;
        copyText(waypoint.name, source.name, kSeries41NameWidth);
        waypoint.comment = filterSeries41Text(cutText(source.comment, kSeries41CommentWidth));
        waypoint.symbol = deviceSymbol(source.symbol);
        const ResultCode result = addSeries41Waypoint(set, &waypoint);
        if (result == kWaypointsFull) {
            break;
        }
        if (result != kOk) {
            return result;
        }
    }
    return kOk;
}

ResultCode mapRoutesOut(const NavDatabase* database, Series41Data* set) {
    const PositionIndex waypointAt = PositionIndex::of(set->waypoints);
    Series41Route route;
    for (const Route& source : database->routes) {
        initSeries41Route(&route);
        route.name = filterSeries41Text(cutText(source.comment, kSeries41RouteNameWidth));
        for (const RoutePoint& sourcePoint : source.points) {
            Series41RoutePoint point;
            copyText(point.name, sourcePoint.name, kSeries41NameWidth);
            point.symbol = deviceSymbol(sourcePoint.symbol);
            point.latitude = sourcePoint.latitude;
            point.longitude = sourcePoint.longitude;
            const ResultCode result = addSeries41RoutePoint(&route, &point);
            if (result == kRoutePointsFull) {
                break; // the route keeps its first 30 points
            }
            if (result != kOk) {
                return result;
            }
        }
        // A point stands on the first waypoint at its position and takes its name and symbol;
        // a point at no waypoint, or at one without a name, is left out.
        std::size_t kept = 0;
        for (std::size_t i = 0; i < route.points.size(); ++i) {
            Series41RoutePoint& point = route.points[i];
            const int found = waypointAt.find(point.latitude, point.longitude);
            if (found == PositionIndex::kNone) {
                continue;
            }
            const Series41Waypoint& waypoint = set->waypoints[static_cast<std::size_t>(found)];
            if (waypoint.name.empty()) {
                continue;
            }
            point.name = waypoint.name;
            point.symbol = waypoint.symbol;
            if (kept != i) {
                route.points[kept] = std::move(point);
            }
            ++kept;
        }
        route.points.resize(kept);
        if (!route.points.empty()) {
            const ResultCode result = addSeries41Route(set, &route);
            if (result == kRoutesFull) {
                break;
            }
            if (result != kOk) {
                return result;
            }
        }
        clearSeries41RoutePoints(&route);
    }
    std::int32_t number = 1;
    for (Series41Route& added : set->routes) {
        added.number = number++;
    }
    return kOk;
}

} // namespace

std::string filterSeries41Text(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (!allowedCharacter(c)) {
            c = '?';
        }
    }
    return out;
}

ResultCode series41ToHub(const Series41Data* set, NavDatabase* database) {
    if (set == nullptr || database == nullptr) {
        return kBadArgument;
    }
    try {
        for (const Series41Waypoint& source : set->waypoints) {
            Waypoint waypoint;
            initWaypoint(&waypoint);
            waypoint.latitude = source.latitude;
            waypoint.longitude = source.longitude;
            copyText(waypoint.name, source.name, kSeries41NameWidth);
            copyText(waypoint.comment, source.comment, kSeries41CommentWidth);
            waypoint.symbol = hubSymbol(source.symbol);
            const ResultCode result = addWaypoint(database, &waypoint);
            if (result == kWaypointsFull) {
                break;
            }
            if (result != kOk) {
                return result;
            }
        }
        Route route;
        for (const Series41Route& source : set->routes) {
            initRoute(&route);
            route.name.clear();
            appendInt(route.name, source.number);
            route.name.resize(std::min(route.name.size(), kRouteNameWidth));
            copyText(route.comment, source.name, kSeries41RouteNameWidth);
            for (const Series41RoutePoint& sourcePoint : source.points) {
                RoutePoint point;
                initRoutePoint(&point);
                copyText(point.name, sourcePoint.name, kSeries41NameWidth);
                point.latitude = sourcePoint.latitude;
                point.longitude = sourcePoint.longitude;
                point.symbol = hubSymbol(sourcePoint.symbol);
                const ResultCode result = addRoutePoint(&route, &point);
                if (result != kOk && result != kRoutePointsFull) {
                    return result;
                }
            }
            const ResultCode result = addRoute(database, std::move(route));
            clearRoutePoints(&route);
            if (result == kRoutesFull) {
                break;
            }
            if (result != kOk) {
                return result;
            }
        }
        renumberRecords(database, RenumberRoutes);
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
    return kOk;
}

ResultCode hubToSeries41(const NavDatabase* database, Series41Data* set) {
    if (database == nullptr || set == nullptr) {
        return kBadArgument;
    }
    try {
        ResultCode result = mapWaypointsOut(database, set);
        if (result != kOk) {
            return result;
        }
        renameDuplicateWaypoints(set);
        return mapRoutesOut(database, set);
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
}

ResultCode readSeries41File(const char* path, NavDatabase* database) {
    if (path == nullptr || database == nullptr) {
        return kBadArgument;
    }
    FilePtr file = openForReading(path);
    if (!file) {
        return kCannotOpen;
    }
    Series41Data set;
    ResultCode result = readSeries41Sentences(file.get(), &set);
    file.reset();
    if (result == kOk) {
        result = series41ToHub(&set, database);
    }
    clearSeries41Data(&set);
    return result;
}

ResultCode writeSeries41File(NavDatabase* database, const char* path) {
    if (database == nullptr || path == nullptr) {
        return kBadArgument;
    }
    OutputFile file;
    ResultCode result = file.create(path);
    if (result != kOk) {
        return result;
    }
    // Every route point gets a waypoint at its position, so the routes can name their points.
    result = addRoutePointsAsWaypoints(database);
    Series41Data set;
    if (result == kOk) {
        result = hubToSeries41(database, &set);
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
