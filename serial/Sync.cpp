#include "serial/Sync.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>
#include <vector>

namespace velmar {

namespace detail {

// One thread waiting on several events: every event it waits on wakes it through here.
struct MultiWaiter {
    std::mutex mutex;
    std::condition_variable wakeUp;
    bool woken = false;
};

struct EventState {
    std::mutex mutex;
    std::condition_variable signalledChanged;
    bool signalled = false;
    std::vector<MultiWaiter*> waiters;
};

} // namespace detail

namespace {

using Clock = std::chrono::steady_clock;

Clock::time_point deadlineAfter(std::uint32_t timeoutMs) {
    return Clock::now() + std::chrono::milliseconds(timeoutMs);
}

void attach(detail::EventState& state, detail::MultiWaiter* waiter) {
    std::lock_guard lock(state.mutex);
    state.waiters.push_back(waiter);
}

void detach(detail::EventState& state, detail::MultiWaiter* waiter) {
    std::lock_guard lock(state.mutex);
    state.waiters.erase(std::remove(state.waiters.begin(), state.waiters.end(), waiter),
                        state.waiters.end());
}

} // namespace

ManualResetEvent ManualResetEvent::create(bool signalled) {
    ManualResetEvent event;
    try {
        event.state_ = std::make_shared<detail::EventState>();
    } catch (const std::bad_alloc&) {
        return event;
    }
    event.state_->signalled = signalled;
    return event;
}

void ManualResetEvent::set() const {
    if (!state_) {
        return;
    }
    std::lock_guard lock(state_->mutex);
    state_->signalled = true;
    state_->signalledChanged.notify_all();
    // Waiters leave the list under this lock, so each one is still alive here.
    for (detail::MultiWaiter* waiter : state_->waiters) {
        {
            std::lock_guard waiterLock(waiter->mutex);
            waiter->woken = true;
        }
        waiter->wakeUp.notify_one();
    }
}

void ManualResetEvent::reset() const {
    if (!state_) {
        return;
    }
    std::lock_guard lock(state_->mutex);
    state_->signalled = false;
}

bool ManualResetEvent::isSet() const {
    if (!state_) {
        return false;
    }
    std::lock_guard lock(state_->mutex);
    return state_->signalled;
}

std::uint32_t ManualResetEvent::wait(std::uint32_t timeoutMs) const {
    if (!state_) {
        return WAIT_FAILED;
    }
    std::unique_lock lock(state_->mutex);
    const auto isSignalled = [this] { return state_->signalled; };
    if (timeoutMs == INFINITE) {
        state_->signalledChanged.wait(lock, isSignalled);
        return WAIT_OBJECT_0;
    }
    return state_->signalledChanged.wait_until(lock, deadlineAfter(timeoutMs), isSignalled)
               ? WAIT_OBJECT_0
               : WAIT_TIMEOUT;
}

std::uint32_t waitForEither(const ManualResetEvent& first, const ManualResetEvent& second,
                            std::uint32_t timeoutMs) {
    if (!first.state_ || !second.state_) {
        return WAIT_FAILED;
    }
    if (first.state_ == second.state_) {
        return first.wait(timeoutMs);
    }
    const auto deadline = deadlineAfter(timeoutMs == INFINITE ? 0 : timeoutMs);
    detail::MultiWaiter waiter;
    attach(*first.state_, &waiter);
    attach(*second.state_, &waiter);
    std::uint32_t result = WAIT_TIMEOUT;
    for (;;) {
        // Registered on both before looking, so a set after the look wakes the waiter.
        if (first.isSet()) {
            result = WAIT_OBJECT_0;
            break;
        }
        if (second.isSet()) {
            result = WAIT_OBJECT_0 + 1;
            break;
        }
        std::unique_lock lock(waiter.mutex);
        if (timeoutMs == INFINITE) {
            waiter.wakeUp.wait(lock, [&] { return waiter.woken; });
        } else if (!waiter.wakeUp.wait_until(lock, deadline, [&] { return waiter.woken; })) {
            lock.unlock();
            // One last look: an event set right at the deadline still counts.
            result = first.isSet() ? WAIT_OBJECT_0 : second.isSet() ? WAIT_OBJECT_0 + 1 : result;
            break;
        }
        // Woken: look again (an event may have been reset in between).
        waiter.woken = false;
    }
    detach(*first.state_, &waiter);
    detach(*second.state_, &waiter);
    return result;
}

} // namespace velmar
