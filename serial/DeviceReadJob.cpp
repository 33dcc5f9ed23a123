#include "serial/DeviceReadJob.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string_view>

#include "core/JobCommon.h"
#include "core/TextFile.h"

namespace velmar {

namespace {

constexpr std::uint32_t kReadPiece = 511;

// The common part of every receiver: the output file, the wait for the port or the stop, the
// reads, and the end that puts the file in place and says what went wrong.
class Reception {
  public:
    Reception(DeviceReadJob* job, SerialPort* port)
        : job_(job), port_(port), waiter_(*port, job->stopEvent) {}

    // Creates the output file; false after its "Err : Open file " line.
    bool createFile() {
        if (file_.create(job_->outputPath) == kOk) {
            return true;
        }
        postResult(job_, kOpenFileLine, &job_->outputPath, 0, false);
        return false;
    }
    bool waiterReady() const { return waiter_.ready(); }
    PortWaiter::Wake wait(std::uint32_t* events, std::uint32_t timeoutMs = INFINITE) {
        const PortWaiter::Wake wake = waiter_.wait(events, timeoutMs);
        lost_ = lost_ || wake == PortWaiter::Wake::Lost;
        return wake;
    }
    // Up to 511 bytes that have arrived; false when the line is lost (nothing is left to read).
    bool read(std::uint32_t* count) {
        *count = 0;
        if (port_->read(buffer_, kReadPiece, count, nullptr, INFINITE) != ERROR_SUCCESS) {
            lost_ = true;
        }
        return !lost_;
    }
    const char* bytes() const { return buffer_; }
    // Appends bytes to the file; false once it cannot be written.
    bool save(const char* bytes, std::size_t count) { return file_.write({bytes, count}); }
    SendResult send(std::string_view bytes) {
        const SendResult result = sendBytes(*port_, job_->stopEvent, bytes);
        lost_ = lost_ || result == SendResult::Lost;
        return result;
    }
    bool lost() const { return lost_; }

    // Puts the file in place with what arrived; then the line for a file that could not be
    // written and the final line for a lost line.
    int finish() {
        if (file_.close() != kOk) {
            postResult(job_, "Err : Write file ", &job_->outputPath, 0, false);
        }
        if (lost_) {
            postPortLost(job_);
        }
        return 0;
    }

  private:
    DeviceReadJob* job_;
    SerialPort* port_;
    PortWaiter waiter_;
    OutputFile file_;
    bool lost_ = false;
    char buffer_[kReadPiece + 1] = {};
};

// The Series 41 listener's sentence assembly: keeps the sentences with a database head, each
// up to its line feed, and drops everything else.
class SentenceHunter {
  public:
    enum class Result { None, Sentence, End };

    // Takes one byte; Sentence when a kept sentence is complete (in sentence()), End when that
    // sentence is the end sentence.
    Result take(char c) {
        switch (state_) {
        case State::Hunt:
            if (c == '$') {
                start();
            }
            return Result::None;
        case State::Head:
            if (c == '$') { // a new sentence begins before the head was complete
                start();
                return Result::None;
            }
            if (c == '\n') { // a line without a comma: nothing to keep
                state_ = State::Hunt;
                return Result::None;
            }
            if (!store(c)) {
                return Result::None;
            }
            if (c == ',') {
                const std::string_view head(sentence_, length_);
                state_ = head == "$PFEC," || head == "$GPRTE," || head == "$GPTRK," ? State::Body
                                                                                    : State::Hunt;
            }
            return Result::None;
        case State::Body:
            if (!store(c)) {
                return Result::None;
            }
            if (c != '\n') {
                return Result::None;
            }
            state_ = State::Hunt;
            return sentence() == kSeries41EndLine ? Result::End : Result::Sentence;
        }
        return Result::None;
    }
    std::string_view sentence() const { return {sentence_, length_}; }

  private:
    enum class State { Hunt, Head, Body };

    void start() {
        sentence_[0] = '$';
        length_ = 1;
        state_ = State::Head;
    }
    // Stores a byte; a sentence that fills the buffer before its line feed is dropped and the
    // hunt for the next '$' begins (false).
    bool store(char c) {
        sentence_[length_++] = c;
        if (length_ == kSentenceBufferSize && c != '\n') {
            length_ = 0;
            state_ = State::Hunt;
            return false;
        }
        return true;
    }

