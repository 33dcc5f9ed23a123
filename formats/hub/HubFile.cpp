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
        if (!hub::writeRouteBlock(file, text, route)) {
            return false;
        }
    }
    for (const Track& track : db.tracks) {
        if (!hub::writeTrackBlock(file, text, track)) {
            return false;
        }
    }
    for (const Line& line : db.lines) {
        if (!hub::writeLineBlock(file, text, line)) {
            return false;
        }
    }
    for (const Zone& zone : db.zones) {
        if (!hub::writeZoneBlock(file, text, zone)) {
            return false;
        }
    }
    return file.writeLine("ENDDATA");
}

} // namespace

ResultCode readHubFile(const char* path, NavDatabase* database) {
    if (path == nullptr || database == nullptr) {
        return kBadArgument;
    }
    FilePtr file = openForReading(path);
    if (!file) {
        return kCannotOpen;
    }
    try {
        DatabaseSink sink(database);
        hub::readBlocks(file.get(), sink);
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
    return kOk;
}

ResultCode writeHubFile(NavDatabase* database, const char* path) {
    if (path == nullptr || database == nullptr) {
        return kBadArgument;
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
