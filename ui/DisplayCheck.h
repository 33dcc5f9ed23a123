#pragma once
// The desktop program started where no window can be shown (over ssh, in a container, in a
// build job) says so in one line and how to go on, instead of the toolkit's abort.

#include <functional>
#include <string>

namespace velmar {

// Looks up an environment variable; null when it is not set.
using EnvironmentLookup = std::function<const char*(const char*)>;

// True when there is something to show the window on: a platform named by QT_QPA_PLATFORM or a
// -platform argument, or an X11 or Wayland display. Always true where windows need no display
// server (Windows, macOS).
bool hasDisplay(int argc, char** argv, const EnvironmentLookup& environment);

// "velmar-toolkit: <reason>; ..." with the two ways on: a virtual display, or the command line
// (in the build tree: `make run` and build/cli/velmar; installed: the commands on the PATH).
std::string noDisplayHint(const std::string& reason);

// While it lives, a display that cannot be opened (DISPLAY names no running server) ends the
// program with the hint and status 1 instead of the toolkit's abort. Wraps the construction of
// the application object.
class DisplayFailureGuard {
  public:
    DisplayFailureGuard();
    ~DisplayFailureGuard();
    DisplayFailureGuard(const DisplayFailureGuard&) = delete;
    DisplayFailureGuard& operator=(const DisplayFailureGuard&) = delete;
};

} // namespace velmar
