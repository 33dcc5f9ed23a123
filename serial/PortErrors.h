#pragma once
// System failures of the serial port mapped onto stable status codes, and the texts that tell
// the user why a port could not be used.

#include <cstdint>
#include <string>

namespace velmar {

// What the port was doing when the system call failed: opening it, or using it.
enum class PortActivity { Opening, Using };

// The stable status for an errno: a missing device gives 2, permission denied or a busy port
// 5, a lost line (hang-up, EIO) 1167, a refused setting 87; running out of memory or
// descriptors 8 and 4; anything else 31. No errno value leaks out as a status.
std::uint32_t statusFromErrno(int error, PortActivity activity);

// True when the failure is a permission failure that membership of the device's group cures.
bool isPermissionFailure(std::uint32_t status, int systemError);

// The group that owns `device` ("dialout" when it cannot be told).
std::string deviceGroup(const std::string& device);

// One line for the user: why `device` (may be empty) could not be used.
std::string portFailureText(std::uint32_t status, int systemError, const std::string& device);

} // namespace velmar
