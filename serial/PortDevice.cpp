#include "serial/PortDevice.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <system_error>
#include <termios.h>
#include <unistd.h>

#include "serial/LineSpeed.h"
#include "serial/PortErrors.h"

namespace velmar {

namespace {

using Clock = std::chrono::steady_clock;

// Unix 98 pseudo-terminal slaves have these majors.
constexpr unsigned kPtySlaveMajorFirst = 136;
constexpr unsigned kPtySlaveMajorLast = 143;

constexpr std::size_t kReadChunk = 64 * 1024;
// Below this many bytes taken from the front, the queue is not worth compacting.
constexpr std::size_t kCompactAfter = 64 * 1024;

PortStatus systemFailure(int error, PortActivity activity) {
    return {statusFromErrno(error, activity), error};
}

PortStatus usingFailure(int error) {
    return systemFailure(error, PortActivity::Using);
}

bool standardSpeed(std::uint32_t baud, speed_t* speed) {
    static const struct {
        std::uint32_t baud;
        speed_t speed;
    } table[] = {{50, B50},           {75, B75},          {110, B110},         {134, B134},
                 {150, B150},         {200, B200},        {300, B300},         {600, B600},
                 {1200, B1200},       {1800, B1800},      {2400, B2400},       {4800, B4800},
                 {9600, B9600},       {19200, B19200},    {38400, B38400},     {57600, B57600},
                 {115200, B115200},   {230400, B230400},  {460800, B460800},   {500000, B500000},
                 {576000, B576000},   {921600, B921600},  {1000000, B1000000}, {1152000, B1152000},
                 {1500000, B1500000}, {2000000, B2000000}};
    for (const auto& entry : table) {
        if (entry.baud == baud) {
            *speed = entry.speed;
            return true;
        }
    }
    return false;
}

int getAttributes(int fd, termios* line) {
    return ::tcgetattr(fd, line) == 0 ? 0 : errno;
}

int setAttributes(int fd, const termios& line) {
    while (::tcsetattr(fd, TCSANOW, &line) != 0) {
        if (errno != EINTR) {
            return errno;
        }
    }
    return 0;
}

void setModemLines(int fd, int request, int lines) {
    // Pseudo-terminals have no modem lines; their refusal changes nothing.
    (void)::ioctl(fd, request, &lines);
}

// Sets the frame of `line`: data bits (5..8), parity (NOPARITY..SPACEPARITY, mark and space as
// stick parity) with its input check, and the stop bits.
void setFraming(termios& line, std::uint8_t dataBits, std::uint8_t parity, std::uint8_t stopBits) {
    static const tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
    line.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB);
    line.c_cflag |= sizes[dataBits - 5];
    switch (parity) {
    case ODDPARITY:
        line.c_cflag |= PARENB | PARODD;
        break;
    case EVENPARITY:
        line.c_cflag |= PARENB;
        break;
    case MARKPARITY:
        line.c_cflag |= PARENB | CMSPAR | PARODD;
        break;
    case SPACEPARITY:
        line.c_cflag |= PARENB | CMSPAR;
        break;
    default:
        break;
    }
    if (parity == NOPARITY) {
        line.c_iflag &= ~INPCK;
    } else {
        line.c_iflag |= INPCK;
    }
    // With 5 data bits two stop bits are one and a half on the wire; 1.5 exists only there.
    if (stopBits != ONESTOPBIT) {
        line.c_cflag |= CSTOPB;
    }
}

// What a line of that rate and setFraming's frame reads back as.
LineReadBack wantedLine(std::uint32_t baudRate, std::uint8_t dataBits, std::uint8_t parity,
                        std::uint8_t stopBits) {
    LineReadBack wanted;
    wanted.baudRate = baudRate;
    wanted.byteSize = dataBits;
    wanted.parityOn = parity != NOPARITY;
    wanted.parityOdd = parity == ODDPARITY || parity == MARKPARITY;
    wanted.parityStick = parity == MARKPARITY || parity == SPACEPARITY;
    wanted.twoStopBits = stopBits != ONESTOPBIT;
    return wanted;
}

// The frame the line holds (its rate is read apart).
LineReadBack heldFraming(const termios& held) {
    LineReadBack got;
    switch (held.c_cflag & CSIZE) {
    case CS5:
        got.byteSize = 5;
        break;
    case CS6:
        got.byteSize = 6;
        break;
    case CS7:
        got.byteSize = 7;
        break;
    default:
        got.byteSize = 8;
        break;
    }
    got.parityOn = (held.c_cflag & PARENB) != 0;
    got.parityOdd = (held.c_cflag & PARODD) != 0;
    got.parityStick = (held.c_cflag & CMSPAR) != 0;
    got.twoStopBits = (held.c_cflag & CSTOPB) != 0;
    return got;
}

int waitMilliseconds(std::uint32_t timeoutMs, Clock::time_point deadline) {
    if (timeoutMs == INFINITE) {
        return -1;
    }
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left <= 0 ? 0 : static_cast<int>(std::min<long long>(left, 1 << 30));
}

} // namespace

