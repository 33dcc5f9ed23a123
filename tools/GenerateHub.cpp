// velmar-genhub: writes a large HUB file (10,000 waypoints, 1,000 marks, 1,000 routes of 100
// points, 10 tracks of 100,000 points, lines and zones) for load tests and benchmarks.
#include <CLI/CLI.hpp>

#include <cstdint>
#include <cstdio>
#include <string>

#include "formats/hub/HubFile.h"
#include "tools/LargeDatabase.h"

int main(int argc, char** argv) {
    CLI::App app("Writes a large HUB file for load tests and benchmarks: 10,000 waypoints,\n"
                 "1,000 marks, 1,000 routes of 100 points, 10 tracks of 100,000 points, lines\n"
                 "and zones; the same seed gives the same bytes.",
                 "velmar-genhub");
    std::string output;
    std::uint32_t seed = 1;
    app.add_option("OUTPUT", output, "the HUB file to write (replaced when it exists)")
        ->required()
        ->type_name("");
    app.add_option("--seed", seed, "the seed of the random positions")->capture_default_str();
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        if (error.get_exit_code() == 0) {
            return app.exit(error);
        }
        std::fprintf(stderr, "velmar-genhub: %s\nRun 'velmar-genhub --help' for its options.\n",
                     error.what());
        return 2;
    }
    velmar::NavDatabase db = velmar::tools::makeLargeDatabase({}, seed);
    const velmar::ResultCode result = velmar::writeHubFile(&db, output.c_str());
    if (result != velmar::kOk) {
        std::fprintf(stderr, "velmar-genhub: cannot write %s (%d)\n", output.c_str(), result);
        return 1;
    }
    return 0;
}
