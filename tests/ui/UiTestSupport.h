#pragma once
// Helpers of the desktop program's tests: a dialog service that answers from a script and
// records every question, and a driver for modal windows with a watchdog.

#include <QString>
#include <QWidget>

#include <deque>
#include <functional>
#include <vector>

#include "ui/ControlIds.h"
#include "ui/DialogService.h"

namespace velmar::test {

struct DialogCall {
    enum Kind { Message, Open, Save, Folder } kind = Message;
    QString text; // message text or folder browser title
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
    FileDialogRequest request;
};

class ScriptedDialogs : public DialogService {
  public:
    // Answers of the file dialogs and the folder browser, in order; an empty text cancels.
    // A dialog without a scripted answer is cancelled.
    std::deque<QString> pathAnswers;
    std::vector<DialogCall> calls;

    MessageAnswer message(QWidget* parent, const QString& text, MessageIcon icon,
                          MessageButtons buttons) override;
    QString openFile(QWidget* parent, const FileDialogRequest& request) override;
    QString saveFile(QWidget* parent, const FileDialogRequest& request) override;
    QString browseFolder(QWidget* parent, const QString& title) override;

    std::vector<DialogCall> messages() const;

  private:
    QString nextPath();
};

// Runs `action`, which opens a modal window and blocks until it ends. Every few milliseconds
// `step` gets the active modal widget (possibly null) and returns true once it has finished its
// work. If the modal window is still open `timeoutMs` after the start, every modal window is
// ended and the result is false. Also false when `step` never returned true.
bool driveModal(const std::function<void()>& action, const std::function<bool(QWidget*)>& step,
                int timeoutMs = 20000);

// Runs `action` that must not open any modal window; true when none opened (one that opens is
// ended at once so the test goes on).
bool runWithoutModal(const std::function<void()>& action);

// Processes events until `done` holds or the time is up; the last value of `done`.
bool waitFor(const std::function<bool()>& done, int timeoutMs = 10000);

// Clicks the button with that control id below `root`; false if there is none.
bool clickControl(QWidget* root, int id);

} // namespace velmar::test
