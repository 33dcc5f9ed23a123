#pragma once
// The "Convert" tab: the files to convert, the output folder, the source and destination types,
// and the Convert button that runs the conversion job in the "Converting ...." window.

#include <QString>
#include <QStringList>
#include <QWidget>

#include <memory>

#include "core/FormatFamily.h"

class QButtonGroup;

namespace Ui {
class ConvertPageForm;
}

namespace velmar {

class DialogService;
class FileDropListBox;

inline constexpr char kAddFileFilter[] = "All files (*.*)|*.*||";
inline constexpr char kAddFileInitialName[] = "*.*";
inline constexpr char kBrowseFolderTitle[] = "Current folder is:";

// The Add file dialog of the Convert and Write pages (any existing file): the chosen path, or
// an empty text when the user cancelled.
QString askForFileToAdd(DialogService& dialogs, QWidget* parent);

// The model list shown under a type group, by type index; null outside 0..6.
const char* modelLabelText(int typeIndex);

// The family of a type index; the page asks the family table unless told otherwise.
using FamilyLookup = const FormatFamily* (*)(int typeIndex);

class ConvertPage : public QWidget {
    Q_OBJECT
  public:
    // The values the page keeps, exchanged with its controls.
    struct Values {
        QString destinationModels; // label 1131
        QString sourceModels;      // label 1130
        QString sourcePath;        // edit 1101
        QString outputFolder;      // edit 1104
        int sourceType = 0;        // radio group 1110: Series 41
        int destinationType = 5;   // radio group 1120: HUB
    };

    explicit ConvertPage(DialogService& dialogs, QWidget* parent = nullptr);
    ~ConvertPage() override;

    const Values& values() const { return values_; }
    FileDropListBox* fileList() const;
    void setFamilyLookup(FamilyLookup lookup) { familyLookup_ = lookup; }

    // Reads the controls into the values (true) or pushes the values into the controls (false).
    void updateValues(bool readBack);

    // Adds files named on the program's command line to the list, in order, each as a full path
    // (a relative one taken from the current folder), as if each had been added with Add file.
    void addFiles(const QStringList& paths);

  public slots:
    void addFile();
    void chooseOutputFolder();
    void convert();

  private:
    void sourceTypeChanged();
    void destinationTypeChanged();

    std::unique_ptr<Ui::ConvertPageForm> form_;
    DialogService& dialogs_;
    QButtonGroup* sourceGroup_;
    QButtonGroup* destinationGroup_;
    Values values_;
    FamilyLookup familyLookup_;
};

} // namespace velmar
