#pragma once
// CMAP XML documents: the family's entry points for the conversion job.

#include "core/ConversionReport.h"
#include "core/NavDatabase.h"

namespace velmar {

ResultCode readCmapFile(const char* path, NavDatabase* database,
                        ConversionReport* report = nullptr);
// One document per kind that has records: base + ".Marks.UP.xml", ".Multi RT.RT.xml",
// ".Multi TRK.TRK.xml".
ResultCode writeCmapFiles(NavDatabase* database, const char* basePath,
                          ConversionReport* report = nullptr);

} // namespace velmar
