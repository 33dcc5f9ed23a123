#include "cli/Interrupts.h"

#include <atomic>
#include <pthread.h>

#include "core/TextFile.h"

namespace velmar::cli {

namespace {

std::atomic<bool> interrupted{false};

void quitAtOnce(int signal) {
    removeUnfinishedOutputs();
    struct sigaction defaults {};
    defaults.sa_handler = SIG_DFL;
    sigemptyset(&defaults.sa_mask);
    sigaction(signal, &defaults, nullptr);
    raise(signal); // delivered as the handler returns
}

extern "C" void onInterruptStop(int signal) {
    if (interrupted.exchange(true)) {
        quitAtOnce(signal);
    }
}

extern "C" void onInterruptQuit(int signal) {
    quitAtOnce(signal);
}

} // namespace

InterruptScope::InterruptScope(FirstInterrupt first) {
    interrupted.store(false);
    struct sigaction action {};
    action.sa_handler = first == FirstInterrupt::Stop ? onInterruptStop : onInterruptQuit;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &previousInt_);
    sigaction(SIGTERM, &action, &previousTerm_);
}

InterruptScope::~InterruptScope() {
    sigaction(SIGINT, &previousInt_, nullptr);
    sigaction(SIGTERM, &previousTerm_, nullptr);
}

bool interruptAsked() {
    return interrupted.load();
}

void startWithInterruptsBlocked(const std::function<void()>& start) {
    sigset_t interrupts;
    sigset_t previous;
    sigemptyset(&interrupts);
    sigaddset(&interrupts, SIGINT);
    sigaddset(&interrupts, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &interrupts, &previous);
    start();
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

} // namespace velmar::cli
