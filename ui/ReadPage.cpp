#include "ui/ReadPage.h"

#include <QLineEdit>
#include <QPushButton>

#include "serial/DeviceReadJob.h"
#include "ui/DialogService.h"
#include "ui/FileDropList.h"
#include "ui/ProgressDialog.h"
#include "ui_ReadPage.h"

namespace velmar {

namespace {

constexpr int kFirstTypeRadio = 1142;

} // namespace

FileDialogRequest readSaveRequest() {
    return FileDialogRequest::forSaving(QStringLiteral("*.out"),
                                        QStringLiteral("All files (*.out)|*.out||"),
                                        QStringLiteral("out"));
}

ReadPage::ReadPage(DialogService& dialogs, QWidget* parent)
    : TransferPage(dialogs, parent), form_(std::make_unique<Ui::ReadPageForm>()) {
    form_->setupUi(this);
    initTransferControls(kFirstTypeRadio, form_->models, form_->comSettingsButton,
                         form_->wiringButton);
    connect(form_->browseButton, &QPushButton::clicked, this, &ReadPage::chooseOutputFile);
    connect(form_->readButton, &QPushButton::clicked, this, &ReadPage::read);
    // Initialise: the initial values (Series 41 checked), then the model label of the type.
    updateValues(false);
    showModelLabel();
}

ReadPage::~ReadPage() = default;

void ReadPage::updateValues(bool readBack) {
    exchangeDeviceValues(readBack);
    if (readBack) {
        outputPath_ = form_->outputEdit->text();
    } else {
        form_->outputEdit->setText(outputPath_);
    }
}

void ReadPage::chooseOutputFile() {
    updateValues(true);
    const QString path = dialogs_.saveFile(this, readSaveRequest());
    if (path.isEmpty()) {
        return;
    }
    outputPath_ = path;
    updateValues(false);
}

void ReadPage::read() {
    updateValues(true);
    std::unique_ptr<DeviceReadJob> job;
    const std::string problem =
        prepareDeviceReadJob(localPath(outputPath_), deviceType(), comSettings(), &job);
    if (!problem.empty()) {
        dialogs_.message(this, fromLocalPath(problem), MessageIcon::Error);
        return;
    }
    // The window ends (and its worker with it) before the job is freed.
    ProgressDialog window(job.get(), this);
    window.exec();
}

} // namespace velmar
