#include "ui/ConvertPage.h"

#include <QButtonGroup>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <array>

#include "core/ConversionJob.h"
#include "formats/FamilyTable.h"
#include "ui/ControlIds.h"
#include "ui/DialogService.h"
#include "ui/FileDropListBox.h"
#include "ui/KeyFilter.h"
#include "ui/ProgressDialog.h"
#include "ui_ConvertPage.h"

namespace velmar {

namespace {

constexpr int kFirstSourceRadio = 1110;
constexpr int kFirstDestinationRadio = 1120;

// The device models of each series on the type radios, one per line; the file types show what
// they are.
constexpr std::array<const char*, 7> kModelLabels = {
    "NC-410\nNC-412\nNC-415 Plus",
    "NC-520\nNC-540\nNC-560 Pro",
    "NC-630\nNC-650\nNC-680 Pro",
    "NC-6600\nNC-6680",
    "NC-7700\nNC-7750\nNC-7790 XL",
    "+ HUB",
    "+ CMAP",
};

QButtonGroup* makeTypeGroup(QWidget* page, int firstId) {
    auto* group = new QButtonGroup(page);
    group->setExclusive(true);
    for (int index = 0; index < kFamilyCount; ++index) {
        if (!familyHas(index, kOnTypeRadios)) {
            continue; // offered by the command line only
        }
        if (auto* radio = control<QRadioButton>(page, firstId + index)) {
            group->addButton(radio, index);
        }
    }
    return group;
}

void checkType(QButtonGroup* group, int index) {
    if (QAbstractButton* button = group->button(index)) {
        button->setChecked(true);
    }
}

} // namespace

const char* modelLabelText(int typeIndex) {
    if (!familyHas(typeIndex, kOnTypeRadios) ||
        static_cast<std::size_t>(typeIndex) >= kModelLabels.size()) {
        return nullptr;
    }
    return kModelLabels[static_cast<std::size_t>(typeIndex)];
}

ConvertPage::ConvertPage(DialogService& dialogs, QWidget* parent)
    : QWidget(parent), form_(std::make_unique<Ui::ConvertPageForm>()), dialogs_(dialogs),
      familyLookup_(&formatFamily) {
    form_->setupUi(this);
    KeyFilter::install(this);
    sourceGroup_ = makeTypeGroup(this, kFirstSourceRadio);
    destinationGroup_ = makeTypeGroup(this, kFirstDestinationRadio);
    // Room for the longest model list, so the groups do not jump when the type changes.
    const int labelHeight = fontMetrics().lineSpacing() * 3 + 4;
    form_->sourceModels->setMinimumHeight(labelHeight);
    form_->destModels->setMinimumHeight(labelHeight);
    const int labelWidth =
        std::max(form_->sourceLabel->sizeHint().width(), form_->saveInLabel->sizeHint().width());
    form_->sourceLabel->setMinimumWidth(labelWidth);
    form_->saveInLabel->setMinimumWidth(labelWidth);

    connect(form_->addFileButton, &QPushButton::clicked, this, &ConvertPage::addFile);
    connect(form_->browseButton, &QPushButton::clicked, this, &ConvertPage::chooseOutputFolder);
    connect(form_->convertButton, &QPushButton::clicked, this, &ConvertPage::convert);
    connect(sourceGroup_, &QButtonGroup::idClicked, this, [this](int) { sourceTypeChanged(); });
    connect(destinationGroup_, &QButtonGroup::idClicked, this,
            [this](int) { destinationTypeChanged(); });

    // Initialise: the initial values, the current folder, the model labels.
    updateValues(false);
    values_.outputFolder = QDir::currentPath();
    values_.sourceModels = QString::fromLatin1(modelLabelText(values_.sourceType));
    values_.destinationModels = QString::fromLatin1(modelLabelText(values_.destinationType));
    updateValues(false);
}

ConvertPage::~ConvertPage() = default;

QString askForFileToAdd(DialogService& dialogs, QWidget* parent) {
    const FileDialogRequest request = FileDialogRequest::forOpening(
        QString::fromLatin1(kAddFileInitialName), QString::fromLatin1(kAddFileFilter));
    return dialogs.openFile(parent, request);
}

FileDropListBox* ConvertPage::fileList() const {
    return form_->fileList;
}

void ConvertPage::updateValues(bool readBack) {
    if (readBack) {
        values_.destinationModels = form_->destModels->text();
        values_.sourceModels = form_->sourceModels->text();
        values_.sourcePath = form_->sourceEdit->text();
        values_.outputFolder = form_->folderEdit->text();
        values_.sourceType = sourceGroup_->checkedId();
        values_.destinationType = destinationGroup_->checkedId();
        return;
    }
    form_->destModels->setText(values_.destinationModels);
    form_->sourceModels->setText(values_.sourceModels);
    form_->sourceEdit->setText(values_.sourcePath);
    form_->folderEdit->setText(values_.outputFolder);
    checkType(sourceGroup_, values_.sourceType);
    checkType(destinationGroup_, values_.destinationType);
}

void ConvertPage::addFile() {
    // Take over what was typed first, so pushing the values back does not undo it.
    updateValues(true);
    const QString path = askForFileToAdd(dialogs_, this);
    if (path.isEmpty()) {
        return;
    }
    values_.sourcePath = path;
    form_->fileList->addEntry(path);
    updateValues(false);
}

void ConvertPage::addFiles(const QStringList& paths) {
    if (paths.isEmpty()) {
        return;
    }
    updateValues(true);
    for (const QString& path : paths) {
        values_.sourcePath = QFileInfo(path).absoluteFilePath();
        form_->fileList->addEntry(values_.sourcePath);
    }
    updateValues(false);
}

void ConvertPage::chooseOutputFolder() {
    updateValues(true);
    const QString folder = dialogs_.browseFolder(this, QString::fromLatin1(kBrowseFolderTitle));
    if (folder.isEmpty()) {
        return;
    }
    values_.outputFolder = folder;
    updateValues(false);
}

void ConvertPage::sourceTypeChanged() {
    updateValues(true);
    if (const char* text = modelLabelText(values_.sourceType)) {
        values_.sourceModels = QString::fromLatin1(text);
        form_->sourceModels->setText(values_.sourceModels);
    }
}

void ConvertPage::destinationTypeChanged() {
    updateValues(true);
    if (const char* text = modelLabelText(values_.destinationType)) {
        values_.destinationModels = QString::fromLatin1(text);
        form_->destModels->setText(values_.destinationModels);
    }
}

void ConvertPage::convert() {
    updateValues(true);
    const std::vector<std::string> files = form_->fileList->entryPaths();
    const std::string folder = localPath(values_.outputFolder);
    const FormatFamily* source = familyLookup_(values_.sourceType);
    const FormatFamily* destination = familyLookup_(values_.destinationType);
    const std::string problem = checkConvertInputs(files.size(), folder, source, destination);
    if (!problem.empty()) {
        dialogs_.message(this, fromLocalPath(problem), MessageIcon::Error);
        return;
    }
    std::unique_ptr<ConversionJob> job;
    if (source != nullptr && destination != nullptr) {
        job = makeConversionJob(files, folder, values_.sourceType, values_.destinationType, *source,
                                *destination);
    }
    if (job == nullptr) {
        dialogs_.message(this, QString::fromLatin1(kNoMemoryMessage), MessageIcon::Error);
        return;
    }
    // The window ends (and its worker with it) before the job is freed.
    job->reportWanted = true; // what the destination's limits did, behind "Details..."
    ProgressDialog window(job.get(), this, &dialogs_);
    window.exec();
}

} // namespace velmar
