#pragma once
// One serial (COM) port opened for overlapped or plain I/O: line settings, flow control, an
// event wait that a received event character ends, and reads and writes of bytes. Every
// operation returns a status (0 or an error code) and keeps it in `lastError`.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

#include "serial/Sync.h"

namespace velmar {

// Status codes. System failures are mapped onto this stable set (see PortErrors.h); the
// errno behind a failure is kept in `SerialPort::lastSystemError`.
inline constexpr std::uint32_t ERROR_SUCCESS = 0;
inline constexpr std::uint32_t ERROR_INVALID_FUNCTION = 1; // overlapped use of a plain port
inline constexpr std::uint32_t ERROR_FILE_NOT_FOUND = 2;   // no such device
inline constexpr std::uint32_t ERROR_TOO_MANY_OPEN_FILES = 4;
inline constexpr std::uint32_t ERROR_ACCESS_DENIED = 5;  // permission denied, or the port is busy
inline constexpr std::uint32_t ERROR_INVALID_HANDLE = 6; // the port is not open
inline constexpr std::uint32_t ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr std::uint32_t ERROR_GEN_FAILURE = 31;        // any other system failure
inline constexpr std::uint32_t ERROR_INVALID_PARAMETER = 87;  // a setting the device refused
inline constexpr std::uint32_t ERROR_OPERATION_ABORTED = 995; // the port was closed meanwhile
inline constexpr std::uint32_t ERROR_IO_PENDING = 997;
inline constexpr std::uint32_t ERROR_DEVICE_NOT_CONNECTED = 1167; // the line is lost (hang-up)
inline constexpr std::uint32_t ERROR_ALREADY_INITIALIZED = 1247;
inline constexpr std::uint32_t ERROR_TIMEOUT = 1460;
inline constexpr std::uint32_t E_INVALIDARG = 0x80070057u;

// Event bits.
inline constexpr std::uint32_t EV_RXCHAR = 0x0001; // a character was received
inline constexpr std::uint32_t EV_RXFLAG = 0x0002; // the event character was received
inline constexpr std::uint32_t EV_BREAK = 0x0040;
inline constexpr std::uint32_t EV_ERR = 0x0080; // a line error; also the hang-up of the device
// The mask that `openPort` sets.
inline constexpr std::uint32_t kOpenEventMask = EV_RXCHAR | EV_BREAK | EV_ERR;

// Parity and stop-bit values of the line settings.
inline constexpr std::uint8_t NOPARITY = 0;
inline constexpr std::uint8_t ODDPARITY = 1;
inline constexpr std::uint8_t EVENPARITY = 2;
inline constexpr std::uint8_t MARKPARITY = 3;
inline constexpr std::uint8_t SPACEPARITY = 4;
inline constexpr std::uint8_t ONESTOPBIT = 0;
inline constexpr std::uint8_t ONE5STOPBITS = 1;
inline constexpr std::uint8_t TWOSTOPBITS = 2;

// DTR and RTS control of the line state.
inline constexpr std::uint8_t DTR_CONTROL_DISABLE = 0;
inline constexpr std::uint8_t DTR_CONTROL_ENABLE = 1;
inline constexpr std::uint8_t DTR_CONTROL_HANDSHAKE = 2;
inline constexpr std::uint8_t RTS_CONTROL_DISABLE = 0;
inline constexpr std::uint8_t RTS_CONTROL_ENABLE = 1;
inline constexpr std::uint8_t RTS_CONTROL_HANDSHAKE = 2;

inline constexpr std::uint32_t MAXDWORD = 0xFFFFFFFFu;

enum class FlowControl : std::int32_t { None = 0, Hardware = 1, XonXoff = 2 };
enum class ReadTimeoutMode : std::int32_t { NonBlocking = 0, Blocking = 1 };

// The port's line state, as the getters report it: the settings last applied.
struct LineState {
    std::uint32_t baudRate = 9600;
    std::uint8_t byteSize = 8;
    std::uint8_t parity = NOPARITY;
    std::uint8_t stopBits = ONESTOPBIT;
    bool parityCheck = false;
    char eventChar = 0;
    bool outxCtsFlow = false;
    bool outxDsrFlow = false;
    std::uint8_t dtrControl = DTR_CONTROL_ENABLE;
    std::uint8_t rtsControl = RTS_CONTROL_ENABLE;
    bool outX = false; // XON/XOFF output control
    bool inX = false;  // XON/XOFF input control
};

class PortDevice; // the open device of the platform backend

// Threads. A port belongs to the thread of one transfer, with two exceptions that let another
// thread stop that transfer:
// - closePort may come from any thread at any time. It ends every call in progress promptly: an
//   event wait inside waitForEvent returns 995, a pending wait on the caller's Overlapped has its
//   event signalled (no events fired), a blocking read and a write waiting for room return 995.
//   When closePort returns, no call uses the device any more: its descriptor is closed and it can
//   be opened again. A call that starts after the close gives 6.
// - The destructor closes the port and then waits until every call in progress has returned, so
//   the object may be destroyed while another thread is still inside a call. No call may start
//   once destruction has begun (checked in debug builds); a job that lets another thread close
//   its port keeps the port in the job record, which outlives the worker.
// `lastError` belongs to the port, not to a thread: with calls on two threads it holds the status
// of the call that ended last, so each thread goes by the status its call returned.
class SerialPort {
  public:
    SerialPort() = default;
    virtual ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // Opens a port: "COM1".."COM9" (see PortNames.h) or an absolute device path. Queue sizes
    // of 0 and 0 keep the default receive queue.
    virtual std::uint32_t openPort(const char* name, std::uint32_t inputQueue,
                                   std::uint32_t outputQueue, bool overlapped);
    virtual std::uint32_t closePort();
    virtual std::uint32_t configure(std::uint32_t baudRate, std::uint8_t dataBits,
                                    std::uint8_t parity, std::uint8_t stopBits);
    virtual std::uint32_t setEventCharacter(char character, bool addToMask);
    virtual std::uint32_t setEventMask(std::uint32_t mask);
    // With the caller's Overlapped: returns 0 at once and signals its event when a monitored
    // event fires (the fired bits go to `firedEvents`). Without one: waits up to `timeout`.
    // One wait is pending at a time: a new wait completes the pending one as cancelled (its
    // event is signalled with no events fired; inside waitForEvent it returns 995).
    virtual std::uint32_t waitForEvent(Overlapped* overlapped, std::uint32_t timeout);
    virtual std::uint32_t setFlowControl(FlowControl mode);
    virtual std::uint32_t setReadTimeoutMode(ReadTimeoutMode mode);
    virtual std::int32_t baudRate();
    virtual std::int32_t dataBits();
    virtual std::int32_t parity();
    virtual std::int32_t stopBits();
    virtual std::int32_t flowControl();
    virtual std::uint32_t eventMask();
    virtual char eventCharacter();
    virtual std::uint32_t writeText(const char* text, std::uint32_t* written,
                                    Overlapped* overlapped, std::uint32_t timeout);
    virtual std::uint32_t write(const void* bytes, std::uint32_t length, std::uint32_t* written,
                                Overlapped* overlapped, std::uint32_t timeout);
    virtual std::uint32_t read(void* buffer, std::uint32_t length, std::uint32_t* bytesRead,
                               Overlapped* overlapped, std::uint32_t timeout);
    std::uint32_t purge();
    // firedEvents AND monitoredEvents; firedEvents becomes 0.
    std::uint32_t takeEventTypes();

