// velmar-plotter-sim: a simulated chart plotter on a pseudo-terminal, so that every transfer of
// velmar and of the desktop program can be tried without a plotter.

#include <CLI/CLI.hpp>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <map>

#include "serial/PortNames.h"
#include "tools/plotter-sim/PlotterSimulator.h"

namespace {

using namespace velmar;
using namespace velmar::sim;

std::atomic<PlotterSimulator*> running{nullptr};

extern "C" void onSignal(int signal) {
    if (PlotterSimulator* simulator = running.load()) {
        simulator->stop(signal);
    }
}

void catchSignals() {
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        sigaction(signal, &action, nullptr);
    }
    std::signal(SIGPIPE, SIG_IGN);
}

int badOption(const std::string& words) {
    std::cerr << "velmar-plotter-sim: " << words << "\nRun with --help for more information.\n";
    return kBadOptions;
}

// "stray:3" -> a noise before line 3.
bool parseNoise(const std::string& text, Noise* noise) {
    static const std::map<std::string, NoiseKind> kinds = {{"stray", NoiseKind::StrayBytes},
                                                           {"foreign", NoiseKind::ForeignSentence},
                                                           {"long", NoiseKind::LongSentence}};
    const std::size_t colon = text.find(':');
    const auto kind = kinds.find(text.substr(0, colon));
    if (colon == std::string::npos || kind == kinds.end()) {
        return false;
    }
    try {
        std::size_t used = 0;
        noise->beforeLine = std::stoi(text.substr(colon + 1), &used);
        noise->kind = kind->second;
        return used == text.size() - colon - 1 && noise->beforeLine >= 1;
    } catch (const std::exception&) {
        return false;
    }
}

// What the command line gives besides the options the simulator takes as they are.
struct CommandLine {
    SimulatorOptions options;
    std::string device;
    std::string startAfter;
    std::vector<std::string> noise;
    bool json = false;
    bool quiet = false;
    bool noRegister = false;
};

// The options send and receive share.
void addDeviceOptions(CLI::App* command, CommandLine& line) {
    command->add_option("--device", line.device, "s41, s5 or s6")
        ->required()
        ->check(CLI::IsMember({"s41", "s5", "s6"}));
    command->add_option("--link", line.options.linkPath,
                        "also publish the port as this symbolic link");
    command->add_flag("--no-register", line.noRegister,
                      "do not list the port among velmar's ports");
    command
        ->add_option("--start-after", line.startAfter,
                     "when the device starts: open, purge or now (default purge for send "
                     "s41 and s6, else open)")
        ->check(CLI::IsMember({"open", "purge", "now"}));
    command->add_option("--start-delay", line.options.startDelayMs, "ms after that (default 200)")
        ->check(CLI::NonNegativeNumber);
    command
        ->add_option("--line-gap", line.options.lineGapMs,
                     "send s41: ms between lines (default 20)")
        ->check(CLI::NonNegativeNumber);
    command->add_flag("--line-rate", line.options.lineRate,
                      "pace the output at the baud rate the program set");
    command
        ->add_option("--timeout", line.options.timeoutSeconds,
                     "give up after S seconds without activity (default 60; 0 never)")
        ->check(CLI::NonNegativeNumber);
    command->add_flag("--json", line.json, "print the summary as JSON");
    command->add_flag("--quiet", line.quiet, "no running account of events on stderr");
    command
        ->add_option("--unplug-after-bytes", line.options.unplugAfterBytes,
                     "fault: hang up after N bytes of the transfer")
        ->check(CLI::NonNegativeNumber);
    command
        ->add_option("--unplug-after-seconds", line.options.unplugAfterSeconds,
                     "fault: hang up S seconds after the device started")
        ->check(CLI::NonNegativeNumber);
    CLI::Option* silent =
        command->add_flag("--silent", line.options.silent, "fault: never send anything");
    command
        ->add_option("--garbage", line.options.garbageBytes,
                     "fault: send N random bytes instead of the data")
        ->check(CLI::NonNegativeNumber)
        ->excludes(silent);
    command->add_option("--seed", line.options.seed, "of the random bytes (default 1)");
    command
        ->add_option("--ignore", line.options.ignoreRequests,
                     "send s5 fault: leave these requests unanswered (1,3,...)")
        ->delimiter(',')
        ->check(CLI::PositiveNumber);
    command
        ->add_option("--answer-delay", line.options.answerDelayMs,
                     "fault: ms before each answer to the program")
        ->check(CLI::NonNegativeNumber);
    command->add_option("--noise", line.noise,
                        "send s41 fault: KIND:K writes stray bytes (stray), a foreign "
                        "sentence (foreign) or a 300-byte sentence without a line feed "
                        "(long) before line K; may be repeated");
}

