// The main window (caption per tab, only the shown page enabled, the window menu's About entry,
// the tabs' label fonts, Enter/Escape filter), the desktop's own dialogs, and `make run`
// (scripts/run) where no window can be shown: one line that says how to go on and a non-zero exit,
// never the toolkit's abort; and the program starts in the user's home folder.

#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <filesystem>

#include "TestSupport.h"
#include "UiTestSupport.h"
#include "ui/AboutDialog.h"
#include "ui/AppTexts.h"
#include "ui/ConvertPage.h"
#include "ui/MainTabDialog.h"
#include "ui/MergePage.h"
#include "ui/PageTabCtrl.h"

namespace velmar {
namespace {

class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    PageTabCtrl* tabs() { return window.tabCtrl(); }

    test::ScriptedDialogs dialogs;
    MainTabDialog window{dialogs};
};

TEST_F(MainWindowTest, EachTabSetsTheCaptionAndTheOnlyEnabledPageAndEnterAndEscapeDoNothing) {
    ASSERT_EQ(tabs()->count(), 4);
    for (int tab = 0; tab < 4; ++tab) {
        EXPECT_EQ(tabs()->tabText(tab), kTabNames[tab]);
    }
    EXPECT_EQ(control<QLabel>(&window, 1089)->text(), "Ver 12.4.17");
    for (const int size : {16, 32, 48, 256}) {
        EXPECT_TRUE(window.appIcon().availableSizes().contains(QSize(size, size))) << size;
    }
    EXPECT_FALSE(window.windowIcon().isNull());
    EXPECT_TRUE(PageTabBar::labelFont(true).bold() && !PageTabBar::labelFont(false).bold());
    EXPECT_EQ(PageTabBar::labelFont(true).pointSize(), 12); // the selected tab's label
    auto* folder = control<QLineEdit>(tabs()->convertPage(), 1104);
    folder->setText(QStringLiteral("/kept/folder"));
    const char* captions[] = {"Velmar ToolKit - Device Database Convert", "Velmar ToolKit - Merge",
                              "Velmar ToolKit - Read Database from device to PC",
                              "Velmar ToolKit - Write Database from PC to device"};
    for (const int tab : {0, 1, 2, 3, 1, -1}) {
        if (tab < 0) { // a click on the tab does the same
            QTest::mouseClick(tabs()->pageTabBar(), Qt::LeftButton, {},
                              tabs()->pageTabBar()->tabRect(0).center());
        } else {
            tabs()->setCurrentIndex(tab);
        }
        const int shown = std::max(tab, 0);
        EXPECT_EQ(window.windowTitle(), captions[shown]);
        EXPECT_EQ(tabs()->currentPage(), shown);
        for (int page = 0; page < 4; ++page) {
            EXPECT_EQ(tabs()->page(page)->isEnabled(), page == shown) << page;
        }
    }
    EXPECT_EQ(folder->text(), "/kept/folder");
    folder->setFocus(); // Enter and Escape do nothing, wherever they are pressed
    for (const Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
        QTest::keyClick(folder, key);
        QTest::keyClick(&window, key);
        QTest::keyClick(control<QPushButton>(tabs()->convertPage(), 1132), key);
    }
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(dialogs.calls.empty()); // no button was pressed
}

TEST_F(MainWindowTest, WindowMenuEndsWithTheAboutEntryThatOpensTheAboutBox) {
    const QList<QAction*> actions = window.windowMenu()->actions();
    ASSERT_GE(actions.size(), 2);
    EXPECT_EQ(actions.last()->text(), "&About Velmar...");
    EXPECT_TRUE(actions[actions.size() - 2]->isSeparator());
    EXPECT_TRUE(window.windowMenuButton()->isVisible());
    QWidget* page = tabs()->convertPage();
    const std::function<void()> opens[] = {
        [&] { window.systemCommand(0x10u); }, [&] { window.systemCommand(0x1Fu); }, // low bits free
        [&] { actions.last()->trigger(); },
        [&] { // F1 anywhere in the window
            QApplication::setActiveWindow(&window);
            QTest::keyClick(control<QLineEdit>(page, 1104), Qt::Key_F1);
        },
        [&] { // a right click on a free spot of a page: the window's context menu
            QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(5, 5),
                                    page->mapToGlobal(QPoint(5, 5)));
            QApplication::sendEvent(page, &click);
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            ASSERT_EQ(menu, window.windowMenu());
            menu->close();
            menu->actions().last()->trigger();
        }};
    for (const auto& open : opens) {
        EXPECT_TRUE(test::driveModal<AboutDialog>(open, [](AboutDialog* about) {
            EXPECT_EQ(about->windowTitle(), "About Velmar");
            const QList<QLabel*> labels = about->findChildren<QLabel*>();
            EXPECT_TRUE(std::any_of(labels.begin(), labels.end(),
                                    [](QLabel* label) { return !label->pixmap().isNull(); }));
            QTest::keyClick(about, Qt::Key_Escape); // the About box keeps its keys
            return true;
        }));
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    }
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(actions.last()->shortcut(), QKeySequence(Qt::Key_F1)); // shown in the menu
}

TEST(QtDialogServiceTest, FileDialogsTakeTheFiltersInQtsForm) {
    // The first patterns go into the name box.
    const char* filters[][2] = {
        {"All files (*.hub)|*.hub|All files (*.*)|*.*||", "All files (*.hub);;All files (*.*)"},
        {"Routes|*.rut;*.s5||", "Routes (*.rut *.s5)"},
        {"", ""}};
    for (const auto& [filter, qt] : filters) {
        EXPECT_EQ(qtFileFilter(filter), qt);
    }
    EXPECT_EQ(firstFilterPatterns(filters[1][0]), (QStringList{"*.rut", "*.s5"}));
}

// scripts/run: without a display one line says how to go on and the exit is 1, never the
// toolkit's abort; the program starts in the home folder.
TEST(RunScriptTest, SaysHowToGoOnWithoutADisplayAndStartsTheProgramInTheHomeFolder) {
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
        const auto r =
            test::runProgram(test::sourcePath("scripts/run"), {test::binaryPath("")},
                             {.unsetEnv = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"},
                              .setEnv = {"DISPLAY=" + display}});
        EXPECT_EQ(r.signal, 0) << r.err;
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.err, line);
    }
    test::TempDir build, home;
    std::filesystem::create_directories(build.path() / "ui");
    test::writeBytes(build.file("ui/velmar-toolkit"), "#!/bin/sh\npwd\n");
    std::filesystem::permissions(build.file("ui/velmar-toolkit"),
                                 std::filesystem::perms::owner_all);
    const auto r = test::runProgram(
        test::sourcePath("scripts/run"), {build.path().string()},
        {.workingFolder = test::sourcePath(""), .setEnv = {"HOME=" + home.path().string()}});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, std::filesystem::canonical(home.path()).string() + "\n");
}

} // namespace
} // namespace velmar