    bool isOpen() const;
    // Whether the port's own event for overlapped I/O exists (only while an overlapped port is
    // open).
    bool hasOverlappedEvent() const;
    // The open device, null when closed; for tests and diagnostics. The copy keeps the object
    // alive, not the port open.
    std::shared_ptr<PortDevice> device() const;

    std::atomic<std::uint32_t> lastError{0};
    std::atomic<std::uint32_t> firedEvents{0};
    std::atomic<std::uint32_t> monitoredEvents{0};
    // The errno behind the last failure (0 when the last status did not come from the system),
    // so the user-facing layer can say why (see PortErrors.h).
    std::atomic<int> lastSystemError{0};

  protected:
    std::uint32_t finish(std::uint32_t status, int systemError = 0);
    // The shared checks and completion of read and write: `transfer` moves the bytes on the
    // device and stores the count.
    template <typename Transfer>
    std::uint32_t transferBytes(const void* bytes, std::uint32_t length, std::uint32_t* count,
                                Overlapped* overlapped, std::uint32_t timeout, Transfer transfer);
    // Reads the line state; 0 or the failure status.
    std::uint32_t queryState(LineState* state);
    // What `read` (a member of the line state, or a function of it) gives, as a number; -1 when
    // the line state cannot be read.
    template <typename Read> std::int32_t lineSetting(Read read);

  private:
    // One call in progress, from its start to its return: counted for the destructor, with the
    // device and the port's own event as they were when it started.
    class Call;
    // Whether `call` may change the line: 6 when the port is closed, the failure status when its
    // line state cannot be read, else 0.
    std::uint32_t lineUnsettable(const Call& call);
    // Takes the device out and shuts it down (closePort without the status).
    void closeDevice();

    mutable std::mutex mutex_; // guards the members below
    std::shared_ptr<PortDevice> handle_;
    ManualResetEvent overlappedEvent_;
    int calls_ = 0;
    bool dying_ = false;
    std::condition_variable callsEnded_;
    std::mutex lifecycle_; // one openPort or closePort at a time
};

} // namespace velmar