// Completes the simulator's options from the parsed command line: an empty text, or what is
// wrong with the options.
std::string finishOptions(CommandLine& line, const CLI::App* used, bool sending) {
    SimulatorOptions& options = line.options;
    const std::string& device = line.device;
    const std::string& startAfter = line.startAfter;
    options.registerPort = !line.noRegister;
    options.role = sending ? Role::Send : Role::Receive;
    options.deviceType = device == "s5" ? kSeries5 : device == "s6" ? kSeries6 : kSeries41;
    if (!startAfter.empty()) {
        options.startAfter = startAfter == "now"    ? StartAfter::Now
                             : startAfter == "open" ? StartAfter::Open
                                                    : StartAfter::Purge;
    }
    const bool sendSeries41 = sending && options.deviceType == kSeries41;
    if (used->count("--line-gap") > 0 && !sendSeries41) {
        return "--line-gap applies to send --device s41";
    }
    if (!options.ignoreRequests.empty() && !(sending && options.deviceType == kSeries5)) {
        return "--ignore applies to send --device s5";
    }
    for (const std::string& text : line.noise) {
        Noise parsed;
        if (!parseNoise(text, &parsed)) {
            return "--noise takes stray:K, foreign:K or long:K (K a line from 1), not " + text;
        }
        options.noise.push_back(parsed);
    }
    if (!options.noise.empty() && !sendSeries41) {
        return "--noise applies to send --device s41";
    }
    if (used->count("--seed") > 0 && options.garbageBytes < 0) {
        return "--seed goes with --garbage";
    }
    return {};
}

// Runs the simulator until the transfer ends or a signal stops it, then prints its summary.
int runSimulator(const SimulatorOptions& options, bool printJson) {
    PlotterSimulator simulator(options);
    running.store(&simulator);
    catchSignals();
    std::string problem;
    if (simulator.setUp(&problem) != 0) {
        running.store(nullptr);
        std::cerr << "velmar-plotter-sim: " << problem << "\n";
        return kSetupFailed;
    }
    std::string where = simulator.portPath();
    for (const SerialPortInfo& port : listSerialPorts()) {
        if (port.device == simulator.portPath()) {
            where += ", " + port.name + " in velmar";
        }
    }
    if (!options.linkPath.empty()) {
        where += ", link " + options.linkPath;
    }
    std::cerr << "velmar-plotter-sim: the " << simulator.description() << " is on " << where
              << "; waiting for the program (Ctrl-C ends)" << std::endl;
    const int status = simulator.run();
    running.store(nullptr);
    const SimulatorSummary& summary = simulator.summary();
    std::cout << (printJson ? summaryJson(summary) : summaryText(summary)) << std::flush;
    return status;
}

} // namespace

int main(int argc, char** argv) {
    CommandLine line;
    CLI::App app{"A simulated chart plotter on a pseudo-terminal: try velmar's reads and writes "
                 "without a plotter.\nThe port is listed by velmar after the real ones (COMn), "
                 "or named by --link.",
                 "velmar-plotter-sim"};
    app.require_subcommand(1);
    CLI::App* send = app.add_subcommand("send", "the device sends its database (velmar reads)");
    CLI::App* receive = app.add_subcommand("receive", "the device takes files (velmar writes)");
    send->add_option("FILE", line.options.sendFile, "the database file the device sends")
        ->required()
        ->check(CLI::ExistingFile);
    receive->add_option("--count", line.options.count, "files to take in a row (default 1)")
        ->check(CLI::PositiveNumber);
    receive->add_option("--save", line.options.savePath,
                        "save what arrives (the second file as NAME-2.EXT, ...)");
    for (CLI::App* command : {send, receive}) {
        addDeviceOptions(command, line);
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& help) {
        return app.exit(help);
    } catch (const CLI::ParseError& error) {
        app.exit(error);
        return kBadOptions;
    }
    const bool sending = send->parsed();
    const std::string problem = finishOptions(line, sending ? send : receive, sending);
    if (!problem.empty()) {
        return badOption(problem);
    }
    if (!line.quiet) {
        line.options.onEvent = [](const std::string& words) {
            std::cerr << "velmar-plotter-sim: " << words << std::endl;
        };
    }
    return runSimulator(line.options, line.json);
}
