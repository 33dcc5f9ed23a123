#include "serial/PortErrors.h"

#include <cerrno>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "serial/SerialPort.h"

namespace velmar {

std::uint32_t statusFromErrno(int error, PortActivity activity) {
    switch (error) {
    case 0:
        return ERROR_SUCCESS;
    case ENOENT:
    case ENOTDIR:
    case EISDIR:
    case ENODEV:
        return ERROR_FILE_NOT_FOUND;
    case ENXIO:
    case EIO:
    case EPIPE:
    case ESHUTDOWN:
        // A device that fails while it is opened is not there; one that fails in use is gone.
        return activity == PortActivity::Opening ? ERROR_FILE_NOT_FOUND
                                                 : ERROR_DEVICE_NOT_CONNECTED;
    case ENOTTY:
        // Opening something that is not a terminal: there is no serial device at that name.
        return activity == PortActivity::Opening ? ERROR_FILE_NOT_FOUND : ERROR_INVALID_PARAMETER;
    case EACCES:
    case EPERM:
    case EROFS:
    case EBUSY:
    case EWOULDBLOCK:
        return ERROR_ACCESS_DENIED;
    case EINVAL:
    case ERANGE:
    case EOPNOTSUPP:
        return ERROR_INVALID_PARAMETER;
    case ENOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    case EMFILE:
    case ENFILE:
        return ERROR_TOO_MANY_OPEN_FILES;
    case ETIMEDOUT:
        return ERROR_TIMEOUT;
    default:
        return ERROR_GEN_FAILURE;
    }
}

bool isPermissionFailure(std::uint32_t status, int systemError) {
    return status == ERROR_ACCESS_DENIED && (systemError == EACCES || systemError == EPERM);
}

std::string deviceGroup(const std::string& device) {
    struct stat info {};
    if (device.empty() || ::stat(device.c_str(), &info) != 0 || info.st_gid == 0) {
        return "dialout";
    }
    std::vector<char> buffer(4096);
    struct group entry {};
    struct group* found = nullptr;
    if (::getgrgid_r(info.st_gid, &entry, buffer.data(), buffer.size(), &found) != 0 ||
        found == nullptr || found->gr_name == nullptr || found->gr_name[0] == '\0') {
        return "dialout";
    }
    return found->gr_name;
}

std::string portFailureText(std::uint32_t status, int systemError, const std::string& device) {
    const std::string port = device.empty() ? std::string("the port") : device;
    if (isPermissionFailure(status, systemError)) {
        return "Permission denied on " + port + ": the user needs to be in the " +
               deviceGroup(device) + " group (log in again after adding it)";
    }
    switch (status) {
    case ERROR_SUCCESS:
        return "No error";
    case ERROR_FILE_NOT_FOUND:
        if (systemError == ENOTTY) {
            return port + " is not a serial device";
        }
        return device.empty() ? "No serial device is connected at this port name"
                              : "No serial device at " + port;
    case ERROR_ACCESS_DENIED:
        return port + " is in use by another program";
    case ERROR_INVALID_HANDLE:
        return "The port is not open";
    case ERROR_INVALID_PARAMETER:
        return port + " refused the line settings";
    case ERROR_DEVICE_NOT_CONNECTED:
        return "The device on " + port + " was disconnected";
    case ERROR_TIMEOUT:
        return "The device on " + port + " did not answer in time";
    case ERROR_NOT_ENOUGH_MEMORY:
        return "Not enough memory to use " + port;
    case ERROR_TOO_MANY_OPEN_FILES:
        return "Too many open files to open " + port;
    default:
        return "Cannot use " + port;
    }
}

} // namespace velmar
