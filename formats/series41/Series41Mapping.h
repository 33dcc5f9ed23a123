#pragma once
// The Series 41 record set to and from the navigation database. The device limits are met by
// cutting, renaming and dropping, never by refusing.

#include <string>
#include <string_view>

#include "core/ConversionReport.h"
#include "core/NavDatabase.h"
#include "formats/series41/Series41Data.h"

namespace velmar {

// Appends the set's waypoints and routes to the database (route names become the route numbers
// as text, route names their comments) and numbers the database's routes 1..n.
// 0, 3 when memory runs out, 5 for a missing argument.
ResultCode series41ToHub(const Series41Data* set, NavDatabase* database);

// Fills the (empty) set from the database: names cut to 6, comments and route names cut to 16
// and filtered, symbols 16..24 (else 16), at most 999 waypoints (996 and renamed "001".. when
// two six-character names are equal), route points attached to the first waypoint at their
// position, routes without points left out, routes numbered 1..n. 0, 3, 5.
// What the limits did is noted into the report, when one is given.
ResultCode hubToSeries41(const NavDatabase* database, Series41Data* set,
                         ConversionReport* report = nullptr);

// The device character set of comments and route names: every byte that is not A-Z, 0-9 or one
// of _ & ( ) + - / = ? } becomes '?'. The length stays.
std::string filterSeries41Text(std::string_view text);

} // namespace velmar
