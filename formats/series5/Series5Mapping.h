#pragma once
// The Series 5 record set to and from the navigation database.

#include "core/ConversionReport.h"
#include "core/NavDatabase.h"
#include "formats/series5/Series5Data.h"

namespace velmar {

// The set into the database: waypoints, routes and tracks keep their fields; symbols above 255
// become 0; routes and tracks are numbered from 1; the set's data version stays out. A full
// table ends its kind. 0, 3 when memory runs out, 5 for a missing argument.
ResultCode series5ToHub(const Series5Data* data, NavDatabase* database,
                        ConversionReport* report = nullptr);

// The database into the (initialised) set: names cut to the device's widths, every symbol 0,
// no waypoint comments, routes kept with their first 300 points and tracks with their first
// 2,100, the records numbered from 0. Marks, lines and zones stay out; the version is the
// default one. What the device's limits did is noted into the report, when one is given.
// 0, 3, 5.
ResultCode hubToSeries5(const NavDatabase* database, Series5Data* data,
                        ConversionReport* report = nullptr);

} // namespace velmar
