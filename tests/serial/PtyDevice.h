#pragma once
// A serial device played by a test: the program under test opens path() as its port (a
// pseudo-terminal), the test writes and expects bytes on the other end, and unplugs it to
// make the program's side see a hang-up. A spare descriptor of the program's side stays open
// so that bytes written before or after the program has the port open are not lost.

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace velmar::test {

inline constexpr std::chrono::milliseconds kDeviceTimeout{10000};

class PtyDevice {
  public:
    // Throws std::runtime_error when no pseudo-terminal can be had.
    PtyDevice();
    ~PtyDevice() { unplug(); }
    PtyDevice(const PtyDevice&) = delete;
    PtyDevice& operator=(const PtyDevice&) = delete;

    // The device path the program opens ("/dev/pts/N").
    const std::string& path() const { return path_; }

    // Writes all bytes to the program; false when they could not all go within the time-out.
    bool send(std::string_view bytes, std::chrono::milliseconds timeout = kDeviceTimeout);
    // Exactly `count` bytes from the program, or fewer when the time-out ran out first.
    std::string receive(std::size_t count, std::chrono::milliseconds timeout = kDeviceTimeout);
    // Everything that arrives until the line has been quiet for `quiet`.
    std::string receiveAvailable(std::chrono::milliseconds quiet);

    // Closes the device's end: the program's side hangs up.
    void unplug();

    // What the kernel holds for the program's side: output speed, TIOCEXCL flag.
    std::uint32_t lineSpeed() const;
    bool exclusiveFlag() const;

  private:
    // Waits until the device's end is ready for `events`; false at the deadline or when unplugged.
    bool ready(short events, std::chrono::steady_clock::time_point deadline) const;
    // More received bytes into pending_; false on time-out or a closed line.
    bool fill(std::chrono::steady_clock::time_point deadline);

    int master_ = -1;
    int spare_ = -1;
    std::string path_;
    std::string pending_; // received but not yet handed out
};

} // namespace velmar::test
