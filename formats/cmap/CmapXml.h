#pragma once
// CMAP XML documents: a C_MAP element holding waypoints, routes and tracks, one element per
// line with four spaces of indentation per level, no attributes and no escaping. The writer
// produces exactly this layout; the reader is a line-oriented state machine that knows it.

#include <cstdint>
#include <cstdio>
#include <string_view>

#include "core/ConversionReport.h"
#include "core/TextFile.h"
#include "formats/cmap/CmapDatabase.h"

namespace velmar {

// The writer's kind selector.
enum CmapKind : int {
    CmapAllKinds = -1,
    CmapWaypointsOnly = 0,
    CmapRoutesOnly = 1,
    CmapTracksOnly = 2,
};

inline constexpr char kCmapWaypointSuffix[] = ".Marks.UP.xml";
inline constexpr char kCmapRouteSuffix[] = ".Multi RT.RT.xml";
inline constexpr char kCmapTrackSuffix[] = ".Multi TRK.TRK.xml";

// The longest tag and value text the reader takes; a line with a longer one is ignored.
inline constexpr std::size_t kCmapMaxTagText = 127;

// Seconds from 1970-01-01 00:00:00 UTC to the UTC calendar time; fields outside their ranges
// carry as calendar arithmetic does (month 13 is January of the next year). Low 32 bits kept.
std::int32_t encodeDateTime(int hour, int minute, int second, int day, int month, int year);
std::int32_t encodeDateTime(const CmapDateTime& time);
// The UTC calendar time of the seconds. A negative count (before 1970) has no calendar form
// here: 5, and the fields stay as they were. 5 also for a missing output.
ResultCode decodeDateTime(std::int32_t seconds, CmapDateTime* time);

// Where the writer's lines go. A line that cannot be written gives false.
class CmapLineSink {
  public:
    virtual ~CmapLineSink() = default;
    virtual bool writeLine(std::string_view text) = 0;
};

// Where the writer takes its records from, one at a time: a CmapDatabase, or records mapped
// from another form only as they are written. A record given stays valid until the next call.
class CmapRecordSource {
  public:
    virtual ~CmapRecordSource() = default;
    virtual std::size_t waypointCount() const = 0;
    virtual const CmapWaypoint& waypoint(std::size_t index) = 0;
    virtual std::size_t routeCount() const = 0;
    // The route's name and description (its waypoints come from routeWaypoint).
    virtual const CmapRoute& route(std::size_t index) = 0;
    virtual std::size_t routeWaypointCount(std::size_t route) const = 0;
    virtual const CmapRouteWaypoint& routeWaypoint(std::size_t route, std::size_t index) = 0;
    virtual std::size_t trackCount() const = 0;
    virtual std::size_t trackPointCount(std::size_t track) const = 0;
    virtual const CmapTrackPoint& trackPoint(std::size_t track, std::size_t index) = 0;
};

// Writes the document of the selected kinds (-1 all, 0 waypoints, 1 routes, 2 tracks). A failed
// write of a C_MAP, WAYPOINTS, ROUTE, NAME, DESCRIPTION, COLOR, /ROUTE, TRACK or /TRACK line, or
// of any line of a waypoint in WAYPOINTS, ends the document at once with 1. A failed line inside
// a route waypoint or a track point is passed over and the writer goes on, but the result is 1
// all the same (the document is incomplete). 5 for a missing argument; an unknown selector
// writes nothing and gives 0.
ResultCode writeCmapRecords(CmapLineSink* sink, const CmapDatabase* database, int selector);
ResultCode writeCmapRecords(OutputFile* file, const CmapDatabase* database, int selector);
ResultCode writeCmapRecords(CmapLineSink* sink, CmapRecordSource* source, int selector);
ResultCode writeCmapRecords(OutputFile* file, CmapRecordSource* source, int selector);

// Where the reader puts a document's records, each as soon as it is complete. Each add gives 0,
// the code of a full table (the record is dropped and reading goes on), or 3, which ends the
// read. A route's or a track's points come one by one between its start and its own add, which
// hands over the record (name, description and whatever points the sink kept in it).
class CmapRecordSink {
  public:
    virtual ~CmapRecordSink() = default;
    // False when only the positions of track points are wanted: their other fields are not read.
    virtual bool readsTrackPointDetails() const { return true; }
    virtual ResultCode addWaypoint(const CmapWaypoint& waypoint) = 0;
    virtual void startRoute(CmapRoute&) {}
    virtual ResultCode addRouteWaypoint(CmapRoute& route, const CmapRouteWaypoint& waypoint) = 0;
    virtual ResultCode addRoute(CmapRoute&& route) = 0;
    virtual void startTrack(CmapTrack&) {}
    virtual ResultCode addTrackPoint(CmapTrack& track, const CmapTrackPoint& point) = 0;
    virtual ResultCode addTrack(CmapTrack&& track) = 0;
};

// Reads a document into the sink: 0, 3 when memory runs out, 5 for a missing argument. With a
// report, the records and points the sink refused as beyond a capacity are noted (numbered in
// the document).
ResultCode readCmapRecords(std::FILE* file, CmapRecordSink* sink,
                           ConversionReport* report = nullptr);

// Reads a document and appends its records to what the database already holds. Never fails on
// content: unknown, malformed and misplaced lines are ignored, records beyond a capacity and
// unclosed records are dropped, reading stops at the first /C_MAP. 5 for a missing argument.
// With a report, the records and points beyond a capacity are noted (numbered in the document).
ResultCode readCmapRecords(std::FILE* file, CmapDatabase* database,
                           ConversionReport* report = nullptr);

// Opens the file and appends its records (2 when it cannot be opened, 5 for a missing argument).
ResultCode loadCmapFile(const char* path, CmapDatabase* database,
                        ConversionReport* report = nullptr);
// Creates or replaces the file with one document of all kinds (2 when it cannot be created,
// 1 when a line cannot be written).
ResultCode saveCmapFile(const CmapDatabase* database, const char* path);
// One document per kind that has records: base + ".Marks.UP.xml", ".Multi RT.RT.xml",
// ".Multi TRK.TRK.xml". Every kind is tried; the result is the first failure (2 cannot create,
// 1 cannot write), 0 when all were written or none had records.
ResultCode writeCmapFileSet(const CmapDatabase* database, const char* basePath);
ResultCode writeCmapFileSet(CmapRecordSource* source, const char* basePath);

} // namespace velmar
