// velmar-gengpx OUTPUT.gpx: writes the GPX of the GPX benchmark, 10,000 waypoints and 10 tracks
// of 100,000 points (1,000,000 track points), as our writer makes it. Positions are whole
// multiples of 1e-7 degrees (about a centimetre), as receivers and chart programs write them.
#include <cmath>
#include <cstdio>

#include "formats/gpx/GpxFile.h"
#include "tools/LargeDatabase.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: velmar-gengpx OUTPUT.gpx\n", stderr);
        return 2;
    }
    velmar::tools::LargeDatabaseShape shape;
    shape.marks = shape.routes = shape.lines = shape.zones = 0;
    velmar::NavDatabase db = velmar::tools::makeLargeDatabase(shape);
    const auto round = [](double& degrees) { degrees = std::round(degrees * 1e7) / 1e7; };
    for (velmar::Waypoint& waypoint : db.waypoints) {
        round(waypoint.latitude);
        round(waypoint.longitude);
    }
    for (velmar::Track& track : db.tracks) {
        for (velmar::TrackPoint& point : track.points) {
            round(point.latitude);
            round(point.longitude);
        }
    }
    const velmar::ResultCode result = velmar::writeGpxFile(&db, argv[1]);
    if (result != velmar::kOk) {
        std::fprintf(stderr, "velmar-gengpx: cannot write %s (%d)\n", argv[1], result);
        return 1;
    }
    return 0;
}
