#pragma once
// HUB files (".hub", and ".s77" for Series 77): the file form of a navigation database.

#include "core/ConversionReport.h"
#include "core/NavDatabase.h"

namespace velmar {

// Adds the file's records to the (initialised) database; a $VERSION record replaces its data
// version. 5 for a missing argument, 2 when the file cannot be opened, else 0.
ResultCode readHubFile(const char* path, NavDatabase* database, ConversionReport* report = nullptr);
// Creates or replaces the file. 5, 2 when it cannot be created, 1 when a line cannot be written.
ResultCode writeHubFile(NavDatabase* database, const char* path,
                        ConversionReport* report = nullptr);

} // namespace velmar
