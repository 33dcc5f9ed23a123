// velmar: the command-line companion of the desktop program, for scripting and batch work.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <iostream>

#include "cli/Command.h"
#include "cli/StandardOutput.h"

namespace velmar::cli {

namespace {

constexpr char kDescription[] =
    "Converts and merges the user databases of chart plotters and GPS receivers, and reads and\n"
    "writes them over a serial port.";
constexpr char kFooter[] =
    "Run 'velmar COMMAND --help' for the options of a command.\n"
    "Exit status: 0 done, 1 a file or the output failed, 2 bad arguments, 130 a\n"
    "transfer stopped by Ctrl-C.";

std::vector<CommandEntry>& entries() {
    static std::vector<CommandEntry> list;
    return list;
}

// The command a parse error belongs to: the deepest subcommand named so far, or the program.
std::string commandName(const CLI::App& app) {
    std::string name = "velmar";
    const CLI::App* current = &app;
    while (current != nullptr) {
        const auto named = current->get_subcommands();
        current = named.empty() ? nullptr : named.front();
        if (current != nullptr) {
            name += " " + current->get_name();
        }
    }
    return name;
}

void printHelpHint(const std::string& command) {
    std::fprintf(stderr, "Run '%s --help' for its options.\n", command.c_str());
}

} // namespace

bool addCommandEntry(CommandEntry entry) {
    entries().push_back(std::move(entry));
    return true;
}

std::vector<CommandEntry> commandEntries() {
    std::vector<CommandEntry> list = entries();
    std::stable_sort(list.begin(), list.end(), [](const CommandEntry& a, const CommandEntry& b) {
        return a.order < b.order;
    });
    return list;
}

int argumentError(const std::string& command, const std::string& message) {
    std::fprintf(stderr, "velmar %s: %s\n", command.c_str(), message.c_str());
    return kExitBadArguments;
}

int runCommandLine(int argc, char** argv) {
    CLI::App app(kDescription, "velmar");
    app.footer(kFooter);
    app.require_subcommand(1, 1);
    std::vector<std::pair<CLI::App*, std::unique_ptr<Command>>> commands;
    for (const CommandEntry& entry : commandEntries()) {
        CLI::App* sub = app.add_subcommand(entry.name, entry.summary);
        std::unique_ptr<Command> command = entry.make();
        command->addOptions(*sub);
        commands.emplace_back(sub, std::move(command));
    }
    if (argc < 2) {
        std::fputs(app.help().c_str(), stderr);
        return kExitBadArguments;
    }
    // A first word that is no option and no command is a mistyped command, whatever follows.
    const std::string first = argv[1];
    const bool known = std::any_of(commands.begin(), commands.end(), [&](const auto& command) {
        return command.first->check_name(first);
    });
    if (!first.starts_with('-') && !known) {
        std::fprintf(stderr, "velmar: unknown command '%s'\n", first.c_str());
        printHelpHint("velmar");
        return kExitBadArguments;
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        if (error.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) {
            return app.exit(error); // --help: the help of the command named before it
        }
        const std::string command = commandName(app);
        std::fprintf(stderr, "%s: %s\n", command.c_str(), error.what());
        printHelpHint(command);
        return kExitBadArguments;
    }
    for (auto& [sub, command] : commands) {
        if (sub->parsed()) {
            return command->run();
        }
    }
    return kExitBadArguments;
}

} // namespace velmar::cli

int main(int argc, char** argv) {
    // A reader that went away makes writes fail, which the output check reports.
    std::signal(SIGPIPE, SIG_IGN);
    int status = velmar::cli::kExitBadArguments;
    try {
        status = velmar::cli::runCommandLine(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fputs("velmar: out of memory\n", stderr);
        status = velmar::cli::kExitFailed;
    }
    std::cout.flush();
    return velmar::cli::finishOutput(status);
}
