#pragma once
// The "Read" tab: the file a device's database is saved to, the device type, the port settings,
// and the Read button that runs the device read job in the "Reading..." window.

#include <QString>

#include <memory>

#include "ui/TransferPage.h"

namespace Ui {
class ReadPageForm;
}

namespace velmar {

struct FileDialogRequest;

// The save-file dialog of the Browse button.
FileDialogRequest readSaveRequest();

class ReadPage : public TransferPage {
    Q_OBJECT
  public:
    explicit ReadPage(DialogService& dialogs, QWidget* parent = nullptr);
    ~ReadPage() override;

    const QString& outputPath() const { return outputPath_; } // edit 1140
    void updateValues(bool readBack) override;

  public slots:
    void chooseOutputFile();
    void read();

  private:
    std::unique_ptr<Ui::ReadPageForm> form_;
    QString outputPath_;
};

} // namespace velmar
