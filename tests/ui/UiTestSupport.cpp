#include "UiTestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>

namespace velmar::test {

MessageAnswer ScriptedDialogs::message(QWidget*, const QString& text, MessageIcon icon,
                                       MessageButtons buttons) {
    DialogCall call;
    call.kind = DialogCall::Message;
    call.text = text;
    call.icon = icon;
    call.buttons = buttons;
    calls.push_back(call);
    return buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
}

QString ScriptedDialogs::nextPath() {
    if (pathAnswers.empty()) {
        return {};
    }
    QString answer = pathAnswers.front();
    pathAnswers.pop_front();
    return answer;
}

QString ScriptedDialogs::openFile(QWidget*, const FileDialogRequest& request) {
    DialogCall call;
    call.kind = DialogCall::Open;
    call.request = request;
    calls.push_back(call);
    return nextPath();
}

QString ScriptedDialogs::saveFile(QWidget*, const FileDialogRequest& request) {
    DialogCall call;
    call.kind = DialogCall::Save;
    call.request = request;
    calls.push_back(call);
    return nextPath();
}

QString ScriptedDialogs::browseFolder(QWidget*, const QString& title) {
    DialogCall call;
    call.kind = DialogCall::Folder;
    call.text = title;
    calls.push_back(call);
    return nextPath();
}

std::vector<DialogCall> ScriptedDialogs::messages() const {
    std::vector<DialogCall> list;
    for (const DialogCall& call : calls) {
        if (call.kind == DialogCall::Message) {
            list.push_back(call);
        }
    }
    return list;
}

namespace {

void endAllModals() {
    while (QWidget* modal = QApplication::activeModalWidget()) {
        auto* dialog = qobject_cast<QDialog*>(modal);
        if (dialog == nullptr) {
            modal->close();
            break;
        }
        dialog->done(QDialog::Rejected);
        QApplication::processEvents();
    }
}

} // namespace

bool driveModal(const std::function<void()>& action, const std::function<bool(QWidget*)>& step,
                int timeoutMs) {
    bool finished = false;
    bool timedOut = false;
    QElapsedTimer clock;
    clock.start();
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!finished && step(QApplication::activeModalWidget())) {
            finished = true;
        }
        if (!finished && clock.elapsed() > timeoutMs) {
            timedOut = true;
            poll.stop();
            endAllModals();
        }
        if (finished) {
            poll.stop();
        }
    });
    poll.start();
    action();
    poll.stop();
    return finished && !timedOut;
}

bool runWithoutModal(const std::function<void()>& action) {
    bool opened = false;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (QApplication::activeModalWidget() != nullptr) {
            opened = true;
            endAllModals();
        }
    });
    poll.start();
    action();
    poll.stop();
    return !opened;
}

bool waitFor(const std::function<bool()>& done, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired()) {
            return done();
        }
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

bool clickControl(QWidget* root, int id) {
    auto* button = control<QAbstractButton>(root, id);
    if (button == nullptr) {
        return false;
    }
    button->click();
    return true;
}

} // namespace velmar::test
