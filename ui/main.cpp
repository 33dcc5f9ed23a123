// Velmar Toolkit, the desktop program.

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "ui/DisplayCheck.h"
#include "ui/ToolkitApp.h"

int main(int argc, char** argv) {
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
    velmar::ToolkitApp toolkit;
    return toolkit.run();
}
