#pragma once
// The application object: builds the main window and runs it as a modal dialog; when the window
// ends, the program ends. It takes no arguments and reads no settings.

#include <memory>

namespace velmar {

class DialogService;
class MainTabDialog;
class QtDialogService;

class ToolkitApp {
  public:
    // The dialogs to use; null: the desktop's own.
    explicit ToolkitApp(DialogService* dialogs = nullptr);
    ~ToolkitApp();
    ToolkitApp(const ToolkitApp&) = delete;
    ToolkitApp& operator=(const ToolkitApp&) = delete;

    // Builds the main window (once); the window exists until the application object ends.
    MainTabDialog* mainWindow();
    // Runs the main window modally; the program's exit code.
    int run();

  private:
    std::unique_ptr<QtDialogService> ownDialogs_;
    DialogService* dialogs_;
    std::unique_ptr<MainTabDialog> window_;
};

} // namespace velmar
