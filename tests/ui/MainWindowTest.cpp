// The main window: caption per tab, only the shown page enabled, the version text, the icon,
// the window menu with its About entry, the self-drawn tabs and the Enter/Escape filter.

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include "UiTestSupport.h"
#include "ui/AboutDialog.h"
#include "ui/AppTexts.h"
#include "ui/ConvertPage.h"
#include "ui/FileDropListBox.h"
#include "ui/KeyFilter.h"
#include "ui/MainTabDialog.h"
#include "ui/MergePage.h"
#include "ui/PageTabCtrl.h"
#include "ui/ToolkitApp.h"

namespace velmar {
namespace {

using test::clickControl;
using test::ScriptedDialogs;

class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        window = std::make_unique<MainTabDialog>(dialogs);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    PageTabCtrl* tabs() const { return window->tabCtrl(); }

    ScriptedDialogs dialogs;
    std::unique_ptr<MainTabDialog> window;
};

TEST_F(MainWindowTest, StartsOnTheConvertTab) {
    EXPECT_EQ(window->windowTitle(), "Velmar ToolKit - Device Database Convert");
    ASSERT_EQ(tabs()->count(), 2);
    EXPECT_EQ(tabs()->tabText(0), "Convert");
    EXPECT_EQ(tabs()->tabText(1), "Merge");
    EXPECT_EQ(tabs()->currentIndex(), 0);
    EXPECT_EQ(tabs()->currentPage(), 0);
    ASSERT_NE(tabs()->convertPage(), nullptr);
    ASSERT_NE(tabs()->mergePage(), nullptr);
    EXPECT_TRUE(tabs()->convertPage()->isVisible());
    EXPECT_TRUE(tabs()->convertPage()->isEnabled());
    EXPECT_FALSE(tabs()->mergePage()->isEnabled());
    EXPECT_EQ(findControl(window.get(), 1000), tabs());
    for (int i = 0; i < tabs()->pageCount(); ++i) {
        EXPECT_EQ(tabs()->page(i)->property("templateId").toInt(),
                  kPageTemplateIds[static_cast<std::size_t>(i)]);
    }
    EXPECT_EQ(window->property("templateId").toInt(), 102);
    auto* version = control<QLabel>(window.get(), 1089);
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(version->text(), "Ver 12.4.17");
    EXPECT_TRUE(window->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);
}

TEST_F(MainWindowTest, SwitchingTabsChangesTheCaptionAndDisablesHiddenPages) {
    struct Step {
        int tab;
        const char* caption;
    };
    for (const Step& step :
         {Step{1, "Velmar ToolKit - Merge"}, Step{0, "Velmar ToolKit - Device Database Convert"},
          Step{1, "Velmar ToolKit - Merge"}}) {
        tabs()->setCurrentIndex(step.tab);
        EXPECT_EQ(window->windowTitle(), step.caption);
        EXPECT_EQ(tabs()->currentPage(), step.tab);
        EXPECT_EQ(tabs()->convertPage()->isEnabled(), step.tab == 0);
        EXPECT_EQ(tabs()->mergePage()->isEnabled(), step.tab == 1);
        EXPECT_EQ(tabs()->convertPage()->isVisible(), step.tab == 0);
        EXPECT_EQ(tabs()->mergePage()->isVisible(), step.tab == 1);
    }
    // A click on a tab does the same.
    const QRect convertTab = tabs()->pageTabBar()->tabRect(0);
    QTest::mouseClick(tabs()->pageTabBar(), Qt::LeftButton, {}, convertTab.center());
    EXPECT_EQ(window->windowTitle(), "Velmar ToolKit - Device Database Convert");
    EXPECT_FALSE(tabs()->mergePage()->isEnabled());
}

TEST_F(MainWindowTest, PagesKeepTheirValuesWhileAnotherTabIsShown) {
    auto* folder = control<QLineEdit>(tabs()->convertPage(), 1104);
    folder->setText(QStringLiteral("/kept/folder"));
    tabs()->convertPage()->fileList()->addEntry(QStringLiteral("/a.hub"));
    tabs()->setCurrentIndex(1);
    tabs()->setCurrentIndex(0);
    EXPECT_EQ(folder->text(), "/kept/folder");
    EXPECT_EQ(tabs()->convertPage()->fileList()->count(), 1);
}

TEST_F(MainWindowTest, EnterAndEscapeDoNothing) {
    auto* folder = control<QLineEdit>(tabs()->convertPage(), 1104);
    folder->setFocus();
    for (const Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
        QTest::keyClick(folder, key);
        QTest::keyClick(window.get(), key);
        QTest::keyClick(control<QPushButton>(tabs()->convertPage(), 1132), key);
    }
    tabs()->setCurrentIndex(1);
    for (const Qt::Key key : {Qt::Key_Escape, Qt::Key_Return}) {
        QTest::keyClick(control<QPushButton>(tabs()->mergePage(), 1087), key);
        QTest::keyClick(tabs()->mergePage()->fileList(), key);
    }
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->result(), 0);
    EXPECT_TRUE(dialogs.calls.empty()); // no button was pressed
    EXPECT_TRUE(KeyFilter::covers(folder));
}

