// Velmar Toolkit, the desktop program: `velmar-toolkit [FILE...]`, the files put in the Convert
// page's list (as the desktop's file manager and the desktop entry pass them).

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "ui/AppTexts.h"
#include "ui/ConvertPage.h"
#include "ui/DisplayCheck.h"
#include "ui/MainTabDialog.h"
#include "ui/PageTabCtrl.h"
#include "ui/ToolkitApp.h"

namespace {

void describeCommandLine(QCommandLineParser& parser) {
    QCoreApplication::setApplicationName(QStringLiteral("velmar-toolkit"));
    // "Ver 12.4.17" without its "Ver ".
    QCoreApplication::setApplicationVersion(QString::fromLatin1(velmar::kVersionText).mid(4));
    parser.setApplicationDescription(QStringLiteral(
        "Converts, merges, reads and writes the user databases of chart plotters and GPS "
        "receivers."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("Files to put in the Convert page's list."),
                                 QStringLiteral("[FILE...]"));
}

// --help and --version answer without a display (over ssh, say).
bool asksForHelpOrVersion(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        for (const char* option : {"-h", "--help", "--help-all", "-v", "--version"}) {
            if (std::strcmp(argv[i], option) == 0) {
                return true;
            }
        }
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    QCommandLineParser parser;
    if (asksForHelpOrVersion(argc, argv)) {
        const QCoreApplication core(argc, argv);
        describeCommandLine(parser);
        parser.process(core); // prints and exits
        return 0;
    }
    if (!velmar::hasDisplay(argc, argv, [](const char* name) { return std::getenv(name); })) {
        const std::string hint =
            velmar::noDisplayHint("no display to show the window on (DISPLAY and "
                                  "WAYLAND_DISPLAY are not set)");
        std::fprintf(stderr, "%s\n", hint.c_str());
        return 1;
    }
    std::unique_ptr<QApplication> application;
    {
        const velmar::DisplayFailureGuard guard;
        application = std::make_unique<QApplication>(argc, argv);
    }
    describeCommandLine(parser);
    parser.process(*application); // an unknown option: says so and exits 1
    velmar::ToolkitApp toolkit;
    toolkit.mainWindow()->tabCtrl()->convertPage()->addFiles(parser.positionalArguments());
    return toolkit.run();
}
