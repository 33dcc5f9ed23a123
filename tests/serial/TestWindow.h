#pragma once
// The progress window of a transfer job in a test: counts the lines, notes the questions of the
// write job and answers them as scripted, and tells when the final line has come (a result line
// posted once the job's stop flag is set).

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

#include "core/JobWindow.h"
#include "serial/DeviceWriteJob.h"

namespace velmar::test {

class TestWindow final : public JobWindow {
  public:
    // The job watched, and for a write job the answers to its questions, in order (No once they
    // run out).
    TransferJob* job = nullptr;
    DeviceWriteJob* writeJob = nullptr;
    std::deque<bool> answers;

    void postMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override {
        const std::lock_guard<std::mutex> guard(mutex_);
        if (message == kMsgReadLine || message == kMsgWriteLine) {
            ++lines_;
        } else if (message == kMsgWriteResult && wParam == kWriteAskNext) {
            asked_.push_back(lParam);
            if (writeJob != nullptr) {
                const bool yes = !answers.empty() && answers.front();
                if (!answers.empty()) {
                    answers.pop_front();
                }
                answerContinue(writeJob, yes);
            }
        } else if (wParam == 0 && job != nullptr && transferStopAsked(job)) {
            final_ = true;
        }
        changed_.notify_all();
    }
    // True once the final line came (within `timeout`), `count` lines were counted or the write
    // job asked its question (within 10 s).
    bool waitFinal(std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
        return waitFor([this] { return final_; }, timeout);
    }
    bool linesCounted(int count) {
        return waitFor([&] { return lines_ >= count; });
    }
    bool wasAsked() {
        return waitFor([this] { return !asked_.empty(); });
    }
    int lines() {
        const std::lock_guard<std::mutex> guard(mutex_);
        return lines_;
    }
    std::vector<std::intptr_t> asked() {
        const std::lock_guard<std::mutex> guard(mutex_);
        return asked_;
    }

  private:
    template <typename Done>
    bool waitFor(Done done, std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
        std::unique_lock<std::mutex> guard(mutex_);
        return changed_.wait_for(guard, timeout, done);
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    int lines_ = 0;
    bool final_ = false;
    std::vector<std::intptr_t> asked_;
};

} // namespace velmar::test
