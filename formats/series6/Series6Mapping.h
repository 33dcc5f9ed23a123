#pragma once
// Series 6 records to and from the navigation database: the eight-colour palette, the renaming
// of points by number, and the device's point budgets.

#include <cstddef>

#include "core/ConversionReport.h"
#include "core/NavDatabase.h"
#include "formats/series6/Series6Data.h"

namespace velmar {

// The eight colours a Series 6 palette index stands for.
struct Series6Palette {
    static constexpr int kSize = 8;
    // Black for an index outside 0..7.
    static RgbColour colour(int index);
    // The first index whose colour equals the given one exactly; 0 when none does.
    static int index(const RgbColour& colour);
};

// Point budgets of the device. Routes: all points plus one free number after each route stay
// at or below number 100.
inline constexpr int kSeries6RouteNumberBudget = 100;
inline constexpr std::size_t kSeries6TrackPointBudget = 8000;
inline constexpr std::size_t kSeries6BoundaryPointBudget = 200;

// Maps the records into an initialised database: waypoints, routes (green, symbol = point
// code), tracks (palette colour of the first point's code, 'S' on code 0) and boundaries as
// zones. Full tables end that kind silently. 0, or 5 for a missing argument.
ResultCode series6ToHub(const Series6Data* data, NavDatabase* database,
                        ConversionReport* report = nullptr);

// Maps the database into an initialised record set: waypoints renamed "0001", ... with symbol
// 82; route points numbered with a gap after each route; tracks and zones coded by palette
// index; the three point budgets applied. Marks and lines have no counterpart. 0, or 5.
// What the device's limits did is noted into the report, when one is given.
ResultCode hubToSeries6(const NavDatabase* database, Series6Data* data,
                        ConversionReport* report = nullptr);

} // namespace velmar
