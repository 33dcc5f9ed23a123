#include <gtest/gtest.h>

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

TEST(LineReader, SplitsLikeTheDevicesExpect) {
    EXPECT_EQ(linesOf("a\r\nb\r\n"), (Lines{"a", "b"}));
    EXPECT_EQ(linesOf("a\nb\n"), (Lines{"a", "b"}));
    EXPECT_EQ(linesOf("a\nb"), (Lines{"a", "b"}));
    EXPECT_EQ(linesOf(""), Lines{});
    EXPECT_EQ(linesOf("\n\n"), (Lines{"", ""}));
    EXPECT_EQ(linesOf("a\rb\n"), (Lines{"a\rb"})); // a lone CR is an ordinary byte
    EXPECT_EQ(linesOf(std::string("ab\0cd\nef\n", 9)), (Lines{"ab", "ef"}));
    EXPECT_EQ(linesOf("ab\x1A"
                      "cd\n",
                      true),
              (Lines{"ab"}));
    EXPECT_EQ(linesOf("ab\x1A"
                      "cd\n",
                      false),
              (Lines{"ab\x1A"
                     "cd"}));
}

TEST(LineReader, LongLinesComeInPiecesOf255) {
    const std::string longLine(600, 'x');
    EXPECT_EQ(linesOf(longLine + "\r\nz\r\n"),
              (Lines{std::string(255, 'x'), std::string(255, 'x'), std::string(90, 'x'), "z"}));
    // A CR LF file and an LF file read alike even when the line end falls on a piece boundary.
    const std::string line254(254, 'y');
    EXPECT_EQ(linesOf(line254 + "\r\nz\r\n"), linesOf(line254 + "\nz\n"));
    EXPECT_EQ(linesOf(std::string(255, 'y') + "\r\nz\r\n"),
              (Lines{std::string(255, 'y'), "", "z"}));
}

TEST(LineReader, SurvivesMegabyteLines) {
    const std::string huge(3 << 20, '$');
    const Lines lines = linesOf(huge + "\nend\n");
    ASSERT_EQ(lines.size(), (huge.size() + 254) / 255 + 1);
    EXPECT_EQ(lines.back(), "end");
}

TEST(TextFile, OpeningForReadingRefusesFoldersAndMissingFiles) {
    test::TempDir dir;
    EXPECT_FALSE(openForReading(dir.path().string()));
    EXPECT_FALSE(openForReading(dir.file("missing")));
    EXPECT_FALSE(openForReading(""));
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
    EXPECT_TRUE(test::fileExists(dir.file("set.c")));
    EXPECT_EQ(test::readBytes(dir.file("set.d")), "D\r\n");
    EXPECT_EQ(writeFileSet(dir.file("other"), {{".x", false, writer("X")}}), kOk);
    EXPECT_FALSE(test::fileExists(dir.file("other.x")));
    EXPECT_EQ(
        writeFileSet(dir.file("w"), {{".ok", true, writer("1")},
                                     {".bad", true, [](OutputFile&) { return kWriteFailed; }}}),
        kWriteFailed);
}

} // namespace
} // namespace velmar
