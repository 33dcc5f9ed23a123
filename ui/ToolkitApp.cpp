#include "ui/ToolkitApp.h"

#include <QApplication>

#include "ui/AppTexts.h"
#include "ui/DialogService.h"
#include "ui/MainTabDialog.h"

namespace velmar {

ToolkitApp::ToolkitApp(DialogService* dialogs)
    : ownDialogs_(dialogs == nullptr ? std::make_unique<QtDialogService>() : nullptr),
      dialogs_(dialogs == nullptr ? ownDialogs_.get() : dialogs) {}

ToolkitApp::~ToolkitApp() = default;

MainTabDialog* ToolkitApp::mainWindow() {
    if (window_ == nullptr) {
        QApplication::setApplicationName(QString::fromLatin1(kAppTitle));
        QApplication::setWindowIcon(loadAppIcon());
        // The installed desktop entry, whose icon and name the desktop shows for the window.
        QApplication::setDesktopFileName(QStringLiteral("velmar-toolkit"));
        window_ = std::make_unique<MainTabDialog>(*dialogs_);
    }
    return window_.get();
}

int ToolkitApp::run() {
    mainWindow()->exec();
    return 0;
}

} // namespace velmar
