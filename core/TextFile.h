#pragma once
// Files as bytes: the one line reader of every line-oriented format, the one buffered output
// file of every writer, and the one loop that writes a set of companion files. Every output
// replaces its file atomically: the bytes go to a new temporary file in the same folder, which
// is renamed over the target only once it was written, flushed, synced and closed without error.

#include <cstdio>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "core/ResultCode.h"

namespace velmar {

struct FileCloser {
    void operator()(std::FILE* file) const {
        if (file != nullptr) {
            std::fclose(file);
        }
    }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Opens an existing regular file for reading; null when it cannot be opened or is not a regular
// file (a folder, a pipe, a device or a socket is refused at once, never waited on).
FilePtr openForReading(const char* path);
inline FilePtr openForReading(const std::string& path) {
    return path.find('\0') == std::string::npos ? openForReading(path.c_str()) : nullptr;
}

// The frame of every file reader: 2 when the file cannot be opened, else what `read` returns
// for the open file (closed again before this returns), or 3 when memory runs out in `read`.
template <typename Read> ResultCode readOpenedFile(const char* path, Read read) {
    const FilePtr file = openForReading(path);
    if (!file) {
        return kCannotOpen;
    }
    try {
        return read(file.get());
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
}

// Reads a file as lines the way every reader of the formats expects: LF, CR LF and a lone CR
// each end a line, a line longer than 255 bytes comes in pieces of at most 255 bytes, a NUL byte
// ends the text of its line, and the line end is removed. With `stopAtEndMark` the byte 0x1A
// ends the input.
//
// The lines are views into one large buffer: each is found by a single scan for the bytes that
// matter (line ends, NUL, the end mark), and only the few bytes of a line that runs past the
// buffer's end are moved before the buffer is filled again.
class LineReader {
  public:
    static constexpr std::size_t kMaxPiece = 255;
    static constexpr std::size_t kBufferSize = 1 << 17;

    explicit LineReader(std::FILE* file, bool stopAtEndMark = false);
    // The next line (valid until the next call); false at the end of the input.
    bool next(std::string_view* line);

  private:
    bool fill();
    std::size_t findSpecial(const char* p, std::size_t n) const;
    bool isSpecial(char c) const {
        return c == '\n' || c == '\r' || c == '\0' || (stopAtEndMark_ && c == '\x1A');
    }

    std::FILE* file_;
    bool stopAtEndMark_;
    bool ended_ = false; // nothing more to read from the file
    std::vector<char> buffer_;
    std::size_t position_ = 0;
    std::size_t size_ = 0;
};

// A file created or replaced for writing; lines end with CR LF on every platform. Failures are
// sticky: after the first one every write returns false and close() reports 1.
//
// The bytes go to a temporary file created exclusively beside the target (with the permissions
// a new file gets), and close() renames it over the target only when everything was written,
// flushed and synced. Whatever ends the writing early (a failed write, discard(), destruction
// without close(), or removeUnfinishedOutputs() from a signal handler) leaves the earlier file
// as it was and no temporary file behind. A target that is a link is replaced where it points;
// one that is a device or a pipe (/dev/null) is written directly.
class OutputFile {
  public:
    OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile(); // discards what was not closed

    // 2 when the file cannot be created (also when the target is a folder or is not writable),
    // 3 when memory runs out.
    ResultCode create(std::string_view path);
    bool isOpen() const { return fd_ >= 0; }
    bool write(std::string_view bytes);
    bool writeLine(std::string_view text); // text + CR LF
    // Building a line in place: append its bytes to buffer(), then endLine() adds CR LF and
    // writes out what is buffered once it is large. False once a write failed (the bytes
    // appended since are dropped).
    std::string& buffer() { return buffer_; }
    bool endLine();
    bool failed() const { return failed_; }
    // Flushes, syncs and closes the temporary file without replacing the target yet: 0, or 1
    // when any write, the flush or the sync failed (the temporary file is then removed).
    ResultCode finish();
    // Renames a finished file over its target: 0, or 1 (the temporary file is then removed).
    ResultCode commit();
    // finish() and commit(): 0, or 1 with the earlier file left as it was.
    ResultCode close();
    // Drops what was written: the earlier file stays as it was.
    void discard();

  private:
    bool flush();
    void release();

    int fd_ = -1;
    bool direct_ = false;   // a device or pipe written in place
    bool finished_ = false; // finish() succeeded, commit() pending
    int slot_ = -1;         // the entry of the temporary file in the unfinished-output list
    std::string target_;
    std::string temporary_;
    std::string buffer_;
    bool failed_ = false;
};

// Removes the temporary file of every output still being written, so that a process ended by a
// signal leaves no trace of its unfinished outputs. Safe to call from a signal handler.
void removeUnfinishedOutputs();

// One file of a companion set: written when `hasRecords`, named base path + suffix.
struct FileSetPart {
    std::string suffix;
    bool hasRecords = false;
    std::function<ResultCode(OutputFile&)> write; // 0, or 1 when a line cannot be written
};

// Writes every part that has records, in order, whatever happened to the parts before it, each
// to its temporary file; then replaces the target of every part that was written whole. When
// memory runs out in any part, no file of the set is replaced. Returns the first failure of the
// set (2 cannot create, 1 cannot write, 3 out of memory), else 0 (also when no part had records).
ResultCode writeFileSet(const std::string& basePath, const std::vector<FileSetPart>& parts);

// True when the path names an existing directory.
bool isExistingFolder(const std::string& path);

} // namespace velmar
