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

inline NavDatabase makeLargeDatabase(const LargeDatabaseShape& shape = {}, std::uint32_t seed = 1) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> latitude(-80.0, 80.0);
    std::uniform_real_distribution<double> longitude(-179.0, 179.0);
    std::uniform_real_distribution<double> step(-0.001, 0.001);
    NavDatabase db;
    initNavDatabase(&db);
    for (int i = 0; i < shape.waypoints; ++i) {
        Waypoint w;
        initWaypoint(&w);
        w.name = "WPT" + std::to_string(i);
        w.comment = "Anchorage " + std::to_string(i % 97);
        w.symbol = static_cast<std::uint32_t>(i % 40);
        w.colour = {static_cast<std::uint8_t>(i), 0x40, 0x80};
        w.latitude = latitude(random);
        w.longitude = longitude(random);
        w.altitude = (i % 50) * 0.5;
        addWaypoint(&db, &w);
    }
    for (int i = 0; i < shape.marks; ++i) {
        Mark m;
        initMark(&m);
        m.name = "MRK" + std::to_string(i);
        m.latitude = latitude(random);
        m.longitude = longitude(random);
        addMark(&db, &m);
    }
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
    for (int i = 0; i < shape.tracks; ++i) {
        Track t;
        initTrack(&t);
        t.number = i + 1;
        t.name = "Log " + std::to_string(i);
        t.colour = {0xFF, 0, 0};
        double lat = latitude(random);
        double lon = longitude(random);
        for (int p = 0; p < shape.trackPoints; ++p) {
            lat = std::clamp(lat + step(random), -89.0, 89.0);
            lon = std::clamp(lon + step(random), -179.0, 179.0);
            TrackPoint point;
            point.pointFlag = (p % 5000 == 4999) ? 'S' : 'N';
            point.latitude = lat;
            point.longitude = lon;
            addTrackPoint(&t, &point);
        }
        t.points.back().pointFlag = 'S';
        addTrack(&db, std::move(t));
    }
    for (int i = 0; i < shape.lines; ++i) {
        Line l;
        initLine(&l);
        l.number = i + 1;
        l.name = "Leading line " + std::to_string(i);
        for (int p = 0; p < shape.linePoints; ++p) {
            GeoPoint g{latitude(random), longitude(random)};
            addLinePoint(&l, &g);
        }
        addLine(&db, std::move(l));
    }
    for (int i = 0; i < shape.zones; ++i) {
        Zone z;
        initZone(&z);
        z.number = i + 1;
        for (int p = 0; p < shape.zonePoints; ++p) {
            GeoPoint g{latitude(random), longitude(random)};
            addZonePoint(&z, &g);
        }
        addZone(&db, std::move(z));
    }
    return db;
}

} // namespace velmar::tools
