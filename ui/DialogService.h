#pragma once
// Every dialog that asks the user something or tells him something (message boxes, open and
// save file dialogs, the folder browser) goes through one DialogService, handed to the pages
// when they are built. The program uses QtDialogService; tests script the answers.

#include <QString>
#include <QStringList>

class QWidget;

namespace velmar {

enum class MessageIcon { None, Error, Warning, Information, Question };
// OkDetails: "OK" and "Details...", which closes the box with the answer Details.
enum class MessageButtons { Ok, OkCancel, YesNo, OkDetails };
enum class MessageAnswer { Ok, Cancel, Yes, No, Details };

// An open or save file dialog. `filter` is the program's own filter text: pairs of a
// description and its patterns separated by '|', closed by "||", as "All files (*.*)|*.*||".
struct FileDialogRequest {
    QString initialName;      // shown in the name box ("*.hub" shows only matching files)
    QString filter;           // "All files (*.hub)|*.hub|All files (*.*)|*.*||"
    QString defaultExtension; // added to a typed name without one ("hub"); empty: none
    bool fileMustExist = false;
    bool hideReadOnly = false;
    bool overwritePrompt = false;

    // The two dialogs the program asks with: an open dialog for one existing file, and a save
    // dialog that asks before it replaces a file. Neither offers to open a file read-only.
    static FileDialogRequest forOpening(const QString& initialName, const QString& filter) {
        return {.initialName = initialName,
                .filter = filter,
                .defaultExtension = {},
                .fileMustExist = true,
                .hideReadOnly = true,
                .overwritePrompt = false};
    }
    static FileDialogRequest forSaving(const QString& initialName, const QString& filter,
                                       const QString& defaultExtension) {
        return {.initialName = initialName,
                .filter = filter,
                .defaultExtension = defaultExtension,
                .fileMustExist = false,
                .hideReadOnly = true,
                .overwritePrompt = true};
    }
};

class DialogService {
  public:
    virtual ~DialogService() = default;
    // A message box captioned with the application's title.
    virtual MessageAnswer message(QWidget* parent, const QString& text, MessageIcon icon,
                                  MessageButtons buttons = MessageButtons::Ok) = 0;
    // The chosen full path, or an empty text when the user cancelled.
    virtual QString openFile(QWidget* parent, const FileDialogRequest& request) = 0;
    virtual QString saveFile(QWidget* parent, const FileDialogRequest& request) = 0;
    // A folder of the file system; an empty text when the user cancelled.
    virtual QString browseFolder(QWidget* parent, const QString& title) = 0;
};

// The filter text in Qt's form: "All files (*.hub);;All files (*.*)". A description that does
// not show its patterns in brackets gets them appended; patterns split by ';' are joined by ' '.
QString qtFileFilter(const QString& filter);
// The patterns of the first pair ("*.hub"), for the name box.
QStringList firstFilterPatterns(const QString& filter);

// The desktop's own dialogs.
class QtDialogService : public DialogService {
  public:
    MessageAnswer message(QWidget* parent, const QString& text, MessageIcon icon,
                          MessageButtons buttons) override;
    QString openFile(QWidget* parent, const FileDialogRequest& request) override;
    QString saveFile(QWidget* parent, const FileDialogRequest& request) override;
    QString browseFolder(QWidget* parent, const QString& title) override;
};

} // namespace velmar
