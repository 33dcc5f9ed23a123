#include "ui/TransferPage.h"

#include <QButtonGroup>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include "ui/ComSettingsDialog.h"
#include "ui/ControlIds.h"
#include "ui/ConvertPage.h"
#include "ui/KeyFilter.h"
#include "ui/WiringInfoDialog.h"

namespace velmar {

TransferPage::TransferPage(DialogService& dialogs, QWidget* parent)
    : QWidget(parent), dialogs_(dialogs) {
    defaultComSettings(&comSettings_, deviceType_);
}

void TransferPage::initTransferControls(int firstRadioId, QLabel* models, QPushButton* comButton,
                                        QPushButton* wiringButton) {
    KeyFilter::install(this);
    models_ = models;
    // Room for the longest model list, so the group does not jump when the type changes.
    models_->setMinimumHeight(fontMetrics().lineSpacing() * 3 + 4);
    typeGroup_ = new QButtonGroup(this);
    typeGroup_->setExclusive(true);
    for (int type = kSeries41; type <= kHub; ++type) {
        if (auto* radio = control<QRadioButton>(this, firstRadioId + type)) {
            typeGroup_->addButton(radio, type);
        }
    }
    connect(typeGroup_, &QButtonGroup::idClicked, this, [this](int) { deviceTypeChanged(); });
    connect(comButton, &QPushButton::clicked, this, &TransferPage::editComSettings);
    connect(wiringButton, &QPushButton::clicked, this, &TransferPage::showWiring);
}

void TransferPage::exchangeDeviceValues(bool readBack) {
    if (readBack) {
        modelLabel_ = models_->text();
        deviceType_ = typeGroup_->checkedId();
        return;
    }
    models_->setText(modelLabel_);
    if (QAbstractButton* radio = typeGroup_->button(deviceType_)) {
        radio->setChecked(true);
    }
}

void TransferPage::showModelLabel() {
    if (const char* text = modelLabelText(deviceType_)) {
        modelLabel_ = QString::fromLatin1(text);
        models_->setText(modelLabel_);
    }
}

void TransferPage::deviceTypeChanged() {
    updateValues(true);
    showModelLabel();
    // Every click: COM1, 8 data bits, no parity, one stop bit, no flow control, and the baud
    // rate of the type (kept for the types that cannot be transferred).
    defaultComSettings(&comSettings_, deviceType_);
}

void TransferPage::editComSettings() {
    velmar::editComSettings(this, &comSettings_);
}

void TransferPage::showWiring() {
    showWiringInfo(this, deviceType_);
}

} // namespace velmar
