#include "serial/SerialPort.h"

#include <cassert>
#include <cerrno>
#include <cstring>
#include <functional>
#include <new>
#include <string>

#include "serial/PortDevice.h"
#include "serial/PortNames.h"

namespace velmar {

namespace {
// How deep this thread is in calls of a port: only the outermost call is a new one.
thread_local int callDepth = 0;
} // namespace

class SerialPort::Call {
  public:
    explicit Call(SerialPort& port) : port_(port) {
        std::lock_guard lock(port.mutex_);
        assert((callDepth > 0 || !port.dying_) && "a call started on a port being destroyed");
        ++port.calls_;
        ++callDepth;
        device = port.handle_;
        ownEvent = port.overlappedEvent_;
        port.lastError = ERROR_SUCCESS; // a call that ends without a failure leaves 0
    }
    ~Call() {
        std::lock_guard lock(port_.mutex_);
        --callDepth;
        // Under the lock: the destructor may free the port as soon as it gets the lock.
        if (--port_.calls_ == 0) {
            port_.callsEnded_.notify_all();
        }
    }
    Call(const Call&) = delete;
    Call& operator=(const Call&) = delete;

    std::shared_ptr<PortDevice> device;
    ManualResetEvent ownEvent;

  private:
    SerialPort& port_;
};

SerialPort::~SerialPort() {
    {
        std::lock_guard lock(mutex_);
        dying_ = true;
    }
    closeDevice(); // ends the calls in progress
    std::unique_lock lock(mutex_);
    callsEnded_.wait(lock, [this] { return calls_ == 0; });
}

bool SerialPort::isOpen() const {
    std::lock_guard lock(mutex_);
    return handle_ != nullptr;
}

bool SerialPort::hasOverlappedEvent() const {
    std::lock_guard lock(mutex_);
    return static_cast<bool>(overlappedEvent_);
}

std::shared_ptr<PortDevice> SerialPort::device() const {
    std::lock_guard lock(mutex_);
    return handle_;
}

std::uint32_t SerialPort::finish(std::uint32_t status, int systemError) {
    lastSystemError = systemError;
    lastError = status;
    return status;
}

std::uint32_t SerialPort::queryState(LineState* state) {
    const Call call(*this);
    if (!call.device) {
        return finish(ERROR_INVALID_HANDLE);
    }
    const PortStatus status = call.device->state(state);
    return finish(status.code, status.systemError);
}

std::uint32_t SerialPort::lineUnsettable(const Call& call) {
    if (!call.device) {
        return finish(ERROR_INVALID_HANDLE);
    }
    LineState state;
    return queryState(&state);
}

std::uint32_t SerialPort::openPort(const char* name, std::uint32_t inputQueue,
                                   std::uint32_t outputQueue, bool overlapped) {
    const Call call(*this);
    const std::lock_guard lifecycle(lifecycle_);
    if (isOpen()) {
        return finish(ERROR_ALREADY_INITIALIZED);
    }
    if (name == nullptr) {
        return finish(ERROR_INVALID_PARAMETER, EINVAL);
    }
    std::shared_ptr<PortDevice> device;
    ManualResetEvent event;
    try {
        const std::string path = resolvePortName(name);
        if (path.empty()) {
            return finish(ERROR_FILE_NOT_FOUND, ENOENT);
        }
        const PortStatus opened = PortDevice::open(path, overlapped, &device);
        if (opened.code != ERROR_SUCCESS) {
            return finish(opened.code, opened.systemError);
        }
        if (overlapped) {
            event = ManualResetEvent::create();
            if (!event) {
                device->shutdown();
                return finish(ERROR_NOT_ENOUGH_MEMORY, ENOMEM);
            }
        }
    } catch (const std::bad_alloc&) {
        if (device) {
            device->shutdown();
        }
        return finish(ERROR_NOT_ENOUGH_MEMORY, ENOMEM);
    }
    bool dying = false;
    {
        std::lock_guard lock(mutex_);
        dying = dying_;
        if (!dying) {
            handle_ = device;
            overlappedEvent_ = event;
        }
    }
    if (dying) { // opened while the port was being destroyed: nobody will use it
        device->shutdown();
        return finish(ERROR_INVALID_HANDLE);
    }
    firedEvents = 0;
    monitoredEvents = 0;
    if (inputQueue != 0 || outputQueue != 0) {
        // The output queue is the kernel's; the receive queue is the port's own.
        device->setReceiveQueueSize(inputQueue);
    }
    setEventMask(kOpenEventMask);
    const std::uint32_t status = setReadTimeoutMode(ReadTimeoutMode::NonBlocking);
    const int systemError = lastSystemError;
    // The port's default configuration; its failures are not reported.
    device->applyDefaults();
    return finish(status, systemError);
}

void SerialPort::closeDevice() {
    const std::lock_guard lifecycle(lifecycle_);
    std::shared_ptr<PortDevice> device;
    {
        std::lock_guard lock(mutex_);
        device = std::move(handle_);
        handle_.reset();
        overlappedEvent_.close(); // calls in progress hold their own share
    }
    if (device) {
        device->shutdown(); // ends the calls in progress, then closes the descriptor
    }
}

std::uint32_t SerialPort::closePort() {
    const Call call(*this);
    closeDevice();
    return finish(ERROR_SUCCESS);
}

std::uint32_t SerialPort::configure(std::uint32_t baudRate, std::uint8_t dataBits,
                                    std::uint8_t parity, std::uint8_t stopBits) {
    const Call call(*this);
    PortDevice* const device = call.device.get();
    if (!device) {
        return finish(ERROR_INVALID_HANDLE);
    }
    // 1.5 stop bits exist only with 5 data bits, and 5 data bits take no 2 stop bits.
    const bool valid = baudRate != 0 && dataBits >= 5 && dataBits <= 8 && parity <= SPACEPARITY &&
                       stopBits <= TWOSTOPBITS && !(stopBits == ONE5STOPBITS && dataBits != 5) &&
                       !(stopBits == TWOSTOPBITS && dataBits == 5);
    if (!valid) {
        return finish(ERROR_INVALID_PARAMETER, EINVAL);
    }
    const PortStatus status = device->applyLine(baudRate, dataBits, parity, stopBits);
    return finish(status.code, status.systemError);
}

std::uint32_t SerialPort::setEventCharacter(char character, bool addToMask) {
    const Call call(*this);
    if (const std::uint32_t status = lineUnsettable(call)) {
        return status;
    }
    if (addToMask) {
        if (const std::uint32_t status = setEventMask(eventMask() | EV_RXFLAG)) {
            return status;
        }
    }
    call.device->setEventChar(character);
    return finish(ERROR_SUCCESS);
}

std::uint32_t SerialPort::setEventMask(std::uint32_t mask) {
    const Call call(*this);
    PortDevice* const device = call.device.get();
    if (!device) {
        return finish(ERROR_INVALID_HANDLE);
    }
    device->setMask(mask);
    monitoredEvents = mask;
    return finish(ERROR_SUCCESS);
}

std::uint32_t SerialPort::waitForEvent(Overlapped* overlapped, std::uint32_t timeout) {
    const Call call(*this);
    PortDevice* const device = call.device.get();
    if (!device) {
        return finish(ERROR_INVALID_HANDLE);
    }
    if (!device->overlapped() && (overlapped != nullptr || timeout != INFINITE)) {
        return finish(ERROR_INVALID_FUNCTION);
    }
    // The caller's event, or one of this call's own for a wait it sees to its end: an event
    // shared with other waits could be reset under this one by a wait that replaces it.
    const ManualResetEvent event =
        overlapped != nullptr ? overlapped->event : ManualResetEvent::create();
    if (!event && overlapped == nullptr) {
        return finish(ERROR_NOT_ENOUGH_MEMORY, ENOMEM);
    }
    // Written by the device when the wait completes, before it signals the event.
    std::uint32_t result = ERROR_OPERATION_ABORTED;
    std::uint64_t ticket = 0;
    const PortStatus started =
        device->startWait(event, &firedEvents, overlapped != nullptr ? nullptr : &result, &ticket);
    if (started.code != ERROR_IO_PENDING) {
        return finish(started.code, started.systemError); // done at once, or failed
    }
    if (overlapped != nullptr) {
        return finish(ERROR_SUCCESS); // the caller waits on its own event
    }
    if (event.wait(timeout) != WAIT_OBJECT_0 && device->cancelWait(ticket)) {
        return finish(ERROR_TIMEOUT);
    }
    return finish(result); // 0, or 995 when the port was closed or the wait replaced
}

std::uint32_t SerialPort::setFlowControl(FlowControl mode) {
    const Call call(*this);
    if (const std::uint32_t status = lineUnsettable(call)) {
        return status;
    }
    if (mode != FlowControl::None && mode != FlowControl::Hardware &&
        mode != FlowControl::XonXoff) {
        return finish(E_INVALIDARG);
    }
    const PortStatus status = call.device->applyFlow(mode);
    return finish(status.code, status.systemError);
}

std::uint32_t SerialPort::setReadTimeoutMode(ReadTimeoutMode mode) {
    const Call call(*this);
    PortDevice* const device = call.device.get();
    if (!device) {
        return finish(ERROR_INVALID_HANDLE);
    }
    if (mode != ReadTimeoutMode::NonBlocking && mode != ReadTimeoutMode::Blocking) {
        return finish(E_INVALIDARG);
    }
    device->setBlockingReads(mode == ReadTimeoutMode::Blocking);
    return finish(ERROR_SUCCESS);
}

template <typename Read> std::int32_t SerialPort::lineSetting(Read read) {
    LineState state;
    if (queryState(&state) != ERROR_SUCCESS) {
        return -1;
    }
    return static_cast<std::int32_t>(std::invoke(read, state));
}

std::int32_t SerialPort::baudRate() {
    return lineSetting(&LineState::baudRate);
}

std::int32_t SerialPort::dataBits() {
    return lineSetting(&LineState::byteSize);
}

std::int32_t SerialPort::parity() {
    return lineSetting(
        [](const LineState& state) { return state.parityCheck ? state.parity : NOPARITY; });
}

std::int32_t SerialPort::stopBits() {
    return lineSetting(&LineState::stopBits);
}

std::int32_t SerialPort::flowControl() {
    return lineSetting([](const LineState& state) {
        if (state.dtrControl == DTR_CONTROL_HANDSHAKE &&
            state.rtsControl == RTS_CONTROL_HANDSHAKE) {
            return FlowControl::Hardware;
        }
        return state.outX && state.inX ? FlowControl::XonXoff : FlowControl::None;
    });
}

std::uint32_t SerialPort::eventMask() {
    const Call call(*this);
    if (!call.device) {
        finish(ERROR_INVALID_HANDLE);
        return 0;
    }
    return monitoredEvents;
}

char SerialPort::eventCharacter() {
    LineState state;
    return queryState(&state) == ERROR_SUCCESS ? state.eventChar : 0;
}

std::uint32_t SerialPort::writeText(const char* text, std::uint32_t* written,
                                    Overlapped* overlapped, std::uint32_t timeout) {
    const Call call(*this);
    if (text == nullptr) {
        if (written != nullptr) {
            *written = 0;
        }
        return finish(ERROR_INVALID_PARAMETER, EINVAL);
    }
    return write(text, static_cast<std::uint32_t>(std::strlen(text)), written, overlapped, timeout);
}

template <typename Transfer>
std::uint32_t SerialPort::transferBytes(const void* bytes, std::uint32_t length,
                                        std::uint32_t* count, Overlapped* overlapped,
                                        std::uint32_t timeout, Transfer transfer) {
    const Call call(*this);
    std::uint32_t ownCount = 0;
    if (count == nullptr) {
        count = &ownCount;
    }
    *count = 0;
    PortDevice* const device = call.device.get();
    if (!device) {
        return finish(ERROR_INVALID_HANDLE);
    }
    if (!device->overlapped() && (overlapped != nullptr || timeout != INFINITE)) {
        return finish(ERROR_INVALID_FUNCTION);
    }
    if (bytes == nullptr && length != 0) {
        return finish(ERROR_INVALID_PARAMETER, EINVAL);
    }
    // Reads and writes complete before the call returns, bounded by the time-out (a read in
    // non-blocking mode at once), and then signal the event a caller may wait on.
    const PortStatus status = transfer(*device, count);
    if (status.code == ERROR_SUCCESS && device->overlapped()) {
        (overlapped != nullptr ? overlapped->event : call.ownEvent).set();
    }
    return finish(status.code, status.systemError);
}

std::uint32_t SerialPort::write(const void* bytes, std::uint32_t length, std::uint32_t* written,
                                Overlapped* overlapped, std::uint32_t timeout) {
    return transferBytes(bytes, length, written, overlapped, timeout,
                         [&](PortDevice& device, std::uint32_t* count) {
                             return device.write(bytes, length, timeout, count);
                         });
}

std::uint32_t SerialPort::read(void* buffer, std::uint32_t length, std::uint32_t* bytesRead,
                               Overlapped* overlapped, std::uint32_t timeout) {
    return transferBytes(buffer, length, bytesRead, overlapped, timeout,
                         [&](PortDevice& device, std::uint32_t* count) {
                             return device.read(buffer, length, timeout, count);
                         });
}

std::uint32_t SerialPort::purge() {
    const Call call(*this);
    PortDevice* const device = call.device.get();
    if (!device) {
        return finish(ERROR_INVALID_HANDLE);
    }
    const PortStatus status = device->purge();
    return finish(status.code, status.systemError);
}

std::uint32_t SerialPort::takeEventTypes() {
    return firedEvents.exchange(0) & monitoredEvents;
}

} // namespace velmar
