#pragma once
// Series 41 sentences: the NMEA-style lines of a ".s41" file and of a device transfer.
//
//   $PFEC,GPwpl,3512.345,N,13945.678,E,HOME  ,,@qMARINA          ,A,,,,   a waypoint
//   $GPRTE,2,1,C,01, 001   , 002   , ...                                  up to 8 route points
//   $PFEC,GPrtc,01,HARBOUR TOUR                                           a route's name
//   $PFEC,GPxfr,CTL,E                                                     the end of the data

#include <cstdio>
#include <string>

#include "core/ResultCode.h"
#include "core/TextFile.h"
#include "formats/series41/Series41Data.h"

namespace velmar {

inline constexpr char kSeries41EndSentence[] = "$PFEC,GPxfr,CTL,E";
inline constexpr std::size_t kSeries41PointsPerSentence = 8;

// Reads sentences from the stream into the (empty) set until the end of the stream or an end
// sentence; then completes every route point from the first waypoint of its name. Content never
// fails: lines that are not known sentences are skipped, records that do not fit are dropped.
// 0, 5 for a missing argument, 3 when memory runs out.
ResultCode readSeries41Sentences(std::FILE* stream, Series41Data* set);

// Writes the waypoint sentences, then each route's route sentences and name sentence, then the
// end sentence, every line ending with CR LF. 0, 1 as soon as a line cannot be written, 5.
ResultCode writeSeries41Sentences(OutputFile* stream, const Series41Data* set);

// The single lines, as the writer puts them (without the line end).
void appendSeries41WaypointSentence(std::string& out, const Series41Waypoint& waypoint);
// Route sentence `sentence` (from 1) of the route; the route must have points.
void appendSeries41RouteSentence(std::string& out, const Series41Route& route, int sentence);
void appendSeries41RouteNameSentence(std::string& out, const Series41Route& route);

} // namespace velmar
