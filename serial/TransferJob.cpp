#include "serial/TransferJob.h"

#include <algorithm>
#include <cerrno>
#include <vector>

#include "serial/PortErrors.h"
#include "serial/PortNames.h"

namespace velmar {

namespace {

// How long one write may wait for room before the stop is looked at again.
constexpr std::uint32_t kWriteSliceMs = 200;

std::string jobPortName(const TransferJob* job) {
    if (!job->portName.empty()) {
        return job->portName;
    }
    const std::int32_t index = job->settings.portIndex;
    return index >= 0 && static_cast<std::size_t>(index) < kComPortNames.size()
               ? kComPortNames[static_cast<std::size_t>(index)]
               : "COM?";
}

} // namespace

bool noTransferSupport(int deviceType) {
    return deviceType == kSeries66 || deviceType == kSeries77 || deviceType == kHub;
}

void postResult(TransferJob* job, std::string_view text, const std::string* path,
                std::uintptr_t wParam, bool setStop) {
    {
        const std::lock_guard<std::mutex> guard(job->lock);
        job->resultLog.append("\r\n");
        job->resultLog.append(text);
        if (path != nullptr) {
            job->resultLog.append(*path);
        }
        if (setStop) {
            job->stopFlag = 1;
        }
    }
    if (job->progressWindow != nullptr) {
        job->progressWindow->postMessage(job->resultMessage, wParam, 0);
    }
}

void postCompletedLine(TransferJob* job, std::string_view text) {
    {
        const std::lock_guard<std::mutex> guard(job->lock);
        if (job->stopFlag == 1) {
            return;
        }
        job->stopFlag = 1;
        job->resultLog.append("\r\n");
        job->resultLog.append(text);
    }
    if (job->progressWindow != nullptr) {
        job->progressWindow->postMessage(job->resultMessage, 0, 0);
    }
}

void postLineCount(TransferJob* job) {
    if (job->progressWindow != nullptr) {
        job->progressWindow->postMessage(job->lineMessage, 0, 0);
    }
}

void postPortLost(TransferJob* job) {
    postResult(job, "Err : COM-port lost", nullptr, 0, true);
}

bool transferStopAsked(TransferJob* job) {
    const std::lock_guard<std::mutex> guard(job->lock);
    return job->stopFlag == 1;
}

void stopTransferJob(TransferJob* job) {
    if (job == nullptr) {
        return;
    }
    {
        const std::lock_guard<std::mutex> guard(job->lock);
        job->stopFlag = 1;
    }
    // No lock is held while the worker is waited for. After the final line the event changes
    // nothing: the worker only closes its port.
    job->stopEvent.set();
    if (job->workerThread.joinable()) {
        job->workerThread.join();
    }
}

std::string portOpenFailureReason(const std::string& portName, std::uint32_t status,
                                  int systemError) {
    const std::string device = resolvePortName(portName.c_str());
    if (device.empty() || (status == ERROR_FILE_NOT_FOUND && systemError != ENOTTY)) {
        std::string text = "No serial device " + (device.empty() || device == portName
                                                      ? "is connected as " + portName
                                                      : "at " + portName + " (" + device + ")");
        const std::vector<SerialPortInfo> present = listSerialPorts();
        if (present.empty()) {
            return text + "; no serial devices found";
        }
        text += "; present:";
        for (std::size_t i = 0; i < present.size(); ++i) {
            text += (i == 0 ? " " : ", ") + present[i].name + " (" + present[i].device + ")";
        }
        return text;
    }
    std::string text = portFailureText(status, systemError, device);
    if (device != portName) {
        // Name the device behind the port name: "COM1 (/dev/ttyUSB0) is in use ...".
        const std::size_t at = text.find(device);
        if (at != std::string::npos) {
            text.replace(at, device.size(), portName + " (" + device + ")");
        }
    }
    return text;
}

bool openTransferPort(TransferJob* job, SerialPort* port) {
    const std::string name = jobPortName(job);
    if (openConfiguredPort(port, name.c_str(), &job->settings, true) == kPortReady) {
        return true;
    }
    const std::string reason = portOpenFailureReason(name, port->lastError, port->lastSystemError);
    postResult(job, std::string("Err : Unable to open COM-port") + "\r\n" + reason, nullptr, 0,
               true);
    return false;
}

void runTransfer(TransferJob* job, std::string_view completedLine,
                 const std::function<void(SerialPort&)>& transfer) {
    SerialPort port;
    if (!openTransferPort(job, &port)) {
        return;
    }
    transfer(port);
    port.closePort();
    postCompletedLine(job, completedLine);
}

PortWaiter::PortWaiter(SerialPort& port, ManualResetEvent stop, bool lookFirst)
    : port_(port), stop_(std::move(stop)), lookFirst_(lookFirst) {
    overlapped_.event = ManualResetEvent::create();
}

PortWaiter::Wake PortWaiter::wait(std::uint32_t* events, std::uint32_t timeoutMs) {
    *events = 0;
    if (lookFirst_) {
        lookFirst_ = false;
        *events = EV_RXCHAR | EV_RXFLAG;
        return Wake::Events;
    }
    if (!pending_) {
        // The wait either pends or completes at once with its event set; any failure means the
        // port can no longer be used (1167: the line is lost).
        if (port_.waitForEvent(&overlapped_, INFINITE) != ERROR_SUCCESS) {
            return Wake::Lost;
        }
        pending_ = true;
    }
    switch (waitForEither(overlapped_.event, stop_, timeoutMs)) {
    case WAIT_OBJECT_0:
        pending_ = false;
        *events = port_.takeEventTypes();
        return Wake::Events;
    case WAIT_OBJECT_0 + 1:
        return Wake::Stopped;
    case WAIT_TIMEOUT:
        return Wake::TimedOut;
    default:
        return Wake::Lost;
    }
}

SendResult sendBytes(SerialPort& port, const ManualResetEvent& stop, std::string_view bytes,
                     const std::vector<std::size_t>* lineEnds, std::size_t* sent) {
    std::size_t done = 0;
    SendResult result = SendResult::Sent;
    while (done < bytes.size()) {
        std::uint32_t written = 0;
        const std::uint32_t status =
            port.write(bytes.data() + done, static_cast<std::uint32_t>(bytes.size() - done),
                       &written, nullptr, kWriteSliceMs);
        done += written;
        if (status != ERROR_SUCCESS && status != ERROR_TIMEOUT) {
            result = SendResult::Lost;
            break;
        }
        if (status == ERROR_TIMEOUT && stop.isSet()) {
            if (written == 0) {
                result = SendResult::Stopped; // held back: nothing went for a whole slice
                break;
            }
            if (lineEnds != nullptr && result == SendResult::Sent) {
                // Slow, not held: end with the line in hand.
                const auto end = std::lower_bound(lineEnds->begin(), lineEnds->end(), done);
                bytes = bytes.substr(0, end != lineEnds->end() ? *end : bytes.size());
                result = SendResult::Stopped;
            }
        }
    }
    if (sent != nullptr) {
        *sent = done;
    }
    return result;
}

} // namespace velmar
