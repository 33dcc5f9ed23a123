#include "serial/PortNames.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <system_error>
#include <unistd.h>

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

// Unix 98 pseudo-terminal slaves have these majors.
constexpr unsigned kPtySlaveMajorFirst = 136;
constexpr unsigned kPtySlaveMajorLast = 143;
constexpr std::size_t kMaxDescriptionBytes = 200;

bool allDigits(const std::string& text) {
    return !text.empty() && text.size() <= 9 && std::all_of(text.begin(), text.end(), [](char c) {
        return std::isdigit(static_cast<unsigned char>(c));
    });
}

// Opens `name` in the folder `parent` as a private folder of this user, creating it first when
// asked. -1 with the reason in `why`.
int openPrivateFolder(int parent, const std::string& name, bool create, std::string* why) {
    bool created = false;
    if (create) {
        if (::mkdirat(parent, name.c_str(), 0700) == 0) {
            created = true;
        } else if (errno != EEXIST) {
            *why = std::string("cannot be created: ") + std::strerror(errno);
            return -1;
        }
    }
    const int fd = ::openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        *why = errno == ENOENT ? "does not exist"
               : errno == ELOOP || errno == ENOTDIR
                   ? "is not a folder (a symbolic link or another kind of file)"
                   : std::string("cannot be opened: ") + std::strerror(errno);
        return -1;
    }
    if (created) {
        (void)::fchmod(fd, 0700); // whatever the umask took away
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        *why = std::string("cannot be examined: ") + std::strerror(errno);
    } else if (info.st_uid != ::geteuid()) {
        *why = "belongs to another user";
    } else if ((info.st_mode & 07777) != 0700) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(info.st_mode & 07777));
        *why = std::string("has mode ") + mode;
    } else {
        return fd;
    }
    ::close(fd);
    return -1;
}

// The pseudo-terminal a registration link leads to, when it is one of this user's; else empty.
std::string registeredDevice(int folder, const std::string& entry) {
    char target[64];
    const ssize_t length = ::readlinkat(folder, entry.c_str(), target, sizeof target - 1);
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof target - 1) {
        return {};
    }
    const std::string device(target, static_cast<std::size_t>(length));
    const std::string prefix = "/dev/pts/";
    if (device.compare(0, prefix.size(), prefix) != 0 || !allDigits(device.substr(prefix.size()))) {
        return {};
    }
    struct stat info {};
    if (::stat(device.c_str(), &info) != 0 || !S_ISCHR(info.st_mode) ||
        ::major(info.st_rdev) < kPtySlaveMajorFirst || ::major(info.st_rdev) > kPtySlaveMajorLast ||
        info.st_uid != ::geteuid()) {
        return {};
    }
    return device;
}

} // namespace

std::string simulatorPortFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/') {
        return std::string(runtime) + "/velmar/ports";
    }
    return "/tmp/velmar-" + std::to_string(::geteuid()) + "/ports";
}

int openSimulatorPortFolder(const std::string& folder, bool create, std::string* problem) {
    const fs::path ports(folder);
    const fs::path base = ports.parent_path();
    std::string why;
    int fd = ::open(base.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        why = std::string("cannot be opened: ") + std::strerror(errno);
    }
    fs::path checked = base.parent_path();
    for (const fs::path& level : {base.filename(), ports.filename()}) {
        if (fd < 0) {
            break;
        }
        checked /= level;
        const int next = openPrivateFolder(fd, level.string(), create, &why);
        ::close(fd);
        fd = next;
    }
    if (fd < 0 && problem != nullptr) {
        *problem = checked.string() + " " + why +
                   "; it must be a folder of yours that only you can use (mode 0700, not a "
                   "symbolic link)";
    }
    return fd;
}

std::string simulatorEntryName(long processId, const std::string& description) {
    std::string safe;
    for (const char c : description) {
        const auto byte = static_cast<unsigned char>(c);
        safe += (byte < 0x20 || byte == 0x7F || c == '/') ? '_' : c;
    }
    if (safe.size() > kMaxDescriptionBytes) {
        std::size_t cut = kMaxDescriptionBytes;
        while (cut > 0 && (static_cast<unsigned char>(safe[cut]) & 0xC0) == 0x80) {
            --cut; // never inside a UTF-8 sequence
        }
        safe.resize(cut);
    }
    return std::to_string(processId) + " " + safe;
}

std::vector<SimulatorPort> scanSimulatorPorts(const std::string& folder) {
    const int fd = openSimulatorPortFolder(folder, false, nullptr);
    if (fd < 0) {
        return {};
    }
    std::vector<std::pair<std::pair<long long, long>, SimulatorPort>> found;
    DIR* listing = ::fdopendir(::dup(fd));
    for (const dirent* item = listing ? ::readdir(listing) : nullptr; item != nullptr;
         item = ::readdir(listing)) {
        const std::string entry = item->d_name;
        const std::size_t space = entry.find(' ');
        struct stat info {};
        if (space == std::string::npos || space + 1 == entry.size() ||
            !allDigits(entry.substr(0, space)) ||
            ::fstatat(fd, entry.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISLNK(info.st_mode) || info.st_uid != ::geteuid() ||
            ::kill(static_cast<pid_t>(std::stol(entry.substr(0, space))), 0) != 0) {
            continue;
        }
        SimulatorPort port{registeredDevice(fd, entry), entry.substr(space + 1), entry};
        if (!port.device.empty()) {
            found.push_back({{info.st_mtim.tv_sec, info.st_mtim.tv_nsec}, std::move(port)});
        }
    }
    if (listing != nullptr) {
        ::closedir(listing);
    }
    ::close(fd);
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
        return a.first != b.first ? a.first < b.first : a.second.entry < b.second.entry;
    });
    std::vector<SimulatorPort> ports;
    for (auto& item : found) {
        ports.push_back(std::move(item.second));
    }
    return ports;
}

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

namespace {

struct PortList {
    std::vector<std::string> devices;
    std::vector<SimulatorPort> simulators;
};

// The installed lister's devices, or the system's devices followed by the simulators.
PortList currentPorts() {
    SerialDeviceLister lister;
    {
        std::lock_guard lock(listerMutex);
        lister = currentLister;
    }
    if (lister) {
        return {lister(), {}};
    }
    PortList ports{scanSerialDevices("/dev", "/sys/class/tty"),
                   scanSimulatorPorts(simulatorPortFolder())};
    for (const SimulatorPort& simulator : ports.simulators) {
        ports.devices.push_back(simulator.device);
    }
    return ports;
}

} // namespace

void setSerialDeviceLister(SerialDeviceLister lister) {
    std::lock_guard lock(listerMutex);
    currentLister = std::move(lister);
}

std::vector<std::string> listSerialDevices() {
    return currentPorts().devices;
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
                                                const std::string& byIdFolder,
                                                const std::vector<SimulatorPort>& simulators) {
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
        const auto simulator =
            std::find_if(simulators.begin(), simulators.end(),
                         [&](const SimulatorPort& port) { return port.device == devices[i]; });
        if (simulator != simulators.end()) {
            info.simulated = true;
            info.description = info.name + " \xE2\x80\x94 " + simulator->description;
            ports.push_back(std::move(info));
            continue;
        }
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
    const PortList ports = currentPorts();
    return describeSerialPorts(ports.devices, "/dev/serial/by-id", ports.simulators);
}

} // namespace velmar
