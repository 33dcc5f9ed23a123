#pragma once
// Series 5 file sets (base + ".wpt", ".rut", ".trk"): the family's entry points.

#include "core/ConversionReport.h"
#include "core/NavDatabase.h"

namespace velmar {

ResultCode readSeries5File(const char* path, NavDatabase* database,
                           ConversionReport* report = nullptr);
ResultCode writeSeries5Files(NavDatabase* database, const char* basePath,
                             ConversionReport* report = nullptr);

} // namespace velmar