TEST(KeyFilterTest, EnterNeverPressesTheDefaultButtonOfAFilteredWindow) {
    // Without the filter, Enter in the edit box presses the default button and Escape closes.
    for (const bool filtered : {false, true}) {
        QDialog dialog;
        auto* edit = new QLineEdit(&dialog);
        auto* button = new QPushButton(QStringLiteral("Go"), &dialog);
        button->setDefault(true);
        int pressed = 0;
        QObject::connect(button, &QPushButton::clicked, [&] { ++pressed; });
        if (filtered) {
            KeyFilter::install(&dialog);
        }
        dialog.show();
        edit->setFocus();
        // Other keys still reach the window.
        QTest::keyClicks(edit, QStringLiteral("ok"));
        EXPECT_EQ(edit->text(), "ok");
        QTest::keyClick(edit, Qt::Key_Return);
        QTest::keyClick(edit, Qt::Key_Escape);
        EXPECT_EQ(pressed, filtered ? 0 : 1);
        EXPECT_EQ(dialog.isVisible(), filtered);
    }
}

TEST_F(MainWindowTest, WindowMenuEndsWithTheAboutEntry) {
    QMenu* menu = window->windowMenu();
    ASSERT_NE(menu, nullptr);
    const QList<QAction*> actions = menu->actions();
    ASSERT_GE(actions.size(), 2);
    EXPECT_EQ(actions.last()->text(), "&About Velmar...");
    EXPECT_EQ(actions.last()->data().toUInt(), 0x10u);
    EXPECT_TRUE(actions[actions.size() - 2]->isSeparator());
    EXPECT_EQ(window->windowMenuButton()->menu(), menu);
    EXPECT_TRUE(window->windowMenuButton()->isVisible());
}

TEST_F(MainWindowTest, AboutEntryOpensTheAboutBoxWithTheVersion) {
    QString caption;
    QString version;
    bool picture = false;
    for (const unsigned command : {0x10u, 0x1Fu}) { // the low four bits do not matter
        const bool driven = test::driveModal([&] { window->systemCommand(command); },
                                             [&](QWidget* modal) {
                                                 auto* about = qobject_cast<AboutDialog*>(modal);
                                                 if (about == nullptr) {
                                                     return false;
                                                 }
                                                 caption = about->windowTitle();
                                                 version = control<QLabel>(about, 1090)->text();
                                                 const auto labels = about->findChildren<QLabel*>();
                                                 for (const QLabel* label : labels) {
                                                     picture = picture || !label->pixmap().isNull();
                                                 }
                                                 // The About box keeps its keys: Escape closes it.
                                                 EXPECT_FALSE(KeyFilter::covers(about));
                                                 return clickControl(about, 1);
                                             });
        EXPECT_TRUE(driven) << command;
        EXPECT_EQ(caption, "About Velmar");
        EXPECT_EQ(version, "Ver 12.4.17");
        EXPECT_TRUE(picture);
    }
    // Through the menu itself.
    const bool viaMenu =
        test::driveModal([&] { window->windowMenu()->actions().last()->trigger(); },
                         [](QWidget* modal) {
                             auto* about = qobject_cast<AboutDialog*>(modal);
                             if (about == nullptr) {
                                 return false;
                             }
                             QTest::keyClick(about, Qt::Key_Escape);
                             return true;
                         });
    EXPECT_TRUE(viaMenu);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(window->isVisible());
}

TEST_F(MainWindowTest, OtherWindowCommandsAreTheWindowsOwn) {
    window->systemCommand(kCloseCommand);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->result(), QDialog::Rejected);
}

