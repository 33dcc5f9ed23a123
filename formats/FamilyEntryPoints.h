#pragma once
// The entry points of the families whose files exist only for conversions: what the family
// table calls to read a file into a navigation database and to write one out. Each family
// implements its pair in its own folder (<Family>File.cpp). The HUB and GPX files have headers
// of their own, as other parts of the program use them too.

#include "core/ConversionReport.h"
#include "core/NavDatabase.h"

namespace velmar {

// Series 41 files (".s41").
ResultCode readSeries41File(const char* path, NavDatabase* database,
                            ConversionReport* report = nullptr);
ResultCode writeSeries41File(NavDatabase* database, const char* path,
                             ConversionReport* report = nullptr);

// Series 5 file sets (base + ".wpt", ".rut", ".trk").
ResultCode readSeries5File(const char* path, NavDatabase* database,
                           ConversionReport* report = nullptr);
ResultCode writeSeries5Files(NavDatabase* database, const char* basePath,
                             ConversionReport* report = nullptr);

// Series 6 file sets (base + ".wpt", ".rut", ".trk", ".bnd").
ResultCode readSeries6File(const char* path, NavDatabase* database,
                           ConversionReport* report = nullptr);
ResultCode writeSeries6Files(NavDatabase* database, const char* basePath,
                             ConversionReport* report = nullptr);

// CMAP XML documents: one document per kind that has records, base + ".Marks.UP.xml",
// ".Multi RT.RT.xml", ".Multi TRK.TRK.xml".
ResultCode readCmapFile(const char* path, NavDatabase* database,
                        ConversionReport* report = nullptr);
ResultCode writeCmapFiles(NavDatabase* database, const char* basePath,
                          ConversionReport* report = nullptr);

} // namespace velmar
