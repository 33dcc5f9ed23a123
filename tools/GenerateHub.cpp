// velmar-genhub OUTPUT.hub: writes a large HUB file (10,000 waypoints, 1,000 marks, 1,000 routes
// of 100 points, 10 tracks of 100,000 points, lines and zones) for load tests and benchmarks.
#include <cstdio>

#include "formats/hub/HubFile.h"
#include "tools/LargeDatabase.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: velmar-genhub OUTPUT.hub\n", stderr);
        return 2;
    }
    velmar::NavDatabase db = velmar::tools::makeLargeDatabase();
    const velmar::ResultCode result = velmar::writeHubFile(&db, argv[1]);
    if (result != velmar::kOk) {
        std::fprintf(stderr, "velmar-genhub: cannot write %s (%d)\n", argv[1], result);
        return 1;
    }
    return 0;
}
