#pragma once
// Series 6 files: one section per file (waypoints ".wpt", routes ".rut", tracks ".trk",
// boundaries ".bnd"), each a header line, the data lines, "$END" and the end mark 0x1A.

#include <cstdio>

#include "core/TextFile.h"
#include "formats/series6/Series6Data.h"

namespace velmar {

inline constexpr char kSeries6EndMark = 0x1A;
// The suffix of each kind's file, in selector order.
inline constexpr const char* kSeries6Suffixes[] = {".wpt", ".rut", ".trk", ".bnd"};

// Reads every section of an open file into `data`, up to the end of the file or the byte 0x1A.
// 5 when an argument is missing, else 0 whatever the content (3 only when memory runs out).
ResultCode readSeries6Records(std::FILE* file, Series6Data* data);

// Writes the section of one kind: header, data lines, "$END", then 0x1A after the last CR LF.
// An empty table or an unknown selector writes only the 0x1A. 0, or 1 when a write fails
// (5 for a missing argument).
ResultCode writeSeries6Section(OutputFile* file, const Series6Data* data, int kind);

// Writes base path + suffix for every kind that has records, in selector order. Returns the
// first failure of the set (2 a file cannot be created, 1 a write failed), else 0; 0 also when
// no kind has records (5 for a missing argument).
ResultCode writeSeries6FileSet(const Series6Data* data, const char* basePath);

} // namespace velmar
