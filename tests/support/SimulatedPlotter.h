#pragma once
// A simulated plotter for the transfer tests: the plotter simulator on a thread of its own,
// unregistered, starting at once (a sending Series 41 or Series 6 plotter just after the job's
// purge). Link velmar_plotter_sim to use it.

#include <stdexcept>
#include <string>
#include <vector>

#include "tools/plotter-sim/PlotterSimulator.h"

namespace velmar::test {

// What the plotter does besides its part of the exchange.
struct Script {
    bool silent = false;
    std::int64_t garbage = -1;          // random bytes instead of the data
    int lineGapMs = 1;                  // Series 41 sending: after each line
    bool lineRate = false;              // at the line's speed
    std::vector<int> ignore{};          // Series 5 requests left unanswered, from 1
    std::int64_t unplugAfterBytes = -1; // of the transfer
    double unplugAfterSeconds = -1;
    int count = 1;                   // files a receiving plotter takes
    std::vector<sim::Noise> noise{}; // Series 41 sending
};

// The simulator's options for a test: no registration, no start delay.
inline sim::SimulatorOptions plotter(sim::Role role, int deviceType, std::string bytes = "",
                                     const Script& script = {}) {
    sim::SimulatorOptions options;
    options.role = role;
    options.deviceType = deviceType;
    options.sendBytes = std::move(bytes);
    options.registerPort = false;
    options.startDelayMs = 0;
    options.timeoutSeconds = 30;
    options.silent = script.silent;
    options.garbageBytes = script.garbage;
    options.lineGapMs = script.lineGapMs;
    options.lineRate = script.lineRate;
    options.ignoreRequests = script.ignore;
    options.unplugAfterBytes = script.unplugAfterBytes;
    options.unplugAfterSeconds = script.unplugAfterSeconds;
    options.count = script.count;
    options.noise = script.noise;
    return options;
}

class SimulatedPlotter {
  public:
    explicit SimulatedPlotter(const sim::SimulatorOptions& options) : simulator(options) {
        std::string problem;
        if (simulator.setUp(&problem) != 0) {
            throw std::runtime_error(problem);
        }
        simulator.start();
    }
    const std::string& port() const { return simulator.portPath(); }
    // Waits for the end of the exchange (the program closed the port, or the line was
    // unplugged); its summary.
    const sim::SimulatorSummary& ended() {
        simulator.wait();
        return simulator.summary();
    }

    sim::PlotterSimulator simulator;
};

} // namespace velmar::test
