#pragma once
// The device read job: receives the database of a connected Series 41, Series 5 or Series 6
// device over the serial port and saves what arrives in a file, on one worker thread that
// reports to its progress window (0x501 a result line, 0x502 one more line received).
//
// Series 41 listens for sentences and keeps those of the database; Series 5 asks for its data
// line by line; Series 6 saves the raw stream up to the end-of-file byte. The file holds exactly
// the bytes the receiver keeps. It is written beside its target and put in place when the
// receiver ends, also after a stop or a lost line, so what arrived is kept and an earlier file
// of that name is replaced only then.

#include <cstdint>
#include <memory>
#include <string>

#include "serial/TransferJob.h"

namespace velmar {

inline constexpr char kReadingCompletedLine[] = "Reading Completed";

// A Series 41 sentence longer than this before its line feed is dropped.
inline constexpr std::size_t kSentenceBufferSize = 128;
// The Series 5 receiver repeats its request after this long without an answer.
inline constexpr std::uint32_t kSeries5RepeatMs = 2000;

struct DeviceReadJob : TransferJob {
    std::string outputPath; // trimmed

    DeviceReadJob() : TransferJob(kMsgReadResult, kMsgReadLine) {}
    ~DeviceReadJob(); // stops and joins a worker that still runs
};

// The Read button: checks the inputs in their order and builds the job. The message of the
// first failed check (for an error box), or an empty text with `*job` set.
std::string prepareDeviceReadJob(const std::string& outputText, int deviceType,
                                 const ComSettings& settings, std::unique_ptr<DeviceReadJob>* job);

// The worker's procedure; returns 0.
int runReadJob(DeviceReadJob* job);
// The receivers: 0 when they ran, 1 when the output file or their event cannot be created
// (Series 5 gives 0 in the latter case).
int receiveSeries41(DeviceReadJob* job, SerialPort* port);
int receiveSeries5(DeviceReadJob* job, SerialPort* port);
int receiveSeries6(DeviceReadJob* job, SerialPort* port);
// The Reading window: start when it opens, stop from its button, the log's new part.
void startDeviceReadJob(DeviceReadJob* job, JobWindow* window);
void stopDeviceReadJob(DeviceReadJob* job);
std::string takeReadLog(DeviceReadJob* job, std::size_t* offset);

} // namespace velmar
