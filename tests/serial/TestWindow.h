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
    // True once the final line came (within `timeout`).
    bool waitFinal(std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
        std::unique_lock<std::mutex> guard(mutex_);
        return changed_.wait_for(guard, timeout, [this] { return final_; });
    }
    int lines() {
        const std::lock_guard<std::mutex> guard(mutex_);
        return lines_;
    }
    // True once `count` lines were counted (within 10 s).
    bool linesCounted(int count) {
        std::unique_lock<std::mutex> guard(mutex_);
        return changed_.wait_for(guard, std::chrono::seconds(10), [&] { return lines_ >= count; });
    }
    // True once the write job asked its question (within 10 s).
    bool wasAsked() {
        std::unique_lock<std::mutex> guard(mutex_);
        return changed_.wait_for(guard, std::chrono::seconds(10), [&] { return !asked_.empty(); });
    }
    std::vector<std::intptr_t> asked() {
        const std::lock_guard<std::mutex> guard(mutex_);
        return asked_;
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int lines_ = 0;
    bool final_ = false;
    std::vector<std::intptr_t> asked_;
};

} // namespace velmar::test
