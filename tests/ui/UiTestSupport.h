#pragma once
// Helpers of the desktop program's tests: a dialog service that answers from a script and
// records every question, and a driver for modal windows with a watchdog.

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>

#include <functional>
#include <ostream>
#include <tuple>
#include <vector>

#include "ui/ControlIds.h"
#include "ui/DialogService.h"

// Failures show texts as text.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

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
    QStringList pathAnswers; // of the file and folder dialogs in order; none or "" cancels
    std::vector<MessageAnswer> yesNoAnswers;   // of the Yes/No questions in order; none: Yes
    std::vector<MessageAnswer> detailsAnswers; // of the OK/Details... boxes in order; none: Ok
    std::function<void()> whileAsking;         // runs while a Yes/No question is up
    std::vector<DialogCall> calls;

    MessageAnswer message(QWidget*, const QString& text, MessageIcon icon,
                          MessageButtons buttons) override {
        calls.push_back({DialogCall::Message, text, icon, buttons, {}});
        if (buttons == MessageButtons::OkDetails && !detailsAnswers.empty()) {
            const MessageAnswer answer = detailsAnswers.front();
            detailsAnswers.erase(detailsAnswers.begin());
            return answer;
        }
        if (buttons != MessageButtons::YesNo) {
            return MessageAnswer::Ok;
        }
        if (whileAsking) {
            whileAsking();
        }
        if (yesNoAnswers.empty()) {
            return MessageAnswer::Yes;
        }
        const MessageAnswer answer = yesNoAnswers.front();
        yesNoAnswers.erase(yesNoAnswers.begin());
        return answer;
    }
    QString openFile(QWidget*, const FileDialogRequest& request) override {
        return answer({DialogCall::Open, {}, {}, {}, request});
    }
    QString saveFile(QWidget*, const FileDialogRequest& request) override {
        return answer({DialogCall::Save, {}, {}, {}, request});
    }
    QString browseFolder(QWidget*, const QString& title) override {
        return answer({DialogCall::Folder, title, {}, {}, {}});
    }

  private:
    QString answer(const DialogCall& call) {
        calls.push_back(call);
        return pathAnswers.isEmpty() ? QString() : pathAnswers.takeFirst();
    }
};

// A file dialog request's fields, to compare and print in one go.
inline auto fields(const FileDialogRequest& r) {
    return std::tuple(r.initialName.toStdString(), r.filter.toStdString(),
                      r.defaultExtension.toStdString(), r.fileMustExist, r.hideReadOnly,
                      r.overwritePrompt);
}

inline void endAllModals() {
    for (int i = 0; i < 8; ++i) {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            dialog->done(QDialog::Rejected);
            QApplication::processEvents();
        }
    }
}

// Runs `action`, which opens a modal window and blocks until it ends. Every 5 ms `step` gets the
// active modal widget if it is a T, until it returns true: then the result is true. A modal
// window still open `timeoutMs` after the start is ended and the result is false.
template <typename T = QWidget, typename Step>
bool driveModal(const std::function<void()>& action, Step step, int timeoutMs = 20000) {
    bool finished = false;
    QElapsedTimer clock;
    clock.start();
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        T* modal = qobject_cast<T*>(QApplication::activeModalWidget());
        finished = modal != nullptr && step(modal);
        if (finished || clock.elapsed() > timeoutMs) {
            poll.stop();
            if (!finished) {
                endAllModals();
            }
        }
    });
    poll.start(5);
    action();
    poll.stop();
    return finished;
}

// Runs `action` that must open no modal window; false (and the window ended) if one opens.
inline bool runWithoutModal(const std::function<void()>& action) {
    return !driveModal(action, [](QWidget*) { return endAllModals(), true; });
}

// Clicks the button with that control id below `root`; false if there is none.
inline bool clickControl(QWidget* root, int id) {
    auto* button = control<QAbstractButton>(root, id);
    return button != nullptr && (button->click(), true);
}

} // namespace velmar::test
