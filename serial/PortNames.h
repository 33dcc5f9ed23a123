#pragma once
// Port names. "COM1".."COM9" name the serial devices present, in a stable order: USB adapters
// (/dev/ttyUSB*, then /dev/ttyACM*, each in numeric order), then the built-in /dev/ttyS* that
// have a UART behind them, then the simulated plotters registered by velmar-plotter-sim. An
// absolute device path is a port name as it is.

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

// A simulated plotter's port, as its simulator registered it.
struct SimulatorPort {
    std::string device;      // "/dev/pts/5"
    std::string description; // "simulated Series 41 plotter (sends harbour-tour.s41)"
    std::string entry;       // the registration link's name in the folder
};

// Where simulators register their ports: "$XDG_RUNTIME_DIR/velmar/ports", or
// "/tmp/velmar-<uid>/ports" when that variable is not an absolute path.
std::string simulatorPortFolder();

// Opens the registration folder `folder` (".../velmar/ports") for use with the *at() calls,
// creating it and its parent when `create` is set. Both must be real folders (not symbolic
// links) owned by this user with mode 0700, so no other local user can plant a port there.
// The descriptor, or -1 with `*problem` (may be null) saying what is wrong.
int openSimulatorPortFolder(const std::string& folder, bool create, std::string* problem);

// The registration link's name for a simulator: its process id, a space and the description
// (made safe for a file name and cut to a sensible length).
std::string simulatorEntryName(long processId, const std::string& description);

// The simulators registered in `folder`, oldest first. Only symbolic links owned by this user
// count, named by simulatorEntryName for a process that still runs, leading to a
// pseudo-terminal (/dev/pts/N) that belongs to this user; anything else is passed over.
std::vector<SimulatorPort> scanSimulatorPorts(const std::string& folder);

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
    bool simulated = false;  // a port of velmar-plotter-sim
};

// The ports "COM1".."COM9" that exist now, with readable descriptions; `byIdFolder` is where
// the stable links to the devices live (normally "/dev/serial/by-id"). A device that one of
// `simulators` registered is described by its simulator ("COM3 — simulated Series 41 ...").
std::vector<SerialPortInfo> describeSerialPorts(const std::vector<std::string>& devices,
                                                const std::string& byIdFolder,
                                                const std::vector<SimulatorPort>& simulators = {});
std::vector<SerialPortInfo> listSerialPorts();

} // namespace velmar
