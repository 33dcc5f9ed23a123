#include "ui/ComSettingsDialog.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include <algorithm>
#include <array>

#include "ui/ControlIds.h"
#include "ui_ComSettingsDialog.h"

namespace velmar {

namespace {

// The lists and the positions they exchange, in the order the dialog exchanges them.
struct ListField {
    std::int32_t ComSettings::*field;
    int controlId;
};
constexpr std::array<ListField, 6> kExchangeOrder = {{
    {&ComSettings::portIndex, 1033},
    {&ComSettings::baudIndex, 1034},
    {&ComSettings::dataBitsIndex, 1035},
    {&ComSettings::flowIndex, 1038},
    {&ComSettings::parityIndex, 1036},
    {&ComSettings::stopBitsIndex, 1037},
}};

// Wide enough for the device line of a USB adapter or of a simulated plotter and its file;
// longer lines end in "…" (the tooltip has them whole).
constexpr int kDeviceLineWidth = 340;

// What kind of serial device a path names.
QString deviceKind(const std::string& device) {
    static const std::array<std::pair<const char*, const char*>, 4> kinds = {{
        {"/dev/ttyUSB", "USB serial adapter"},
        {"/dev/ttyACM", "USB serial device"},
        {"/dev/ttyS", "built-in serial port"},
        {"/dev/pts/", "pseudo-terminal"},
    }};
    for (const auto& [prefix, kind] : kinds) {
        if (device.rfind(prefix, 0) == 0) {
            return QString::fromLatin1(kind);
        }
    }
    return QStringLiteral("serial device");
}

} // namespace

QString portDeviceText(const std::vector<SerialPortInfo>& ports, int portIndex) {
    if (portIndex < 0 || portIndex >= static_cast<int>(kComPortNames.size())) {
        return QString::fromLatin1(kNoDeviceText);
    }
    const std::string name = kComPortNames[static_cast<std::size_t>(portIndex)];
    const auto port = std::find_if(ports.begin(), ports.end(),
                                   [&](const SerialPortInfo& info) { return info.name == name; });
    if (port == ports.end()) {
        return QString::fromLatin1(kNoDeviceText);
    }
    // A simulated plotter is described in its simulator's words, after "COM1 — ".
    if (port->simulated) {
        std::string words = port->description;
        const std::string prefix = name + " \xE2\x80\x94 ";
        if (words.rfind(prefix, 0) == 0) {
            words.erase(0, prefix.size());
        }
        return QString::fromStdString(words);
    }
    return QString::fromStdString(port->device) + QStringLiteral(" \u2014 ") +
           deviceKind(port->device);
}

ComSettingsDialog::ComSettingsDialog(QWidget* parent)
    : QDialog(parent), form_(std::make_unique<Ui::ComSettingsDialogForm>()) {
    form_->setupUi(this);
    settings_.portIndex = 0;
    settings_.baudIndex = 4;
    settings_.dataBitsIndex = 3;
    settings_.flowIndex = 2;
    settings_.parityIndex = 2;
    settings_.stopBitsIndex = 0;
    pushSettings();
    connect(form_->okButton, &QPushButton::clicked, this, &ComSettingsDialog::accept);
    connect(form_->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(form_->portList, &QComboBox::currentIndexChanged, this,
            &ComSettingsDialog::refreshDevice);
    form_->deviceLine->setFixedWidth(kDeviceLineWidth);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

ComSettingsDialog::~ComSettingsDialog() = default;

void ComSettingsDialog::setSettings(const ComSettings& settings) {
    settings_ = settings;
    pushSettings();
}

void ComSettingsDialog::pushSettings() {
    for (const ListField& list : kExchangeOrder) {
        control<QComboBox>(this, list.controlId)->setCurrentIndex(settings_.*list.field);
    }
}

void ComSettingsDialog::accept() {
    for (const ListField& list : kExchangeOrder) {
        const int position = control<QComboBox>(this, list.controlId)->currentIndex();
        if (position >= 0) { // a list left without a choice keeps the position it was given
            settings_.*list.field = position;
        }
    }
    QDialog::accept();
}

void ComSettingsDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    refreshDevice(); // adapters come and go between two openings
}

// Asks the port resolver anew, so a device plugged in while the dialog is open shows up.
void ComSettingsDialog::refreshDevice() {
    deviceText_ = portDeviceText(listSerialPorts(), form_->portList->currentIndex());
    QLabel* line = form_->deviceLine;
    line->setText(line->fontMetrics().elidedText(deviceText_, Qt::ElideRight, line->width()));
    line->setToolTip(deviceText_);
}

bool editComSettings(QWidget* parent, ComSettings* settings) {
    if (settings == nullptr) {
        return false;
    }
    ComSettingsDialog dialog(parent);
    dialog.setSettings(*settings);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    *settings = dialog.settings();
    return true;
}

} // namespace velmar
