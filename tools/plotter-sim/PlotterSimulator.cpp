#include "tools/plotter-sim/PlotterSimulator.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <deque>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <new>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

#include "core/TextFile.h"
#include "serial/LineSpeed.h"
#include "serial/PortNames.h"
#include "tools/plotter-sim/DeviceBehaviours.h"

namespace velmar::sim {

namespace {

using std::chrono::milliseconds;

// A flush that the program makes right after another (the purge after the open) often reaches
// the simulator as one report with it; the start after a purge waits at least this long after
// the last flush seen, so it never comes before the purge.
constexpr milliseconds kPurgeSettle{50};
// Bytes held for the program go once the port's open has emptied it, or after this long when no
// emptying is seen.
constexpr milliseconds kOpenFlushWait{100};
// Before an unplug the program gets what is under way: the line must be quiet this long and
// the program must have taken every byte, for at most kUnplugDrainMax.
constexpr milliseconds kUnplugQuiet{20};
constexpr milliseconds kUnplugDrainMax{1000};
constexpr milliseconds kUnplugCheck{5};
// Paced output goes in bursts at most this often.
constexpr milliseconds kPaceTick{5};

void closeFd(int& fd) {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

std::string systemText(int error) {
    return std::strerror(error);
}

bool readWholeFile(const std::string& path, std::string* bytes, std::string* problem) {
    errno = 0;
    const FilePtr file = openForReading(path);
    if (!file) {
        *problem = "cannot read " + path + (errno == 0 ? ": not a file" : ": " + systemText(errno));
        return false;
    }
    char buffer[65536];
    std::size_t count = 0;
    while ((count = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
        bytes->append(buffer, count);
    }
    if (std::ferror(file.get())) {
        *problem = "cannot read " + path;
        return false;
    }
    return true;
}

// Where received file `index` (from 0) is saved: the path itself, then NAME-2.EXT, NAME-3.EXT...
std::string savePathFor(const std::string& path, std::size_t index) {
    if (index == 0) {
        return path;
    }
    const std::filesystem::path original(path);
    std::filesystem::path numbered = original;
    numbered.replace_filename(original.stem().string() + "-" + std::to_string(index + 1) +
                              original.extension().string());
    return numbered.string();
}

Spread spreadOf(std::vector<double> values) {
    Spread spread;
    spread.count = values.size();
    if (values.empty()) {
        return spread;
    }
    std::sort(values.begin(), values.end());
    spread.min = values.front();
    spread.max = values.back();
    const std::size_t middle = values.size() / 2;
    spread.median = values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
    return spread;
}

std::string settingsWords(const LineSettings& settings) {
    const char* parity = settings.parity == 'E'   ? "even parity"
                         : settings.parity == 'O' ? "odd parity"
                         : settings.parity == 'M' ? "mark parity"
                         : settings.parity == 'S' ? "space parity"
                                                  : "no parity";
    return std::to_string(settings.baudRate) + " baud, " + std::to_string(settings.dataBits) +
           " data bits, " + parity + ", " + std::to_string(settings.stopBits) + " stop bit" +
           (settings.stopBits == 1 ? "" : "s") + ", " +
           (settings.flow == "none" ? "no flow control" : settings.flow + " flow control");
}

} // namespace

struct PlotterSimulator::Impl final : DeviceLine {
    struct Output {
        std::string bytes;
        int gapMs = 0;
        TimePoint notBefore;
        std::size_t written = 0;
    };

    SimulatorOptions options;
    SimulatorSummary result;
    std::string data;
    std::string description;
    bool ready = false;

    int master = -1;
    int spare = -1; // our own descriptor of the program's end, which keeps the line up
    int watcher = -1;
    int stopFd = -1;
    int folder = -1;
    std::string entry; // the registration link's name in `folder`
    bool linked = false;
    std::atomic<int> stopSignal{0};
    std::thread thread;
    int threadStatus = -1;

    std::unique_ptr<DeviceBehaviour> behaviour;
    StartAfter startAfter = StartAfter::Open;
    TimePoint began;
    TimePoint lastActivity;
    // The program.
    int opens = 0;
    bool openedOnce = false;
    bool awaitingOpenFlush = false;
    TimePoint openedAt;
    bool settingsSeen = false; // since the last open
    // The device.
    bool started = false;
    std::optional<TimePoint> startAt;
    std::deque<Output> output;
    std::string held; // due while the program had not the port open
    TimePoint lastDone;
    TimePoint lastWrite;
    TimePoint nextByteAt;
    bool wantWrite = false;
    std::optional<TimePoint> pumpAt;
    std::uint64_t transferred = 0; // for --unplug-after-bytes
    std::optional<TimePoint> unplugAt;
    bool unplugging = false;
    TimePoint unplugSince;

    explicit Impl(SimulatorOptions chosen) : options(std::move(chosen)) {}
    ~Impl() override { release(); }

    // ---- DeviceLine ----

    void send(std::string bytes, int gapMs, TimePoint notBefore) override {
        if (!bytes.empty()) {
            output.push_back({std::move(bytes), gapMs, notBefore, 0});
        }
    }
    TimePoint now() const override { return Clock::now(); }
    Millis elapsed() const override { return millisAt(Clock::now()); }
    void command(bool fromDevice, std::string text, std::string note, Millis at) override {
        text = escapeBytes(text);
        event((fromDevice ? "device: " : "program: ") + text + (note.empty() ? "" : " (") + note +
              (note.empty() ? "" : ")"));
        result.commands.push_back(
            {at < 0 ? elapsed() : at, fromDevice, std::move(text), std::move(note)});
    }
    SimulatorSummary& summary() override { return result; }

    Millis millisAt(TimePoint at) const {
        return std::chrono::duration<double, std::milli>(at - began).count();
    }
    void event(const std::string& words) const {
        if (options.onEvent) {
            char at[32];
            std::snprintf(at, sizeof at, "%8.3f s  ", elapsed() / 1000.0);
            options.onEvent(at + words);
        }
    }

    // ---- setting up ----

    int fail(std::string* problem, std::string words) {
        if (problem != nullptr) {
            *problem = std::move(words);
        }
        release();
        return kSetupFailed;
    }

    int setUp(std::string* problem) {
        if (ready) {
            return 0;
        }
        if (options.deviceType < kSeries41 || options.deviceType > kSeries6) {
            return fail(problem, "no such device type");
        }
        std::string why;
        if (options.role == Role::Send) {
            data = options.sendBytes;
            if (!options.sendFile.empty() && !readWholeFile(options.sendFile, &data, &why)) {
                return fail(problem, why);
            }
        }
        description = std::string("simulated ") + deviceName(options.deviceType) + " plotter (";
        if (options.role == Role::Send) {
            const std::string name =
                options.sendFile.empty()
                    ? std::string("test data")
                    : std::filesystem::path(options.sendFile).filename().string();
            description += "sends " + name + ")";
        } else {
            description += options.count == 1
                               ? std::string("receives a file)")
                               : "receives " + std::to_string(options.count) + " files)";
        }
        if (!openLine(&why)) {
            return fail(problem, "cannot set up a pseudo-terminal: " + why);
        }
        if (!options.linkPath.empty() && !makeLink(&why)) {
            return fail(problem, why);
        }
        if (options.registerPort && !registerPort(&why)) {
            return fail(problem, "cannot register the port: " + why);
        }
        result.role = options.role;
        result.deviceType = options.deviceType;
        result.description = description;
        ready = true;
        return 0;
    }

    bool openLine(std::string* why) {
        master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        char name[128] = {};
        if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0 ||
            ::ptsname_r(master, name, sizeof name) != 0) {
            *why = systemText(errno);
            return false;
        }
        result.port = name;
        spare = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        termios line{};
        if (spare < 0 || ::tcgetattr(spare, &line) != 0) {
            *why = systemText(errno);
            return false;
        }
        // Raw from the start, so early bytes pass unchanged. EXTPROC makes every change of the
        // line settings reach us as a packet-mode report.
        ::cfmakeraw(&line);
        line.c_lflag |= EXTPROC;
        const int packet = 1;
        if (::tcsetattr(spare, TCSANOW, &line) != 0 || ::ioctl(master, TIOCPKT, &packet) != 0) {
            *why = systemText(errno);
            return false;
        }
        watcher = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (watcher < 0 || ::inotify_add_watch(watcher, name, IN_OPEN | IN_CLOSE) < 0) {
            *why = systemText(errno);
            return false;
        }
        stopFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
        if (stopFd < 0) {
            *why = systemText(errno);
            return false;
        }
        return true;
    }

    // The link to the port: a new one, or one that replaces a stale link (leading nowhere).
    bool makeLink(std::string* why) {
        const std::string& path = options.linkPath;
        struct stat info {};
        if (::lstat(path.c_str(), &info) == 0) {
            struct stat target {};
            if (!S_ISLNK(info.st_mode)) {
                *why = path + " exists and is not a link; it is left alone";
                return false;
            }
            if (::stat(path.c_str(), &target) == 0) {
                *why = path + " is a link to something that exists; it is left alone";
                return false;
            }
            const std::string temporary = path + ".new-" + std::to_string(::getpid());
            (void)::unlink(temporary.c_str());
            if (::symlink(result.port.c_str(), temporary.c_str()) != 0 ||
                ::rename(temporary.c_str(), path.c_str()) != 0) {
                *why = "cannot replace the stale link " + path + ": " + systemText(errno);
                (void)::unlink(temporary.c_str());
                return false;
            }
        } else if (::symlink(result.port.c_str(), path.c_str()) != 0) {
            *why = "cannot make the link " + path + ": " + systemText(errno);
            return false;
        }
        linked = true;
        result.link = path;
        return true;
    }

    bool registerPort(std::string* why) {
        const std::string path = simulatorPortFolder();
        folder = openSimulatorPortFolder(path, true, why);
        if (folder < 0) {
            return false;
        }
        removeStaleRegistrations();
        const std::string name = simulatorEntryName(::getpid(), description);
        for (int attempt = 1; attempt < 100; ++attempt) {
            entry = attempt == 1 ? name : name + " " + std::to_string(attempt);
            if (::symlinkat(result.port.c_str(), folder, entry.c_str()) == 0) {
                result.registration = path + "/" + entry;
                return true;
            }
            if (errno != EEXIST) {
                break;
            }
        }
        *why = "cannot make a link in " + path + ": " + systemText(errno);
        entry.clear();
        return false;
    }

    // Links left by simulators that did not end cleanly.
    void removeStaleRegistrations() {
        DIR* listing = ::fdopendir(::dup(folder));
        if (listing == nullptr) {
            return;
        }
        while (const dirent* item = ::readdir(listing)) {
            const std::string name = item->d_name;
            const std::size_t digits = name.find_first_not_of("0123456789");
            struct stat info {};
            if (digits == 0 || digits == std::string::npos || name[digits] != ' ' ||
                ::fstatat(folder, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 ||
                !S_ISLNK(info.st_mode)) {
                continue;
            }
            const long process = std::strtol(name.c_str(), nullptr, 10);
            if (::kill(static_cast<pid_t>(process), 0) != 0 && errno == ESRCH) {
                (void)::unlinkat(folder, name.c_str(), 0);
            }
        }
        ::closedir(listing);
    }

    // Closes the line and removes the link and the registration. Safe to call again.
    void release() {
        if (linked) {
            char target[256];
            const ssize_t length = ::readlink(options.linkPath.c_str(), target, sizeof target - 1);
            if (length > 0 &&
                std::string(target, static_cast<std::size_t>(length)) == result.port) {
                (void)::unlink(options.linkPath.c_str());
            }
            linked = false;
        }
        if (folder >= 0 && !entry.empty()) {
            (void)::unlinkat(folder, entry.c_str(), 0);
        }
        entry.clear();
        closeFd(folder);
        closeFd(master);
        closeFd(spare);
        closeFd(watcher);
        // stopFd stays: stop() may still write to it.
    }

    // ---- the run ----

    int run() {
        if (!ready) {
            return kSetupFailed;
        }
        ready = false; // one run per simulator
        began = Clock::now();
        lastActivity = began;
        lastDone = began;
        startAfter = options.startAfter.value_or(
            options.role == Role::Send && options.deviceType != kSeries5 ? StartAfter::Purge
                                                                         : StartAfter::Open);
        try {
            behaviour = makeBehaviour(options, std::move(data));
            if (startAfter == StartAfter::Now) {
                startAt = began + milliseconds(options.startDelayMs);
            }
            result.ending = loop();
        } catch (const std::bad_alloc&) {
            result.ending = Ending::Stopped;
            event("out of memory");
        }
        return finish();
    }

    Ending loop() {
        for (;;) {
            const TimePoint now = Clock::now();
            if (stopSignal.load() != 0) {
                return Ending::Stopped;
            }
            if (startAt && !started && now >= *startAt) {
                startDevice(now);
            }
            if (awaitingOpenFlush && now >= openedAt + kOpenFlushWait) {
                awaitingOpenFlush = false;
            }
            if (unplugAt && !unplugging && now >= *unplugAt) {
                beginUnplug(now);
            }
            pump(now);
            if (unplugging && drained(now)) {
                closeFd(master);
                event("unplugged the line");
                return Ending::Unplugged;
            }
            if (finished()) {
                return Ending::Completed;
            }
            const auto timeout = std::chrono::duration_cast<Clock::duration>(
                std::chrono::duration<double>(options.timeoutSeconds));
            if (options.timeoutSeconds > 0 && now >= lastActivity + timeout) {
                event("timed out");
                return Ending::TimedOut;
            }
            std::optional<TimePoint> wake = pumpAt;
            const auto earliest = [&wake](std::optional<TimePoint> at) {
                if (at && (!wake || *at < *wake)) {
                    wake = at;
                }
            };
            earliest(started ? std::nullopt : startAt);
            earliest(awaitingOpenFlush ? std::optional(openedAt + kOpenFlushWait) : std::nullopt);
            earliest(unplugging ? std::nullopt : unplugAt);
            earliest(unplugging ? std::optional(now + kUnplugCheck) : std::nullopt);
            earliest(options.timeoutSeconds > 0 ? std::optional(lastActivity + timeout)
                                                : std::nullopt);
            int waitMs = -1;
            if (wake) {
                const auto left = std::chrono::ceil<milliseconds>(*wake - now).count();
                waitMs = static_cast<int>(std::clamp<long long>(left, 0, 1 << 30));
            }
            pollfd watched[3] = {
                {master, static_cast<short>(POLLIN | (wantWrite ? POLLOUT : 0)), 0},
                {watcher, POLLIN, 0},
                {stopFd, POLLIN, 0}};
            if (::poll(watched, 3, waitMs) < 0 && errno != EINTR) {
                event(std::string("cannot wait on the line: ") + systemText(errno));
                return Ending::Stopped;
            }
            // The open is reported on the watcher before the program can empty the port, so the
            // watcher is always heard first.
            readWatcher();
            readMaster();
        }
    }

    void startDevice(TimePoint now) {
        started = true;
        lastActivity = now;
        result.startedAt = millisAt(now);
        event("device started");
        if (options.unplugAfterSeconds >= 0) {
            unplugAt = now + std::chrono::duration_cast<Clock::duration>(
                                 std::chrono::duration<double>(options.unplugAfterSeconds));
        }
        behaviour->start(*this);
    }

    bool finished() const {
        return started && behaviour->done() && output.empty() && held.empty() && opens == 0 &&
               openedOnce && !unplugging;
    }

    // ---- the program's side ----

    void readWatcher() {
        alignas(inotify_event) char buffer[4096];
        for (;;) {
            const ssize_t count = ::read(watcher, buffer, sizeof buffer);
            if (count <= 0) {
                return;
            }
            const TimePoint now = Clock::now();
            for (ssize_t offset = 0; offset < count;) {
                const auto* report = reinterpret_cast<const inotify_event*>(buffer + offset);
                offset += static_cast<ssize_t>(sizeof(inotify_event) + report->len);
                if (report->mask & IN_OPEN) {
                    opened(now);
                }
                if (report->mask & IN_CLOSE) {
                    closed(now);
                }
            }
        }
    }

    void opened(TimePoint now) {
        lastActivity = now;
        result.opens.push_back(millisAt(now));
        if (opens++ == 0) {
            awaitingOpenFlush = true;
            openedAt = now;
            settingsSeen = false;
        }
        openedOnce = true;
        event("program opened the port");
        if (!started && !startAt && startAfter == StartAfter::Open) {
            startAt = now + milliseconds(options.startDelayMs);
        }
    }

    void closed(TimePoint now) {
        lastActivity = now;
        result.closes.push_back(millisAt(now));
        if (opens > 0 && --opens == 0) {
            awaitingOpenFlush = false;
            // A program that ended without giving up its exclusive use must not lock out the next.
            (void)::ioctl(spare, TIOCNXCL);
        }
        event("program closed the port");
    }

    void readMaster() {
        unsigned char buffer[65536];
        while (master >= 0) {
            const ssize_t count = ::read(master, buffer, sizeof buffer);
            if (count <= 0) {
                return;
            }
            const TimePoint now = Clock::now();
            lastActivity = now;
            const unsigned char status = buffer[0];
            if (status == TIOCPKT_DATA) {
                received(now, std::string(reinterpret_cast<const char*>(buffer) + 1,
                                          static_cast<std::size_t>(count - 1)));
                continue;
            }
            if (status & (TIOCPKT_FLUSHREAD | TIOCPKT_FLUSHWRITE)) {
                flushed(now);
            }
            if (status & (TIOCPKT_IOCTL | TIOCPKT_FLUSHREAD | TIOCPKT_FLUSHWRITE)) {
                watchSettings(now);
            }
        }
    }

    void flushed(TimePoint now) {
        const bool withOpen = awaitingOpenFlush;
        awaitingOpenFlush = false;
        result.purges.push_back({millisAt(now), withOpen});
        event(withOpen ? "program emptied the port as it opened it" : "program purged the port");
        if (!started && startAfter == StartAfter::Purge && opens > 0) {
            startAt = now + std::max(milliseconds(options.startDelayMs), kPurgeSettle);
        }
    }

    void watchSettings(TimePoint now) {
        if (opens == 0 || spare < 0) {
            return;
        }
        termios line{};
        std::uint32_t baud = 0;
        if (::tcgetattr(spare, &line) != 0 || readLineSpeed(spare, &baud) != 0) {
            return;
        }
        LineSettings settings;
        settings.baudRate = baud;
        const tcflag_t size = line.c_cflag & CSIZE;
        settings.dataBits = size == CS5 ? 5 : size == CS6 ? 6 : size == CS7 ? 7 : 8;
        if (line.c_cflag & PARENB) {
            const bool odd = (line.c_cflag & PARODD) != 0;
            settings.parity = (line.c_cflag & CMSPAR) ? (odd ? 'M' : 'S') : (odd ? 'O' : 'E');
        }
        settings.stopBits = (line.c_cflag & CSTOPB) ? 2 : 1;
        settings.flow = (line.c_cflag & CRTSCTS)     ? "hardware"
                        : (line.c_iflag & IXON) != 0 ? "XON/XOFF"
                                                     : "none";
        if (settingsSeen && result.settings.back().settings == settings) {
            return;
        }
        settingsSeen = true;
        result.settings.push_back({millisAt(now), settings});
        event("program set the line: " + settingsWords(settings));
    }

    void received(TimePoint now, std::string bytes) {
        result.received += bytes;
        result.receivedLines +=
            static_cast<std::uint64_t>(std::count(bytes.begin(), bytes.end(), '\n'));
        result.traffic.push_back({millisAt(now), false, bytes});
        behaviour->received(*this, bytes);
        if (options.role == Role::Receive && options.unplugAfterBytes >= 0) {
            transferred += bytes.size();
            if (transferred >= static_cast<std::uint64_t>(options.unplugAfterBytes) &&
                !unplugging) {
                beginUnplug(now);
            }
        }
    }

    // ---- the device's output ----

    // Whether the program can take bytes now: it has the port open, and the open has emptied it.
    bool deliverable() const { return opens > 0 && !awaitingOpenFlush && master >= 0; }

    TimePoint dueTime(const Output& item) const {
        return std::max(item.notBefore, lastDone + milliseconds(item.gapMs));
    }

    // How many bytes the line's rate lets go now; 0 sets pumpAt.
    std::size_t pacedAllowance(TimePoint now, std::size_t wanted) {
        std::uint32_t baud = 0;
        if (!options.lineRate || readLineSpeed(spare, &baud) != 0 || baud == 0) {
            return wanted;
        }
        const auto byteTime =
            std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(10.0 / baud));
        if (nextByteAt + kPaceTick < now) {
            nextByteAt = now; // after a pause the line starts afresh, without a burst
        }
        if (now < nextByteAt) {
            pumpAt = nextByteAt;
            return 0;
        }
        const auto due = static_cast<std::size_t>((now - nextByteAt) / byteTime) + 1;
        const std::size_t allowed = std::min(wanted, due);
        nextByteAt += byteTime * static_cast<long>(allowed);
        return allowed;
    }

    void pump(TimePoint now) {
        pumpAt.reset();
        wantWrite = false;
        // What falls due while the program has not the port open waits in the line for it.
        while (!deliverable() && !output.empty() && output.front().written == 0 &&
               dueTime(output.front()) <= now) {
            lastDone = dueTime(output.front());
            held += output.front().bytes;
            result.heldBytes += output.front().bytes.size();
            output.pop_front();
        }
        if (!deliverable() || unplugging) {
            if (!output.empty() && output.front().written == 0) {
                pumpAt = dueTime(output.front());
            }
            return;
        }
        while (!held.empty() || !output.empty()) {
            const bool fromHeld = !held.empty();
            if (!fromHeld && output.front().written == 0 && dueTime(output.front()) > now) {
                pumpAt = dueTime(output.front());
                return;
            }
            const std::string& bytes = fromHeld ? held : output.front().bytes;
            const std::size_t offset = fromHeld ? 0 : output.front().written;
            std::size_t wanted = bytes.size() - offset;
            if (options.role == Role::Send && options.unplugAfterBytes >= 0) {
                const auto limit = static_cast<std::uint64_t>(options.unplugAfterBytes);
                wanted = static_cast<std::size_t>(
                    std::min<std::uint64_t>(wanted, limit > transferred ? limit - transferred : 0));
                if (wanted == 0) {
                    beginUnplug(now);
                    return;
                }
            }
            wanted = pacedAllowance(now, wanted);
            if (wanted == 0) {
                return;
            }
            const ssize_t count = ::write(master, bytes.data() + offset, wanted);
            if (count <= 0) {
                if (count < 0 && errno != EAGAIN && errno != EINTR) {
                    event(std::string("cannot write to the line: ") + systemText(errno));
                }
                wantWrite = true;
                return;
            }
            const auto written = static_cast<std::size_t>(count);
            wrote(now, bytes.substr(offset, written));
            if (fromHeld) {
                held.erase(0, written);
            } else if ((output.front().written += written) == output.front().bytes.size()) {
                output.pop_front();
                lastDone = now;
            }
        }
    }

    void wrote(TimePoint now, const std::string& bytes) {
        lastWrite = now;
        lastActivity = now;
        result.sent += bytes;
        result.sentLines +=
            static_cast<std::uint64_t>(std::count(bytes.begin(), bytes.end(), '\n'));
        result.traffic.push_back({millisAt(now), true, bytes});
        if (options.role == Role::Send) {
            transferred += bytes.size();
        }
    }

    // ---- unplugging ----

    void beginUnplug(TimePoint now) {
        if (!unplugging) {
            unplugging = true;
            unplugSince = now;
            event("unplugging the line");
        }
    }

    // Whether the program has taken everything written before the unplug.
    bool drained(TimePoint now) const {
        if (opens == 0 || now >= unplugSince + kUnplugDrainMax) {
            return true;
        }
        int waiting = 0;
        return now >= lastWrite + kUnplugQuiet && ::ioctl(spare, TIOCINQ, &waiting) == 0 &&
               waiting == 0;
    }

    // ---- the end ----

    int finish() {
        const TimePoint now = Clock::now();
        result.endedAt = millisAt(now);
        const int signal = stopSignal.load();
        switch (result.ending) {
        case Ending::Completed:
        case Ending::Unplugged:
            result.exitStatus = kExchangeEnded;
            break;
        case Ending::TimedOut:
            result.exitStatus = kTimedOut;
            break;
        default:
            result.ending = Ending::Stopped;
            result.exitStatus = 128 + (signal > 0 ? signal : SIGINT);
            break;
        }
        release();
        if (options.role == Role::Receive && options.deviceType == kSeries41) {
            measurePacing();
        }
        if (!options.savePath.empty()) {
            for (std::size_t index = 0; index < result.files.size(); ++index) {
                save(result.files[index], savePathFor(options.savePath, index));
            }
        }
        return result.exitStatus;
    }

    static void save(ReceivedFile& file, const std::string& path) {
        if (file.bytes.empty()) {
            return;
        }
        OutputFile out;
        if (out.create(path) != 0) {
            file.saveError = "cannot create " + path + ": " + systemText(errno);
            return;
        }
        out.write(file.bytes);
        if (out.close() != 0) {
            file.saveError = "cannot write " + path;
            return;
        }
        file.savedTo = path;
    }

    // The gaps between the bytes of a line, and between a line's end and the next line.
    void measurePacing() {
        std::vector<double> byteGaps;
        std::vector<double> lineGaps;
        Millis previous = -1;
        char previousByte = 0;
        for (const TrafficChunk& chunk : result.traffic) {
            if (chunk.fromDevice) {
                continue;
            }
            for (const char c : chunk.bytes) {
                if (previous >= 0) {
                    (previousByte == '\n' ? lineGaps : byteGaps).push_back(chunk.at - previous);
                }
                previous = chunk.at;
                previousByte = c;
            }
        }
        if (!byteGaps.empty()) {
            result.byteGaps = spreadOf(std::move(byteGaps));
        }
        if (!lineGaps.empty()) {
            result.lineGaps = spreadOf(std::move(lineGaps));
        }
    }
};

PlotterSimulator::PlotterSimulator(SimulatorOptions options)
    : impl_(std::make_unique<Impl>(std::move(options))) {}

PlotterSimulator::~PlotterSimulator() {
    if (impl_->thread.joinable()) {
        stop(SIGTERM);
        impl_->thread.join();
    }
    if (impl_->stopFd >= 0) {
        ::close(impl_->stopFd);
    }
}

int PlotterSimulator::setUp(std::string* problem) {
    return impl_->setUp(problem);
}

const std::string& PlotterSimulator::portPath() const {
    return impl_->result.port;
}

const std::string& PlotterSimulator::description() const {
    return impl_->description;
}

int PlotterSimulator::run() {
    return impl_->run();
}

void PlotterSimulator::start() {
    impl_->thread = std::thread([impl = impl_.get()] { impl->threadStatus = impl->run(); });
}

int PlotterSimulator::wait() {
    if (impl_->thread.joinable()) {
        impl_->thread.join();
    }
    return impl_->threadStatus;
}

void PlotterSimulator::stop(int signal) {
    impl_->stopSignal.store(signal > 0 ? signal : SIGINT);
    if (impl_->stopFd >= 0) {
        const std::uint64_t one = 1;
        (void)!::write(impl_->stopFd, &one, sizeof one);
    }
}

const SimulatorSummary& PlotterSimulator::summary() const {
    return impl_->result;
}

} // namespace velmar::sim
