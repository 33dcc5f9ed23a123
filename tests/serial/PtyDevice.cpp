#include "PtyDevice.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#include <utility>

#include "serial/LineSpeed.h"

namespace velmar::test {

PtyDevice::PtyDevice() {
    char name[128] = {};
    termios line{};
    if (::openpty(&master_, &spare_, name, nullptr, nullptr) != 0 ||
        ::tcgetattr(spare_, &line) != 0) {
        unplug();
        throw std::runtime_error("no pseudo-terminal");
    }
    path_ = name;
    // Raw from the start: no echo, no line editing, no CR/LF translation of early bytes.
    ::cfmakeraw(&line);
    ::tcsetattr(spare_, TCSANOW, &line);
    ::fcntl(master_, F_SETFL, O_NONBLOCK);
    ::fcntl(master_, F_SETFD, FD_CLOEXEC);
    ::fcntl(spare_, F_SETFD, FD_CLOEXEC);
}

void PtyDevice::unplug() {
    for (int* fd : {&master_, &spare_}) {
        if (*fd >= 0) {
            ::close(*fd);
        }
        *fd = -1;
    }
}

bool PtyDevice::ready(short events, std::chrono::steady_clock::time_point deadline) const {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd watched{master_, events, 0};
    return master_ >= 0 && left.count() > 0 && ::poll(&watched, 1, int(left.count())) > 0;
}

bool PtyDevice::send(std::string_view bytes, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!bytes.empty()) {
        const ssize_t count = master_ < 0 ? -1 : ::write(master_, bytes.data(), bytes.size());
        if (count > 0) {
            bytes.remove_prefix(std::size_t(count));
        } else if ((errno != EAGAIN && errno != EINTR) || !ready(POLLOUT, deadline)) {
            return false;
        }
    }
    return true;
}

bool PtyDevice::fill(std::chrono::steady_clock::time_point deadline) {
    char buffer[4096];
    for (;;) {
        const ssize_t count = master_ < 0 ? 0 : ::read(master_, buffer, sizeof buffer);
        if (count > 0) {
            pending_.append(buffer, std::size_t(count));
            return true;
        }
        if (count == 0 || (errno != EAGAIN && errno != EINTR) || !ready(POLLIN, deadline)) {
            return false;
        }
    }
}

std::string PtyDevice::receive(std::size_t count, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (pending_.size() < count && fill(deadline)) {
    }
    std::string bytes = pending_.substr(0, count);
    pending_.erase(0, bytes.size());
    return bytes;
}

std::string PtyDevice::receiveAvailable(std::chrono::milliseconds quiet) {
    while (fill(std::chrono::steady_clock::now() + quiet)) {
    }
    return std::exchange(pending_, {});
}

std::uint32_t PtyDevice::lineSpeed() const {
    std::uint32_t baud = 0;
    return spare_ >= 0 && readLineSpeed(spare_, &baud) == 0 ? baud : 0;
}

bool PtyDevice::exclusiveFlag() const {
    int exclusive = 0;
    return spare_ >= 0 && ::ioctl(spare_, TIOCGEXCL, &exclusive) == 0 && exclusive != 0;
}

} // namespace velmar::test
