#include "formats/hub/HubFile.h"

#include <new>
#include <string>

#include "core/CappedTable.h"
#include "core/FieldReader.h"
#include "core/Text.h"
#include "core/TextFile.h"
#include "formats/hub/HubBlockReader.h"
#include "formats/hub/HubLines.h"

namespace velmar {

namespace {

// The HUB file fills every table of the navigation database.
class DatabaseSink final : public hub::BlockSink {
  public:
    explicit DatabaseSink(NavDatabase* database) : db_(database) {}
    DataVersion& version() override { return db_->version; }
    bool readsMarks() const override { return true; }
    bool readsLinesAndZones() const override { return true; }
    // A full table drops the record; running out of memory ends the read.
    void addWaypoint(Waypoint& waypoint) override {
        unlessOutOfMemory(velmar::addWaypoint(db_, &waypoint));
    }
    void addMark(Mark& mark) override { unlessOutOfMemory(velmar::addMark(db_, &mark)); }
    void addRoutePoint(Route& route, const RoutePoint& point) override {
        unlessOutOfMemory(velmar::addRoutePoint(&route, &point));
    }
    void addRoute(Route&& route) override {
        unlessOutOfMemory(velmar::addRoute(db_, std::move(route)));
    }
    void addTrackPoint(Track& track, const TrackPoint& point) override {
        unlessOutOfMemory(velmar::addTrackPoint(&track, &point));
    }
    void addTrack(Track&& track) override {
        unlessOutOfMemory(velmar::addTrack(db_, std::move(track)));
    }
    void addLinePoint(Line& line, const GeoPoint& point) override {
        unlessOutOfMemory(velmar::addLinePoint(&line, &point));
    }
    void addLine(Line&& line) override { unlessOutOfMemory(velmar::addLine(db_, std::move(line))); }
    void addZonePoint(Zone& zone, const GeoPoint& point) override {
        unlessOutOfMemory(velmar::addZonePoint(&zone, &point));
    }
    void addZone(Zone&& zone) override { unlessOutOfMemory(velmar::addZone(db_, std::move(zone))); }

