#pragma once
// What every job shares, whichever folder it lives in: the trimmed text of a path box, the
// texts every job's window and checks show alike, and the control fields of a job run by a
// worker thread that reports to a progress window.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "core/JobWindow.h"

namespace velmar {

inline constexpr char kNoMemoryMessage[] = "Can not get enough memory";
// The first text of a progress window, where its job's result log starts.
inline constexpr char kJobStartText[] = "Please wait or press <Cancel> button to abort";
// The check of a job that saves to one file (Merge, Read) when no file was chosen.
inline constexpr char kNoOutputFileMessage[] =
    "No file for save output data.\nPress the <Browse> button to choose file";

// White space removed from both ends.
std::string trimText(const std::string& text);

// The fields a job run by a worker thread has: its window, its worker, the stop flag and the
// result log the window shows. A job record derives from it and stops and joins its worker in
// its own destructor.
struct JobControl {
    JobWindow* progressWindow = nullptr;
    std::thread workerThread;
    std::mutex lock; // guards stopFlag and resultLog
    std::int32_t stopFlag = 0;
    std::string resultLog;
};

// Starts a job's worker: the log starts with kJobStartText, the stop flag is cleared and the
// window is the one the job posts to.
void startJobWorker(JobControl* job, JobWindow* window, std::function<void()> run);

// The part of the log after `*offset` (under the lock); advances the offset.
std::string takeJobLog(JobControl* job, std::size_t* offset);

} // namespace velmar
