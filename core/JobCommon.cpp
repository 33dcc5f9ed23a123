#include "core/JobCommon.h"

#include <utility>

namespace velmar {

namespace {

bool isWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

} // namespace

std::string trimText(const std::string& text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && isWhiteSpace(text[begin])) {
        ++begin;
    }
    while (end > begin && isWhiteSpace(text[end - 1])) {
        --end;
    }
    return text.substr(begin, end - begin);
}

void startJobWorker(JobControl* job, JobWindow* window, std::function<void()> run) {
    {
        const std::lock_guard<std::mutex> guard(job->lock);
        job->resultLog = kJobStartText;
        job->stopFlag = 0;
        job->progressWindow = window;
    }
    job->workerThread = std::thread(std::move(run));
}

std::string takeJobLog(JobControl* job, std::size_t* offset) {
    const std::lock_guard<std::mutex> guard(job->lock);
    if (*offset >= job->resultLog.size()) {
        return {};
    }
    std::string part = job->resultLog.substr(*offset);
    *offset = job->resultLog.size();
    return part;
}

} // namespace velmar
