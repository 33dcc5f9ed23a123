#pragma once
// The program's one top-level window: the tab control with its pages, the version text, and the
// window menu whose last entry opens the About box.

#include <QDialog>
#include <QIcon>

#include <memory>

class QMenu;
class QToolButton;

namespace Ui {
class MainTabDialogForm;
}

namespace velmar {

class DialogService;
class PageTabCtrl;

// Window commands of the window menu (the low four bits are free for the system).
inline constexpr unsigned kMinimiseCommand = 0xF020;
inline constexpr unsigned kCloseCommand = 0xF060;

// The application icon, drawn at any size.
QIcon loadAppIcon();

class MainTabDialog : public QDialog {
    Q_OBJECT
  public:
    explicit MainTabDialog(DialogService& dialogs, QWidget* parent = nullptr);
    ~MainTabDialog() override;

    PageTabCtrl* tabCtrl() const;
    // The window menu: "Mi&nimise", "&Close", a separator, "&About Velmar...".
    QMenu* windowMenu() const { return windowMenu_; }
    QToolButton* windowMenuButton() const;
    const QIcon& appIcon() const { return appIcon_; }

    // A command of the window menu: the About box for 16 (whatever the low four bits), the
    // window's own handling otherwise.
    void systemCommand(unsigned command);

  private:
    void onTabSelectionChanged(int index);

    std::unique_ptr<Ui::MainTabDialogForm> form_;
    QIcon appIcon_;
    QMenu* windowMenu_;
};

} // namespace velmar
