// velmar-gengpx OUTPUT.gpx: writes the GPX of the benchmarks, the large database of velmar-genhub
// (10,000 waypoints, 1,000 marks, 1,000 routes of 100 points, 10 tracks of 100,000 points, lines
// and zones: 1,113,000 points) as our writer makes it, so GPSBabel and we convert the same
// points. Positions are whole multiples of 1e-7 degrees (about a centimetre), as receivers and
// chart programs write them.
#include <cmath>
#include <cstdio>

#include "formats/gpx/GpxFile.h"
#include "tools/LargeDatabase.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: velmar-gengpx OUTPUT.gpx\n", stderr);
        return 2;
    }
    velmar::NavDatabase db = velmar::tools::makeLargeDatabase();
    const auto round = [](double& degrees) { degrees = std::round(degrees * 1e7) / 1e7; };
    const auto roundAll = [&](auto& table) {
        for (auto& record : table) {
            round(record.latitude);
            round(record.longitude);
        }
    };
    roundAll(db.waypoints);
    roundAll(db.marks);
    for (velmar::Route& route : db.routes) {
        roundAll(route.points);
    }
    for (velmar::Track& track : db.tracks) {
        roundAll(track.points);
    }
    for (velmar::Line& line : db.lines) {
        roundAll(line.points);
    }
    for (velmar::Zone& zone : db.zones) {
        roundAll(zone.points);
    }
    const velmar::ResultCode result = velmar::writeGpxFile(&db, argv[1]);
    if (result != velmar::kOk) {
        std::fprintf(stderr, "velmar-gengpx: cannot write %s (%d)\n", argv[1], result);
        return 1;
    }
    return 0;
}
