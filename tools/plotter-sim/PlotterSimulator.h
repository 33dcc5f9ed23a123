#pragma once
// A simulated plotter: plays the device end of every exchange of the Series 41, Series 5 and
// Series 6 transfers on a pseudo-terminal, so the read and write jobs can be tried and tested
// without a plotter. It watches the program on the other end (open and close of the port, its
// purges, the line settings it applies, every byte with its time) and sums the exchange up.
//
// In a test:
//     sim::SimulatorOptions options;
//     options.role = sim::Role::Send;
//     options.deviceType = kSeries41;
//     options.sendBytes = "...";
//     sim::PlotterSimulator simulator(options);
//     ASSERT_EQ(simulator.setUp(&problem), 0);
//     simulator.start();                   // runs on a thread of its own
//     ... open simulator.portPath() with a SerialPort and talk ...
//     EXPECT_EQ(simulator.wait(), 0);      // once the program has closed the port
//     simulator.summary().sent ...

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "serial/ComSettings.h"

namespace velmar::sim {

enum class Role { Send, Receive };

// When the device starts: once the simulator runs, once the program has opened the port, or
// once the program has emptied the port after opening it (what the read job does).
enum class StartAfter { Now, Open, Purge };

// Series 41 noise written before a line of the file.
enum class NoiseKind { StrayBytes, ForeignSentence, LongSentence };
struct Noise {
    NoiseKind kind = NoiseKind::StrayBytes;
    int beforeLine = 1; // counted from 1
};

// Exit statuses of the simulator.
inline constexpr int kExchangeEnded = 0; // as scripted (an unplug fault included)
inline constexpr int kSetupFailed = 1;   // no pseudo-terminal, link or registration
inline constexpr int kBadOptions = 2;
inline constexpr int kTimedOut = 3;
// Ended by stop() or a signal: 128 + the signal's number.

struct SimulatorOptions {
    Role role = Role::Send;
    int deviceType = kSeries41; // kSeries41, kSeries5 or kSeries6
    // send: the file whose bytes the device sends, or, without a file, these bytes.
    std::string sendFile;
    std::string sendBytes;
    // receive: files to take in a row, and where to save them (the second as NAME-2.EXT, ...).
    int count = 1;
    std::string savePath;
    // A symbolic link to the port, and the registration where velmar's port list finds it.
    std::string linkPath;
    bool registerPort = true;
    // The start: the condition (by default Purge for send of Series 41 and 6, else Open),
    // then the delay.
    std::optional<StartAfter> startAfter;
    int startDelayMs = 200;
    int lineGapMs = 20;         // Series 41 send: pause after each line
    bool lineRate = false;      // pace the output at the program's baud rate (10 bits a byte)
    double timeoutSeconds = 60; // ends the run after this long without activity; 0 never
    // Faults.
    std::int64_t unplugAfterBytes = -1; // of the transfer: sent (send) or received (receive)
    double unplugAfterSeconds = -1;     // after the device started
    bool silent = false;                // never sends anything
    std::int64_t garbageBytes = -1;     // random bytes instead of the data
    std::uint32_t seed = 1;             // of the random bytes
    std::vector<int> ignoreRequests;    // Series 5 send: requests left unanswered, from 1
    int answerDelayMs = 0;              // before each answer to the program
    std::vector<Noise> noise;           // Series 41 send
    // Told each event as it happens, in words for people ("program opened the port").
    std::function<void(const std::string&)> onEvent;
};

// Times are milliseconds since the simulator started running.
using Millis = double;

struct LineSettings {
    std::uint32_t baudRate = 0;
    int dataBits = 8;
    char parity = 'N'; // N E O M S
    int stopBits = 1;
    std::string flow = "none"; // none, hardware, XON/XOFF
    bool operator==(const LineSettings&) const = default;
};

struct TimedSettings {
    Millis at = 0;
    LineSettings settings;
};

struct Purge {
    Millis at = 0;
    bool withOpen = false; // the port's emptying when it is opened
};

// A request, command or end marker seen on the line, and what the device made of it.
struct Command {
    Millis at = 0;
    bool fromDevice = false;
    std::string text; // without its line end: "+", "N", ">", "ENDDATA", ...
    std::string note; // "line 3", "repeat of line 3", "ignored", "end of file 1", ...
};

struct TrafficChunk {
    Millis at = 0;
    bool fromDevice = false;
    std::string bytes;
};

struct ReceivedFile {
    std::string bytes;
    std::uint64_t lines = 0; // line feeds
    Millis firstByteAt = -1;
    Millis endedAt = -1;
    bool complete = false; // its end came
    std::string savedTo;   // the path it was saved to, if any
    std::string saveError;
};

struct Spread {
    std::size_t count = 0;
    double min = 0;
    double median = 0;
    double max = 0;
};

enum class Ending { Running, Completed, Unplugged, TimedOut, Stopped };

struct SimulatorSummary {
    Role role = Role::Send;
    int deviceType = kSeries41;
    std::string description; // "simulated Series 41 plotter (sends harbour-tour.s41)"
    std::string port;        // "/dev/pts/5"
    std::string link;
    std::string registration; // the registration link's path
    Ending ending = Ending::Running;
    int exitStatus = -1;
    Millis startedAt = -1; // when the device started; -1 never
    Millis endedAt = 0;
    // Every byte each way, and their line feeds.
    std::string sent;
    std::string received;
    std::uint64_t sentLines = 0;
    std::uint64_t receivedLines = 0;
    std::uint64_t heldBytes = 0;    // sent before the program opened the port, kept for it
    std::uint64_t ignoredBytes = 0; // received while the device took no file
    std::uint64_t noiseBytes = 0;
    std::vector<Millis> opens;
    std::vector<Millis> closes;
    std::vector<Purge> purges;
    std::vector<TimedSettings> settings; // each change the program made
    std::vector<Command> commands;
    std::vector<ReceivedFile> files; // receive
    std::optional<Spread> byteGaps;  // receive Series 41: gaps between bytes of a line
    std::optional<Spread> lineGaps;  // and between a line's end and the next line
    std::vector<TrafficChunk> traffic;
};

// The words of a summary for people, and its JSON form for scripts and tests.
std::string summaryText(const SimulatorSummary& summary);
std::string summaryJson(const SimulatorSummary& summary);
// "s41", "s5", "s6"; and "Series 41", ...
const char* deviceKey(int deviceType);
const char* deviceName(int deviceType);
// Bytes shown as text: printable ASCII as it is, \r \n \t \\ and \xNN for the rest.
std::string escapeBytes(const std::string& bytes);

class PlotterSimulator {
  public:
    explicit PlotterSimulator(SimulatorOptions options);
    ~PlotterSimulator(); // stops a running simulator, removes its link and registration
    PlotterSimulator(const PlotterSimulator&) = delete;
    PlotterSimulator& operator=(const PlotterSimulator&) = delete;

    // Reads the file to send, opens the pseudo-terminal, publishes the link and registers the
    // port. 0, or kSetupFailed with `*problem` saying why.
    int setUp(std::string* problem);
    const std::string& portPath() const;
    const std::string& description() const;

    // Plays the exchange on the calling thread until it ends; the exit status.
    int run();
    // run() on a thread of its own, and the wait for its status.
    void start();
    int wait();
    // Ends the run as stopped by `signal` (the status is 128 + signal). Safe from any thread and
    // from a signal handler.
    void stop(int signal);

    // Complete once run() has returned.
    const SimulatorSummary& summary() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace velmar::sim
