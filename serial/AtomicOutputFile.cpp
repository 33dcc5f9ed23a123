#include "serial/AtomicOutputFile.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace velmar {

namespace {

constexpr std::size_t kWriteChunk = 1 << 16;

// The temporary files being written, for the clean-up from a signal handler: a few fixed slots
// of plain characters, claimed and released with an atomic flag.
constexpr std::size_t kPathRoom = 4096;
struct PendingSlot {
    std::atomic<bool> used{false};
    std::atomic<bool> ready{false};
    std::array<char, kPathRoom> path{};
};
std::array<PendingSlot, 4> pendingSlots;

int rememberPending(const std::string& path) {
    if (path.size() >= kPathRoom) {
        return -1;
    }
    for (std::size_t i = 0; i < pendingSlots.size(); ++i) {
        bool expected = false;
        if (pendingSlots[i].used.compare_exchange_strong(expected, true)) {
            std::memcpy(pendingSlots[i].path.data(), path.c_str(), path.size() + 1);
            pendingSlots[i].ready.store(true);
            return static_cast<int>(i);
        }
    }
    return -1; // more files at once than slots: only the clean-up misses this one
}

void forgetPending(int slot) {
    if (slot >= 0) {
        pendingSlots[static_cast<std::size_t>(slot)].ready.store(false);
        pendingSlots[static_cast<std::size_t>(slot)].used.store(false);
    }
}

// Six letters and digits that differ between calls and processes.
void appendRandomSuffix(std::string& name) {
    static std::atomic<std::uint64_t> counter{0};
    std::uint64_t value =
        (static_cast<std::uint64_t>(::getpid()) << 32) ^
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
        (counter.fetch_add(1) * 0x9E3779B97F4A7C15ull);
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    for (int i = 0; i < 6; ++i) {
        name.push_back(kLetters[value % 36]);
        value = value / 36 ^ (value << 7);
    }
}

} // namespace

void removeUnfinishedOutputFiles() {
    for (PendingSlot& slot : pendingSlots) {
        if (slot.ready.load()) {
            ::unlink(slot.path.data());
        }
    }
}

AtomicOutputFile::~AtomicOutputFile() {
    discard();
}

ResultCode AtomicOutputFile::create(const std::string& path) {
    discard();
    failed_ = false;
    if (path.empty() || path.find('\0') != std::string::npos) {
        return kCannotOpen;
    }
    try {
        target_ = path;
        struct stat info {};
        if (::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
            // A link keeps linking: the file it leads to is the one replaced.
            if (char* resolved = ::realpath(path.c_str(), nullptr)) {
                target_ = resolved;
                std::free(resolved);
            }
        }
        if (::stat(target_.c_str(), &info) == 0 &&
            (!S_ISREG(info.st_mode) || ::access(target_.c_str(), W_OK) != 0)) {
            return kCannotOpen; // a folder, a device, or a file made read-only
        }
        const auto slash = target_.rfind('/');
        const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
        for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
            temporary_ = target_.substr(0, nameStart) + "." + target_.substr(nameStart, 200) + ".";
            appendRandomSuffix(temporary_);
            // A new name, never an existing file or link; 0666 lets the umask give it the
            // permissions of any new file.
            fd_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY,
                         0666);
            if (fd_ < 0 && errno != EEXIST) {
                break;
            }
        }
        if (fd_ < 0) {
            temporary_.clear();
            return kCannotOpen;
        }
        slot_ = rememberPending(temporary_);
        buffer_.reserve(kWriteChunk);
    } catch (const std::bad_alloc&) {
        discard();
        return kNoMemory;
    }
    return kOk;
}

bool AtomicOutputFile::flush() {
    std::size_t done = 0;
    while (!failed_ && done < buffer_.size()) {
        const ssize_t written = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            failed_ = true;
        } else {
            done += static_cast<std::size_t>(written);
        }
    }
    buffer_.clear();
    return !failed_;
}

bool AtomicOutputFile::write(const void* bytes, std::size_t count) {
    if (fd_ < 0 || failed_) {
        return false;
    }
    if (buffer_.size() + count > kWriteChunk && !flush()) {
        return false;
    }
    if (count >= kWriteChunk) {
        buffer_.assign(static_cast<const char*>(bytes), count);
        return flush();
    }
    buffer_.append(static_cast<const char*>(bytes), count);
    return true;
}

ResultCode AtomicOutputFile::close() {
    if (fd_ < 0) {
        return failed_ ? kWriteFailed : kOk;
    }
    flush();
    if (!failed_ && ::fsync(fd_) != 0) {
        failed_ = true;
    }
    if (::close(fd_) != 0) {
        failed_ = true;
    }
    fd_ = -1;
    if (!failed_ && ::rename(temporary_.c_str(), target_.c_str()) != 0) {
        failed_ = true;
    }
    if (!failed_) {
        temporary_.clear(); // it is the target now
    }
    discard();
    return failed_ ? kWriteFailed : kOk;
}

void AtomicOutputFile::discard() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
        temporary_.clear();
    }
    buffer_.clear();
    forgetPending(slot_);
    slot_ = -1;
}

} // namespace velmar