TEST_F(MainWindowTest, IconComesFromTheProgramsPictures) {
    const QIcon& icon = window->appIcon();
    ASSERT_FALSE(icon.isNull());
    const QList<QSize> sizes = icon.availableSizes();
    for (const int size : {16, 32, 48, 256}) {
        EXPECT_TRUE(sizes.contains(QSize(size, size))) << size;
    }
    const QImage image = icon.pixmap(32, 32).toImage();
    EXPECT_EQ(image.size(), QSize(32, 32));
    EXPECT_FALSE(window->windowIcon().isNull());
}

// Pixels of exactly one colour within a rectangle of an image.
QRect boundsOf(const QImage& image, const QRect& area, QRgb colour, int* count) {
    QRect bounds;
    *count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if ((image.pixel(x, y) & 0xFFFFFFu) == (colour & 0xFFFFFFu)) {
                ++*count;
                bounds = bounds.united(QRect(x, y, 1, 1));
            }
        }
    }
    return bounds;
}

TEST_F(MainWindowTest, SelectedTabIsRedWithAGreyShadowAndTheOthersPlain) {
    PageTabBar* bar = tabs()->pageTabBar();
    EXPECT_EQ(bar->tabRect(0).height(), kTabHeight);
    EXPECT_GE(bar->tabRect(0).width(), kTabWidth);
    EXPECT_EQ(bar->tabRect(0).width(), bar->tabRect(1).width()); // fixed width
    EXPECT_TRUE(PageTabBar::labelFont(true).bold());
    EXPECT_FALSE(PageTabBar::labelFont(false).bold());
    EXPECT_EQ(PageTabBar::labelFont(true).pointSize(), 12);

    for (const int selected : {0, 1}) {
        tabs()->setCurrentIndex(selected);
        const QImage image = bar->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QRgb grey = bar->palette().color(QPalette::Disabled, QPalette::WindowText).rgb();
        const QRgb plain = bar->palette().color(QPalette::ButtonText).rgb();
        const int other = 1 - selected;
        int red = 0;
        int shadow = 0;
        const QRect redBox = boundsOf(image, bar->labelRect(selected), qRgb(255, 0, 0), &red);
        const QRect greyBox = boundsOf(image, bar->labelRect(selected), grey, &shadow);
        EXPECT_GT(red, 20) << selected;
        EXPECT_GT(shadow, 5) << selected;
        // The shadow lies 2 pixels right of and below the red text.
        EXPECT_EQ(greyBox.right(), redBox.right() + 2);
        EXPECT_EQ(greyBox.bottom(), redBox.bottom() + 2);
        int otherRed = 0;
        int otherText = 0;
        boundsOf(image, bar->labelRect(other), qRgb(255, 0, 0), &otherRed);
        boundsOf(image, bar->labelRect(other), plain, &otherText);
        EXPECT_EQ(otherRed, 0);
        EXPECT_GT(otherText, 5);
    }
}

TEST(ToolkitAppTest, BuildsOneMainWindowThatEndsTheRun) {
    ScriptedDialogs dialogs;
    ToolkitApp app(&dialogs);
    MainTabDialog* window = app.mainWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(app.mainWindow(), window);
    int result = -1;
    const bool driven = test::driveModal([&] { result = app.run(); },
                                         [&](QWidget* modal) {
                                             if (modal != window) {
                                                 return false;
                                             }
                                             window->systemCommand(kCloseCommand);
                                             return true;
                                         });
    EXPECT_TRUE(driven);
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(QApplication::windowIcon().isNull());
}

TEST(DialogServiceTest, FiltersBecomeQtFilters) {
    struct Case {
        const char* filter;
        const char* qt;
        const char* first;
    };
    const Case cases[] = {
        {"All files (*.*)|*.*||", "All files (*.*)", "*.*"},
        {"All files (*.hub)|*.hub|All files (*.*)|*.*||", "All files (*.hub);;All files (*.*)",
         "*.hub"},
        {"All files (*.xml)|*.xml|All files (*.*)|*.*||", "All files (*.xml);;All files (*.*)",
         "*.xml"},
        {"Series 5|*.wpt;*.rut|Any|*||", "Series 5 (*.wpt *.rut);;Any (*)", "*.wpt"},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(qtFileFilter(QString::fromLatin1(c.filter)), QString::fromLatin1(c.qt));
        const QStringList first = firstFilterPatterns(QString::fromLatin1(c.filter));
        EXPECT_EQ(first.isEmpty() ? QString() : first.front(), QString::fromLatin1(c.first));
    }
}

} // namespace
} // namespace velmar
