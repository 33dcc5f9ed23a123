#include "formats/cmap/CmapMapping.h"

#include <algorithm>
#include <iterator>
#include <new>

#include "core/CappedTable.h"
#include "core/Text.h"
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

// One CMAP record in its hub form; the points of a route or track are not touched.
void hubWaypointOf(const CmapWaypoint& source, Waypoint* waypoint) {
    initWaypoint(waypoint);
    copyText(waypoint->name, source.name, kWaypointNameWidth);
    copyText(waypoint->comment, source.description, kCommentWidth);
    waypoint->symbol = symbolOfIcon(source.icon);
    waypoint->latitude = source.latitude;
    waypoint->longitude = source.longitude;
    waypoint->date.day = source.dateTime.day;
    waypoint->date.month = source.dateTime.month;
    waypoint->date.year = source.dateTime.year;
    waypoint->altitude = source.altitude;
}

void hubRoutePointOf(const CmapRouteWaypoint& waypoint, RoutePoint* point) {
    initRoutePoint(point);
    copyText(point->name, waypoint.name, kRoutePointNameWidth);
    point->symbol = symbolOfIcon(waypoint.icon);
    point->latitude = waypoint.latitude;
    point->longitude = waypoint.longitude;
}

void hubRouteHeaderOf(const CmapRoute& source, Route* route) {
    initRoute(route); // the date stays today
    copyText(route->name, source.name, kRouteNameWidth);
    copyText(route->comment, source.description, kCommentWidth);
}

void hubTrackPointOf(const CmapTrackPoint& cmapPoint, TrackPoint* point) {
    initTrackPoint(point); // every point 'N'
    point->latitude = cmapPoint.latitude;
    point->longitude = cmapPoint.longitude;
}

// What mapping a CMAP record into the hub table at `index` does to it.
void noteWaypointToHub(ConversionReport* report, std::size_t index, const CmapWaypoint& source) {
    if (report == nullptr) {
        return;
    }
    const RecordNotes notes(report, RecordKind::Waypoint, index, source.name);
    notes.cut("name", source.name, kWaypointNameWidth,
              "the navigation database keeps 19 characters of a waypoint name");
    notes.cut("comment", source.description, kCommentWidth,
              "the navigation database keeps 34 characters of a comment");
    notes.symbol(static_cast<std::uint32_t>(source.icon), symbolOfIcon(source.icon), kIcons);
}

void noteRouteToHub(ConversionReport* report, std::size_t index, const CmapRoute& source) {
    const RecordNotes notes(report, RecordKind::Route, index, source.name);
    notes.cut("name", source.name, kRouteNameWidth,
              "the navigation database keeps 8 characters of a route name");
    notes.cut("comment", source.description, kCommentWidth,
              "the navigation database keeps 34 characters of a comment");
    for (std::size_t p = 0; notes.active() && p < source.waypoints.size(); ++p) {
        const CmapRouteWaypoint& waypoint = source.waypoints[p];
        const RecordNotes pointNotes = notes.atPoint(p, waypoint.name);
        pointNotes.cut("name", waypoint.name, kRoutePointNameWidth,
                       "the navigation database keeps 19 characters of a point name");
        pointNotes.symbol(static_cast<std::uint32_t>(waypoint.icon), symbolOfIcon(waypoint.icon),
                          kIcons);
    }
}

