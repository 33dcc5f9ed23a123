#include "ui/MainTabDialog.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QToolButton>

#include <algorithm>

#include "ui/AboutDialog.h"
#include "ui/AppTexts.h"
#include "ui/KeyFilter.h"
#include "ui/PageTabCtrl.h"
#include "ui/Pictures.h"
#include "ui_MainTabDialog.h"

namespace velmar {

namespace {

// 484 by 343 dialog units of the window's 8-point font.
constexpr QSize kWindowSize(726, 557);

QAction* addCommand(MainTabDialog* window, QMenu* menu, const QString& text, unsigned command) {
    QAction* action = menu->addAction(text);
    action->setData(command);
    QObject::connect(action, &QAction::triggered, window,
                     [window, command] { window->systemCommand(command); });
    return action;
}

} // namespace

QIcon loadAppIcon() {
    return svgIcon(QString::fromLatin1(kAppIconPicture));
}

MainTabDialog::MainTabDialog(DialogService& dialogs, QWidget* parent)
    : QDialog(parent), form_(std::make_unique<Ui::MainTabDialogForm>()), appIcon_(loadAppIcon()),
      windowMenu_(nullptr) {
    form_->setupUi(this);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    KeyFilter::install(this);

    // The window menu, with the About entry last after a separator.
    windowMenu_ = new QMenu(this);
    addCommand(this, windowMenu_, QStringLiteral("Mi&nimise"), kMinimiseCommand);
    addCommand(this, windowMenu_, QStringLiteral("&Close"), kCloseCommand);
    const QString aboutText = QStringLiteral("&About Velmar...");
    if (!aboutText.isEmpty()) {
        windowMenu_->addSeparator();
        // Where a user looks for it on Linux too: F1 anywhere in the window, and the window's
        // context menu (a right click on any free spot), besides the window-menu button.
        QAction* about = addCommand(this, windowMenu_, aboutText, kAboutCommand);
        about->setShortcut(QKeySequence(Qt::Key_F1));
        about->setShortcutContext(Qt::WindowShortcut);
        addAction(about);
    }
    form_->windowMenuButton->setMenu(windowMenu_);
    form_->windowMenuButton->setIcon(appIcon_);
    form_->windowMenuButton->setIconSize(QSize(16, 16));
    form_->windowMenuButton->setToolTip(QStringLiteral("Window menu: About Velmar (F1)"));
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { windowMenu_->popup(mapToGlobal(at)); });

    setWindowIcon(appIcon_);
    setWindowTitle(QString::fromLatin1(kPageTitles[0]));
    PageTabCtrl* tabs = form_->tabCtrl;
    tabs->initPages(dialogs);
    tabs->setCurrentIndex(0);
    tabs->showSelectedPage();
    connect(tabs, &QTabWidget::currentChanged, this, &MainTabDialog::onTabSelectionChanged);
    form_->versionText->setText(QString::fromLatin1(kVersionText));

    setFixedSize(kWindowSize.expandedTo(minimumSizeHint()));
}

MainTabDialog::~MainTabDialog() = default;

PageTabCtrl* MainTabDialog::tabCtrl() const {
    return form_->tabCtrl;
}

QToolButton* MainTabDialog::windowMenuButton() const {
    return form_->windowMenuButton;
}

void MainTabDialog::systemCommand(unsigned command) {
    if ((command & 0xFFF0u) == kAboutCommand) {
        AboutDialog about(this);
        about.exec();
        return;
    }
    switch (command & 0xFFF0u) {
    case kMinimiseCommand:
        showMinimized();
        break;
    case kCloseCommand:
        reject();
        break;
    default:
        break;
    }
}

void MainTabDialog::onTabSelectionChanged(int index) {
    if (index >= 0 && index < static_cast<int>(kPageTitles.size())) {
        setWindowTitle(QString::fromLatin1(kPageTitles[static_cast<std::size_t>(index)]));
    }
    form_->tabCtrl->showSelectedPage();
}

} // namespace velmar
