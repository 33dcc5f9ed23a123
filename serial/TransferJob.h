#pragma once
// What the device read and write jobs share: the common fields of their job records, their
// start and stop as the progress window does them, the new part of the result log since the
// window last looked, the port opened with a line that tells the user why when it cannot be,
// the wait for the port or the stop, and writes that a stop can end while the line holds them
// back. The jobs report only through JobWindow; nothing here knows a user interface.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "core/JobCommon.h"
#include "serial/ComSettings.h"
#include "serial/SerialPort.h"
#include "serial/Sync.h"

namespace velmar {

inline constexpr char kNoTransferSupportMessage[] = "No support Series 66/77/HUB";
inline constexpr char kOpenFileLine[] = "Err : Open file ";

// The fixed lines on the wire.
inline constexpr char kSeries41Prompt[] = ">\r\n";
inline constexpr char kSeries41EndLine[] = "$PFEC,GPxfr,CTL,E\r\n";
inline constexpr char kSeries5Start[] = "+\r\n";
inline constexpr char kSeries5Next[] = "N\r\n";
inline constexpr char kSeries5Repeat[] = "R\r\n";
inline constexpr char kSeries5Stop[] = "S\r\n";
inline constexpr char kSeries5EndLine[] = "ENDDATA\r\n";
inline constexpr char kSeries6EndMark = 0x1A;

// The fields every transfer job has. A job record derives from it, is owned by whoever shows
// its progress window, and stops and joins its worker in its own destructor.
struct TransferJob : JobControl {
    std::int32_t deviceType = 0;
    ComSettings settings;
    // The port to open: empty for the COM name of settings.portIndex, else a port name or a
    // device path (the command line's --port).
    std::string portName;
    ManualResetEvent stopEvent; // set by the window's button; created with the job

    // The messages of the job's result lines and line counts (read 0x501/0x502, write
    // 0x503/0x504).
    const unsigned resultMessage;
    const unsigned lineMessage;

    TransferJob(const TransferJob&) = delete;
    TransferJob& operator=(const TransferJob&) = delete;

  protected:
    TransferJob(unsigned resultMessageId, unsigned lineMessageId)
        : resultMessage(resultMessageId), lineMessage(lineMessageId) {}
    ~TransferJob() = default;
};

// Series 66, Series 77 and HUB: device types of the pages that no transfer supports.
bool noTransferSupport(int deviceType);

// A result line: appends CR LF, `text` and `path` (when given) to the log and, with `setStop`,
// sets the stop flag, both under the lock; then posts the result message with `wParam`.
void postResult(TransferJob* job, std::string_view text, const std::string* path,
                std::uintptr_t wParam, bool setStop);
// The final line "Reading Completed" or "Writing Completed": appended with the stop flag set
// (and posted with wParam 0) only when no stop was asked for, in one step under the lock.
void postCompletedLine(TransferJob* job, std::string_view text);
// Posts the line-count message: one more line received or sent.
void postLineCount(TransferJob* job);
// The final line after the line was lost during the transfer: "Err : COM-port lost".
void postPortLost(TransferJob* job);
bool transferStopAsked(TransferJob* job);

// What the window's button does: asks for a stop (flag and event) unless the job has posted its
// final line, and waits until the worker has ended.
void stopTransferJob(TransferJob* job);

// Opens the job's port for overlapped I/O and configures it from the settings. When it
// cannot, posts the final line "Err : Unable to open COM-port" followed by a line that says why
// (no device of that name with the ones present, permission with the group to join, busy) and
// returns false.
bool openTransferPort(TransferJob* job, SerialPort* port);
// The worker's procedure around a transfer: opens the job's port (as openTransferPort does),
// runs `transfer` on it, closes it, and posts `completedLine` unless a stop came or the final
// line was already posted.
void runTransfer(TransferJob* job, std::string_view completedLine,
                 const std::function<void(SerialPort&)>& transfer);
// That second line, for the port `portName` that failed with `status` and `systemError`.
std::string portOpenFailureReason(const std::string& portName, std::uint32_t status,
                                  int systemError);

// A wait for the port's next event or the stop. At most one event wait is outstanding on the
// port: a wait that ran out of time stays pending and is waited on again.
class PortWaiter {
  public:
    enum class Wake { Events, Stopped, TimedOut, Lost };

    // With `lookFirst` the first wait reports a line at once (EV_RXCHAR | EV_RXFLAG), so the
    // caller reads what arrived while the port was being set up: setting the event character
    // forgets the events before it, and a device's first line may come that early.
    PortWaiter(SerialPort& port, ManualResetEvent stop, bool lookFirst = false);
    // False when its event could not be created.
    bool ready() const { return static_cast<bool>(overlapped_.event); }
    // Events: the port's event fired, its types (takeEventTypes) in `*events`. When both the
    // port and the stop are signalled the port comes first; the stop stays set for the next wait.
    Wake wait(std::uint32_t* events, std::uint32_t timeoutMs = INFINITE);

  private:
    SerialPort& port_;
    ManualResetEvent stop_;
    Overlapped overlapped_;
    bool pending_ = false;
    bool lookFirst_;
};

enum class SendResult { Sent, Stopped, Lost };

// Writes all bytes: the line in hand goes to its end. Only a write that the line holds back
// (flow control lets nothing through for a fraction of a second) is given up once the stop is
// set (Stopped); a lost line or a failing port is Lost. With `lineEnds` (the offsets just after
// each line of `bytes`, ascending) several lines go in one write, and a stop that comes while
// the line takes them slowly ends the write at the end of the line in hand (Stopped). `*sent`
// (when given) gets the number of bytes written.
SendResult sendBytes(SerialPort& port, const ManualResetEvent& stop, std::string_view bytes,
                     const std::vector<std::size_t>* lineEnds = nullptr,
                     std::size_t* sent = nullptr);

} // namespace velmar
