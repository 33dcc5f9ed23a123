#include "serial/PortNames.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <system_error>

namespace velmar {

namespace {

namespace fs = std::filesystem;

std::mutex listerMutex;
SerialDeviceLister currentLister;

// The number after `prefix` in `name`, or -1 when `name` is not prefix + digits.
long deviceNumber(const std::string& name, const std::string& prefix) {
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0 ||
        name.size() - prefix.size() > 9) {
        return -1;
    }
    long number = 0;
    for (std::size_t i = prefix.size(); i < name.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i]))) {
            return -1;
        }
        number = number * 10 + (name[i] - '0');
    }
    return number;
}

// A built-in port is real when the kernel found a UART for it (type not 0).
bool hasUart(const std::string& ttyClassFolder, const std::string& name) {
    std::ifstream typeFile(ttyClassFolder + "/" + name + "/type");
    long type = 0;
    if (!(typeFile >> type)) {
        return false;
    }
    return type != 0;
}

} // namespace

std::vector<std::string> scanSerialDevices(const std::string& devFolder,
                                           const std::string& ttyClassFolder) {
    static const char* const groups[] = {"ttyUSB", "ttyACM", "ttyS"};
    std::vector<std::pair<long, std::string>> found[3];
    std::error_code error;
    for (fs::directory_iterator it(devFolder, error), end; !error && it != end;
         it.increment(error)) {
        const std::string name = it->path().filename().string();
        for (int group = 0; group < 3; ++group) {
            const long number = deviceNumber(name, groups[group]);
            if (number < 0) {
                continue;
            }
            if (group == 2 && !hasUart(ttyClassFolder, name)) {
                break;
            }
            found[group].emplace_back(number, name);
            break;
        }
    }
    std::vector<std::string> devices;
    for (auto& group : found) {
        std::sort(group.begin(), group.end());
        for (const auto& [number, name] : group) {
            devices.push_back(devFolder + "/" + name);
        }
    }
    return devices;
}

void setSerialDeviceLister(SerialDeviceLister lister) {
    std::lock_guard lock(listerMutex);
    currentLister = std::move(lister);
}

std::vector<std::string> listSerialDevices() {
    SerialDeviceLister lister;
    {
        std::lock_guard lock(listerMutex);
        lister = currentLister;
    }
    if (lister) {
        return lister();
    }
    return scanSerialDevices("/dev", "/sys/class/tty");
}

ScopedSerialDevices::ScopedSerialDevices(std::vector<std::string> devices) {
    std::lock_guard lock(listerMutex);
    previous_ = currentLister;
    currentLister = [devices = std::move(devices)] { return devices; };
}

ScopedSerialDevices::~ScopedSerialDevices() {
    std::lock_guard lock(listerMutex);
    currentLister = std::move(previous_);
}

std::string resolvePortName(const char* name) {
    if (name == nullptr || name[0] == '\0') {
        return {};
    }
    if (name[0] == '/') {
        return name;
    }
    const bool comName = std::toupper(static_cast<unsigned char>(name[0])) == 'C' &&
                         std::toupper(static_cast<unsigned char>(name[1])) == 'O' &&
                         std::toupper(static_cast<unsigned char>(name[2])) == 'M' &&
                         name[3] >= '1' && name[3] <= '9' && name[4] == '\0';
    if (!comName) {
        return {};
    }
    const std::size_t index = static_cast<std::size_t>(name[3] - '1');
    const std::vector<std::string> devices = listSerialDevices();
    return index < devices.size() ? devices[index] : std::string();
}

std::vector<SerialPortInfo> describeSerialPorts(const std::vector<std::string>& devices,
                                                const std::string& byIdFolder) {
    // The stable links (by maker, model and serial number) and the devices they lead to.
    std::vector<std::pair<fs::path, std::string>> links;
    std::error_code error;
    for (fs::directory_iterator it(byIdFolder, error), end; !error && it != end;
         it.increment(error)) {
        std::error_code linkError;
        const fs::path target = fs::canonical(it->path(), linkError);
        if (!linkError) {
            links.emplace_back(target, it->path().string());
        }
    }
    std::sort(links.begin(), links.end(),
              [](const auto& a, const auto& b) { return a.second < b.second; });

    std::vector<SerialPortInfo> ports;
    for (std::size_t i = 0; i < devices.size() && i < kComPortCount; ++i) {
        SerialPortInfo info;
        info.name = "COM" + std::to_string(i + 1);
        info.device = devices[i];
        std::string shown = devices[i];
        std::error_code deviceError;
        const fs::path device = fs::canonical(devices[i], deviceError);
        if (!deviceError) {
            for (const auto& [target, link] : links) {
                if (target == device) {
                    shown = link;
                    break;
                }
            }
        }
        info.description = info.name + " \xE2\x80\x94 " + shown;
        ports.push_back(std::move(info));
    }
    return ports;
}

std::vector<SerialPortInfo> listSerialPorts() {
    return describeSerialPorts(listSerialDevices(), "/dev/serial/by-id");
}

} // namespace velmar
