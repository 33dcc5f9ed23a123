#pragma once
// Series 5 file sets (base + ".wpt", ".rut", ".trk"): the family's entry points, and the
// stand-in reader and writer of the Series 66 family, which has neither.

#include "core/ConversionReport.h"
#include "core/NavDatabase.h"

namespace velmar {

ResultCode readSeries5File(const char* path, NavDatabase* database,
                           ConversionReport* report = nullptr);
ResultCode writeSeries5Files(NavDatabase* database, const char* basePath,
                             ConversionReport* report = nullptr);

// Touches no file and no record; always 1.
ResultCode series66Unsupported(const char* path, NavDatabase* database);
ResultCode series66Unsupported(NavDatabase* database, const char* path);

} // namespace velmar
