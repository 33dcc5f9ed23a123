// The desktop's own dialogs behind the dialog service: caption, texts, icons, buttons, filters
// and options reach the real message box and file dialogs.

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "UiTestSupport.h"
#include "ui/DialogService.h"

namespace velmar {
namespace {

TEST(QtDialogServiceTest, ErrorBoxHasTheAppTitleTheTextAndOnlyOk) {
    QtDialogService qtDialogs;
    DialogService& service = qtDialogs;
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    MessageAnswer answer = MessageAnswer::Cancel;
    const bool driven = test::driveModal(
        [&] {
            answer = service.message(nullptr, QStringLiteral("No support Series 66"),
                                     MessageIcon::Error);
        },
        [&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            if (box == nullptr) {
                return false;
            }
            title = box->windowTitle();
            text = box->text();
            icon = box->icon();
            buttons = box->standardButtons();
            box->button(QMessageBox::Ok)->click();
            return true;
        });
    ASSERT_TRUE(driven);
    EXPECT_EQ(title, "Velmar Toolkit");
    EXPECT_EQ(text, "No support Series 66");
    EXPECT_EQ(icon, QMessageBox::Critical);
    EXPECT_EQ(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_EQ(answer, MessageAnswer::Ok);
}

TEST(QtDialogServiceTest, PlainBoxHasNoIconAndQuestionsAnswerNo) {
    QtDialogService qtDialogs;
    DialogService& service = qtDialogs;
    QMessageBox::Icon icon = QMessageBox::Critical;
    ASSERT_TRUE(test::driveModal(
        [&] { service.message(nullptr, QStringLiteral("Merging Completed"), MessageIcon::None); },
        [&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            if (box == nullptr) {
                return false;
            }
            icon = box->icon();
            box->button(QMessageBox::Ok)->click();
            return true;
        }));
    EXPECT_EQ(icon, QMessageBox::NoIcon);
    MessageAnswer answer = MessageAnswer::Yes;
    ASSERT_TRUE(test::driveModal(
        [&] {
            answer = service.message(nullptr, QStringLiteral("Write?"), MessageIcon::Question,
                                     MessageButtons::YesNo);
        },
        [&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            if (box == nullptr || box->button(QMessageBox::No) == nullptr) {
                return false;
            }
            box->button(QMessageBox::No)->click();
            return true;
        }));
    EXPECT_EQ(answer, MessageAnswer::No);
}

TEST(QtDialogServiceTest, OpenDialogTakesTheFilterAndReturnsTheChosenFile) {
    test::TempDir dir;
    test::writeBytes(dir.file("trip.hub"), "x");
    QtDialogService qtDialogs;
    DialogService& service = qtDialogs;
    FileDialogRequest request;
    request.initialName = QStringLiteral("*.hub");
    request.filter = QStringLiteral("All files (*.hub)|*.hub|All files (*.*)|*.*||");
    request.fileMustExist = true;
    QStringList filters;
    QFileDialog::FileMode mode = QFileDialog::AnyFile;
    QString chosen;
    ASSERT_TRUE(
        test::driveModal([&] { chosen = service.openFile(nullptr, request); },
                         [&](QWidget* modal) {
                             auto* dialog = qobject_cast<QFileDialog*>(modal);
                             if (dialog == nullptr) {
                                 return false;
                             }
                             filters = dialog->nameFilters();
                             mode = dialog->fileMode();
                             dialog->setDirectory(QString::fromStdString(dir.path().string()));
                             dialog->selectFile(QStringLiteral("trip.hub"));
                             static_cast<QDialog*>(dialog)->accept(); // QFileDialog hides accept()
                             return true;
                         }));
    EXPECT_EQ(filters, (QStringList{"All files (*.hub)", "All files (*.*)"}));
    EXPECT_EQ(mode, QFileDialog::ExistingFile);
    EXPECT_EQ(chosen.toStdString(), dir.file("trip.hub"));
}

TEST(QtDialogServiceTest, SaveDialogAddsTheExtensionAndCancelGivesNothing) {
    QtDialogService qtDialogs;
    DialogService& service = qtDialogs;
    FileDialogRequest request;
    request.initialName = QStringLiteral("*.xml");
    request.filter = QStringLiteral("All files (*.xml)|*.xml|All files (*.*)|*.*||");
    request.defaultExtension = QStringLiteral("xml");
    request.overwritePrompt = true;
    QString suffix;
    bool confirmsOverwrite = false;
    QFileDialog::AcceptMode acceptMode = QFileDialog::AcceptOpen;
    QString chosen = QStringLiteral("unchanged");
    ASSERT_TRUE(test::driveModal([&] { chosen = service.saveFile(nullptr, request); },
                                 [&](QWidget* modal) {
                                     auto* dialog = qobject_cast<QFileDialog*>(modal);
                                     if (dialog == nullptr) {
                                         return false;
                                     }
                                     suffix = dialog->defaultSuffix();
                                     confirmsOverwrite =
                                         !dialog->testOption(QFileDialog::DontConfirmOverwrite);
                                     acceptMode = dialog->acceptMode();
                                     dialog->reject();
                                     return true;
                                 }));
    EXPECT_EQ(suffix, "xml");
    EXPECT_TRUE(confirmsOverwrite);
    EXPECT_EQ(acceptMode, QFileDialog::AcceptSave);
    EXPECT_EQ(chosen, "");
}

TEST(QtDialogServiceTest, FolderBrowserHasItsTitleAndAStatusLine) {
    test::TempDir dir;
    QtDialogService qtDialogs;
    DialogService& service = qtDialogs;
    QString title;
    bool foldersOnly = false;
    bool hasStatus = false;
    QString chosen;
    ASSERT_TRUE(test::driveModal(
        [&] { chosen = service.browseFolder(nullptr, QStringLiteral("Current folder is:")); },
        [&](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            if (dialog == nullptr) {
                return false;
            }
            title = dialog->windowTitle();
            foldersOnly = dialog->fileMode() == QFileDialog::Directory &&
                          dialog->testOption(QFileDialog::ShowDirsOnly);
            hasStatus = dialog->findChild<QLabel*>(QStringLiteral("folderStatus")) != nullptr;
            dialog->setDirectory(QString::fromStdString(dir.path().string()));
            static_cast<QDialog*>(dialog)->accept(); // QFileDialog hides accept()
            return true;
        }));
    EXPECT_EQ(title, "Current folder is:");
    EXPECT_TRUE(foldersOnly);
    EXPECT_TRUE(hasStatus);
    EXPECT_EQ(chosen.toStdString(), dir.path().string());
}

} // namespace
} // namespace velmar
