// velmar read: the Read page's job on the command line.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <string>
#include <unistd.h>

#include "cli/Command.h"
#include "cli/TransferConsole.h"

namespace velmar::cli {

namespace {

constexpr char kReadFooter[] =
    "Receives the database of a plotter connected to the serial port and saves it in FILE,\n"
    "byte for byte as the plotter sends it (Series 41: its waypoint, route and track sentences;\n"
    "Series 5: every answer to the requests; Series 6: the stream up to its end mark). Start\n"
    "the sending on a Series 41 or Series 6 plotter once the command runs; a Series 5 plotter\n"
    "is asked. FILE is replaced only when the transfer ends, with what arrived.\n"
    "\n"
    "Prints the result lines ('Reading Completed', or 'Err : ...' with the reason) and, on a\n"
    "terminal, the count of lines received. Exit status: 0 when the reading completed, 1 when\n"
    "an 'Err' line came, 2 for bad arguments, 130 when stopped by Ctrl-C (as Cancel: a Series 5\n"
    "plotter is told to stop). A second Ctrl-C quits at once.";

class ReadCommand final : public Command {
  public:
    void addOptions(CLI::App& app) override {
        app.footer(kReadFooter);
        addSerialOptions(app, &serial_);
        app.add_option("--out", output_, "the file the database is saved to")->type_name("FILE");
    }

    int run() override {
        int deviceType = -1;
        ComSettings settings;
        const std::string refused = serialSettings(serial_, &deviceType, &settings);
        if (!refused.empty()) {
            return argumentError("read", refused);
        }
        // The very checks of the Read button, with its messages.
        std::unique_ptr<DeviceReadJob> job;
        const std::string problem = prepareDeviceReadJob(output_, deviceType, settings, &job);
        if (!problem.empty()) {
            std::fprintf(stderr, "%s\n", problem.c_str());
            return kExitBadArguments;
        }
        job->portName = serial_.port;
        if (::isatty(STDERR_FILENO) == 1 && deviceType != kSeries5) {
            std::fprintf(stderr, "Waiting on %s: start the sending on the plotter\n",
                         serial_.port.c_str());
        }
        return runReadOnConsole(job.get());
    }

  private:
    SerialOptions serial_;
    std::string output_;
};

[[maybe_unused]] const bool registered = registerCommand<ReadCommand>(
    30, "read", "receive a connected plotter's database over the serial port into a file");

} // namespace

} // namespace velmar::cli
