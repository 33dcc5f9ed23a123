#pragma once
// The device end of a benchmark: a pseudo-terminal master with blocking I/O, and a raw slave
// kept open beside the program's port so bytes are never lost between opens.

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <stdlib.h>
#include <string>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "serial/LineSpeed.h"

namespace velmar::bench {

class Line {
  public:
    Line() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        char name[128] = {};
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0 ||
            ::ptsname_r(master_, name, sizeof name) != 0) {
            throw std::runtime_error("no pseudo-terminal");
        }
        path_ = name;
        spare_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
        termios line{};
        ::tcgetattr(spare_, &line);
        ::cfmakeraw(&line);
        ::tcsetattr(spare_, TCSANOW, &line);
    }
    ~Line() {
        ::close(spare_);
        ::close(master_);
    }
    Line(const Line&) = delete;
    Line& operator=(const Line&) = delete;

    const std::string& path() const { return path_; }
    bool send(const char* bytes, std::size_t count) {
        while (count > 0) {
            const ssize_t done = ::write(master_, bytes, count);
            if (done < 0 && errno == EINTR) {
                continue;
            }
            if (done <= 0) {
                return false;
            }
            bytes += done;
            count -= static_cast<std::size_t>(done);
        }
        return true;
    }
    bool send(const std::string& bytes) { return send(bytes.data(), bytes.size()); }
    // What has arrived, waiting up to `timeoutMs` for the first byte; 0 on time-out, -1 when
    // the line closed.
    ssize_t receive(char* buffer, std::size_t size, int timeoutMs = 10000) {
        pollfd watched{master_, POLLIN, 0};
        if (::poll(&watched, 1, timeoutMs) <= 0) {
            return 0;
        }
        const ssize_t done = ::read(master_, buffer, size);
        return done < 0 && errno == EINTR ? 0 : done;
    }
    // Reads and drops `count` bytes; false when the line closed first.
    bool drain(std::size_t count) {
        std::vector<char> buffer(64 * 1024);
        while (count > 0) {
            const ssize_t done = ::read(master_, buffer.data(), std::min(count, buffer.size()));
            if (done < 0 && errno == EINTR) {
                continue;
            }
            if (done <= 0) {
                return false;
            }
            count -= static_cast<std::size_t>(done);
        }
        return true;
    }
    // Waits until the program has configured the line to `baud` (its port is open and will not
    // flush what comes next); false after 10 seconds.
    bool configuredTo(std::uint32_t baud) {
        for (int i = 0; i < 5000; ++i) {
            std::uint32_t now = 0;
            if (readLineSpeed(spare_, &now) == 0 && now == baud) {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return false;
    }

  private:
    int master_ = -1;
    int spare_ = -1;
    std::string path_;
};

} // namespace velmar::bench
