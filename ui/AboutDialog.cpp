#include "ui/AboutDialog.h"

#include <QPushButton>

#include "ui/AppTexts.h"
#include "ui/Pictures.h"
#include "ui_AboutDialog.h"

namespace velmar {

AboutDialog::AboutDialog(QWidget* parent)
    : QDialog(parent), form_(std::make_unique<Ui::AboutDialogForm>()) {
    form_->setupUi(this);
    form_->picture->setPixmap(svgPixmap(QString::fromLatin1(kAboutPicture), devicePixelRatioF()));
    setWindowTitle(QStringLiteral("About Velmar"));
    form_->versionText->setText(QString::fromLatin1(kVersionText));
    connect(form_->okButton, &QPushButton::clicked, this, &QDialog::accept);
}

AboutDialog::~AboutDialog() = default;

} // namespace velmar
