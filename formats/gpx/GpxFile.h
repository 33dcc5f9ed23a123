#pragma once
// GPX files (".gpx"): the exchange format of chart programs, phone apps and receivers of other
// makers. Written as GPX 1.1; GPX 1.0 and 1.1 are read. Waypoints and marks are <wpt>, routes
// <rte>, tracks <trk> with one <trkseg> per run; what GPX has no element for (symbol numbers,
// colours, the mark kind, record numbers, lines, zones, the data version) travels in
// <extensions> under our own namespace, so a database written and read back is the same.

#include <string>

#include "core/ConversionReport.h"
#include "core/NavDatabase.h"

namespace velmar {

inline constexpr char kGpxNamespace[] = "http://www.topografix.com/GPX/1/1";
inline constexpr char kGpx10Namespace[] = "http://www.topografix.com/GPX/1/0";
inline constexpr char kVelmarGpxNamespace[] = "urn:velmar-toolkit:gpx:1";

// The family's failure codes besides 2 (cannot open), 3 (out of memory) and 5 (a coordinate
// that is out of range or not a number).
inline constexpr ResultCode kGpxNotWellFormed = 6; // not XML, an unknown encoding, or hostile
inline constexpr ResultCode kGpxNotGpx = 7;        // well-formed XML whose root is not <gpx>

// Reads the document into the (initialised) database. On failure the database is emptied again
// and `reason` (when given) says what was wrong and where.
ResultCode readGpx(const char* path, NavDatabase* database, std::string* reason);

// The family's reader: readGpx, with the reason of a failure on the standard error stream.
ResultCode readGpxFile(const char* path, NavDatabase* database, ConversionReport* report = nullptr);
// Creates or replaces the file. 5, 2 when it cannot be created, 1 when it cannot be written.
ResultCode writeGpxFile(NavDatabase* database, const char* path,
                        ConversionReport* report = nullptr);

} // namespace velmar
