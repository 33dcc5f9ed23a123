#include <gtest/gtest.h>

#include <sys/stat.h>

#include "TestSupport.h"
#include "core/TextFile.h"

namespace velmar {
namespace {

std::vector<std::string> linesOf(const std::string& bytes, bool stopAtEndMark = false) {
    test::TempDir dir;
    test::writeBytes(dir.file("in"), bytes);
    FilePtr file = openForReading(dir.file("in"));
    EXPECT_TRUE(file);
    LineReader reader(file.get(), stopAtEndMark);
    std::vector<std::string> lines;
    std::string_view line;
    while (reader.next(&line)) {
        lines.emplace_back(line);
    }
    return lines;
}

using Lines = std::vector<std::string>;

// Line ends, NUL, the end mark and 255-byte pieces inside a file are the byte-at-a-time model's
// (below); here the ends of the input and a line longer than the buffer.
TEST(LineReader, SplitsLikeTheDevicesExpect) {
    EXPECT_EQ(linesOf("a\nb"), (Lines{"a", "b"}));
    EXPECT_EQ(linesOf(""), Lines{});
    EXPECT_EQ(linesOf("\n\n"), (Lines{"", ""}));
    EXPECT_EQ(linesOf("a\rb\r\r\nc\r"), (Lines{"a", "b", "", "c"}));
    EXPECT_EQ(linesOf(std::string(600, 'x') + "\r\nz\r\n"),
              (Lines{std::string(255, 'x'), std::string(255, 'x'), std::string(90, 'x'), "z"}));
    const std::string huge(3 << 20, '$'); // a megabyte line
    EXPECT_EQ(linesOf(huge + "\nend\n").size(), (huge.size() + 254) / 255 + 1);
}

// The lines as a byte-at-a-time reader cuts them: at most 255 bytes a piece, CR LF and a lone
// CR as LF, NUL ending the text, the first 0x1A ending the input when it counts.
Lines modelLines(const std::string& bytes, bool stopAtEndMark) {
    const std::size_t n = stopAtEndMark ? std::min(bytes.size(), bytes.find('\x1A')) : bytes.size();
    Lines lines;
    for (std::size_t i = 0; i < n;) {
        std::string line;
        while (line.size() < LineReader::kMaxPiece && i < n) {
            char c = bytes[i++];
            if (c == '\r') {
                i += i < n && bytes[i] == '\n' ? 1 : 0;
                c = '\n';
            }
            line += c;
            if (c == '\n') {
                break;
            }
        }
        line = line.substr(0, line.find('\0'));
        if (!line.empty() && line.back() == '\n') {
            line.pop_back();
        }
        lines.push_back(line);
    }
    return lines;
}

// Line ends, NUL, the end mark and 255-byte pieces at and around the end of the first buffer
// and the point where the buffer is filled again (a piece and its CR LF from its end).
TEST(LineReader, ReadsAcrossTheBufferAsByteByByte) {
    const std::size_t end = LineReader::kBufferSize;
    const std::string specials[] = {"\n",
                                    "\r\n",
                                    "\r",
                                    "\r\x1A\n",
                                    "a\0b\r\n",
                                    std::string(255, 'x') + "\r\n",
                                    std::string(254, 'x') + "\r\n",
                                    std::string(256, 'x') + "\n"};
    for (const std::size_t at : {end - 258, end - 257, end - 256, end - 255, end - 2, end - 1, end,
                                 end + 1, end + 254, end + 255}) {
        for (const std::string& special : specials) {
            std::string bytes;
            while (bytes.size() + 100 <= at) {
                bytes += std::string(98, 'f') + "\r\n";
            }
            bytes += std::string(at - bytes.size(), 'g') + special + "tail\r\n";
            for (const bool mark : {false, true}) {
                EXPECT_EQ(linesOf(bytes, mark), modelLines(bytes, mark))
                    << "at " << at << ", special " << special.size() << " bytes";
            }
        }
    }
}

TEST(TextFile, OpeningForReadingRefusesFoldersAndMissingFiles) {
    test::TempDir dir;
    EXPECT_FALSE(openForReading(dir.path().string()));
    EXPECT_FALSE(openForReading(dir.file("missing")));
    EXPECT_FALSE(openForReading(""));
    // Only regular files: a pipe nobody writes to or an endless device fails at once.
    ASSERT_EQ(::mkfifo(dir.file("pipe").c_str(), 0600), 0);
    EXPECT_FALSE(openForReading(dir.file("pipe")));
    EXPECT_FALSE(openForReading("/dev/zero"));
    EXPECT_TRUE(isExistingFolder(dir.path().string()));
    test::writeBytes(dir.file("f"), "x");
    EXPECT_FALSE(isExistingFolder(dir.file("f")));
    EXPECT_FALSE(isExistingFolder(dir.file("missing")));
}

TEST(OutputFile, WritesCrLfAndReportsFailures) {
    test::TempDir dir;
    {
        OutputFile file;
        ASSERT_EQ(file.create(dir.file("out")), kOk);
        EXPECT_TRUE(file.writeLine("one"));
        EXPECT_TRUE(file.write("two"));
        EXPECT_EQ(file.close(), kOk);
    }
    EXPECT_EQ(test::readBytes(dir.file("out")), "one\r\ntwo");
    OutputFile folder;
    EXPECT_EQ(folder.create(dir.path().string()), kCannotOpen);
    OutputFile full;
    ASSERT_EQ(full.create("/dev/full"), kOk);
    full.writeLine("lost");
    EXPECT_EQ(full.close(), kWriteFailed);
}

// Every way a write can end early leaves the earlier file byte for byte and no temporary file.
TEST(OutputFile, ReplacesAtomicallyOrNotAtAll) {
    enum class End { Close, FailedWrite, Discard, Destroy, Signal };
    for (const End end : {End::Close, End::FailedWrite, End::Discard, End::Destroy, End::Signal}) {
        test::TempDir dir;
        const std::string target = dir.file("out.hub");
        test::writeBytes(target, "earlier");
        {
            OutputFile file;
            ASSERT_EQ(file.create(target), kOk);
            const std::string line(end == End::FailedWrite ? 100000 : 10, 'x');
            test::FileSizeLimit limit(50000);
            file.writeLine(line);
            if (end == End::Discard) {
                file.discard();
            } else if (end == End::Signal) {
                removeUnfinishedOutputs(); // what the command line's interrupt handler does
            }
            if (end != End::Destroy && end != End::Discard) {
                EXPECT_EQ(file.close(), end == End::Close ? kOk : kWriteFailed);
            }
        }
        EXPECT_EQ(test::readBytes(target), end == End::Close ? "xxxxxxxxxx\r\n" : "earlier");
        EXPECT_EQ(test::folderNames(dir.path().string()), std::vector<std::string>{"out.hub"});
    }
}

TEST(OutputFile, NewFilesGetTheUmaskAndLinksKeepLinking) {
    test::TempDir dir;
    const mode_t previous = ::umask(027);
    OutputFile file;
    ASSERT_EQ(file.create(dir.file("new")), kOk);
    EXPECT_EQ(file.close(), kOk);
    ::umask(previous);
    struct stat info {};
    ASSERT_EQ(::stat(dir.file("new").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    std::filesystem::create_symlink("new", dir.file("link"));
    ASSERT_EQ(file.create(dir.file("link")), kOk);
    file.writeLine("via link");
    EXPECT_EQ(file.close(), kOk);
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("link")));
    EXPECT_EQ(test::readBytes(dir.file("new")), "via link\r\n");
}

TEST(FileSet, WritesEveryKindAndReturnsTheFirstFailure) {
    test::TempDir dir;
    std::filesystem::create_directory(dir.file("set.b")); // ".b" cannot be created
    const auto writer = [](const char* text) {
        return [text](OutputFile& file) { return file.writeLine(text) ? kOk : kWriteFailed; };
    };
    const std::vector<FileSetPart> parts = {
        {".a", false, writer("A")},
        {".b", true, writer("B")},
        {".c", true, [](OutputFile&) { return kWriteFailed; }},
        {".d", true, writer("D")},
    };
    EXPECT_EQ(writeFileSet(dir.file("set"), parts), kCannotOpen);
    EXPECT_FALSE(test::fileExists(dir.file("set.a")));
    EXPECT_FALSE(test::fileExists(dir.file("set.c"))); // a part that failed leaves no file
    EXPECT_EQ(test::readBytes(dir.file("set.d")), "D\r\n");
    EXPECT_EQ(writeFileSet(dir.file("other"), {{".x", false, writer("X")}}), kOk);
    EXPECT_FALSE(test::fileExists(dir.file("other.x")));
    EXPECT_EQ(
        writeFileSet(dir.file("w"), {{".ok", true, writer("1")},
                                     {".bad", true, [](OutputFile&) { return kWriteFailed; }}}),
        kWriteFailed);
    // Running out of memory in any part, or a stop, replaces no file of the set.
    test::writeBytes(dir.file("m.a"), "earlier");
    EXPECT_EQ(writeFileSet(dir.file("m"), {{".a", true, writer("A")},
                                           {".b", true, [](OutputFile&) { return kNoMemory; }}}),
              kNoMemory);
    EXPECT_EQ(writeFileSet(dir.file("m"), {{".a", true, writer("A")},
                                           {".b", true,
                                            [](OutputFile& file) {
                                                removeUnfinishedOutputs();
                                                return file.writeLine("B") ? kOk : kWriteFailed;
                                            }}}),
              kWriteFailed);
    EXPECT_EQ(test::readBytes(dir.file("m.a")), "earlier");
    EXPECT_FALSE(test::fileExists(dir.file("m.b")));
}

} // namespace
} // namespace velmar
