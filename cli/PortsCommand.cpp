// velmar ports: the serial ports COM1..COM9 name, with the device behind each.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <string>

#include "cli/Command.h"
#include "cli/StandardOutput.h"
#include "serial/PortNames.h"

namespace velmar::cli {

namespace {

class PortsCommand final : public Command {
  public:
    void addOptions(CLI::App& app) override {
        app.footer("Lists the serial ports that --port COM1..COM9 names in velmar read and write, "
                   "with the device behind each.");
    }

    int run() override {
        const std::vector<SerialPortInfo> ports = listSerialPorts();
        if (ports.empty()) {
            printLine("no serial devices found");
            std::fprintf(stderr, "Connect the plotter's cable (a USB serial adapter shows up as "
                                 "/dev/ttyUSB0 or /dev/ttyACM0), or start velmar-plotter-sim to "
                                 "try without a plotter.\n");
            return kExitOk;
        }
        for (const SerialPortInfo& port : ports) {
            char line[64];
            std::snprintf(line, sizeof line, "%-5s %-14s ", port.name.c_str(), port.device.c_str());
            printLine(line + port.description);
        }
        return kExitOk;
    }
};

[[maybe_unused]] const bool registered =
    registerCommand<PortsCommand>(50, "ports", "list the serial ports and the devices behind them");

} // namespace

} // namespace velmar::cli
