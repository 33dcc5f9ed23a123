#include "ui/ProgressDialog.h"

#include <QCloseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>

#include <algorithm>
#include <string>

#include "core/ConversionJob.h"
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
}

ProgressDialog::~ProgressDialog() {
    // The worker must not outlive the window it posts to.
    if (job_ != nullptr && started_) {
        stopConversionJob(job_);
    }
}

QPlainTextEdit* ProgressDialog::resultEdit() const {
    return form_->resultEdit;
}

QPushButton* ProgressDialog::actionButton() const {
    return form_->actionButton;
}

void ProgressDialog::postMessage(unsigned message, std::uintptr_t wParam, std::intptr_t) {
    // Pending calls are dropped with the window, so none runs after it is gone.
    QMetaObject::invokeMethod(
        this, [this, message, wParam] { onJobMessage(message, wParam); }, Qt::QueuedConnection);
}

void ProgressDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (started_ || job_ == nullptr) {
        return;
    }
    started_ = true;
    form_->resultEdit->setPlainText(QString::fromLatin1(kConvertStartText));
    form_->actionButton->setText(QString::fromLatin1(kCancelCaption));
    startConversionJob(job_, this);
    // The start text is the log's first part.
    logOffset_ = std::char_traits<char>::length(kConvertStartText);
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
    appendLog(takeConversionLog(job_, &logOffset_));
    // The last four lines stand at the top of the view (as far as the box scrolls).
    const int lines = form_->resultEdit->document()->blockCount();
    if (lines > kVisibleTailLines) {
        QScrollBar* bar = form_->resultEdit->verticalScrollBar();
        bar->setValue(std::min(bar->maximum(), lines - kVisibleTailLines));
    }
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
    if (job_ != nullptr && started_) {
        stopConversionJob(job_);
    }
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