bool acceptLineReadBack(const LineReadBack& wanted, const LineReadBack& got, bool pseudoTerminal) {
    const std::uint64_t difference = wanted.baudRate > got.baudRate
                                         ? wanted.baudRate - got.baudRate
                                         : got.baudRate - wanted.baudRate;
    if (difference * 100 > std::uint64_t{wanted.baudRate} * 3) {
        return false;
    }
    if (wanted.twoStopBits != got.twoStopBits) {
        return false;
    }
    const bool frameKept = wanted.byteSize == got.byteSize && wanted.parityOn == got.parityOn &&
                           (!wanted.parityOn || (wanted.parityOdd == got.parityOdd &&
                                                 wanted.parityStick == got.parityStick));
    if (frameKept) {
        return true;
    }
    return pseudoTerminal && got.byteSize == 8 && !got.parityOn;
}

// ---- ByteQueue ----

void ByteQueue::append(const unsigned char* bytes, std::size_t count) {
    if (head_ == data_.size()) {
        data_.clear();
        head_ = 0;
    }
    data_.insert(data_.end(), bytes, bytes + count);
}

std::size_t ByteQueue::take(void* out, std::size_t count) {
    count = std::min(count, size());
    if (count > 0) {
        std::memcpy(out, data_.data() + head_, count);
    }
    head_ += count;
    if (head_ == data_.size()) {
        data_.clear();
        head_ = 0;
    } else if (head_ >= kCompactAfter && head_ * 2 >= data_.size()) {
        data_.erase(data_.begin(), data_.begin() + static_cast<std::ptrdiff_t>(head_));
        head_ = 0;
    }
    return count;
}

void ByteQueue::clear() {
    data_.clear();
    head_ = 0;
}

// ---- opening and closing ----

class PortDevice::DescriptorUse {
  public:
    explicit DescriptorUse(PortDevice& device) : device_(device) {
        std::lock_guard lock(device.mutex_);
        open_ = !device.closed_;
        if (open_) {
            ++device.descriptorUsers_;
        }
    }
    ~DescriptorUse() {
        if (open_) {
            std::lock_guard lock(device_.mutex_);
            if (--device_.descriptorUsers_ == 0) {
                device_.descriptorsIdle_.notify_all();
            }
        }
    }
    DescriptorUse(const DescriptorUse&) = delete;
    DescriptorUse& operator=(const DescriptorUse&) = delete;
    explicit operator bool() const { return open_; }
    // The descriptor's terminal attributes: 6 when the port is closed, or the read's failure.
    PortStatus attributes(termios* line) const {
        if (!open_) {
            return {ERROR_INVALID_HANDLE, 0};
        }
        if (const int error = getAttributes(device_.fd_, line)) {
            return usingFailure(error);
        }
        return {};
    }

  private:
    PortDevice& device_;
    bool open_ = false;
};

