#include "ui/MergePage.h"

#include <QApplication>
#include <QButtonGroup>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>

#include "merge/MergeJob.h"
#include "ui/ControlIds.h"
#include "ui/DialogService.h"
#include "ui/FileDropListBox.h"
#include "ui/FindingsDialog.h"
#include "ui/KeyFilter.h"
#include "ui_MergePage.h"

namespace velmar {

namespace {

constexpr int kHubRadio = 1096;
constexpr int kCmapRadio = 1097;

struct MergeDialogTexts {
    const char* initialName;
    const char* filter;
    const char* extension;
};

constexpr MergeDialogTexts kMergeDialogTexts[] = {
    {"*.hub", "All files (*.hub)|*.hub|All files (*.*)|*.*||", "hub"},
    {"*.xml", "All files (*.xml)|*.xml|All files (*.*)|*.*||", "xml"},
};

const MergeDialogTexts& dialogTexts(int mergeType) {
    return kMergeDialogTexts[mergeType == MergeCmap ? 1 : 0];
}

// Restores the cursor however the merge ends.
class WaitCursor {
  public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace

FileDialogRequest mergeOpenRequest(int mergeType) {
    const MergeDialogTexts& texts = dialogTexts(mergeType);
    return FileDialogRequest::forOpening(QString::fromLatin1(texts.initialName),
                                         QString::fromLatin1(texts.filter));
}

FileDialogRequest mergeSaveRequest(int mergeType) {
    const MergeDialogTexts& texts = dialogTexts(mergeType);
    return FileDialogRequest::forSaving(QString::fromLatin1(texts.initialName),
                                        QString::fromLatin1(texts.filter),
                                        QString::fromLatin1(texts.extension));
}

MergePage::MergePage(DialogService& dialogs, QWidget* parent)
    : QWidget(parent), form_(std::make_unique<Ui::MergePageForm>()), dialogs_(dialogs) {
    form_->setupUi(this);
    KeyFilter::install(this);
    typeGroup_ = new QButtonGroup(this);
    typeGroup_->setExclusive(true);
    typeGroup_->addButton(control<QRadioButton>(this, kHubRadio), MergeHub);
    typeGroup_->addButton(control<QRadioButton>(this, kCmapRadio), MergeCmap);
    const int labelWidth =
        std::max(form_->sourceLabel->sizeHint().width(), form_->saveInLabel->sizeHint().width());
    form_->sourceLabel->setMinimumWidth(labelWidth);
    form_->saveInLabel->setMinimumWidth(labelWidth);

    connect(form_->addFileButton, &QPushButton::clicked, this, &MergePage::addFile);
    connect(form_->browseButton, &QPushButton::clicked, this, &MergePage::chooseOutputFile);
    connect(form_->mergeButton, &QPushButton::clicked, this, &MergePage::merge);
    updateValues(false);
}

MergePage::~MergePage() = default;

FileDropListBox* MergePage::fileList() const {
    return form_->fileList;
}

void MergePage::updateValues(bool readBack) {
    if (readBack) {
        values_.sourcePath = form_->sourceEdit->text();
        values_.outputPath = form_->outputEdit->text();
        values_.mergeType = typeGroup_->checkedId();
        return;
    }
    form_->sourceEdit->setText(values_.sourcePath);
    form_->outputEdit->setText(values_.outputPath);
    if (QAbstractButton* radio = typeGroup_->button(values_.mergeType)) {
        radio->setChecked(true);
    }
}

void MergePage::addFile() {
    updateValues(true);
    const QString path = dialogs_.openFile(this, mergeOpenRequest(values_.mergeType));
    if (path.isEmpty()) {
        return;
    }
    values_.sourcePath = path;
    form_->fileList->addEntry(path);
    updateValues(false);
}

void MergePage::chooseOutputFile() {
    updateValues(true);
    const QString path = dialogs_.saveFile(this, mergeSaveRequest(values_.mergeType));
    if (path.isEmpty()) {
        return;
    }
    values_.outputPath = path;
    updateValues(false);
}

void MergePage::merge() {
    updateValues(true);
    const std::vector<std::string> files = form_->fileList->entryPaths();
    const std::string output = localPath(values_.outputPath);
    const std::string problem = checkMergeInputs(files.size(), output);
    if (!problem.empty()) {
        dialogs_.message(this, fromLocalPath(problem), MessageIcon::Error);
        return;
    }
    MergeReport report;
    std::vector<ConversionReport> inputs;
    {
        const WaitCursor busy;
        report = runMergeJob(values_.mergeType, files, output, &inputs);
    }
    const bool findings = std::any_of(inputs.begin(), inputs.end(),
                                      [](const auto& input) { return !input.findings.empty(); });
    // "Merging Completed" only when every input was read and the output written. A merge that
    // renamed or dropped records offers their table beside the box's OK.
    const MessageAnswer answer = dialogs_.message(
        this, fromLocalPath(report.message()), report.ok() ? MessageIcon::None : MessageIcon::Error,
        findings ? MessageButtons::OkDetails : MessageButtons::Ok);
    if (answer == MessageAnswer::Details) {
        FindingsDialog window(inputs, dialogs_, this);
        window.exec();
    }
}

} // namespace velmar