ResultCode cmapWaypointsToHub(const CmapDatabase& cmap, NavDatabase* database,
                              ConversionReport* report) {
    Waypoint waypoint;
    for (const CmapWaypoint& source : cmap.waypoints) {
        noteWaypointToHub(report, database->waypoints.size(), source);
        hubWaypointOf(source, &waypoint);
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
        noteRouteToHub(report, database->routes.size(), source);
        clearRoutePoints(&route);
        hubRouteHeaderOf(source, &route);
        for (const CmapRouteWaypoint& waypoint : source.waypoints) {
            hubRoutePointOf(waypoint, &point);
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
            hubTrackPointOf(cmapPoint, &point);
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

// A hub record in its CMAP form, over a new CMAP record (its type and time stamp).
void cmapWaypointOf(const Waypoint& source, CmapWaypoint* waypoint) {
    copyText(waypoint->name, source.name, kCmapNameWidth);
    copyText(waypoint->description, source.comment, kCmapDescriptionWidth);
    waypoint->icon = iconOfSymbol(source.symbol);
    waypoint->latitude = source.latitude;
    waypoint->longitude = source.longitude;
    waypoint->dateTime.day = source.date.day;
    waypoint->dateTime.month = source.date.month;
    waypoint->dateTime.year = source.date.year;
    waypoint->altitude = source.altitude;
}

void cmapRouteHeaderOf(const Route& source, CmapRoute* route) {
    initCmapRoute(route);
    copyText(route->name, source.name, kCmapNameWidth);
    copyText(route->description, source.comment, kCmapDescriptionWidth);
}

void cmapRouteWaypointOf(const RoutePoint& point, CmapRouteWaypoint* waypoint) {
    copyText(waypoint->name, point.name, kCmapNameWidth);
    waypoint->icon = iconOfSymbol(point.symbol);
    waypoint->latitude = point.latitude;
    waypoint->longitude = point.longitude;
}

void cmapTrackPointOf(const TrackPoint& hubPoint, CmapTrackPoint* point) {
    point->latitude = hubPoint.latitude;
    point->longitude = hubPoint.longitude;
}

// What mapping a hub record into the CMAP table at `index` does to it.
void noteWaypointToCmap(ConversionReport* report, std::size_t index, const Waypoint& source) {
    if (report == nullptr) {
        return;
    }
    const RecordNotes notes(report, RecordKind::Waypoint, index, source.name);
    notes.position(source.latitude, source.longitude);
    notes.symbol(source.symbol, static_cast<std::uint32_t>(iconOfSymbol(source.symbol)),
                 "a CMAP icon number is carried for symbols 0 to 255 only");
    notes.colourNotCarried(source.colour, "a CMAP waypoint's colour is not carried");
}

void noteRouteToCmap(ConversionReport* report, std::size_t index, const Route& source) {
    const RecordNotes notes(report, RecordKind::Route, index, source.name);
    if (!notes.active()) {
        return;
    }
    notes.colourNotCarried(source.colour, "a CMAP route's colour is not carried");
    notes.dateNotCarried(source.date, "a CMAP route has no date");
    for (std::size_t p = 0; p < source.points.size(); ++p) {
        const RoutePoint& point = source.points[p];
        const RecordNotes pointNotes = notes.atPoint(p, point.name);
        pointNotes.position(point.latitude, point.longitude);
        pointNotes.symbol(point.symbol, static_cast<std::uint32_t>(iconOfSymbol(point.symbol)),
                          "a CMAP icon number is carried for symbols 0 to 255 only");
    }
}

void noteTrackToCmap(ConversionReport* report, std::size_t index, const Track& source) {
    const RecordNotes notes(report, RecordKind::Track, index, source.name);
    if (!notes.active()) {
        return;
    }
    notes.textNotCarried("name", source.name, "a CMAP track has no name");
    notes.colourNotCarried(source.colour, "a CMAP track's colour is not carried");
    notes.dateNotCarried(source.date, "a CMAP track has no date");
    const bool breaks = std::any_of(source.points.begin(), source.points.end(),
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

// The kinds a CMAP file has no place for, and what the CMAP tables hold once the database was
// mapped into them.
void noteWrittenToCmap(ConversionReport* report, const NavDatabase& database) {
    if (report == nullptr) {
        return;
    }
    noteKindDropped(report, RecordKind::Mark, database.marks, "a CMAP file has no marks");
    noteKindDropped(report, RecordKind::Line, database.lines, "a CMAP file has no lines");
    noteKindDropped(report, RecordKind::Zone, database.zones, "a CMAP file has no zones");
    RecordCounts& written = report->written;
    written = {};
    written.waypoints =
        static_cast<long long>(std::min(database.waypoints.size(), kCmapCapacities.waypoints));
    written.routes =
        static_cast<long long>(std::min(database.routes.size(), kCmapCapacities.routes));
    written.tracks =
        static_cast<long long>(std::min(database.tracks.size(), kCmapCapacities.tracks));
    for (std::size_t i = 0; i < static_cast<std::size_t>(written.routes); ++i) {
        written.routePoints += static_cast<long long>(
            std::min(database.routes[i].points.size(), kCmapCapacities.routePoints));
    }
    for (std::size_t i = 0; i < static_cast<std::size_t>(written.tracks); ++i) {
        written.trackPoints += static_cast<long long>(
            std::min(database.tracks[i].points.size(), kCmapCapacities.trackPoints));
    }
    report->wasWritten = true;
}

ResultCode hubWaypointsToCmap(const NavDatabase& database, CmapDatabase* cmap,
                              ConversionReport* report) {
    CmapWaypoint waypoint;
    for (const Waypoint& source : database.waypoints) {
        noteWaypointToCmap(report, cmap->waypoints.size(), source);
        initCmapWaypoint(&waypoint); // type 2, the current time
        cmapWaypointOf(source, &waypoint);
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
        noteRouteToCmap(report, cmap->routes.size(), source);
        clearCmapRouteWaypoints(&route);
        cmapRouteHeaderOf(source, &route);
        for (const RoutePoint& point : source.points) {
            initCmapRouteWaypoint(&waypoint); // type 1, the current date and time
            cmapRouteWaypointOf(point, &waypoint);
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
        noteTrackToCmap(report, cmap->tracks.size(), source);
        clearCmapTrackPoints(&track);
        initCmapTrack(&track);
        for (const TrackPoint& hubPoint : source.points) {
            initCmapTrackPoint(&point); // fore colour 0, back colour 15, the current time
            cmapTrackPointOf(hubPoint, &point);
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

// The records of a document straight into the navigation database as the reader completes
// them, mapped and noted as cmapToHub maps and notes them: the CMAP and hub tables have the
// same capacities, so the same records arrive, and no second copy of the document's records is
// held. (Only a route's own waypoints are kept, for its notes, when a report is wanted.) The
// mapping's notes are held back until the end, so the reader's notes of what its capacities
// dropped come first, as when the document is read into CMAP tables and then mapped.
class HubSink final : public CmapRecordSink {
  public:
    HubSink(NavDatabase& database, ConversionReport* report) : db_(database), report_(report) {
        if (report_ != nullptr) {
            waypointNotes_.stage = routeNotes_.stage = report_->stage;
        }
    }
    bool readsTrackPointDetails() const override { return false; }

    // The CMAP table's capacity first (a record it refuses is never mapped), then the hub's:
    // once the hub table refused a record, the kind is not mapped further.
    ResultCode addWaypoint(const CmapWaypoint& source) override {
        if (cmapWaypoints_ >= kCmapCapacities.waypoints) {
            return kCmapWaypointsFull;
        }
        ++cmapWaypoints_;
        if (waypointsStopped_) {
            return kOk;
        }
        noteWaypointToHub(report_ != nullptr ? &waypointNotes_ : nullptr, db_.waypoints.size(),
                          source);
        hubWaypointOf(source, &waypoint_);
        const ResultCode result = velmar::addWaypoint(&db_, &waypoint_);
        waypointsStopped_ = result != kOk;
        return result;
    }
    void startRoute(CmapRoute&) override {
        clearRoutePoints(&route_);
        initRoute(&route_);
        routeWaypoints_ = 0;
        routePointsStopped_ = false;
    }
    ResultCode addRouteWaypoint(CmapRoute& route, const CmapRouteWaypoint& waypoint) override {
        if (routeWaypoints_ >= kCmapCapacities.routePoints) {
            return kCmapRouteWaypointsFull;
        }
        ++routeWaypoints_;
        if (report_ != nullptr) {
            unlessOutOfMemory(addCmapRouteWaypoint(&route, &waypoint)); // for the route's notes
        }
        if (routePointsStopped_) {
            return kOk;
        }
        hubRoutePointOf(waypoint, &routePoint_);
        const ResultCode result = addRoutePoint(&route_, &routePoint_);
        routePointsStopped_ = result != kOk;
        return result;
    }
    ResultCode addRoute(CmapRoute&& source) override {
        if (cmapRoutes_ >= kCmapCapacities.routes) {
            return kCmapRoutesFull;
        }
        ++cmapRoutes_;
        if (routesStopped_) {
            return kOk;
        }
        noteRouteToHub(report_ != nullptr ? &routeNotes_ : nullptr, db_.routes.size(), source);
        hubRouteHeaderOf(source, &route_);
        const ResultCode result = velmar::addRoute(&db_, std::move(route_));
        routesStopped_ = result != kOk;
        return result;
    }
    void startTrack(CmapTrack&) override {
        clearTrackPoints(&track_);
        initTrack(&track_);
        reserveTrackPoints(&track_);
    }
    ResultCode addTrackPoint(CmapTrack&, const CmapTrackPoint& source) override {
        hubTrackPointOf(source, &trackPoint_);
        return velmar::addTrackPoint(&track_, &trackPoint_);
    }
    ResultCode addTrack(CmapTrack&&) override {
        fitTrackPoints(&track_);
        return velmar::addTrack(&db_, std::move(track_));
    }

    // The waypoints' notes, then the routes', as cmapToHub notes them.
    void finish() {
        if (report_ != nullptr) {
            std::move(waypointNotes_.findings.begin(), waypointNotes_.findings.end(),
                      std::back_inserter(report_->findings));
            std::move(routeNotes_.findings.begin(), routeNotes_.findings.end(),
                      std::back_inserter(report_->findings));
        }
    }

  private:
    NavDatabase& db_;
    ConversionReport* report_;
    ConversionReport waypointNotes_;
    ConversionReport routeNotes_;
    std::size_t cmapWaypoints_ = 0;
    std::size_t cmapRoutes_ = 0;
    std::size_t routeWaypoints_ = 0; // of the route being read
    bool waypointsStopped_ = false;
    bool routesStopped_ = false;
    bool routePointsStopped_ = false;
    Waypoint waypoint_;
    Route route_;
    RoutePoint routePoint_;
    Track track_;
    TrackPoint trackPoint_;
};

// The database's records in their CMAP form, each mapped only when the writer asks for it (as
// hubToCmap maps them, each kind cut at the CMAP table's capacity), so a large database is
// never held twice. New records are stamped with one reading of the clock.
class HubSource final : public CmapRecordSource {
  public:
    explicit HubSource(const NavDatabase& database) : db_(database) {
        initCmapWaypoint(&newWaypoint_);
        initCmapRouteWaypoint(&newRouteWaypoint_);
        initCmapTrackPoint(&newPoint_);
    }
    std::size_t waypointCount() const override {
        return std::min(db_.waypoints.size(), kCmapCapacities.waypoints);
    }
    const CmapWaypoint& waypoint(std::size_t index) override {
        waypoint_ = newWaypoint_;
        cmapWaypointOf(db_.waypoints[index], &waypoint_);
        return waypoint_;
    }
    std::size_t routeCount() const override {
        return std::min(db_.routes.size(), kCmapCapacities.routes);
    }
    const CmapRoute& route(std::size_t index) override {
        cmapRouteHeaderOf(db_.routes[index], &route_);
        return route_;
    }
    std::size_t routeWaypointCount(std::size_t route) const override {
        return std::min(db_.routes[route].points.size(), kCmapCapacities.routePoints);
    }
    const CmapRouteWaypoint& routeWaypoint(std::size_t route, std::size_t index) override {
        routeWaypoint_ = newRouteWaypoint_;
        cmapRouteWaypointOf(db_.routes[route].points[index], &routeWaypoint_);
        return routeWaypoint_;
    }
    std::size_t trackCount() const override {
        return std::min(db_.tracks.size(), kCmapCapacities.tracks);
    }
    std::size_t trackPointCount(std::size_t track) const override {
        return std::min(db_.tracks[track].points.size(), kCmapCapacities.trackPoints);
    }
    const CmapTrackPoint& trackPoint(std::size_t track, std::size_t index) override {
        point_ = newPoint_;
        cmapTrackPointOf(db_.tracks[track].points[index], &point_);
        return point_;
    }

  private:
    const NavDatabase& db_;
    CmapWaypoint newWaypoint_, waypoint_;
    CmapRouteWaypoint newRouteWaypoint_, routeWaypoint_;
    CmapRoute route_;
    CmapTrackPoint newPoint_, point_;
};

// hubToCmap's notes without its records: each kind up to the record its CMAP table refuses.
void noteHubToCmap(ConversionReport* report, const NavDatabase& database) {
    if (report == nullptr) {
        return;
    }
    for (std::size_t i = 0; i < database.waypoints.size() && i <= kCmapCapacities.waypoints; ++i) {
        noteWaypointToCmap(report, i, database.waypoints[i]);
    }
    for (std::size_t i = 0; i < database.routes.size() && i <= kCmapCapacities.routes; ++i) {
        noteRouteToCmap(report, i, database.routes[i]);
    }
    for (std::size_t i = 0; i < database.tracks.size() && i <= kCmapCapacities.tracks; ++i) {
        noteTrackToCmap(report, i, database.tracks[i]);
    }
    noteWrittenToCmap(report, database);
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

ResultCode readCmapIntoHub(std::FILE* file, NavDatabase* database, ConversionReport* report) {
    if (file == nullptr || database == nullptr) {
        return kBadArgument;
    }
    try {
        HubSink sink(*database, report);
        const ResultCode result = readCmapRecords(file, &sink, report);
        if (result != kOk) {
            return result;
        }
        sink.finish();
        renumberRecords(database, RenumberRoutes);
        renumberRecords(database, RenumberTracks);
        return kOk;
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
}

ResultCode writeHubAsCmap(const NavDatabase* database, const char* basePath,
                          ConversionReport* report) {
    if (basePath == nullptr || database == nullptr) {
        return kBadArgument;
    }
    try {
        noteHubToCmap(report, *database);
        HubSource source(*database);
        return writeCmapFileSet(&source, basePath);
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
}

} // namespace velmar
