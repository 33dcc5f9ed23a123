#include "core/TextFile.h"

#include <algorithm>
#include <atomic>
#include <bit>
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
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace velmar {

namespace {
// Room behind the buffer's end, so the last block of a scan can be read whole.
constexpr std::size_t kScanSlack = 16;
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
    : file_(file), stopAtEndMark_(stopAtEndMark), buffer_(kBufferSize + kScanSlack) {}

// Keeps the bytes not yet handed out and reads more after them. A line that runs past the
// buffer's end is the only thing moved: at most a piece and its line end.
bool LineReader::fill() {
    if (ended_ || file_ == nullptr) {
        ended_ = true;
        return false;
    }
    const std::size_t kept = size_ - position_;
    std::memmove(buffer_.data(), buffer_.data() + position_, kept);
    position_ = 0;
    size_ = kept;
    while (size_ < kBufferSize) {
        const std::size_t count = std::fread(buffer_.data() + size_, 1, kBufferSize - size_, file_);
        if (count == 0) {
            ended_ = true;
            break;
        }
        size_ += count;
    }
    return size_ > kept;
}

// The index of the first byte of p[0, n) that is a line end, a NUL or (when it counts) the end
// mark; n when there is none. Sixteen bytes at a time where the processor can: the buffer has
// room behind its end for the last block to be read whole.
std::size_t LineReader::findSpecial(const char* p, std::size_t n) const {
    std::size_t i = 0;
#if defined(__SSE2__)
    // Every special byte is at most 0x1A: one unsigned comparison finds the candidates, and only
    // they (a tab, mostly) are looked at one by one.
    const __m128i highest = _mm_set1_epi8(static_cast<char>(kEndMark));
    for (; i < n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        auto candidates =
            static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_min_epu8(v, highest), v)));
        for (; candidates != 0; candidates &= candidates - 1) {
            const std::size_t at = i + static_cast<std::size_t>(std::countr_zero(candidates));
            if (at >= n) {
                return n;
            }
            if (isSpecial(p[at])) {
                return at;
            }
        }
    }
    return n;
#else
    for (; i < n; ++i) {
        if (isSpecial(p[i])) {
            return i;
        }
    }
    return n;
#endif
}

bool LineReader::next(std::string_view* line) {
    // A piece, its CR and its LF must all be in the buffer to be told apart.
    if (size_ - position_ <= kMaxPiece + 1 && !ended_) {
        fill();
    }
    const char* const start = buffer_.data() + position_;
    const std::size_t available = size_ - position_;
    const std::size_t limit = std::min(available, kMaxPiece);
    std::size_t nul = limit;
    std::size_t end = 0;
    for (;;) {
        end += findSpecial(start + end, limit - end);
        if (end == limit || start[end] != '\0') {
            break;
        }
        nul = std::min(nul, end); // a NUL ends the text, not the line
        ++end;
    }
    std::size_t consumed = end;
    if (end < limit) {
        const char c = start[end];
        if (c == '\n') {
            consumed = end + 1;
        } else if (c == '\r') {
            consumed = end + 1; // a lone CR ends the line as LF does, CR LF is one line end
            if (consumed < available && start[consumed] == '\n') {
                ++consumed;
            } else if (consumed < available && stopAtEndMark_ && start[consumed] == kEndMark) {
                size_ = position_ + consumed; // the end mark right after the line end
                ended_ = true;
            }
        } else { // the end mark: nothing after it is read
            size_ = position_ + end;
            ended_ = true;
        }
    }
    if (consumed == 0) {
        return false; // the end of the input (a full piece always consumes its bytes)
    }
    position_ += consumed;
    *line = std::string_view(start, std::min(end, nul));
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
            // Remembered before it is made, so that an interrupt coming just after the open
            // still finds it and removes it; one coming before finds nothing of that name.
            slot_ = rememberPending(temporary_);
            // A new name, never an existing file or link; 0666 lets the umask (and a folder's
            // default permissions) give it the permissions of any new file.
            fd_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY,
                         0666);
            if (fd_ < 0) {
                forgetPending(slot_);
                slot_ = -1;
                if (errno != EEXIST) {
                    break;
                }
            }
        }
        if (fd_ < 0) {
            temporary_.clear();
            return kCannotOpen;
        }
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

bool OutputFile::endLine() {
    if (fd_ < 0 || failed_) {
        buffer_.clear();
        return false;
    }
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
