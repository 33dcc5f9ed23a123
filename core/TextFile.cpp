#include "core/TextFile.h"

#include <filesystem>
#include <system_error>

namespace velmar {

namespace {
constexpr std::size_t kReadChunk = 1 << 16;
constexpr std::size_t kWriteChunk = 1 << 16;
constexpr int kEndMark = 0x1A;
} // namespace

FilePtr openForReading(const std::string& path) {
    if (path.empty() || path.find('\0') != std::string::npos) {
        return nullptr;
    }
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
        return nullptr; // a folder cannot be read as a file
    }
    return FilePtr(std::fopen(path.c_str(), "rb"));
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
        if (c == '\r' && peek() == '\n') {
            c = get(); // CR LF reads as LF
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
        if (!text.empty() && text.back() == '\r') {
            text.remove_suffix(1);
        }
    }
    *line = text;
    return true;
}

OutputFile::~OutputFile() {
    close();
}

ResultCode OutputFile::create(const std::string& path) {
    close();
    failed_ = false;
    if (path.empty() || path.find('\0') != std::string::npos) {
        return kCannotOpen;
    }
    file_.reset(std::fopen(path.c_str(), "wb"));
    if (!file_) {
        return kCannotOpen;
    }
    buffer_.clear();
    buffer_.reserve(kWriteChunk);
    return kOk;
}

bool OutputFile::flush() {
    if (!file_ || failed_) {
        return false;
    }
    if (!buffer_.empty()) {
        if (std::fwrite(buffer_.data(), 1, buffer_.size(), file_.get()) != buffer_.size()) {
            failed_ = true;
        }
        buffer_.clear();
    }
    return !failed_;
}

bool OutputFile::write(std::string_view bytes) {
    if (!file_ || failed_) {
        return false;
    }
    buffer_.append(bytes);
    if (buffer_.size() >= kWriteChunk) {
        return flush();
    }
    return true;
}

bool OutputFile::writeLine(std::string_view text) {
    if (!file_ || failed_) {
        return false;
    }
    buffer_.append(text);
    buffer_.append("\r\n");
    if (buffer_.size() >= kWriteChunk) {
        return flush();
    }
    return true;
}

ResultCode OutputFile::close() {
    if (!file_) {
        return failed_ ? kWriteFailed : kOk;
    }
    flush();
    if (std::fflush(file_.get()) != 0) {
        failed_ = true;
    }
    if (std::fclose(file_.release()) != 0) {
        failed_ = true;
    }
    return failed_ ? kWriteFailed : kOk;
}

ResultCode writeFileSet(const std::string& basePath, const std::vector<FileSetPart>& parts) {
    ResultCode first = kOk;
    for (const FileSetPart& part : parts) {
        if (!part.hasRecords) {
            continue;
        }
        OutputFile file;
        ResultCode result = file.create(basePath + part.suffix);
        if (result == kOk) {
            result = part.write ? part.write(file) : kOk;
            const ResultCode closed = file.close();
            if (result == kOk) {
                result = closed;
            }
        }
        if (first == kOk) {
            first = result;
        }
    }
    return first;
}

bool isExistingFolder(const std::string& path) {
    if (path.empty() || path.find('\0') != std::string::npos) {
        return false;
    }
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

} // namespace velmar
