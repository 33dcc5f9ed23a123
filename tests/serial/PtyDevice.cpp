#include "PtyDevice.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include "serial/LineSpeed.h"

namespace velmar::test {

namespace {

int millisecondsLeft(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          deadline - std::chrono::steady_clock::now())
                          .count();
    return left <= 0 ? 0 : static_cast<int>(left);
}

} // namespace

PtyDevice::PtyDevice() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    char name[128] = {};
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0 ||
        ::ptsname_r(master_, name, sizeof name) != 0) {
        if (master_ >= 0) {
            ::close(master_);
        }
        throw std::runtime_error("no pseudo-terminal");
    }
    path_ = name;
    spare_ = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    termios line{};
    if (spare_ < 0 || ::tcgetattr(spare_, &line) != 0) {
        ::close(master_);
        if (spare_ >= 0) {
            ::close(spare_);
        }
        throw std::runtime_error("cannot open the pseudo-terminal's slave");
    }
    // Raw from the start: no echo, no line editing, no CR/LF translation of early bytes.
    ::cfmakeraw(&line);
    ::tcsetattr(spare_, TCSANOW, &line);
}

PtyDevice::~PtyDevice() {
    unplug();
}

void PtyDevice::unplug() {
    if (master_ >= 0) {
        ::close(master_);
        master_ = -1;
    }
    if (spare_ >= 0) {
        ::close(spare_);
        spare_ = -1;
    }
}

bool PtyDevice::send(std::string_view bytes, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::size_t done = 0;
    while (done < bytes.size()) {
        if (master_ < 0) {
            return false;
        }
        const ssize_t count = ::write(master_, bytes.data() + done, bytes.size() - done);
        if (count > 0) {
            done += static_cast<std::size_t>(count);
            continue;
        }
        if (count < 0 && errno != EAGAIN && errno != EINTR) {
            return false;
        }
        pollfd watched{master_, POLLOUT, 0};
        const int waitMs = millisecondsLeft(deadline);
        if (waitMs == 0 || ::poll(&watched, 1, waitMs) == 0) {
            return false;
        }
    }
    return true;
}

bool PtyDevice::fill(std::chrono::steady_clock::time_point deadline) {
    if (master_ < 0) {
        return false;
    }
    char buffer[4096];
    for (;;) {
        const ssize_t count = ::read(master_, buffer, sizeof buffer);
        if (count > 0) {
            pending_.append(buffer, static_cast<std::size_t>(count));
            return true;
        }
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count == 0 || errno != EAGAIN) {
            return false;
        }
        pollfd watched{master_, POLLIN, 0};
        const int waitMs = millisecondsLeft(deadline);
        if (waitMs == 0 || ::poll(&watched, 1, waitMs) <= 0) {
            return false;
        }
    }
}

std::string PtyDevice::receive(std::size_t count, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (pending_.size() < count && fill(deadline)) {
    }
    const std::size_t taken = std::min(count, pending_.size());
    std::string bytes = pending_.substr(0, taken);
    pending_.erase(0, taken);
    return bytes;
}

std::string PtyDevice::receiveUntil(std::string_view terminator,
                                    std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::size_t found = std::string::npos;
    while ((found = pending_.find(terminator)) == std::string::npos && fill(deadline)) {
    }
    const std::size_t taken =
        found == std::string::npos ? pending_.size() : found + terminator.size();
    std::string bytes = pending_.substr(0, taken);
    pending_.erase(0, taken);
    return bytes;
}

std::string PtyDevice::receiveAvailable(std::chrono::milliseconds quiet) {
    while (fill(std::chrono::steady_clock::now() + quiet)) {
    }
    std::string bytes;
    bytes.swap(pending_);
    return bytes;
}

std::uint32_t PtyDevice::lineSpeed() const {
    std::uint32_t baud = 0;
    if (spare_ < 0 || readLineSpeed(spare_, &baud) != 0) {
        return 0;
    }
    return baud;
}

bool PtyDevice::exclusiveFlag() const {
    int exclusive = 0;
    return spare_ >= 0 && ::ioctl(spare_, TIOCGEXCL, &exclusive) == 0 && exclusive != 0;
}

} // namespace velmar::test
