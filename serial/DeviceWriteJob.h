#pragma once
// The device write job: sends the listed files to a connected Series 41, Series 5 or Series 6
// device over the serial port, one after another, on one worker thread that reports to its
// progress window (0x503: wParam 0 the final line, 1 a file's result, 2 ask whether to write
// file lParam; 0x504 one more line sent). Between files the worker waits for the window's
// answer: the window sets `continueAnswer`, then `continueEvent` (answerContinue does both).
//
// The files' bytes travel as they are stored, read in pieces up to and including a line feed.
// Series 41 waits for the device's prompt and paces every byte; Series 5 sends one line per
// command of the device; Series 6 streams the lines and ends with the end-of-file byte.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "serial/TransferJob.h"

namespace velmar {

inline constexpr char kWritingCompletedLine[] = "Writing Completed";

// wParam of 0x503.
inline constexpr std::uintptr_t kWriteFinalLine = 0;
inline constexpr std::uintptr_t kWriteFileResult = 1;
inline constexpr std::uintptr_t kWriteAskNext = 2;

// Series 41 pacing: after each byte, and after each line.
inline constexpr std::chrono::milliseconds kByteGap{4};
inline constexpr std::chrono::milliseconds kLineGap{50};

struct DeviceWriteJob : TransferJob {
    std::vector<std::string> files; // in list order
    std::int32_t fileCount = 0;
    ManualResetEvent continueEvent;
    std::atomic<std::int32_t> continueAnswer{0}; // 1: write the next file

    DeviceWriteJob() : TransferJob(kMsgWriteResult, kMsgWriteLine) {}
    ~DeviceWriteJob(); // stops and joins a worker that still runs
};

// The Write button: checks the inputs in their order and builds the job. The message of the
// first failed check (for an error box), or an empty text with `*job` set.
std::string prepareDeviceWriteJob(const std::vector<std::string>& files, int deviceType,
                                  const ComSettings& settings,
                                  std::unique_ptr<DeviceWriteJob>* job);

// The question the window asks before file `index`: "Continue to write PATH.\nAre you sure?".
std::string continueQuestion(const DeviceWriteJob& job, std::size_t index);
// The window's answer to that question.
void answerContinue(DeviceWriteJob* job, bool yes);

// The worker's procedure; returns 0.
int runWriteJob(DeviceWriteJob* job);
// The senders of file `fileIndex`: 0 when they ran, 1 when they ended early (the file or their
// event not available, or, for Series 41, a stop before the prompt).
int sendSeries41(int fileIndex, DeviceWriteJob* job, SerialPort* port);
int sendSeries5(int fileIndex, DeviceWriteJob* job, SerialPort* port);
int sendSeries6(int fileIndex, DeviceWriteJob* job, SerialPort* port);

// Keeps the Series 41 pauses on absolute deadlines, so they do not drift: each pause ends a
// fixed time after the end of the one before. After a hold-up of more than a line's pause the
// pacing starts afresh instead of sending the missed pauses' bytes in a burst.
class Pacer {
  public:
    Pacer();
    void pause(std::chrono::steady_clock::duration gap);

  private:
    std::chrono::steady_clock::time_point next_;
};

// Sends the bytes one at a time, pausing kByteGap after each. A line in hand is sent to its end;
// only a write that the line holds back is given up once the stop is set.
SendResult sendPaced(SerialPort* port, std::string_view text, Pacer& pacer,
                     const ManualResetEvent& stop);

// The Writing window: start when it opens, stop from its button, the log's new part.
void startDeviceWriteJob(DeviceWriteJob* job, JobWindow* window);
void stopDeviceWriteJob(DeviceWriteJob* job);
std::string takeWriteLog(DeviceWriteJob* job, std::size_t* offset);

} // namespace velmar
