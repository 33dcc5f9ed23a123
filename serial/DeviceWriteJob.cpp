#include "serial/DeviceWriteJob.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <thread>

#include "core/JobCommon.h"
#include "core/TextFile.h"

namespace velmar {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kPieceLimit = 511;
constexpr std::uint32_t kCommandRead = 511;
// The most bytes of whole lines the Series 6 sender gives the port in one write.
constexpr std::size_t kStreamBatch = 8192;

// A file read in the pieces the senders send: the bytes up to and including the next line
// feed, at most 511 of them, exactly as stored.
class FilePieces {
  public:
    bool open(const std::string& path) {
        file_ = openForReading(path);
        return file_ != nullptr;
    }
    // The next piece (valid until the next call); false at the end of the file.
    bool next(std::string_view* piece) {
        piece_.clear();
        while (piece_.size() < kPieceLimit) {
            if (position_ == size_ && !fill()) {
                break;
            }
            const std::size_t want = std::min(kPieceLimit - piece_.size(), size_ - position_);
            const char* start = buffer_.data() + position_;
            const void* lineFeed = std::memchr(start, '\n', want);
            const std::size_t take =
                lineFeed != nullptr ? static_cast<const char*>(lineFeed) - start + 1 : want;
            piece_.append(start, take);
            position_ += take;
            if (lineFeed != nullptr) {
                break;
            }
        }
        *piece = piece_;
        return !piece_.empty();
    }
    void rewind() {
        std::rewind(file_.get());
        position_ = size_ = 0;
    }

  private:
    bool fill() {
        size_ = std::fread(buffer_.data(), 1, buffer_.size(), file_.get());
        position_ = 0;
        return size_ > 0;
    }

    FilePtr file_;
    std::vector<char> buffer_ = std::vector<char>(1 << 16);
    std::size_t position_ = 0;
    std::size_t size_ = 0;
    std::string piece_;
};

enum class Outcome { Sent, Aborted, Lost };

Outcome outcomeOf(SendResult result) {
    return result == SendResult::Sent      ? Outcome::Sent
           : result == SendResult::Stopped ? Outcome::Aborted
                                           : Outcome::Lost;
}

// The common part of every sender: the file, the port, the stop, and the file's result line.
class Delivery {
  public:
    Delivery(int fileIndex, DeviceWriteJob* job, SerialPort* port)
        : job(job), port(port), path(job->files[static_cast<std::size_t>(fileIndex)]) {}

    // Opens the file; false after its "Err : Open file " line.
    bool openFile() {
        if (file.open(path)) {
            return true;
        }
        postResult(job, kOpenFileLine, &path, kWriteFileResult, false);
        return false;
    }
    SendResult send(std::string_view bytes) { return sendBytes(*port, job->stopEvent, bytes); }
    // Up to 511 bytes that have arrived; false when the line is lost.
    bool read(std::string_view* bytes) {
        std::uint32_t count = 0;
        const bool ok =
            port->read(buffer_, kCommandRead, &count, nullptr, INFINITE) == ERROR_SUCCESS;
        *bytes = std::string_view(buffer_, count);
        return ok;
    }
    // "OK : " or "ABORT : " with the path; after a lost line the final "Err : COM-port lost".
    int finish(Outcome outcome) {
        postResult(job, outcome == Outcome::Sent ? "OK : " : "ABORT : ", &path, kWriteFileResult,
                   false);
        if (outcome == Outcome::Lost) {
            postPortLost(job);
        }
        return 0;
    }

    DeviceWriteJob* job;
    SerialPort* port;
    const std::string& path;
    FilePieces file;

  private:
    char buffer_[kCommandRead + 1] = {};
};

} // namespace

DeviceWriteJob::~DeviceWriteJob() {
    if (workerThread.joinable()) {
        stopTransferJob(this);
    }
}

std::string prepareDeviceWriteJob(const std::vector<std::string>& files, int deviceType,
                                  const ComSettings& settings,
                                  std::unique_ptr<DeviceWriteJob>* job) {
    job->reset();
    if (files.empty()) {
        return "No files for write to device.\nPress the <Add file> button to add a file to list";
    }
    if (noTransferSupport(deviceType)) {
        return kNoTransferSupportMessage;
    }
    try {
        auto made = std::make_unique<DeviceWriteJob>();
        made->files = files;
        made->fileCount = static_cast<std::int32_t>(files.size());
        made->deviceType = deviceType;
        made->settings = settings;
        made->continueAnswer = 0;
        made->continueEvent = ManualResetEvent::create();
        made->stopEvent = ManualResetEvent::create();
        if (!made->continueEvent || !made->stopEvent) {
            return "Unable to create manual-reset events for stop event.";
        }
        *job = std::move(made);
    } catch (const std::bad_alloc&) {
        return kNoMemoryMessage;
    }
    return {};
}

