#pragma once
// What `velmar read` and `velmar write` share: the serial line's options, checked against the
// tables of the COM settings, and the console as the progress window of a transfer job. The
// result lines go to stdout as they come, a live line count to stderr on a terminal, Ctrl-C
// does what the window's Cancel does (a second one quits at once), and the write job's
// question between files is answered by --yes or --no, or asked on a terminal.

#include <optional>
#include <string>

namespace CLI {
class App;
}

#include "serial/ComSettings.h"
#include "serial/DeviceReadJob.h"
#include "serial/DeviceWriteJob.h"

namespace velmar::cli {

// The exit status after Ctrl-C stopped a transfer.
inline constexpr int kExitInterrupted = 130;

// The options of the serial line as given; absent ones keep the device's defaults.
struct SerialOptions {
    std::string device; // s41 s5 s6 (s66 s77 hub reach the page's check)
    std::string port;   // COM1..COM9 or a device path
    std::optional<std::string> baud, dataBits, parity, stopBits, flow;
};

// Adds --device, --port and the line's options to a command.
void addSerialOptions(CLI::App& app, SerialOptions* options);

// The device type of a --device value; -1 when it names none.
int deviceTypeByKey(const std::string& key);

// The settings of a transfer: the device's defaults, then each given option looked up in its
// table. An empty text, or the message for a value that is not allowed (naming the allowed
// values). `*deviceType` gets the device type.
std::string serialSettings(const SerialOptions& options, int* deviceType, ComSettings* settings);

// Between files of a write: what to answer.
enum class ContinueAnswer { Ask, Yes, No };

// Runs a built job with the console as its window until it has ended; the exit status: 0 when
// the log ends with the completed line and holds no "Err" or "ABORT" line, 1 when it does not,
// 130 when stopped by Ctrl-C.
int runReadOnConsole(DeviceReadJob* job);
int runWriteOnConsole(DeviceWriteJob* job, ContinueAnswer answer);

} // namespace velmar::cli
