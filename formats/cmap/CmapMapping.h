#pragma once
// The mapping between the CMAP record set and the navigation database, whole or record by record
// as a document is read or written.

#include <cstdio>

#include "core/ConversionReport.h"
#include "core/NavDatabase.h"
#include "formats/cmap/CmapDatabase.h"

namespace velmar {

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

// An open document's records straight into the database, mapped and noted as cmapToHub maps
// and notes them, without a second copy of the records; routes and tracks are renumbered. 5 for
// a missing argument, 3 when memory runs out, else the document reader's result.
ResultCode readCmapIntoHub(std::FILE* file, NavDatabase* database, ConversionReport* report);
// The database as CMAP documents (base + the kinds' suffixes), each record mapped as hubToCmap
// maps it only when the writer asks for it. 5, 3, else the document writer's result.
ResultCode writeHubAsCmap(const NavDatabase* database, const char* basePath,
                          ConversionReport* report);

} // namespace velmar
