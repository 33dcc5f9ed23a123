#pragma once
// The "Write" tab: the files to send, the device type, the port settings, and the Write button
// that runs the device write job in the "Writing..." window.

#include <QString>

#include <memory>

#include "ui/TransferPage.h"

namespace Ui {
class WritePageForm;
}

namespace velmar {

class FileDropListView;

class WritePage : public TransferPage {
    Q_OBJECT
  public:
    explicit WritePage(DialogService& dialogs, QWidget* parent = nullptr);
    ~WritePage() override;

    const QString& sourcePath() const { return sourcePath_; } // edit 1010
    FileDropListView* fileList() const;                       // list 1012
    void updateValues(bool readBack) override;

  public slots:
    void addFile();
    void write();

  private:
    std::unique_ptr<Ui::WritePageForm> form_;
    QString sourcePath_;
};

} // namespace velmar