    State state_ = State::Hunt;
    char sentence_[kSentenceBufferSize] = {};
    std::size_t length_ = 0;
};

std::size_t countLineFeeds(const char* bytes, std::size_t count) {
    return static_cast<std::size_t>(std::count(bytes, bytes + count, '\n'));
}

// The receivers that listen (Series 41 and Series 6): every piece the port has read is handed
// to `take` (bytes, count), until `take` returns false (the end came, or the file cannot keep
// more), the stop, or a lost line. 1 when the file or the port's event cannot be created.
template <typename Take> int receiveStream(DeviceReadJob* job, SerialPort* port, Take take) {
    Reception reception(job, port);
    if (!reception.createFile()) {
        return 1;
    }
    if (!reception.waiterReady()) {
        reception.finish();
        return 1;
    }
    bool more = true;
    while (more) {
        std::uint32_t events = 0;
        const PortWaiter::Wake wake = reception.wait(&events);
        if (wake == PortWaiter::Wake::Stopped || wake == PortWaiter::Wake::Lost) {
            break;
        }
        if ((events & EV_RXCHAR) == 0) {
            continue;
        }
        std::uint32_t count = 0;
        while (more && reception.read(&count) && count > 0) {
            more = take(reception, reception.bytes(), count);
        }
        if (reception.lost()) {
            break;
        }
    }
    return reception.finish();
}

} // namespace

DeviceReadJob::~DeviceReadJob() {
    if (workerThread.joinable()) {
        stopTransferJob(this);
    }
}

std::string prepareDeviceReadJob(const std::string& outputText, int deviceType,
                                 const ComSettings& settings, std::unique_ptr<DeviceReadJob>* job) {
    job->reset();
    const std::string outputPath = trimText(outputText);
    if (outputPath.empty()) {
        return kNoOutputFileMessage;
    }
    if (noTransferSupport(deviceType)) {
        return kNoTransferSupportMessage;
    }
    try {
        auto made = std::make_unique<DeviceReadJob>();
        made->outputPath = outputPath;
        made->deviceType = deviceType;
        made->settings = settings;
        made->stopEvent = ManualResetEvent::create();
        if (!made->stopEvent) {
            return "Unable to create manual-reset event for stop event.";
        }
        *job = std::move(made);
    } catch (const std::bad_alloc&) {
        return kNoMemoryMessage;
    }
    return {};
}

int receiveSeries41(DeviceReadJob* job, SerialPort* port) {
    SentenceHunter hunter;
    return receiveStream(
        job, port, [&](Reception& reception, const char* bytes, std::uint32_t count) {
            for (std::uint32_t i = 0; i < count; ++i) {
                const SentenceHunter::Result result = hunter.take(bytes[i]);
                if (result == SentenceHunter::Result::None) {
                    continue;
                }
                const std::string_view sentence = hunter.sentence();
                const bool saved = reception.save(sentence.data(), sentence.size());
                postLineCount(job);
                if (!saved || result == SentenceHunter::Result::End) {
                    return false;
                }
            }
            return true;
        });
}

int receiveSeries5(DeviceReadJob* job, SerialPort* port) {
    Reception reception(job, port);
    if (!reception.createFile()) {
        return 1;
    }
    if (!reception.waiterReady()) {
        return reception.finish();
    }
    bool started = false; // an answer came: the request is "N" from now on
    for (;;) {
        // The request of the phase.
        if (!started) {
            port->purge();
        }
        const SendResult sent = reception.send(started ? kSeries5Next : kSeries5Start);
        if (sent == SendResult::Lost) {
            break;
        }
        // Its answer: a line feed came, the stop, or 2 seconds without one.
        PortWaiter::Wake wake = PortWaiter::Wake::Stopped;
        std::uint32_t events = 0;
        if (sent == SendResult::Sent) {
            do {
                wake = reception.wait(&events, kSeries5RepeatMs);
            } while (wake == PortWaiter::Wake::Events && (events & EV_RXFLAG) == 0);
        }
        if (wake == PortWaiter::Wake::Lost) {
            break;
        }
        if (wake == PortWaiter::Wake::Stopped) {
            reception.send(kSeries5Stop);
            break;
        }
        if (wake == PortWaiter::Wake::TimedOut) {
            continue; // the same request again; the wait stays pending
        }
        std::uint32_t count = 0;
        if (!reception.read(&count)) {
            break;
        }
        started = true;
        if (count > 0) {
            if (!reception.save(reception.bytes(), count)) {
                reception.send(kSeries5Stop); // nothing more can be kept
                break;
            }
            postLineCount(job);
            if (std::string_view(reception.bytes(), count) == kSeries5EndLine) {
                break;
            }
        }
    }
    return reception.finish();
}

int receiveSeries6(DeviceReadJob* job, SerialPort* port) {
    return receiveStream(
        job, port, [job](Reception& reception, const char* bytes, std::uint32_t count) {
            const bool saved = reception.save(bytes, count);
            // The window counts every line that arrives.
            for (std::size_t lines = countLineFeeds(bytes, count); lines > 0; --lines) {
                postLineCount(job);
            }
            // The read that holds the end-of-file byte is the last, saved whole.
            return saved && std::memchr(bytes, kSeries6EndMark, count) == nullptr;
        });
}

int runReadJob(DeviceReadJob* job) {
    if (job == nullptr) {
        return 0;
    }
    runTransfer(job, kReadingCompletedLine, [job](SerialPort& port) {
        port.purge();
        switch (job->deviceType) {
        case kSeries41:
            receiveSeries41(job, &port);
            break;
        case kSeries5:
            receiveSeries5(job, &port);
            break;
        case kSeries6:
            receiveSeries6(job, &port);
            break;
        default:
            break;
        }
    });
    return 0;
}

void startDeviceReadJob(DeviceReadJob* job, JobWindow* window) {
    startJobWorker(job, window, [job] { runReadJob(job); });
}

void stopDeviceReadJob(DeviceReadJob* job) {
    stopTransferJob(job);
}

std::string takeReadLog(DeviceReadJob* job, std::size_t* offset) {
    return takeJobLog(job, offset);
}

} // namespace velmar
