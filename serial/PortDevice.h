#pragma once
// The open device under a SerialPort on POSIX systems: the descriptor, opened non-blocking,
// exclusive and in raw mode, and one reader thread that moves received bytes into the receive
// queue, raises the events and completes the one pending event wait. Used by SerialPort only.

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "serial/SerialPort.h"
#include "serial/Sync.h"

namespace velmar {

// A status with the errno behind it (0 when the status did not come from the system).
struct PortStatus {
    std::uint32_t code = ERROR_SUCCESS;
    int systemError = 0;
};

// Line settings as the kernel reports them after a change, to tell a refused setting.
struct LineReadBack {
    std::uint32_t baudRate = 0;
    std::uint8_t byteSize = 8;
    bool parityOn = false;
    bool parityOdd = false;
    bool parityStick = false; // mark or space parity
    bool twoStopBits = false;
};

// Whether the line holds what was asked for. A rate within 3 % of the one asked for counts as
// met (a UART divides its clock). A pseudo-terminal keeps 8 data bits without parity whatever
// it is told; that is accepted there and refused on a real port.
bool acceptLineReadBack(const LineReadBack& wanted, const LineReadBack& got, bool pseudoTerminal);

// The receive queue's size when the port is opened without queue sizes: 1 MiB. When the queue
// is full the reader stops taking bytes from the kernel, and the line's flow control (if any)
// holds the device back.
inline constexpr std::size_t kDefaultReceiveQueue = std::size_t{1} << 20;

// Received bytes waiting to be read, first in first out.
class ByteQueue {
  public:
    std::size_t size() const { return data_.size() - head_; }
    void append(const unsigned char* bytes, std::size_t count);
    std::size_t take(void* out, std::size_t count);
    void clear();

  private:
    std::vector<unsigned char> data_;
    std::size_t head_ = 0;
};

class PortDevice {
  public:
    // Opens `path` for reading and writing: non-blocking, no controlling terminal, exclusive
    // (flock and TIOCEXCL), raw mode, both directions flushed; then starts the reader.
    static PortStatus open(const std::string& path, bool overlapped,
                           std::shared_ptr<PortDevice>* device);

    ~PortDevice();
    PortDevice(const PortDevice&) = delete;
    PortDevice& operator=(const PortDevice&) = delete;

    // Stops the reader and ends every call in progress (a pending wait completes with 995 and
    // its event signalled; a blocking read and a write waiting for room return 995), waits until
    // no call uses the descriptor, then releases the exclusive locks and closes it, so its number
    // is never reused under a caller. Calls after it give 6. Safe to call again, from any
    // thread: every caller returns once the descriptor is closed.
    void shutdown();

    bool overlapped() const { return overlapped_; }
    bool pseudoTerminal() const { return pseudoTerminal_; }
    bool lineLost() const { return lineLost_.load(); }

    void setReceiveQueueSize(std::uint32_t bytes);
    // The settings last applied, once the descriptor still answers.
    PortStatus state(LineState* state);
    PortStatus applyLine(std::uint32_t baudRate, std::uint8_t dataBits, std::uint8_t parity,
                         std::uint8_t stopBits);
    PortStatus applyFlow(FlowControl mode);
    // 9600 bits per second, 8 data bits, no parity, one stop bit, no flow control, DTR and RTS
    // on; what a port starts from. Failures are not reported.
    void applyDefaults();
    void setEventChar(char character);
    void setMask(std::uint32_t mask);
    void setBlockingReads(bool blocking);

    // Starts an event wait that signals `event` when it completes, writing the fired bits to
    // `*fired` and, when `status` is given, its status to `*status` (0, or 995 when the port was
    // closed or the wait replaced) before the event is signalled. A wait still pending is
    // replaced: it completes as cancelled (995, no events fired). Then the event is reset.
    // 0: completed at once (events that fired since the last wait), and the event is signalled;
    // ERROR_IO_PENDING: waiting; 1167 when the line is lost and nothing is left to report.
    // `*fired` and `*status` must stay valid until the wait has completed or been cancelled.
    PortStatus startWait(const ManualResetEvent& event, std::atomic<std::uint32_t>* fired,
                         std::uint32_t* status, std::uint64_t* ticket);
    // Cancels the wait `ticket` if it is still pending (true); false when it has completed.
    bool cancelWait(std::uint64_t ticket);

    // Non-blocking mode: takes what the queue holds, at once. Blocking mode: waits up to
    // `timeoutMs` until `length` bytes are there (1460 when they are not; nothing is taken).
    PortStatus read(void* buffer, std::uint32_t length, std::uint32_t timeoutMs,
                    std::uint32_t* bytesRead);
    // Writes all bytes, waiting up to `timeoutMs` for room (1460 when it runs out).
    PortStatus write(const void* bytes, std::uint32_t length, std::uint32_t timeoutMs,
                     std::uint32_t* written);
    // Empties the kernel's buffers in both directions and the receive queue.
    PortStatus purge();

    // For tests and diagnostics: bytes in the receive queue, whether a wait is pending, and how
    // many reads wait for data and writes for room.
    std::size_t queuedBytes();
    bool waitPending();
    int blockedCalls();

  private:
    PortDevice() = default;

    struct PendingWait {
        bool active = false;
        std::uint64_t ticket = 0;
        ManualResetEvent event;
        std::atomic<std::uint32_t>* fired = nullptr;
        std::uint32_t* status = nullptr;
    };
    // Keeps the descriptors open while a call uses them; false when the port is closed.
    class DescriptorUse;

    void readerLoop();
    bool receive(short revents);                                   // false once the line is lost
    void loseLine(int error);                                      // mutex_ held
    void completeWait(std::uint32_t status, std::uint32_t events); // mutex_ held
    void wakeReader();                                             // mutex_ held
    std::size_t takeLocked(void* out, std::size_t count);          // mutex_ held

    int fd_ = -1;
    int wakeFd_ = -1; // wakes the reader
    int stopFd_ = -1; // readable once the port is closing: ends a write waiting for room
    bool overlapped_ = false;
    bool pseudoTerminal_ = false;
    bool exclusive_ = false; // TIOCEXCL was set here and is cleared again on close
    LineState line_;         // owner thread only
    std::thread reader_;
    std::vector<unsigned char> readBuffer_;
    std::atomic<bool> lineLost_{false};

    std::mutex mutex_; // guards everything below
    std::condition_variable dataArrived_;
    ByteQueue queue_;
    std::size_t queueLimit_ = kDefaultReceiveQueue;
    bool readerStalled_ = false;
    int readersWaiting_ = 0;
    int writersWaiting_ = 0;
    bool closed_ = false;
    int descriptorUsers_ = 0;
    bool descriptorsClosed_ = false;
    std::condition_variable descriptorsIdle_; // the last user left, or the descriptors closed
    int lostErrno_ = 0;
    std::uint32_t mask_ = 0;
    std::uint32_t history_ = 0; // monitored events that fired since the last wait took them
    char eventChar_ = 0;
    bool blockingReads_ = false;
    PendingWait wait_;
    std::uint64_t nextTicket_ = 1;
};

} // namespace velmar
