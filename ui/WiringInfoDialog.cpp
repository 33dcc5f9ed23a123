#include "ui/WiringInfoDialog.h"

#include <QPainter>
#include <QPushButton>
#include <QSvgRenderer>

#include "ui_WiringInfoDialog.h"

namespace velmar {

namespace {

// The drawings by device type (they stand for the bitmaps 139, 151 and 150). Outside the cable
// they are transparent, so the dialog's own background shows through.
constexpr std::array<const char*, 3> kWiringPictures = {
    ":/velmar/pictures/wiring-series41.svg",
    ":/velmar/pictures/wiring-series5.svg",
    ":/velmar/pictures/wiring-series6.svg",
};

} // namespace

WiringInfoDialog::WiringInfoDialog(QWidget* parent)
    : QDialog(parent), form_(std::make_unique<Ui::WiringInfoDialogForm>()) {
    form_->setupUi(this);
    // The picture control only keeps the drawing's room in the layout; the dialog paints.
    QSizePolicy keepRoom = form_->picture->sizePolicy();
    keepRoom.setRetainSizeWhenHidden(true);
    form_->picture->setSizePolicy(keepRoom);
    form_->picture->hide();
    for (std::size_t i = 0; i < pictures_.size(); ++i) {
        pictures_[i] = std::make_unique<QSvgRenderer>(QString::fromLatin1(kWiringPictures[i]));
    }
    connect(form_->okButton, &QPushButton::clicked, this, &QDialog::accept);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

WiringInfoDialog::~WiringInfoDialog() = default;

void WiringInfoDialog::setDeviceType(int deviceType) {
    deviceType_ = deviceType;
    update();
}

QSvgRenderer* WiringInfoDialog::picture() const {
    if (deviceType_ < 0 || deviceType_ >= static_cast<int>(pictures_.size())) {
        return nullptr;
    }
    return pictures_[static_cast<std::size_t>(deviceType_)].get();
}

void WiringInfoDialog::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    if (QSvgRenderer* drawing = picture(); drawing != nullptr && drawing->isValid()) {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        drawing->render(&painter, QRectF(kWiringPictureRect));
    }
}

void showWiringInfo(QWidget* parent, int deviceType) {
    WiringInfoDialog dialog(parent);
    dialog.setDeviceType(deviceType);
    dialog.exec();
}

} // namespace velmar
