#include "core/TextFile.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <new>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace velmar {

namespace {
constexpr std::size_t kReadChunk = 1 << 16;
constexpr std::size_t kWriteChunk = 1 << 16;
constexpr int kEndMark = 0x1A;

// The temporary files of the outputs being written, where a signal handler can find them: a
// fixed table of plain byte paths whose state says whether the path may be read.
constexpr int kPendingSlots = 16;
constexpr std::size_t kPendingPathSize = 4096;
enum PendingState : int { kSlotFree = 0, kSlotFilling = 1, kSlotHeld = 2 };
struct PendingOutput {
    std::atomic<int> state{kSlotFree};
    char path[kPendingPathSize];
};
PendingOutput pendingOutputs[kPendingSlots];
static_assert(std::atomic<int>::is_always_lock_free);

int rememberPending(const std::string& path) {
    if (path.size() >= kPendingPathSize) {
        return -1; // still replaced atomically, only not cleaned up after a signal
    }
    for (int i = 0; i < kPendingSlots; ++i) {
        int expected = kSlotFree;
        if (pendingOutputs[i].state.compare_exchange_strong(expected, kSlotFilling)) {
            std::memcpy(pendingOutputs[i].path, path.c_str(), path.size() + 1);
            pendingOutputs[i].state.store(kSlotHeld);
            return i;
        }
    }
    return -1;
}

void forgetPending(int slot) {
    if (slot >= 0) {
        pendingOutputs[slot].state.store(kSlotFree);
    }
}

// Six letters or digits that make a temporary name unlikely to be taken.
void appendRandomSuffix(std::string& name) {
    static std::atomic<unsigned long long> counter{0};
    static constexpr char kDigits[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    unsigned long long value = static_cast<unsigned long long>(
                                   std::chrono::steady_clock::now().time_since_epoch().count()) ^
                               (static_cast<unsigned long long>(::getpid()) << 32) ^
                               (counter.fetch_add(1) * 0x9E3779B97F4A7C15ULL);
    for (int i = 0; i < 6; ++i) {
        name.push_back(kDigits[value % 62]);
        value = value / 62 ^ (value * 0x2545F4914F6CDD1DULL);
    }
}

} // namespace

FilePtr openForReading(const char* path) {
    if (path == nullptr || *path == '\0') {
        return nullptr;
    }
    // Only a regular file is read: a folder, a pipe, a device or a socket is refused before it
    // is opened (opening a pipe would wait for a writer, and a device may never end), and again
    // on what was opened, in case the name changed in between.
    struct stat info {};
    if (::stat(path, &info) != 0 || !S_ISREG(info.st_mode)) {
        return nullptr;
    }
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        return nullptr;
    }
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) {
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    }
    std::FILE* file = ::fdopen(fd, "rb");
    if (file == nullptr) {
        ::close(fd);
    }
    return FilePtr(file);
}

LineReader::LineReader(std::FILE* file, bool stopAtEndMark)
    : file_(file), stopAtEndMark_(stopAtEndMark), buffer_(kReadChunk) {
    line_.reserve(kMaxPiece + 1);
}

bool LineReader::fill() {
    if (ended_ || file_ == nullptr) {
        return false;
    }
    size_ = std::fread(buffer_.data(), 1, buffer_.size(), file_);
    position_ = 0;
    if (size_ == 0) {
        ended_ = true;
        return false;
    }
    return true;
}

int LineReader::peek() {
    if (position_ >= size_ && !fill()) {
        return EOF;
    }
    const int c = static_cast<unsigned char>(buffer_[position_]);
    if (stopAtEndMark_ && c == kEndMark) {
        ended_ = true;
        size_ = position_;
        return EOF;
    }
    return c;
}

int LineReader::get() {
    const int c = peek();
    if (c != EOF) {
        ++position_;
    }
    return c;
}

bool LineReader::next(std::string_view* line) {
    line_.clear();
    int c = EOF;
    while (line_.size() < kMaxPiece) {
        c = get();
        if (c == EOF) {
            break;
        }
        if (c == '\r') {
            if (peek() == '\n') {
                get();
            }
            c = '\n'; // CR LF and a lone CR end the line as LF does
        }
        line_.push_back(static_cast<char>(c));
        if (c == '\n') {
            break;
        }
    }
    if (line_.empty() && c == EOF) {
        return false;
    }
    std::string_view text(line_);
    const auto nul = text.find('\0');
    if (nul != std::string_view::npos) {
        text = text.substr(0, nul);
    }
    if (!text.empty() && text.back() == '\n') {
        text.remove_suffix(1);
    }
    *line = text;
    return true;
}

OutputFile::~OutputFile() {
    discard();
}

