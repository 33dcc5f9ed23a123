#include "formats/series41/Series41Mapping.h"

#include <algorithm>
#include <new>
#include <string>
#include <unordered_set>

#include "core/PositionIndex.h"
#include "core/Text.h"

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

constexpr char kNoTracks[] = "a Series 41 device has no tracks";
constexpr char kNoMarks[] = "a Series 41 device has no marks";
constexpr char kNoLines[] = "a Series 41 device has no lines";
constexpr char kNoZones[] = "a Series 41 device has no zones";
constexpr char kCharacterSet[] =
    "a Series 41 device writes only A-Z, 0-9 and _ & ( ) + - / = ? } in comments and route names";

// When any two waypoint names are equal, every waypoint is renamed by its position ("%03d") and
// the list is cut to the 996 such names.
void renameDuplicateWaypoints(Series41Data* set, const NavDatabase* database,
                              ConversionReport* report) {
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
    for (std::size_t i = kRenamedWaypoints; report != nullptr && i < set->waypoints.size(); ++i) {
        RecordNotes(report, RecordKind::Waypoint, i, database->waypoints[i].name)
            .dropped("two names were equal, so the waypoints are numbered 001 to 996, and a "
                     "Series 41 device has no more such names");
    }
    if (set->waypoints.size() > kRenamedWaypoints) {
        set->waypoints.resize(kRenamedWaypoints);
    }
    for (std::size_t i = 0; i < set->waypoints.size(); ++i) {
        std::string& name = set->waypoints[i].name;
        std::string before = std::move(name);
        name.clear();
        appendInt(name, static_cast<long long>(i + 1), 3);
        RecordNotes(report, RecordKind::Waypoint, i, database->waypoints[i].name)
            .renamed(before, name,
                     "two waypoint names were equal in their first 6 characters, so a Series 41 "
                     "device numbers every waypoint");
    }
}

// A comment without its trailing spaces: a Series 41 device pads comments with spaces (and a
// comment read from a Series 41 file keeps them), so the writer pads it again instead of
// turning the padding into '?' through the character filter.
std::string_view withoutPadding(std::string_view text) {
    while (!text.empty() && text.back() == ' ') {
        text.remove_suffix(1);
    }
    return text;
}

void noteWaypoint(const RecordNotes& notes, const Waypoint& source,
                  const Series41Waypoint& waypoint) {
    notes.position(source.latitude, source.longitude);
    notes.cut("name", source.name, kSeries41NameWidth,
              "a Series 41 device keeps 6 characters of a waypoint name");
    notes.written("name", waypoint.name, kFieldBreaking, kFieldReplacements,
                  "a Series 41 sentence cannot hold line ends or the characters , * $");
    notes.cut("comment", source.comment, kSeries41CommentWidth,
              "a Series 41 device keeps 16 characters of a comment");
    const std::string kept = cutText(source.comment, kSeries41CommentWidth);
    notes.replaced("comment", withoutPadding(kept), waypoint.comment, kCharacterSet);
    const std::string padded =
        waypoint.comment + std::string(kSeries41CommentWidth - waypoint.comment.size(), ' ');
    if (notes.active() && padded != kept) {
        notes.note(FindingKind::CharactersReplaced, "comment", waypoint.comment, padded,
                   "a Series 41 device fills a comment to 16 characters with spaces");
    }
    notes.symbol(source.symbol, static_cast<std::uint32_t>(waypoint.symbol),
                 "a Series 41 device has the symbols 16 to 24; others become 16");
    notes.colourNotCarried(source.colour, "a Series 41 waypoint has no colour");
    notes.dateNotCarried(source.date, "a Series 41 waypoint has no date");
    notes.altitudeNotCarried(source.altitude, "a Series 41 waypoint has no altitude");
}

ResultCode mapWaypointsOut(const NavDatabase* database, Series41Data* set,
                           ConversionReport* report) {
    for (const Waypoint& source : database->waypoints) {
        Series41Waypoint waypoint;
        waypoint.latitude = source.latitude;
        waypoint.longitude = source.longitude;
        copyText(waypoint.name, source.name, kSeries41NameWidth);
        waypoint.comment =
            filterSeries41Text(withoutPadding(cutText(source.comment, kSeries41CommentWidth)));
        waypoint.symbol = deviceSymbol(source.symbol);
        const ResultCode result = addSeries41Waypoint(set, &waypoint);
        if (result == kWaypointsFull) {
            break;
        }
        if (result != kOk) {
            return result;
        }
        if (report != nullptr) {
            noteWaypoint(
                RecordNotes(report, RecordKind::Waypoint, set->waypoints.size() - 1, source.name),
                source, set->waypoints.back());
        }
    }
    for (std::size_t i = set->waypoints.size(); report != nullptr && i < database->waypoints.size();
         ++i) {
        RecordNotes(report, RecordKind::Waypoint, i, database->waypoints[i].name)
            .dropped("a Series 41 device holds 999 waypoints");
    }
    return kOk;
}