std::string continueQuestion(const DeviceWriteJob& job, std::size_t index) {
    const std::string path = index < job.files.size() ? job.files[index] : std::string();
    return "Continue to write " + path + ".\nAre you sure?";
}

void answerContinue(DeviceWriteJob* job, bool yes) {
    job->continueAnswer = yes ? 1 : 0;
    job->continueEvent.set();
}

Pacer::Pacer() : next_(Clock::now()) {}

void Pacer::pause(Clock::duration gap) {
    next_ += gap;
    const auto now = Clock::now();
    if (next_ + kLineGap < now) {
        next_ = now; // held up: start afresh rather than burst
    }
    std::this_thread::sleep_until(next_);
}

SendResult sendPaced(SerialPort* port, std::string_view text, Pacer& pacer,
                     const ManualResetEvent& stop) {
    for (const char& byte : text) {
        const SendResult result = sendBytes(*port, stop, std::string_view(&byte, 1));
        if (result != SendResult::Sent) {
            return result;
        }
        pacer.pause(kByteGap);
    }
    return SendResult::Sent;
}

int sendSeries41(int fileIndex, DeviceWriteJob* job, SerialPort* port) {
    Delivery delivery(fileIndex, job, port);
    PortWaiter waiter(*port, job->stopEvent, true);
    if (!waiter.ready()) {
        return 1;
    }
    // The file is opened before the prompt is awaited: a file that cannot be sent is reported
    // at once, and the device's prompt is left for the next file.
    if (!delivery.openFile()) {
        return 1;
    }
    for (;;) {
        std::uint32_t events = 0;
        const PortWaiter::Wake wake = waiter.wait(&events);
        if (wake == PortWaiter::Wake::Stopped) {
            return 1; // no line for a file that was never started
        }
        if (wake == PortWaiter::Wake::Lost) {
            return delivery.finish(Outcome::Lost);
        }
        std::string_view bytes;
        if ((events & EV_RXFLAG) == 0) {
            continue;
        }
        if (!delivery.read(&bytes)) {
            return delivery.finish(Outcome::Lost);
        }
        if (bytes == kSeries41Prompt) {
            break;
        }
    }
    postLineCount(job);

    Pacer pacer;
    Outcome outcome = Outcome::Sent;
    std::string_view line;
    while (delivery.file.next(&line)) {
        outcome = outcomeOf(sendPaced(port, line, pacer, job->stopEvent));
        if (outcome != Outcome::Sent) {
            break;
        }
        postLineCount(job);
        if (line.find(kSeries41EndLine) != std::string_view::npos) {
            return delivery.finish(Outcome::Sent); // the file's own end sentence has gone
        }
        if (transferStopAsked(job)) {
            outcome = Outcome::Aborted;
            break;
        }
        pacer.pause(kLineGap);
    }
    if (outcome != Outcome::Lost && delivery.send(kSeries41EndLine) == SendResult::Lost) {
        outcome = Outcome::Lost;
    }
    return delivery.finish(outcome);
}

int sendSeries5(int fileIndex, DeviceWriteJob* job, SerialPort* port) {
    Delivery delivery(fileIndex, job, port);
    if (!delivery.openFile()) {
        return 1;
    }
    PortWaiter waiter(*port, job->stopEvent, true);
    if (!waiter.ready()) {
        return 1;
    }
    std::string lastLine;
    bool lineSent = false;
    Outcome outcome = Outcome::Sent;
    bool ended = false;
    // Sends a line of the file (or the end line) and counts it; false when the sender must end.
    const auto sendLine = [&](std::string_view bytes) {
        outcome = outcomeOf(delivery.send(bytes));
        if (outcome == Outcome::Sent) {
            postLineCount(job);
        }
        return outcome == Outcome::Sent;
    };
    while (!ended) {
        std::uint32_t events = 0;
        const PortWaiter::Wake wake = waiter.wait(&events);
        if (wake == PortWaiter::Wake::Stopped || wake == PortWaiter::Wake::Lost) {
            outcome = wake == PortWaiter::Wake::Stopped ? Outcome::Aborted : Outcome::Lost;
            break;
        }
        std::string_view command;
        if ((events & EV_RXFLAG) == 0) {
            continue;
        }
        if (!delivery.read(&command)) {
            outcome = Outcome::Lost;
            break;
        }
        // Each read as a whole is one command; anything else (two commands read together
        // included) is ignored.
        if (command == kSeries5Start) {
            delivery.file.rewind();
        }
        if (command == kSeries5Start || command == kSeries5Next) {
            std::string_view line;
            if (!delivery.file.next(&line)) {
                outcome = outcomeOf(delivery.send(kSeries5EndLine));
                break;
            }
            lastLine.assign(line);
            lineSent = true;
            ended = !sendLine(lastLine) || lastLine == kSeries5EndLine;
        } else if (command == kSeries5Repeat) {
            ended = lineSent && !sendLine(lastLine);
        } else if (command == kSeries5Stop) {
            sendLine(kSeries5EndLine);
            ended = true;
        }
    }
    return delivery.finish(outcome);
}

