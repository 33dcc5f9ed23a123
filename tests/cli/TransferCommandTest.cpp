#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CliRunner.h"
#include "PtyDevice.h"
#include "TestSupport.h"
#include "serial/TransferJob.h"

namespace velmar {
namespace {

using namespace std::chrono_literals;

TEST(TransferCommands, BadArgumentsAndTheButtonsChecksExitTwoWithTheirTexts) {
    const struct {
        std::vector<std::string> args;
        std::string err; // the start of stderr
    } cases[] = {
        {{"read", "--device", "s41", "--port", "COM1", "--out", "  "},
         "No file for save output data.\nPress the <Browse> button to choose file\n"},
        {{"read", "--device", "s77", "--port", "COM1", "--out", "a"},
         "No support Series 66/77/HUB\n"},
        {{"write", "--device", "s5", "--port", "COM1"},
         "No files for write to device.\nPress the <Add file> button to add a file to list\n"},
        {{"read", "--device", "s6", "--port", "COM1", "--out", "a", "--parity", "Even"},
         "velmar read: --parity Even is not allowed (allowed: even, odd, none, mark, space)"},
        {{"read", "--device", "s9", "--port", "COM1", "--out", "a"},
         "velmar read: unknown device 's9' (allowed: s41, s5, s6)"},
        {{"write", "--device", "s6", "--port", "COM1", "--yes", "--no", "f"},
         "velmar write: --yes excludes --no"},
        {{"write", "--port", "COM1", "f"}, "velmar write: --device is required"},
    };
    for (const auto& c : cases) {
        const test::CliResult result = test::runVelmar(c.args);
        EXPECT_EQ(result.exitCode, 2) << c.args[0] << " " << c.err;
        EXPECT_EQ(result.err.substr(0, c.err.size()), c.err);
        EXPECT_EQ(result.out, "");
    }
}

TEST(TransferCommands, APortThatCannotBeOpenedSaysWhyAndExitsOne) {
    const test::CliResult result =
        test::runVelmar({"write", "--device", "s6", "--port", "/dev/velmar-missing", "/dev/null"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out.rfind("Err : Unable to open COM-port\nNo serial device is connected as "
                               "/dev/velmar-missing",
                               0),
              0u)
        << result.out;
}

TEST(TransferCommands, ReadSavesWhatThePlotterSendsAndCtrlCTellsItToStop) {
    for (const bool interrupt : {false, true}) {
        test::PtyDevice device;
        test::TempDir dir;
        test::VelmarProcess velmar(
            {"read", "--device", "s5", "--port", device.path(), "--out", dir.file("db.s5")});
        ASSERT_TRUE(device.expect(kSeries5Start));
        if (interrupt) {
            velmar.interrupt();
            EXPECT_TRUE(device.expect(kSeries5Stop));
        } else {
            ASSERT_TRUE(device.send("W1,a\r\n"));
            ASSERT_TRUE(device.expect(kSeries5Next));
            ASSERT_TRUE(device.send(kSeries5EndLine));
        }
        const test::CliResult result = velmar.wait();
        EXPECT_EQ(result.exitCode, interrupt ? 130 : 0) << result.err;
        EXPECT_EQ(result.out, interrupt ? "" : "Reading Completed\n");
        EXPECT_EQ(test::readBytes(dir.file("db.s5")), interrupt ? "" : "W1,a\r\nENDDATA\r\n");
    }
}

TEST(TransferCommands, WriteSendsTheFilesAnswersBetweenThemAndCtrlCCancels) {
    const struct {
        const char* flag; // --yes, --no, none, or Ctrl-C at the Series 41 prompt
        std::string wire;
        int exitCode;
        std::string err;
    } cases[] = {
        {"--yes",
         "A\n\x1A"
         "B\n\x1A",
         0, ""},
        {"--no", "A\n\x1A", 0, ""},
        {"", "A\n\x1A", 0, "velmar write: not writing "},
        {"ctrl-c", "", 130, ""},
    };
    for (const auto& c : cases) {
        test::PtyDevice device;
        test::TempDir dir;
        test::writeBytes(dir.file("a"), "A\n");
        test::writeBytes(dir.file("b"), "B\n");
        const bool ctrlC = std::string(c.flag) == "ctrl-c";
        std::vector<std::string> args{"write", "--device", ctrlC ? "s41" : "s6", "--port",
                                      device.path()};
        if (c.flag[0] == '-') {
            args.push_back(c.flag);
        }
        args.insert(args.end(), {dir.file("a"), dir.file("b")});
        test::VelmarProcess velmar(args);
        if (ctrlC) {
            for (int i = 0; i < 5000 && device.lineSpeed() != 4800; ++i) {
                std::this_thread::sleep_for(2ms); // until the port is open
            }
            velmar.interrupt(); // while the job waits for the prompt
        }
        const test::CliResult result = velmar.wait();
        EXPECT_EQ(result.exitCode, c.exitCode) << c.flag << result.err;
        EXPECT_EQ(device.receiveAvailable(200ms), c.wire) << c.flag;
        EXPECT_EQ(result.err.substr(0, c.err.size()), c.err);
        if (!ctrlC) {
            EXPECT_EQ(result.out.substr(0, 5 + dir.file("a").size() + 1),
                      "OK : " + dir.file("a") + "\n");
        }
    }
}

} // namespace
} // namespace velmar
