#pragma once
// A large navigation database for benchmarks and load tests: every record kind, at the sizes a
// busy plotter user reaches (and beyond, for tracks).

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>

#include "core/NavDatabase.h"

namespace velmar::tools {

struct LargeDatabaseShape {
    int waypoints = 10000;
    int marks = 1000;
    int routes = 1000;
    int routePoints = 100;
    int tracks = 10;
    int trackPoints = 100000;
    int lines = 20;
    int linePoints = 50;
    int zones = 20;
    int zonePoints = 50;
};

// Positions drawn from one seeded generator, in the order the records are made.
struct RandomPlaces {
    explicit RandomPlaces(std::uint32_t seed) : random(seed) {}
    double latitude() { return latitudes(random); }
    double longitude() { return longitudes(random); }
    double step() { return steps(random); }

    std::mt19937 random;
    std::uniform_real_distribution<double> latitudes{-80.0, 80.0};
    std::uniform_real_distribution<double> longitudes{-179.0, 179.0};
    std::uniform_real_distribution<double> steps{-0.001, 0.001};
};

inline void addLargeWaypointsAndMarks(NavDatabase& db, const LargeDatabaseShape& shape,
                                      RandomPlaces& places) {
    for (int i = 0; i < shape.waypoints; ++i) {
        Waypoint w;
        initWaypoint(&w);
        w.name = "WPT" + std::to_string(i);
        w.comment = "Anchorage " + std::to_string(i % 97);
        w.symbol = static_cast<std::uint32_t>(i % 40);
        w.colour = {static_cast<std::uint8_t>(i), 0x40, 0x80};
        w.latitude = places.latitude();
        w.longitude = places.longitude();
        w.altitude = (i % 50) * 0.5;
        addWaypoint(&db, &w);
    }
    for (int i = 0; i < shape.marks; ++i) {
        Mark m;
        initMark(&m);
        m.name = "MRK" + std::to_string(i);
        m.latitude = places.latitude();
        m.longitude = places.longitude();
        addMark(&db, &m);
    }
}

// Routes through the waypoints already made.
inline void addLargeRoutes(NavDatabase& db, const LargeDatabaseShape& shape) {
    for (int i = 0; i < shape.routes; ++i) {
        Route r;
        initRoute(&r);
        r.number = i + 1;
        r.name = "R" + std::to_string(i);
        r.comment = "Passage " + std::to_string(i);
        for (int p = 0; p < shape.routePoints; ++p) {
            const Waypoint& w =
                db.waypoints[static_cast<std::size_t>((i * 31 + p) % shape.waypoints)];
            RoutePoint point{w.name, w.symbol, w.latitude, w.longitude};
            addRoutePoint(&r, &point);
        }
        addRoute(&db, std::move(r));
    }
}

// Tracks as a boat sails them: small steps, a run ended every 5,000 points.
inline void addLargeTracks(NavDatabase& db, const LargeDatabaseShape& shape, RandomPlaces& places) {
    for (int i = 0; i < shape.tracks; ++i) {
        Track t;
        initTrack(&t);
        t.number = i + 1;
        t.name = "Log " + std::to_string(i);
        t.colour = {0xFF, 0, 0};
        double lat = places.latitude();
        double lon = places.longitude();
        for (int p = 0; p < shape.trackPoints; ++p) {
            lat = std::clamp(lat + places.step(), -89.0, 89.0);
            lon = std::clamp(lon + places.step(), -179.0, 179.0);
            TrackPoint point;
            point.pointFlag = (p % 5000 == 4999) ? 'S' : 'N';
            point.latitude = lat;
            point.longitude = lon;
            addTrackPoint(&t, &point);
        }
        t.points.back().pointFlag = 'S';
        addTrack(&db, std::move(t));
    }
}

inline void addLargeLinesAndZones(NavDatabase& db, const LargeDatabaseShape& shape,
                                  RandomPlaces& places) {
    for (int i = 0; i < shape.lines; ++i) {
        Line l;
        initLine(&l);
        l.number = i + 1;
        l.name = "Leading line " + std::to_string(i);
        for (int p = 0; p < shape.linePoints; ++p) {
            GeoPoint g{places.latitude(), places.longitude()};
            addLinePoint(&l, &g);
        }
        addLine(&db, std::move(l));
    }
    for (int i = 0; i < shape.zones; ++i) {
        Zone z;
        initZone(&z);
        z.number = i + 1;
        for (int p = 0; p < shape.zonePoints; ++p) {
            GeoPoint g{places.latitude(), places.longitude()};
            addZonePoint(&z, &g);
        }
        addZone(&db, std::move(z));
    }
}

inline NavDatabase makeLargeDatabase(const LargeDatabaseShape& shape = {}, std::uint32_t seed = 1) {
    RandomPlaces places(seed);
    NavDatabase db;
    initNavDatabase(&db);
    addLargeWaypointsAndMarks(db, shape, places);
    addLargeRoutes(db, shape);
    addLargeTracks(db, shape, places);
    addLargeLinesAndZones(db, shape, places);
    return db;
}

} // namespace velmar::tools
