#pragma once
// Series 6 file sets (base + ".wpt", ".rut", ".trk", ".bnd"): the family's entry points.

#include "core/ConversionReport.h"
#include "core/NavDatabase.h"

namespace velmar {

ResultCode readSeries6File(const char* path, NavDatabase* database,
                           ConversionReport* report = nullptr);
ResultCode writeSeries6Files(NavDatabase* database, const char* basePath,
                             ConversionReport* report = nullptr);

} // namespace velmar
