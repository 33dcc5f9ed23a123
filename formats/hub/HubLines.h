#pragma once
// The record lines of the HUB text: one writer and one field reader per line kind, shared by
// the HUB files and the Series 5 files (whose route and track lines are the HUB's own).

#include <string>
#include <string_view>

#include "core/NavDatabase.h"
#include "core/TextFile.h"

namespace velmar::hub {

// Line texts without the line end. `index` is the 1-based point index of the record.
void appendWaypointLine(std::string& out, const Waypoint& waypoint);
void appendMarkLine(std::string& out, const Mark& mark);
void appendRouteHeader(std::string& out, const Route& route);
void appendRoutePointLine(std::string& out, int index, bool last, const RoutePoint& point);
void appendTrackHeader(std::string& out, const Track& track);
void appendTrackPointLine(std::string& out, int index, const TrackPoint& point);
void appendLineHeader(std::string& out, const Line& line);
void appendZoneHeader(std::string& out, const Zone& zone);
void appendGeoPointLine(std::string& out, int index, bool last, const GeoPoint& point);

// "$VERSION,<version>,<date>*", the first line of every HUB and Series 5 file.
void appendVersionLine(std::string& out, const DataVersion& version);

// One record block: the header line, a line per point and "$END*", each built in the file's
// buffer. False when a line cannot be written.
bool writeRouteBlock(OutputFile& file, const Route& route);
bool writeTrackBlock(OutputFile& file, const Track& track);
bool writeLineBlock(OutputFile& file, const Line& line);
bool writeZoneBlock(OutputFile& file, const Zone& zone);

// Field readers; `fields` is the line after its leading '$' (and cut at its last '*'). A field
// is taken only when it is not empty, so missing fields keep the record's initial values.
void readWaypointFields(std::string_view fields, Waypoint* waypoint);
void readMarkFields(std::string_view fields, Mark* mark);
void readRouteHeaderFields(std::string_view fields, Route* route);
void readTrackHeaderFields(std::string_view fields, Track* track);
void readLineHeaderFields(std::string_view fields, Line* line);
void readZoneHeaderFields(std::string_view fields, Zone* zone);
// Fields 1 and 2 of a "$VERSION" line (cut to 8 and 10 bytes), each taken when not empty.
void readVersionFields(std::string_view fields, DataVersion* version);
// The point lines. Route, line and zone points return the first byte of their flag field ('S'
// ends the record), or 0 when it is empty; a track point keeps that byte as its flag.
char readRoutePointFields(std::string_view fields, RoutePoint* point);
char readGeoPointFields(std::string_view fields, GeoPoint* point);
void readTrackPointFields(std::string_view fields, TrackPoint* point);

// Cuts a line at its last '*', if it has one.
std::string_view cutAtLastStar(std::string_view line);

} // namespace velmar::hub