PortStatus PortDevice::open(const std::string& path, bool overlapped,
                            std::shared_ptr<PortDevice>* device) {
    std::shared_ptr<PortDevice> port;
    try {
        port.reset(new PortDevice());
        port->readBuffer_.resize(kReadChunk);
    } catch (const std::bad_alloc&) {
        return {ERROR_NOT_ENOUGH_MEMORY, ENOMEM};
    }
    port->overlapped_ = overlapped;
    // From here on the port's destructor releases whatever was taken.
    port->fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (port->fd_ < 0) {
        return systemFailure(errno, PortActivity::Opening);
    }
    const int fd = port->fd_;
    if (!::isatty(fd)) {
        return {ERROR_FILE_NOT_FOUND, ENOTTY};
    }
    // Exclusive: the lock keeps out every other opener that locks (any user, root included),
    // TIOCEXCL every other opener without the right to ignore it.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        return {ERROR_ACCESS_DENIED, EBUSY};
    }
    port->exclusive_ = ::ioctl(fd, TIOCEXCL) == 0;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISCHR(info.st_mode)) {
        const unsigned major = ::major(info.st_rdev);
        port->pseudoTerminal_ = major >= kPtySlaveMajorFirst && major <= kPtySlaveMajorLast;
    }

    termios line{};
    if (const int error = getAttributes(fd, &line)) {
        return systemFailure(error, PortActivity::Opening);
    }
    ::cfmakeraw(&line);
    line.c_cflag |= CLOCAL | CREAD;
    line.c_cc[VMIN] = 1;
    line.c_cc[VTIME] = 0;
    if (const int error = setAttributes(fd, line)) {
        return systemFailure(error, PortActivity::Opening);
    }
    (void)::tcflush(fd, TCIOFLUSH);

    port->wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (port->wakeFd_ < 0) {
        return systemFailure(errno, PortActivity::Opening);
    }
    port->stopFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (port->stopFd_ < 0) {
        return systemFailure(errno, PortActivity::Opening);
    }
    try {
        port->reader_ = std::thread([raw = port.get()] { raw->readerLoop(); });
    } catch (const std::system_error& error) {
        return systemFailure(error.code().value() == EAGAIN ? ENOMEM : error.code().value(),
                             PortActivity::Opening);
    }
    *device = std::move(port);
    return {};
}

PortDevice::~PortDevice() {
    shutdown();
}

void PortDevice::shutdown() {
    {
        std::unique_lock lock(mutex_);
        if (closed_) {
            // Closing on another thread (or closed): return once the descriptors are closed.
            descriptorsIdle_.wait(lock, [this] { return descriptorsClosed_; });
            return;
        }
        closed_ = true; // no new call takes the descriptors from here on
        if (wait_.active) {
            completeWait(ERROR_OPERATION_ABORTED, 0);
        }
        dataArrived_.notify_all();
    }
    if (stopFd_ >= 0) { // never read: stays readable for the reader and every waiting write
        const std::uint64_t one = 1;
        (void)!::write(stopFd_, &one, sizeof one);
    }
    if (reader_.joinable()) {
        reader_.join();
    }
    {
        std::unique_lock lock(mutex_);
        descriptorsIdle_.wait(lock, [this] { return descriptorUsers_ == 0; });
    }
    // Nobody uses the descriptors now, and nobody will.
    if (fd_ >= 0) {
        if (exclusive_) {
            (void)::ioctl(fd_, TIOCNXCL);
        }
        (void)::flock(fd_, LOCK_UN);
        ::close(fd_);
    }
    for (const int fd : {wakeFd_, stopFd_}) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
    std::lock_guard lock(mutex_);
    descriptorsClosed_ = true;
    descriptorsIdle_.notify_all();
}

void PortDevice::wakeReader() {
    if (!closed_ && wakeFd_ >= 0) {
        const std::uint64_t one = 1;
        (void)!::write(wakeFd_, &one, sizeof one);
    }
}

