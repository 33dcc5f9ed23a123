#include "ui/WritePage.h"

#include <QLineEdit>
#include <QPushButton>

#include "serial/DeviceWriteJob.h"
#include "ui/ConvertPage.h"
#include "ui/DialogService.h"
#include "ui/FileDropListView.h"
#include "ui/ProgressDialog.h"
#include "ui_WritePage.h"

namespace velmar {

namespace {

constexpr int kFirstTypeRadio = 1013;

} // namespace

WritePage::WritePage(DialogService& dialogs, QWidget* parent)
    : TransferPage(dialogs, parent), form_(std::make_unique<Ui::WritePageForm>()) {
    form_->setupUi(this);
    initTransferControls(kFirstTypeRadio, form_->models, form_->comSettingsButton,
                         form_->wiringButton);
    connect(form_->addFileButton, &QPushButton::clicked, this, &WritePage::addFile);
    connect(form_->writeButton, &QPushButton::clicked, this, &WritePage::write);
    // Initialise: the initial values (Series 41 checked), the list's columns, the model label.
    updateValues(false);
    form_->fileList->initColumns();
    showModelLabel();
}

WritePage::~WritePage() = default;

FileDropListView* WritePage::fileList() const {
    return form_->fileList;
}

void WritePage::updateValues(bool readBack) {
    exchangeDeviceValues(readBack);
    if (readBack) {
        sourcePath_ = form_->sourceEdit->text();
    } else {
        form_->sourceEdit->setText(sourcePath_);
    }
}

void WritePage::addFile() {
    updateValues(true);
    const QString path = askForFileToAdd(dialogs_, this);
    if (path.isEmpty()) {
        return;
    }
    sourcePath_ = path;
    form_->fileList->addFile(path);
    updateValues(false);
}

void WritePage::write() {
    updateValues(true);
    std::vector<std::string> files;
    for (const QString& path : form_->fileList->paths()) {
        files.push_back(localPath(path));
    }
    std::unique_ptr<DeviceWriteJob> job;
    const std::string problem = prepareDeviceWriteJob(files, deviceType(), comSettings(), &job);
    if (!problem.empty()) {
        dialogs_.message(this, fromLocalPath(problem), MessageIcon::Error);
        return;
    }
    // The window ends (and its worker with it) before the job is freed.
    ProgressDialog window(job.get(), this, &dialogs_);
    window.exec();
}

} // namespace velmar
