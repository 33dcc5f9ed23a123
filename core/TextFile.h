#pragma once
// Files as bytes: the one line reader of every line-oriented format, the one buffered output
// file of every writer, and the one loop that writes a set of companion files.

#include <cstdio>
#include <functional>
#include <memory>
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

// Opens an existing regular file for reading; null when it cannot be opened or is a directory.
FilePtr openForReading(const std::string& path);

// Reads a file as lines the way every reader of the formats expects: CR LF counts as LF, a line
// longer than 255 bytes comes in pieces of at most 255 bytes, a NUL byte ends the text of its
// line, and the line end is removed. With `stopAtEndMark` the byte 0x1A ends the input.
class LineReader {
  public:
    static constexpr std::size_t kMaxPiece = 255;

    explicit LineReader(std::FILE* file, bool stopAtEndMark = false);
    // The next line (valid until the next call); false at the end of the input.
    bool next(std::string_view* line);

  private:
    int get();
    int peek();
    bool fill();

    std::FILE* file_;
    bool stopAtEndMark_;
    bool ended_ = false;
    std::vector<char> buffer_;
    std::size_t position_ = 0;
    std::size_t size_ = 0;
    std::string line_;
};

// A file created or replaced for writing; lines end with CR LF on every platform. Failures are
// sticky: after the first one every write returns false and close() reports 1.
class OutputFile {
  public:
    OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();

    // 2 when the file cannot be created.
    ResultCode create(const std::string& path);
    bool isOpen() const { return file_ != nullptr; }
    bool write(std::string_view bytes);
    bool writeLine(std::string_view text); // text + CR LF
    bool failed() const { return failed_; }
    // Flushes and closes: 0, or 1 when any write (or the flush) failed.
    ResultCode close();

  private:
    bool flush();

    FilePtr file_;
    std::string buffer_;
    bool failed_ = false;
};

// One file of a companion set: written when `hasRecords`, named base path + suffix.
struct FileSetPart {
    std::string suffix;
    bool hasRecords = false;
    std::function<ResultCode(OutputFile&)> write; // 0, or 1 when a line cannot be written
};

// Writes every part that has records, in order, whatever happened to the parts before it.
// Returns the first failure of the set (2 cannot create, 1 cannot write), else 0 (also when no
// part had records).
ResultCode writeFileSet(const std::string& basePath, const std::vector<FileSetPart>& parts);

// True when the path names an existing directory.
bool isExistingFolder(const std::string& path);

} // namespace velmar
