#include "ui/ProgressDialog.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>

#include <algorithm>
#include <string>

#include "core/ConversionJob.h"
#include "serial/DeviceReadJob.h"
#include "serial/DeviceWriteJob.h"
#include "ui/ControlIds.h"
#include "ui/DialogService.h"
#include "ui/FileDropList.h"
#include "ui/FindingsDialog.h"
#include "ui/KeyFilter.h"
#include "ui_ProgressDialog.h"

namespace velmar {

ProgressDialog::ProgressDialog(ConversionJob* job, QWidget* parent, DialogService* dialogs)
    : QDialog(parent), form_(std::make_unique<Ui::ProgressDialogForm>()), job_(job),
      dialogs_(dialogs), details_(new QPushButton(QString::fromLatin1(kDetailsCaption), this)) {
    form_->setupUi(this);
    // Beside the window's own button, shown once a job that changed records has completed.
    details_->setAutoDefault(false);
    details_->hide();
    form_->buttonRow->insertWidget(form_->buttonRow->indexOf(form_->actionButton) + 1, details_);
    connect(details_, &QPushButton::clicked, this, &ProgressDialog::showDetails);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setModal(true);
    // Long result lines scroll sideways; the window can also be made wider.
    setSizeGripEnabled(true);
    KeyFilter::install(this);
    connect(form_->actionButton, &QPushButton::clicked, this, &ProgressDialog::onButton);
    form_->counterLabel->hide();
}

ProgressDialog::ProgressDialog(DeviceReadJob* job, QWidget* parent)
    : ProgressDialog(static_cast<ConversionJob*>(nullptr), parent) {
    readJob_ = job;
    transfer_ = job;
    setUpTransfer(kReadingCaption, 141, 1074, 1092, 1072, kReceivedFormat);
}

ProgressDialog::ProgressDialog(DeviceWriteJob* job, QWidget* parent, DialogService* dialogs)
    : ProgressDialog(static_cast<ConversionJob*>(nullptr), parent) {
    writeJob_ = job;
    transfer_ = job;
    dialogs_ = dialogs;
    setUpTransfer(kWritingCaption, 142, 1076, 1093, 1075, kSendedFormat);
}

void ProgressDialog::setUpTransfer(const char* caption, int templateId, int editId, int counterId,
                                   int buttonId, const char* counterFormat) {
    setWindowTitle(QString::fromLatin1(caption));
    setProperty("templateId", templateId);
    form_->resultLabel->setText(QStringLiteral("Result"));
    form_->resultEdit->setProperty(kControlIdProperty, editId);
    form_->counterLabel->setProperty(kControlIdProperty, counterId);
    form_->actionButton->setProperty(kControlIdProperty, buttonId);
    counterFormat_ = counterFormat;
    form_->counterLabel->show();
    // Lines that keep coming are shown at most every kCounterRepaintMs.
    counterTimer_.setSingleShot(true);
    counterTimer_.setInterval(kCounterRepaintMs);
    connect(&counterTimer_, &QTimer::timeout, this, [this] { showCounter(false); });
}

ProgressDialog::~ProgressDialog() {
    // The worker must not outlive the window it posts to.
    stopWorker();
}

void ProgressDialog::stopWorker() {
    if (job_ != nullptr && started_) {
        stopConversionJob(job_);
    }
    if (transfer_ != nullptr && started_) {
        stopTransferJob(transfer_);
    }
}

QPlainTextEdit* ProgressDialog::resultEdit() const {
    return form_->resultEdit;
}

QPushButton* ProgressDialog::actionButton() const {
    return form_->actionButton;
}

QLabel* ProgressDialog::counterLabel() const {
    return form_->counterLabel;
}

void ProgressDialog::postMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    // Pending calls are dropped with the window, so none runs after it is gone.
    if (transfer_ != nullptr && message == transfer_->lineMessage) {
        // A fast stream counts many lines: one call takes all that came since the last one.
        if (pendingLines_.fetch_add(1) == 0) {
            QMetaObject::invokeMethod(
                this, [this] { takeLines(); }, Qt::QueuedConnection);
        }
        return;
    }
    QMetaObject::invokeMethod(
        this,
        [this, message, wParam, lParam] {
            if (transfer_ != nullptr) {
                onTransferMessage(message, wParam, lParam);
            } else {
                onJobMessage(message, wParam);
            }
        },
        Qt::QueuedConnection);
}

void ProgressDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (started_ || (job_ == nullptr && transfer_ == nullptr)) {
        return;
    }
    started_ = true;
    form_->resultEdit->setPlainText(QString::fromLatin1(kJobStartText));
    form_->actionButton->setText(QString::fromLatin1(kCancelCaption));
    if (readJob_ != nullptr) {
        startDeviceReadJob(readJob_, this);
    } else if (writeJob_ != nullptr) {
        startDeviceWriteJob(writeJob_, this);
    } else {
        startConversionJob(job_, this);
    }
    // The start text is the log's first part.
    logOffset_ = std::char_traits<char>::length(kJobStartText);
    if (transfer_ != nullptr) {
        showCounter(true);
    }
}

void ProgressDialog::appendLog(const std::string& text) {
    if (text.empty()) {
        return;
    }
    // The log's lines begin with CR LF; the edit box takes them as line breaks.
    QString part = QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
    part.remove(QLatin1Char('\r'));
    QTextCursor cursor(form_->resultEdit->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(part);
}

void ProgressDialog::onJobMessage(unsigned message, std::uintptr_t wParam) {
    if (message != kMsgConversion || job_ == nullptr) {
        return;
    }
    appendLog(takeJobLog(job_, &logOffset_));
    showLogTail();
    if (wParam == 0) {
        completed_ = true;
        form_->actionButton->setText(QString::fromLatin1(kOkCaption));
        bool findings = false;
        for (int i = 0; dialogs_ != nullptr && i < job_->fileCount && !findings; ++i) {
            findings = !conversionReport(job_, i).findings.empty();
        }
        details_->setVisible(findings);
    }
}

void ProgressDialog::showLogTail() {
    // The last four lines stand at the top of the view (as far as the box scrolls).
    const int lines = form_->resultEdit->document()->blockCount();
    if (lines > kVisibleTailLines) {
        QScrollBar* bar = form_->resultEdit->verticalScrollBar();
        bar->setValue(std::min(bar->maximum(), lines - kVisibleTailLines));
    }
}

void ProgressDialog::onTransferMessage(unsigned message, std::uintptr_t wParam,
                                       std::intptr_t lParam) {
    if (message != transfer_->resultMessage || closing_) {
        return;
    }
    appendLog(takeJobLog(transfer_, &logOffset_));
    showLogTail();
    if (message == kMsgWriteResult && wParam == kWriteAskNext) {
        takeLines(); // the count of the file before stands while the question is up
        showCounter(true);
        askContinue(lParam);
    } else if (wParam == 0 && transferStopAsked(transfer_)) {
        // The final line sets the stop flag before it is posted; a read's file error line comes
        // with wParam 0 too, but the transfer goes on to its completed line.
        completed_ = true;
        form_->actionButton->setText(QString::fromLatin1(kOkCaption));
        takeLines();
        showCounter(true);
    }
}

void ProgressDialog::takeLines() {
    lineCounter_ += pendingLines_.exchange(0);
    showCounter(false);
}

void ProgressDialog::showCounter(bool now) {
    if (counterFormat_ == nullptr || lineCounter_ == shownCounter_) {
        return;
    }
    if (!now && counterTimer_.isActive()) {
        return; // shown when the timer runs out
    }
    shownCounter_ = lineCounter_;
    form_->counterLabel->setText(QString::asprintf(counterFormat_, lineCounter_));
    counterTimer_.start();
}

void ProgressDialog::askContinue(std::intptr_t fileIndex) {
    const std::size_t index = fileIndex < 0 ? writeJob_->files.size() : std::size_t(fileIndex);
    const QString question = fromLocalPath(continueQuestion(*writeJob_, index));
    const bool yes =
        dialogs_ != nullptr && dialogs_->message(this, question, MessageIcon::Question,
                                                 MessageButtons::YesNo) == MessageAnswer::Yes;
    // Cancel while the question was up has already stopped the worker: a stop counts as No.
    if (!closing_) {
        answerContinue(writeJob_, yes);
    }
}

void ProgressDialog::showDetails() {
    std::vector<ConversionReport> reports;
    for (int i = 0; i < job_->fileCount; ++i) {
        reports.push_back(conversionReport(job_, i));
    }
    FindingsDialog window(reports, *dialogs_, this);
    window.exec();
}

void ProgressDialog::onButton() {
    // Cancel: stop after the file in hand and wait for the worker; Ok: the worker has finished.
    stopWorker();
    closing_ = true;
    accept();
}

void ProgressDialog::reject() {
    if (closing_) {
        QDialog::reject();
    }
}

void ProgressDialog::closeEvent(QCloseEvent* event) {
    if (!closing_) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

} // namespace velmar
