#pragma once
// One Series 5 file: the version record, a count line, the records of one kind, "ENDDATA".
// The route and track lines are the HUB's own; a waypoint line is a HUB waypoint line whose
// comment field stays empty.

#include <cstdio>

#include "core/TextFile.h"
#include "formats/series5/Series5Data.h"

namespace velmar {

// The suffix of each kind's file, in Series5Kind order.
inline constexpr const char* kSeries5Suffixes[] = {".wpt", ".rut", ".trk"};

// Reads one file of any kind (all its blocks, whatever its name) into an initialised set.
// 0, or 5 when an argument is missing; 3 when memory runs out.
ResultCode readSeries5Records(std::FILE* stream, Series5Data* data);

// Writes the file of one kind (Series5Kind); another selector writes the version record and
// "ENDDATA" only. 0, 1 at the first line that cannot be written, 5 for a missing argument.
ResultCode writeSeries5Records(OutputFile* stream, const Series5Data* data, int kind);

} // namespace velmar