// ---- the reader thread ----

void PortDevice::readerLoop() {
    for (;;) {
        bool stalled = false;
        {
            std::lock_guard lock(mutex_);
            if (closed_) {
                return;
            }
            stalled = queue_.size() >= queueLimit_;
            readerStalled_ = stalled;
        }
        // A full queue stops the reading; a hang-up is still reported (poll always reports it).
        pollfd watched[3] = {{fd_, static_cast<short>(stalled ? 0 : POLLIN), 0},
                             {wakeFd_, POLLIN, 0},
                             {stopFd_, POLLIN, 0}};
        if (::poll(watched, 3, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            std::lock_guard lock(mutex_);
            loseLine(errno);
            return;
        }
        if (watched[2].revents & POLLIN) {
            return; // closing
        }
        if (watched[1].revents & POLLIN) {
            std::uint64_t count = 0;
            (void)!::read(wakeFd_, &count, sizeof count);
            continue; // look at closed_ and the queue again
        }
        if (watched[0].revents != 0 && !receive(watched[0].revents)) {
            return;
        }
    }
}

bool PortDevice::receive(short revents) {
    const bool lineTrouble = (revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
    // Read until the kernel has nothing more (a terminal hands out a few KiB per read), so one
    // wake-up of the reader serves a whole burst; the lock is taken per read.
    for (;;) {
        std::lock_guard lock(mutex_);
        if (closed_) {
            return false;
        }
        const std::size_t room = queueLimit_ > queue_.size()
                                     ? std::min(queueLimit_ - queue_.size(), readBuffer_.size())
                                     : 0;
        if (room == 0) {
            if (lineTrouble) {
                loseLine(EIO);
                return false;
            }
            return true; // stalled until a read makes room
        }
        // The lock is held across the read, so a purge never races with bytes in flight.
        const ssize_t count = ::read(fd_, readBuffer_.data(), room);
        if (count > 0) {
            const auto received = static_cast<std::size_t>(count);
            std::uint32_t events = EV_RXCHAR;
            try {
                queue_.append(readBuffer_.data(), received);
            } catch (const std::bad_alloc&) {
                events |= EV_ERR; // an overrun: the bytes are lost
            }
            if (std::memchr(readBuffer_.data(), static_cast<unsigned char>(eventChar_), received)) {
                events |= EV_RXFLAG;
            }
            history_ |= events & mask_;
            if (wait_.active && history_ != 0) {
                completeWait(ERROR_SUCCESS, history_);
                history_ = 0;
            }
            if (readersWaiting_ > 0) {
                dataArrived_.notify_all();
            }
            continue;
        }
        if (count == 0) {
            // End of file on a terminal: the other end hung up.
            loseLine(EIO);
            return false;
        }
        const int error = errno;
        if (error == EINTR) {
            continue;
        }
        if (error == EAGAIN) {
            if (lineTrouble) {
                loseLine(EIO); // never spin on a hang-up that read does not report
                return false;
            }
            return true;
        }
        loseLine(error);
        return false;
    }
}

void PortDevice::loseLine(int error) {
    lostErrno_ = error == 0 ? EIO : error;
    lineLost_.store(true);
    history_ |= EV_ERR & mask_;
    if (wait_.active) {
        // Whatever the mask, the waiter wakes and learns of the loss.
        completeWait(ERROR_SUCCESS, history_ | EV_ERR);
    }
    history_ = 0;
    dataArrived_.notify_all();
}

void PortDevice::completeWait(std::uint32_t status, std::uint32_t events) {
    if (wait_.fired != nullptr) {
        wait_.fired->store(events);
    }
    if (wait_.status != nullptr) {
        *wait_.status = status;
    }
    const ManualResetEvent event = std::move(wait_.event);
    wait_ = PendingWait{};
    event.set();
}

// ---- settings ----

void PortDevice::setReceiveQueueSize(std::uint32_t bytes) {
    std::lock_guard lock(mutex_);
    queueLimit_ = bytes == 0 ? kDefaultReceiveQueue : bytes;
    wakeReader();
}

PortStatus PortDevice::state(LineState* state) {
    const DescriptorUse use(*this);
    termios line{};
    const PortStatus status = use.attributes(&line);
    if (status.code == ERROR_SUCCESS) {
        *state = line_;
    }
    return status;
}

PortStatus PortDevice::applyLine(std::uint32_t baudRate, std::uint8_t dataBits, std::uint8_t parity,
                                 std::uint8_t stopBits) {
    const DescriptorUse use(*this);
    termios line{};
    if (const PortStatus status = use.attributes(&line); status.code != ERROR_SUCCESS) {
        return status;
    }
    SavedLineSettings saved;
    if (const int error = saveLineSettings(fd_, &saved)) {
        return usingFailure(error);
    }
    setFraming(line, dataBits, parity, stopBits);
    speed_t speed = B0;
    const bool standard = standardSpeed(baudRate, &speed);
    if (standard) {
        ::cfsetispeed(&line, speed);
        ::cfsetospeed(&line, speed);
    }
    int error = setAttributes(fd_, line);
    if (error == 0 && !standard) {
        error = setCustomLineSpeed(fd_, baudRate);
    }
    if (error != 0) {
        (void)restoreLineSettings(fd_, saved);
        return usingFailure(error);
    }

    // Read the line back: tcsetattr succeeds when any part of the change was taken.
    termios held{};
    std::uint32_t heldRate = 0;
    if ((error = getAttributes(fd_, &held)) != 0 || (error = readLineSpeed(fd_, &heldRate))) {
        return usingFailure(error);
    }
    LineReadBack got = heldFraming(held);
    got.baudRate = heldRate;
    const LineReadBack wanted = wantedLine(baudRate, dataBits, parity, stopBits);
    if (!acceptLineReadBack(wanted, got, pseudoTerminal_)) {
        (void)restoreLineSettings(fd_, saved);
        return {ERROR_INVALID_PARAMETER, EINVAL};
    }
    line_.baudRate = baudRate;
    line_.byteSize = dataBits;
    line_.parity = parity;
    line_.stopBits = stopBits;
    line_.parityCheck = parity != NOPARITY;
    return {};
}

PortStatus PortDevice::applyFlow(FlowControl mode) {
    const DescriptorUse use(*this);
    termios line{};
    if (const PortStatus status = use.attributes(&line); status.code != ERROR_SUCCESS) {
        return status;
    }
    const termios before = line;
    line.c_cflag &= ~CRTSCTS;
    line.c_iflag &= ~(IXON | IXOFF | IXANY);
    if (mode == FlowControl::Hardware) {
        line.c_cflag |= CRTSCTS;
    } else if (mode == FlowControl::XonXoff) {
        line.c_iflag |= IXON | IXOFF;
        line.c_cc[VSTART] = 0x11;
        line.c_cc[VSTOP] = 0x13;
    }
    if (const int error = setAttributes(fd_, line)) {
        return usingFailure(error);
    }
    termios held{};
    if (const int error = getAttributes(fd_, &held)) {
        return usingFailure(error);
    }
    const tcflag_t inputFlags = IXON | IXOFF;
    if ((held.c_cflag & CRTSCTS) != (line.c_cflag & CRTSCTS) ||
        (held.c_iflag & inputFlags) != (line.c_iflag & inputFlags)) {
        (void)setAttributes(fd_, before);
        return {ERROR_INVALID_PARAMETER, EINVAL};
    }
    // DTR and RTS: both follow the handshake for hardware flow control; otherwise both are off.
    if (mode == FlowControl::Hardware) {
        setModemLines(fd_, TIOCMBIS, TIOCM_DTR);
    } else {
        setModemLines(fd_, TIOCMBIC, TIOCM_DTR | TIOCM_RTS);
    }
    const bool hardware = mode == FlowControl::Hardware;
    const bool xonXoff = mode == FlowControl::XonXoff;
    line_.outxCtsFlow = hardware;
    line_.outxDsrFlow = hardware;
    line_.dtrControl = hardware ? DTR_CONTROL_HANDSHAKE : DTR_CONTROL_DISABLE;
    line_.rtsControl = hardware ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_DISABLE;
    line_.outX = xonXoff;
    line_.inX = xonXoff;
    return {};
}

void PortDevice::applyDefaults() {
    const DescriptorUse use(*this);
    if (!use) {
        return;
    }
    termios line{};
    if (getAttributes(fd_, &line) == 0) {
        line.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
        line.c_cflag |= CS8 | CLOCAL | CREAD;
        line.c_iflag &= ~(INPCK | IXON | IXOFF | IXANY);
        ::cfsetispeed(&line, B9600);
        ::cfsetospeed(&line, B9600);
        (void)setAttributes(fd_, line);
    }
    setModemLines(fd_, TIOCMBIS, TIOCM_DTR | TIOCM_RTS);
    const char eventChar = line_.eventChar;
    line_ = LineState{};
    line_.eventChar = eventChar;
}

void PortDevice::setEventChar(char character) {
    line_.eventChar = character;
    std::lock_guard lock(mutex_);
    eventChar_ = character;
}

void PortDevice::setMask(std::uint32_t mask) {
    std::lock_guard lock(mutex_);
    mask_ = mask;
    history_ = 0;
    // A new mask ends a pending wait with no events.
    if (wait_.active) {
        completeWait(ERROR_SUCCESS, 0);
    }
}

void PortDevice::setBlockingReads(bool blocking) {
    std::lock_guard lock(mutex_);
    blockingReads_ = blocking;
}

// ---- event waits ----

PortStatus PortDevice::startWait(const ManualResetEvent& event, std::atomic<std::uint32_t>* fired,
                                 std::uint32_t* status, std::uint64_t* ticket) {
    std::lock_guard lock(mutex_);
    if (closed_) {
        return {ERROR_INVALID_HANDLE, 0};
    }
    // One wait at a time: a pending one ends as cancelled, and whoever waits for it wakes.
    if (wait_.active) {
        completeWait(ERROR_OPERATION_ABORTED, 0);
    }
    // Reset after that: a replaced wait on this same event leaves the event to the new one.
    event.reset();
    if (history_ != 0) {
        fired->store(history_);
        history_ = 0;
        event.set();
        return {};
    }
    if (lineLost_.load()) {
        return {ERROR_DEVICE_NOT_CONNECTED, lostErrno_};
    }
    wait_.active = true;
    wait_.ticket = nextTicket_++;
    wait_.event = event;
    wait_.fired = fired;
    wait_.status = status;
    *ticket = wait_.ticket;
    return {ERROR_IO_PENDING, 0};
}

bool PortDevice::cancelWait(std::uint64_t ticket) {
    std::lock_guard lock(mutex_);
    if (wait_.active && wait_.ticket == ticket) {
        wait_ = PendingWait{};
        return true;
    }
    return false;
}

// ---- reading and writing ----

std::size_t PortDevice::takeLocked(void* out, std::size_t count) {
    const std::size_t taken = queue_.take(out, count);
    if (readerStalled_ && queue_.size() < queueLimit_) {
        readerStalled_ = false;
        wakeReader();
    }
    return taken;
}

PortStatus PortDevice::read(void* buffer, std::uint32_t length, std::uint32_t timeoutMs,
                            std::uint32_t* bytesRead) {
    std::unique_lock lock(mutex_);
    if (closed_) {
        return {ERROR_INVALID_HANDLE, 0};
    }
    if (length == 0) {
        return {};
    }
    if (!blockingReads_) {
        if (queue_.size() == 0 && lineLost_.load()) {
            return {ERROR_DEVICE_NOT_CONNECTED, lostErrno_};
        }
        *bytesRead = static_cast<std::uint32_t>(takeLocked(buffer, length));
        return {};
    }
    const auto ready = [&] { return closed_ || lineLost_.load() || queue_.size() >= length; };
    ++readersWaiting_;
    bool arrived = true;
    if (timeoutMs == INFINITE) {
        dataArrived_.wait(lock, ready);
    } else {
        arrived = dataArrived_.wait_until(lock, Clock::now() + std::chrono::milliseconds(timeoutMs),
                                          ready);
    }
    --readersWaiting_;
    if (!arrived) {
        return {ERROR_TIMEOUT, 0}; // cancelled: nothing was taken from the queue
    }
    if (closed_) {
        return {ERROR_OPERATION_ABORTED, 0};
    }
    if (queue_.size() == 0) {
        return {ERROR_DEVICE_NOT_CONNECTED, lostErrno_};
    }
    // All that was asked for, or, once the line is lost, what is left.
    *bytesRead = static_cast<std::uint32_t>(takeLocked(buffer, length));
    return {};
}

PortStatus PortDevice::write(const void* bytes, std::uint32_t length, std::uint32_t timeoutMs,
                             std::uint32_t* written) {
    const DescriptorUse use(*this);
    if (!use) {
        return {ERROR_INVALID_HANDLE, 0};
    }
    const auto countWaitingWriters = [this](int step) {
        std::lock_guard lock(mutex_);
        writersWaiting_ += step;
    };
    const auto* data = static_cast<const unsigned char*>(bytes);
    const auto deadline =
        Clock::now() + std::chrono::milliseconds(timeoutMs == INFINITE ? 0 : timeoutMs);
    while (*written < length) {
        if (lineLost_.load()) {
            std::lock_guard lock(mutex_);
            return {ERROR_DEVICE_NOT_CONNECTED, lostErrno_};
        }
        const ssize_t count = ::write(fd_, data + *written, length - *written);
        if (count > 0) {
            *written += static_cast<std::uint32_t>(count);
            continue;
        }
        const int error = count == 0 ? EIO : errno;
        if (error == EINTR) {
            continue;
        }
        if (error != EAGAIN) {
            return usingFailure(error);
        }
        // The kernel's buffer is full (a slow line, or flow control holds it): wait for room.
        const int waitMs = waitMilliseconds(timeoutMs, deadline);
        if (waitMs == 0) {
            return {ERROR_TIMEOUT, 0};
        }
        pollfd watched[2] = {{fd_, POLLOUT, 0}, {stopFd_, POLLIN, 0}};
        countWaitingWriters(1);
        const int ready = ::poll(watched, 2, waitMs);
        countWaitingWriters(-1);
        if (ready < 0 && errno != EINTR) {
            return usingFailure(errno);
        }
        if (ready > 0 && (watched[1].revents & POLLIN) != 0) {
            return {ERROR_OPERATION_ABORTED, 0}; // the port is being closed
        }
        if (ready > 0 && (watched[0].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
            return {ERROR_DEVICE_NOT_CONNECTED, EIO};
        }
    }
    return {};
}

PortStatus PortDevice::purge() {
    // The lock is held throughout: shutdown marks the port closed under it before it closes
    // the descriptor.
    std::lock_guard lock(mutex_);
    if (closed_) {
        return {ERROR_INVALID_HANDLE, 0};
    }
    queue_.clear();
    if (readerStalled_) {
        readerStalled_ = false;
        wakeReader();
    }
    if (::tcflush(fd_, TCIOFLUSH) != 0) {
        return usingFailure(errno);
    }
    return {};
}

bool PortDevice::waitPending() {
    std::lock_guard lock(mutex_);
    return wait_.active;
}

int PortDevice::blockedCalls() {
    std::lock_guard lock(mutex_);
    return readersWaiting_ + writersWaiting_;
}

std::size_t PortDevice::queuedBytes() {
    std::lock_guard lock(mutex_);
    return queue_.size();
}

} // namespace velmar
