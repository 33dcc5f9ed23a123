// `make run` (scripts/run) where no window can be shown: one line that says how to go on and a
// non-zero exit, never the toolkit's abort; and the program starts in the user's home folder.

#include <gtest/gtest.h>

#include <filesystem>

#include "CliRunner.h"
#include "TestSupport.h"

namespace velmar {
namespace {

TEST(RunScriptTest, WithoutADisplayItSaysHowToGoOnAndExitsNonZero) {
    const std::string howOn = "; start it on a virtual display with 'xvfb-run -a make run', or "
                              "use the command line: " +
                              std::filesystem::canonical(test::binaryPath("cli/velmar")).string() +
                              " --help\n";
    const std::pair<std::string, std::string> cases[] = {
        // DISPLAY, the whole of stderr
        {"", "velmar-toolkit: no display to show the window on (DISPLAY and WAYLAND_DISPLAY are "
             "not set)" +
                 howOn},
        {":987", "qt.qpa.xcb: could not connect to display :987\n" // no such server
                 "velmar-toolkit: cannot open the display :987" +
                     howOn},
    };
    for (const auto& [display, line] : cases) {
        const auto r = test::runProgram(
            test::sourcePath("scripts/run"), {test::binaryPath("")},
            {"", -1, {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}, {"DISPLAY=" + display}});
        EXPECT_EQ(r.signal, 0) << r.err; // not the toolkit's abort
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.err, line);
    }
}

TEST(RunScriptTest, TheProgramStartsInTheHomeFolder) {
    test::TempDir build;
    test::TempDir home;
    std::filesystem::create_directories(build.path() / "ui");
    const std::string program = build.file("ui/velmar-toolkit");
    test::writeBytes(program, "#!/bin/sh\npwd\n");
    std::filesystem::permissions(program, std::filesystem::perms::owner_all);
    const auto r =
        test::runProgram(test::sourcePath("scripts/run"), {build.path().string()},
                         {test::sourcePath(""), -1, {}, {"HOME=" + home.path().string()}});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, std::filesystem::canonical(home.path()).string() + "\n");
}

} // namespace
} // namespace velmar
