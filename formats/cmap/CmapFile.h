#pragma once
// CMAP XML documents: the family's entry points for the conversion job, and the mapping between
// the family's record set and the navigation database.

#include "core/ConversionReport.h"
#include "core/NavDatabase.h"
#include "formats/cmap/CmapDatabase.h"

namespace velmar {

ResultCode readCmapFile(const char* path, NavDatabase* database,
                        ConversionReport* report = nullptr);
// One document per kind that has records: base + ".Marks.UP.xml", ".Multi RT.RT.xml",
// ".Multi TRK.TRK.xml".
ResultCode writeCmapFiles(NavDatabase* database, const char* basePath,
                          ConversionReport* report = nullptr);

// CMAP waypoints, routes and tracks into the database (names and texts cut to the database's
// widths, icons outside 0..255 as symbol 0, colours not carried, every track point 'N'); routes
// and tracks are renumbered. Each kind stops silently at its table's capacity. 5 for a missing
// argument, 3 when memory runs out, else 0.
ResultCode cmapToHub(const CmapDatabase* cmap, NavDatabase* database,
                     ConversionReport* report = nullptr);
// The database's waypoints, routes and tracks into the CMAP record set (new CMAP records keep
// the current UTC time of day; waypoints take the date of the hub record). Marks, lines and
// zones have no CMAP form. Each kind stops silently at its table's capacity.
ResultCode hubToCmap(const NavDatabase* database, CmapDatabase* cmap,
                     ConversionReport* report = nullptr);

} // namespace velmar
