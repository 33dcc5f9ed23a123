#pragma once
// The block reader of the HUB text, shared by HUB files and Series 5 files: the line loop, the
// block states, the 'S' flag ending routes, lines and zones, "$END" closing a track with its
// last point flagged 'S', "ENDDATA" ending the input, unclosed blocks dropped. Where the records
// go (and which tables they fit in) is the sink's business.

#include <cstdio>

#include "core/NavDatabase.h"

namespace velmar::hub {

class BlockSink {
  public:
    virtual ~BlockSink() = default;

    // The data version that a "$VERSION" record replaces.
    virtual DataVersion& version() = 0;
    // Whether "$MRK", "$LIN" and "$ZON" open blocks (otherwise those lines are skipped).
    virtual bool readsMarks() const { return false; }
    virtual bool readsLinesAndZones() const { return false; }

    // Each add may refuse the record (a full table): the reader goes on either way.
    virtual void addWaypoint(Waypoint& waypoint) = 0;
    virtual void addMark(Mark&) {}
    virtual void addRoutePoint(Route& route, const RoutePoint& point) = 0;
    virtual void addRoute(Route&& route) = 0;
    virtual void addTrackPoint(Track& track, const TrackPoint& point) = 0;
    virtual void addTrack(Track&& track) = 0;
    virtual void addLinePoint(Line&, const GeoPoint&) {}
    virtual void addLine(Line&&) {}
    virtual void addZonePoint(Zone&, const GeoPoint&) {}
    virtual void addZone(Zone&&) {}
};

// Reads the whole input into the sink. May throw std::bad_alloc.
void readBlocks(std::FILE* file, BlockSink& sink);

} // namespace velmar::hub
