#pragma once
// The subcommands of the `velmar` command line. Each command lives in one file: a Command that
// adds its options to its own CLI11 subcommand and runs once they are parsed, registered there
// with one line:
//
//     const bool registered = registerCommand<ConvertCommand>(10, "convert", "convert files ...");
//
// main() builds every registered command, parses the arguments and runs the one that was named.

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace velmar::cli {

// The exit statuses of every command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;       // a file or the output failed
inline constexpr int kExitBadArguments = 2; // bad arguments or inputs: nothing was done

class Command {
  public:
    virtual ~Command() = default;
    // Adds the options, positional arguments and help texts to the command's subcommand.
    virtual void addOptions(CLI::App& app) = 0;
    // Runs with the parsed options; the exit status.
    virtual int run() = 0;
};

struct CommandEntry {
    int order = 0; // place in the list of commands in the help
    std::string name;
    std::string summary;
    std::function<std::unique_ptr<Command>()> make;
};

// Adds a command to the program; true, so it can initialise a file's static flag.
bool addCommandEntry(CommandEntry entry);
// Every registered command, in help order.
std::vector<CommandEntry> commandEntries();

template <typename T> bool registerCommand(int order, const char* name, const char* summary) {
    return addCommandEntry({order, name, summary, [] { return std::make_unique<T>(); }});
}

// An input refused after parsing: "velmar COMMAND: message" on stderr; kExitBadArguments.
int argumentError(const std::string& command, const std::string& message);

} // namespace velmar::cli
