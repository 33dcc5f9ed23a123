#include "ui/DisplayCheck.h"

#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace velmar {

namespace {

QtMessageHandler previousHandler = nullptr;

bool isSet(const EnvironmentLookup& environment, const char* name) {
    const char* value = environment(name);
    return value != nullptr && value[0] != '\0';
}

// The command line beside this program in the build tree (build/cli/velmar); empty for an
// installed program.
std::string buildTreeCommandLine() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        const std::filesystem::path cli = self.parent_path().parent_path() / "cli" / "velmar";
        if (std::filesystem::exists(cli, error)) {
            return cli.string();
        }
    }
    return {};
}

void onToolkitMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg) {
        const char* display = std::getenv("DISPLAY");
        const std::string reason = display != nullptr && display[0] != '\0'
                                       ? std::string("cannot open the display ") + display
                                       : std::string("cannot open a display");
        std::fprintf(stderr, "%s\n", noDisplayHint(reason).c_str());
        std::fflush(stderr);
        std::_Exit(1);
    }
    if (context.category != nullptr && std::strcmp(context.category, "qt.qpa.plugin") == 0) {
        return; // "could not load the platform plugin": the hint that follows says it plainly
    }
    if (previousHandler != nullptr) {
        previousHandler(type, context, text);
    } else {
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
    }
}

} // namespace

bool hasDisplay(int argc, char** argv, const EnvironmentLookup& environment) {
#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
    return true;
#else
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0) {
            return true;
        }
    }
    return isSet(environment, "QT_QPA_PLATFORM") || isSet(environment, "DISPLAY") ||
           isSet(environment, "WAYLAND_DISPLAY");
#endif
}

std::string noDisplayHint(const std::string& reason) {
    // Started from the build tree by `make run`, or installed.
    const std::string commandLine = buildTreeCommandLine();
    return "velmar-toolkit: " + reason + "; start it on a virtual display with 'xvfb-run -a " +
           (commandLine.empty() ? "velmar-toolkit" : "make run") +
           "', or use the command line: " + (commandLine.empty() ? "velmar" : commandLine) +
           " --help";
}

DisplayFailureGuard::DisplayFailureGuard() {
    previousHandler = qInstallMessageHandler(onToolkitMessage);
}

DisplayFailureGuard::~DisplayFailureGuard() {
    qInstallMessageHandler(previousHandler);
    previousHandler = nullptr;
}

} // namespace velmar
