#pragma once
// The "Merge" tab: several HUB files into one HUB file, or several CMAP files into one CMAP
// document. The merge runs inside the button's handler; its outcome is shown in a message box,
// with "Details..." when it renamed or dropped records.

#include <QString>
#include <QWidget>

#include <memory>

class QButtonGroup;

namespace Ui {
class MergePageForm;
}

namespace velmar {

class DialogService;
class FileDropListBox;
struct FileDialogRequest;

// The open (Add file) and save (Browse) dialogs of a merge type: 0 HUB, 1 CMAP.
FileDialogRequest mergeOpenRequest(int mergeType);
FileDialogRequest mergeSaveRequest(int mergeType);

class MergePage : public QWidget {
    Q_OBJECT
  public:
    struct Values {
        QString sourcePath; // edit 1082
        QString outputPath; // edit 1085
        int mergeType = 0;  // radio group 1096: 0 HUB, 1 CMAP
    };

    explicit MergePage(DialogService& dialogs, QWidget* parent = nullptr);
    ~MergePage() override;

    const Values& values() const { return values_; }
    FileDropListBox* fileList() const;
    void updateValues(bool readBack);

  public slots:
    void addFile();
    void chooseOutputFile();
    void merge();

  private:
    std::unique_ptr<Ui::MergePageForm> form_;
    DialogService& dialogs_;
    QButtonGroup* typeGroup_;
    Values values_;
};

} // namespace velmar