ResultCode OutputFile::create(std::string_view path) {
    discard();
    failed_ = false;
    direct_ = false;
    if (path.empty() || path.find('\0') != std::string::npos) {
        return kCannotOpen;
    }
    try {
        target_ = path;
        struct stat info {};
        if (::lstat(target_.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
            // A link keeps linking: the file it points to is the one replaced.
            if (char* resolved = ::realpath(target_.c_str(), nullptr)) {
                target_ = resolved;
                std::free(resolved);
            }
        }
        if (::stat(target_.c_str(), &info) == 0) {
            if (S_ISDIR(info.st_mode) || ::access(target_.c_str(), W_OK) != 0) {
                return kCannotOpen; // a folder, or a file its owner made read-only
            }
            if (!S_ISREG(info.st_mode)) {
                fd_ = ::open(target_.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
                if (fd_ < 0) {
                    return kCannotOpen;
                }
                direct_ = true;
                buffer_.reserve(kWriteChunk);
                return kOk;
            }
        }
        const auto slash = target_.rfind('/');
        const std::string_view name = std::string_view(target_).substr(
            slash == std::string::npos ? 0 : slash + 1, 200); // room for the suffix
        for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
            temporary_.assign(target_, 0, slash == std::string::npos ? 0 : slash + 1);
            temporary_.push_back('.');
            temporary_.append(name);
            temporary_.push_back('.');
            appendRandomSuffix(temporary_);
            // A new name, never an existing file or link; 0666 lets the umask (and a folder's
            // default permissions) give it the permissions of any new file.
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

bool OutputFile::flush() {
    if (fd_ < 0 || failed_) {
        return false;
    }
    std::size_t done = 0;
    while (done < buffer_.size()) {
        const ::ssize_t written = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            failed_ = true;
            break;
        }
        done += static_cast<std::size_t>(written);
    }
    buffer_.clear();
    return !failed_;
}

bool OutputFile::write(std::string_view bytes) {
    if (fd_ < 0 || failed_) {
        return false;
    }
    buffer_.append(bytes);
    if (buffer_.size() >= kWriteChunk) {
        return flush();
    }
    return true;
}

bool OutputFile::writeLine(std::string_view text) {
    if (fd_ < 0 || failed_) {
        return false;
    }
    buffer_.append(text);
    buffer_.append("\r\n");
    if (buffer_.size() >= kWriteChunk) {
        return flush();
    }
    return true;
}

void OutputFile::release() {
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
        temporary_.clear();
    }
    forgetPending(slot_);
    slot_ = -1;
    finished_ = false;
}

ResultCode OutputFile::finish() {
    if (fd_ < 0) {
        return failed_ ? kWriteFailed : kOk;
    }
    flush();
    if (!failed_ && !direct_ && ::fsync(fd_) != 0) {
        failed_ = true;
    }
    if (::close(fd_) != 0) {
        failed_ = true;
    }
    fd_ = -1;
    if (failed_) {
        release();
        return kWriteFailed;
    }
    finished_ = !temporary_.empty();
    return kOk;
}

ResultCode OutputFile::commit() {
    if (!finished_) {
        return failed_ ? kWriteFailed : kOk;
    }
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) {
        failed_ = true;
        release();
        return kWriteFailed;
    }
    temporary_.clear(); // it is the target now
    release();
    return kOk;
}

ResultCode OutputFile::close() {
    const ResultCode finished = finish();
    return finished != kOk ? finished : commit();
}

void OutputFile::discard() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    buffer_.clear();
    release();
}

void removeUnfinishedOutputs() {
    for (PendingOutput& pending : pendingOutputs) {
        if (pending.state.load() == kSlotHeld) {
            ::unlink(pending.path);
        }
    }
}

ResultCode writeFileSet(const std::string& basePath, const std::vector<FileSetPart>& parts) {
    try {
        std::vector<OutputFile> files(parts.size());
        std::vector<ResultCode> results(parts.size(), kOk);
        ResultCode first = kOk;
        for (std::size_t i = 0; i < parts.size(); ++i) {
            if (!parts[i].hasRecords) {
                continue;
            }
            ResultCode result = files[i].create(basePath + parts[i].suffix);
            if (result == kOk) {
                result = parts[i].write ? parts[i].write(files[i]) : kOk;
                result = result == kOk ? files[i].finish() : (files[i].discard(), result);
            }
            if (result == kNoMemory) {
                return kNoMemory; // no file of the set is replaced
            }
            results[i] = result;
            if (first == kOk) {
                first = result;
            }
        }
        // Only now, with every part written, the finished parts replace their files.
        for (std::size_t i = 0; i < parts.size(); ++i) {
            if (parts[i].hasRecords && results[i] == kOk) {
                const ResultCode committed = files[i].commit();
                if (first == kOk) {
                    first = committed;
                }
            }
        }
        return first;
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
}

bool isExistingFolder(const std::string& path) {
    if (path.empty() || path.find('\0') != std::string::npos) {
        return false;
    }
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

} // namespace velmar