// A point stands on the first waypoint at its position and takes its name and symbol; a point
// at no waypoint, or at one without a name, is left out.
void standOnWaypoints(Series41Route* route, const Route& source, const Series41Data& set,
                      const PositionIndex& waypointAt, const RecordNotes& notes) {
    std::size_t kept = 0;
    for (std::size_t i = 0; i < route->points.size(); ++i) {
        Series41RoutePoint& point = route->points[i];
        const int found = waypointAt.find(point.latitude, point.longitude);
        const RoutePoint& sourcePoint = source.points[i];
        const RecordNotes pointNotes = notes.atPoint(i, sourcePoint.name);
        if (found == PositionIndex::kNone) {
            pointNotes.dropped("a Series 41 route names its points by waypoint, and the "
                               "device holds no waypoint at this point's position");
            continue;
        }
        const Series41Waypoint& waypoint = set.waypoints[static_cast<std::size_t>(found)];
        if (waypoint.name.empty()) {
            pointNotes.dropped("a Series 41 route names its points by waypoint, and the "
                               "waypoint at this point's position has no name");
            continue;
        }
        if (pointNotes.active()) {
            pointNotes.position(sourcePoint.latitude, sourcePoint.longitude);
            pointNotes.renamed(sourcePoint.name, waypoint.name,
                               "a Series 41 route point takes the name of the waypoint at "
                               "its position");
            pointNotes.symbol(sourcePoint.symbol, static_cast<std::uint32_t>(waypoint.symbol),
                              "a Series 41 route point takes the symbol of the waypoint at "
                              "its position");
        }
        point.name = waypoint.name;
        point.symbol = waypoint.symbol;
        if (kept != i) {
            route->points[kept] = std::move(point);
        }
        ++kept;
    }
    route->points.resize(kept);
}

ResultCode mapRoutesOut(const NavDatabase* database, Series41Data* set, ConversionReport* report) {
    const PositionIndex waypointAt = PositionIndex::of(set->waypoints);
    Series41Route route;
    std::size_t routeIndex = 0;
    for (const Route& source : database->routes) {
        const RecordNotes notes(report, RecordKind::Route, routeIndex++, source.name);
        if (set->routes.size() >= kSeries41Capacities.routes) {
            notes.dropped("a Series 41 device holds 50 routes");
            continue;
        }
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
        notes.pointsDropped(source.points.size(), route.points.size(),
                            "a Series 41 route holds 30 points");
        standOnWaypoints(&route, source, *set, waypointAt, notes);
        if (!route.points.empty()) {
            const ResultCode result = addSeries41Route(set, &route);
            if (result != kOk) {
                return result; // the table has room: checked above
            }
            if (notes.active()) {
                std::string number;
                appendInt(number, static_cast<long long>(set->routes.size()));
                notes.renamed(source.name, number, "a Series 41 device names its routes by number");
                notes.cut("comment", source.comment, kSeries41RouteNameWidth,
                          "a Series 41 device keeps 16 characters of a route name");
                notes.replaced("comment", cutText(source.comment, kSeries41RouteNameWidth),
                               route.name, kCharacterSet);
                notes.colourNotCarried(source.colour, "a Series 41 route has no colour");
                notes.dateNotCarried(source.date, "a Series 41 route has no date");
            }
        } else {
            notes.dropped("no point of the route is at a waypoint the Series 41 device holds");
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

ResultCode hubToSeries41(const NavDatabase* database, Series41Data* set, ConversionReport* report) {
    if (database == nullptr || set == nullptr) {
        return kBadArgument;
    }
    try {
        ResultCode result = mapWaypointsOut(database, set, report);
        if (result != kOk) {
            return result;
        }
        renameDuplicateWaypoints(set, database, report);
        result = mapRoutesOut(database, set, report);
        if (report != nullptr && result == kOk) {
            noteKindDropped(report, RecordKind::Mark, database->marks, kNoMarks);
            noteKindDropped(report, RecordKind::Track, database->tracks, kNoTracks);
            noteKindDropped(report, RecordKind::Line, database->lines, kNoLines);
            noteKindDropped(report, RecordKind::Zone, database->zones, kNoZones);
            report->written = {};
            report->written.waypoints = static_cast<long long>(set->waypoints.size());
            report->written.routes = static_cast<long long>(set->routes.size());
            for (const Series41Route& route : set->routes) {
                report->written.routePoints += static_cast<long long>(route.points.size());
            }
            report->wasWritten = true;
        }
        return result;
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
}

} // namespace velmar
