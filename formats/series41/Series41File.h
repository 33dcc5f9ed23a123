#pragma once
// Series 41 files (".s41"): the family's entry points for the conversion job.

#include "core/ConversionReport.h"
#include "core/NavDatabase.h"

namespace velmar {

ResultCode readSeries41File(const char* path, NavDatabase* database,
                            ConversionReport* report = nullptr);
ResultCode writeSeries41File(NavDatabase* database, const char* path,
                             ConversionReport* report = nullptr);

} // namespace velmar
