#pragma once
// What the commands that run a job on a worker thread share: the console as the job's progress
// window, and the result lines of the job's log.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>

#include "core/JobWindow.h"

namespace velmar::cli {

// The worker's posts are noted under the window's lock and wake the main thread, which looks
// at the job at least every 100 ms. Never blocks the worker.
class ConsoleWindow : public JobWindow {
  public:
    void postMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) final {
        {
            const std::lock_guard<std::mutex> guard(mutex_);
            note(message, wParam, lParam);
            ++posts_;
        }
        changed_.notify_one();
    }

  protected:
    // Takes in one post; called under the lock.
    virtual void note(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) = 0;

    // Waits up to 100 ms for a post, then gives what `look` makes of the posts (under the lock).
    template <typename Look> auto waitAndLook(Look look) {
        std::unique_lock<std::mutex> guard(mutex_);
        changed_.wait_for(guard, std::chrono::milliseconds(100), [this] { return posts_ > seen_; });
        seen_ = posts_;
        return look();
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    unsigned long posts_ = 0;
    unsigned long seen_ = 0;
};

// Hands each line of a part of a job's log to `print`, without its CR LF. Every append to the
// log is one or more whole lines, each after a CR LF, so each part taken from it ends on a line
// end.
void forEachLogLine(const std::string& text, const std::function<void(std::string_view)>& print);

} // namespace velmar::cli
