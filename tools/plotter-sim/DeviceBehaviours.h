#pragma once
// What each simulated device does on its end of the line: the Series 41, Series 5 and Series 6
// senders and receivers, and the silent and garbage-sending devices of the fault options.

#include <chrono>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "tools/plotter-sim/PlotterSimulator.h"

namespace velmar::sim {

using Clock = std::chrono::steady_clock;
using TimePoint = Clock::time_point;

// The line as a device sees it.
class DeviceLine {
  public:
    virtual ~DeviceLine() = default;
    // Queues bytes for the program, in one write: they go `gapMs` after the bytes before them
    // have gone, and not before `notBefore`.
    virtual void send(std::string bytes, int gapMs = 0, TimePoint notBefore = {}) = 0;
    virtual TimePoint now() const = 0;
    // now() as milliseconds since the simulator started.
    virtual Millis elapsed() const = 0;
    // Notes a request, command or end marker in the summary, and tells it as an event; `at` is
    // when it came (by default now).
    virtual void command(bool fromDevice, std::string text, std::string note, Millis at = -1) = 0;
    virtual SimulatorSummary& summary() = 0;
};

class DeviceBehaviour {
  public:
    virtual ~DeviceBehaviour() = default;
    // The device starts (its user pressed send or receive).
    virtual void start(DeviceLine& line) = 0;
    // Bytes from the program, also before the start.
    virtual void received(DeviceLine& line, std::string_view bytes) = 0;
    // The device has played its part.
    virtual bool done() const = 0;
};

// The behaviour the options ask for; `data` is what a sending device sends.
std::unique_ptr<DeviceBehaviour> makeBehaviour(const SimulatorOptions& options, std::string data);

// The lines of `data`, each with its line feed (the last one may have none).
std::vector<std::string> splitLines(const std::string& data);

} // namespace velmar::sim
