#pragma once
// The About box: the program's picture, one line about it and the version text.

#include <QDialog>

#include <memory>

namespace Ui {
class AboutDialogForm;
}

namespace velmar {

class AboutDialog : public QDialog {
    Q_OBJECT
  public:
    explicit AboutDialog(QWidget* parent = nullptr);
    ~AboutDialog() override;

  private:
    std::unique_ptr<Ui::AboutDialogForm> form_;
};

} // namespace velmar