int sendSeries6(int fileIndex, DeviceWriteJob* job, SerialPort* port) {
    Delivery delivery(fileIndex, job, port);
    if (!delivery.openFile()) {
        return 1;
    }
    // The lines go in batches, one write each, so a fast line is not held up by a system call
    // per line; the stop is still honoured between lines.
    Outcome outcome = Outcome::Sent;
    std::string batch;
    std::vector<std::size_t> lineEnds;
    bool endMarkSent = false;
    std::string_view line;
    while (outcome == Outcome::Sent && !endMarkSent) {
        batch.clear();
        lineEnds.clear();
        bool endMark = false; // the file's own end-of-file mark ends it
        while (!endMark && batch.size() < kStreamBatch && delivery.file.next(&line)) {
            batch.append(line);
            lineEnds.push_back(batch.size());
            endMark = line.front() == kSeries6EndMark;
        }
        if (batch.empty()) {
            break;
        }
        std::size_t sent = 0;
        outcome = outcomeOf(sendBytes(*port, job->stopEvent, batch, &lineEnds, &sent));
        endMarkSent = endMark && sent == batch.size();
        if (endMarkSent) {
            outcome = Outcome::Sent; // the whole file went
        }
        for (const std::size_t end : lineEnds) {
            if (end <= sent) {
                postLineCount(job);
            }
        }
        if (outcome == Outcome::Sent && transferStopAsked(job) && !endMarkSent) {
            outcome = Outcome::Aborted; // a cut-off file is not reported as sent
        }
    }
    if (outcome != Outcome::Lost && !endMarkSent &&
        delivery.send(std::string_view(&kSeries6EndMark, 1)) == SendResult::Lost) {
        outcome = Outcome::Lost;
    }
    return delivery.finish(outcome);
}

namespace {

void sendFile(int fileIndex, DeviceWriteJob* job, SerialPort* port) {
    switch (job->deviceType) {
    case kSeries41:
        sendSeries41(fileIndex, job, port);
        break;
    case kSeries5:
        sendSeries5(fileIndex, job, port);
        break;
    case kSeries6:
        sendSeries6(fileIndex, job, port);
        break;
    default:
        break;
    }
}

// The question between files: asks the window whether to write file `fileIndex` and waits for
// its answer. A stop while it waits counts as No.
bool continueWanted(DeviceWriteJob* job, int fileIndex) {
    job->continueAnswer = 0;
    job->continueEvent.reset();
    if (job->progressWindow != nullptr) {
        job->progressWindow->postMessage(kMsgWriteResult, kWriteAskNext, fileIndex);
    }
    return waitForEither(job->continueEvent, job->stopEvent, INFINITE) == WAIT_OBJECT_0 &&
           job->continueAnswer != 0;
}

} // namespace

int runWriteJob(DeviceWriteJob* job) {
    if (job == nullptr) {
        return 0;
    }
    runTransfer(job, kWritingCompletedLine, [job](SerialPort& port) {
        for (int i = 0; i < job->fileCount; ++i) {
            sendFile(i, job, &port);
            if (transferStopAsked(job) || i + 1 >= job->fileCount || !continueWanted(job, i + 1)) {
                break;
            }
        }
    });
    return 0;
}

void startDeviceWriteJob(DeviceWriteJob* job, JobWindow* window) {
    startJobWorker(job, window, [job] { runWriteJob(job); });
}

void stopDeviceWriteJob(DeviceWriteJob* job) {
    stopTransferJob(job);
}

std::string takeWriteLog(DeviceWriteJob* job, std::size_t* offset) {
    return takeJobLog(job, offset);
}

} // namespace velmar
