#pragma once
// Port names. "COM1".."COM9" name the serial devices present, in a stable order: USB adapters
// (/dev/ttyUSB*, then /dev/ttyACM*, each in numeric order), then the built-in /dev/ttyS* that
// have a UART behind them. An absolute device path is a port name as it is.

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace velmar {

inline constexpr std::size_t kComPortCount = 9;

// The device paths that "COM1", "COM2", ... name, in that order.
using SerialDeviceLister = std::function<std::vector<std::string>()>;

// The serial devices under `devFolder` (normally "/dev") in port order; a /dev/ttyS<n> counts
// only when `ttyClassFolder` (normally "/sys/class/tty") gives it a UART type other than 0.
std::vector<std::string> scanSerialDevices(const std::string& devFolder,
                                           const std::string& ttyClassFolder);

// Installs the lister that port names resolve through (an empty function restores the scan of
// the system's devices).
void setSerialDeviceLister(SerialDeviceLister lister);
std::vector<std::string> listSerialDevices();

// Installs a fixed device list for its lifetime (tests), then restores the previous lister.
class ScopedSerialDevices {
  public:
    explicit ScopedSerialDevices(std::vector<std::string> devices);
    ~ScopedSerialDevices();
    ScopedSerialDevices(const ScopedSerialDevices&) = delete;
    ScopedSerialDevices& operator=(const ScopedSerialDevices&) = delete;

  private:
    SerialDeviceLister previous_;
};

// The device a port name opens: an absolute path as it is; "COM1".."COM9" (any letter case)
// the device at that place of the list; empty when there is none.
std::string resolvePortName(const char* name);

struct SerialPortInfo {
    std::string name;        // "COM1"
    std::string device;      // "/dev/ttyUSB0"
    std::string description; // "COM1 — /dev/serial/by-id/usb-...", or "COM1 — /dev/ttyUSB0"
};

// The ports "COM1".."COM9" that exist now, with readable descriptions; `byIdFolder` is where
// the stable links to the devices live (normally "/dev/serial/by-id").
std::vector<SerialPortInfo> describeSerialPorts(const std::vector<std::string>& devices,
                                                const std::string& byIdFolder);
std::vector<SerialPortInfo> listSerialPorts();

} // namespace velmar