  private:
    NavDatabase* db_;
};

bool writeAll(OutputFile& file, const NavDatabase& db) {
    std::string text;
    text.reserve(256);
    text.clear();
    hub::appendVersionLine(text, db.version);
    if (!file.writeLine(text)) {
        return false;
    }
    if (!db.waypoints.empty()) {
        if (!file.writeLine("$WPT*")) {
            return false;
        }
        for (const Waypoint& waypoint : db.waypoints) {
            text.clear();
            hub::appendWaypointLine(text, waypoint);
            if (!file.writeLine(text)) {
                return false;
            }
        }
        if (!file.writeLine("$END*")) {
            return false;
        }
    }
    if (!db.marks.empty()) {
        if (!file.writeLine("$MRK*")) {
            return false;
        }
        for (const Mark& mark : db.marks) {
            text.clear();
            hub::appendMarkLine(text, mark);
            if (!file.writeLine(text)) {
                return false;
            }
        }
        if (!file.writeLine("$END*")) {
            return false;
        }
    }
    for (const Route& route : db.routes) {
        if (!hub::writeRouteBlock(file, route)) {
            return false;
        }
    }
    for (const Track& track : db.tracks) {
        if (!hub::writeTrackBlock(file, track)) {
            return false;
        }
    }
    for (const Line& line : db.lines) {
        if (!hub::writeLineBlock(file, line)) {
            return false;
        }
    }
    for (const Zone& zone : db.zones) {
        if (!hub::writeZoneBlock(file, zone)) {
            return false;
        }
    }
    return file.writeLine("ENDDATA");
}

constexpr char kHubText[] = "a HUB file cannot hold line ends or the characters , * $ in a text";

template <typename Points>
void notePoints(const RecordNotes& notes, const Points& points, const std::string& name) {
    for (std::size_t p = 0; p < points.size(); ++p) {
        const auto& point = points[p];
        const RecordNotes pointNotes = notes.atPoint(p, name);
        pointNotes.position(point.latitude, point.longitude);
        if constexpr (requires { point.name; }) {
            pointNotes.written("name", point.name, kFieldBreaking, kFieldReplacements, kHubText);
        }
    }
}

// The HUB format holds every field; only texts with commas or line ends and positions the
// codecs refuse do not come back as they were.
void noteHubWrite(const NavDatabase& db, ConversionReport* report) {
    static const std::string kNoName;
    for (std::size_t i = 0; i < db.waypoints.size(); ++i) {
        const Waypoint& w = db.waypoints[i];
        const RecordNotes notes(report, RecordKind::Waypoint, i, w.name);
        notes.written("name", w.name, kFieldBreaking, kFieldReplacements, kHubText);
        notes.written("comment", w.comment, kFieldBreaking, kFieldReplacements, kHubText);
        notes.position(w.latitude, w.longitude);
    }
    for (std::size_t i = 0; i < db.marks.size(); ++i) {
        const RecordNotes notes(report, RecordKind::Mark, i, db.marks[i].name);
        notes.written("name", db.marks[i].name, kFieldBreaking, kFieldReplacements, kHubText);
        notes.position(db.marks[i].latitude, db.marks[i].longitude);
    }
    for (std::size_t i = 0; i < db.routes.size(); ++i) {
        const Route& r = db.routes[i];
        const RecordNotes notes(report, RecordKind::Route, i, r.name);
        notes.written("name", r.name, kFieldBreaking, kFieldReplacements, kHubText);
        notes.written("comment", r.comment, kFieldBreaking, kFieldReplacements, kHubText);
        notePoints(notes, r.points, kNoName);
    }
    for (std::size_t i = 0; i < db.tracks.size(); ++i) {
        const RecordNotes notes(report, RecordKind::Track, i, db.tracks[i].name);
        notes.written("name", db.tracks[i].name, kFieldBreaking, kFieldReplacements, kHubText);
        if (!db.tracks[i].points.empty() && db.tracks[i].points.back().pointFlag != 'S') {
            notes.note(FindingKind::FieldNotCarried, "pointFlag", "the track's runs", {},
                       "a HUB track ends with the end of a run");
        }
        notePoints(notes, db.tracks[i].points, db.tracks[i].name);
    }
    for (std::size_t i = 0; i < db.lines.size(); ++i) {
        const RecordNotes notes(report, RecordKind::Line, i, db.lines[i].name);
        notes.written("name", db.lines[i].name, kFieldBreaking, kFieldReplacements, kHubText);
        notePoints(notes, db.lines[i].points, db.lines[i].name);
    }
    for (std::size_t i = 0; i < db.zones.size(); ++i) {
        notePoints(RecordNotes(report, RecordKind::Zone, i, kNoName), db.zones[i].points, kNoName);
    }
    report->written = countRecords(db);
    report->wasWritten = true;
}

} // namespace

// The format holds what the navigation database holds: reading notes nothing.
ResultCode readHubFile(const char* path, NavDatabase* database, ConversionReport*) {
    if (path == nullptr || database == nullptr) {
        return kBadArgument;
    }
    return readOpenedFile(path, [database](std::FILE* file) {
        DatabaseSink sink(database);
        hub::readBlocks(file, sink);
        return kOk;
    });
}

ResultCode writeHubFile(NavDatabase* database, const char* path, ConversionReport* report) {
    if (path == nullptr || database == nullptr) {
        return kBadArgument;
    }
    if (report != nullptr) {
        noteHubWrite(*database, report);
    }
    OutputFile file;
    const ResultCode created = file.create(path);
    if (created != kOk) {
        return created;
    }
    try {
        return writeAll(file, *database) ? file.close() : kWriteFailed;
    } catch (const std::bad_alloc&) {
        return kNoMemory; // the file is discarded: the earlier one stays
    }
}

} // namespace velmar
