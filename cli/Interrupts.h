#pragma once
// Ctrl-C (SIGINT) and SIGTERM on the command line. A job that can stop between its steps takes
// the first interrupt as the window's Cancel (interruptAsked() turns true) and quits at once on
// a second one; a job that cannot quits at the first. Quitting removes the unfinished outputs,
// so an earlier file of an output's name stays as it was, and ends by the signal itself.

#include <csignal>
#include <functional>

namespace velmar::cli {

// What the first interrupt does while an InterruptScope lives.
enum class FirstInterrupt { Stop, Quit };

// Installs the handlers for its lifetime (and clears interruptAsked()); restores the earlier
// ones when it ends.
class InterruptScope {
  public:
    explicit InterruptScope(FirstInterrupt first);
    ~InterruptScope();
    InterruptScope(const InterruptScope&) = delete;
    InterruptScope& operator=(const InterruptScope&) = delete;

  private:
    struct sigaction previousInt_ {};
    struct sigaction previousTerm_ {};
};

// True once an interrupt asked for a stop.
bool interruptAsked();

// Runs `start` (which starts a worker thread) with the interrupt signals blocked, so the worker
// inherits the mask: Ctrl-C always reaches the calling thread and never cuts short the worker's
// reads and writes.
void startWithInterruptsBlocked(const std::function<void()>& start);

} // namespace velmar::cli
