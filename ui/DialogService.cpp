#include "ui/DialogService.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLayout>
#include <QMessageBox>
#include <QPushButton>

#include <vector>

#include "ui/AppTexts.h"
#include "ui/ProgressDialog.h" // the caption of "Details..."

namespace velmar {

namespace {

struct FilterPair {
    QString description;
    QStringList patterns;
};

std::vector<FilterPair> filterPairs(const QString& filter) {
    std::vector<FilterPair> pairs;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty()) {
            break; // the closing "||"
        }
        pairs.push_back({parts[i], parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)});
    }
    return pairs;
}

QMessageBox::Icon boxIcon(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Error:
        return QMessageBox::Critical;
    case MessageIcon::Warning:
        return QMessageBox::Warning;
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

// The name box starts with the initial name unless it is only a pattern, which the filter
// already applies.
void prepareFileDialog(QFileDialog& dialog, const FileDialogRequest& request) {
    dialog.setNameFilter(qtFileFilter(request.filter));
    if (!request.initialName.isEmpty() && !request.initialName.contains(QLatin1Char('*')) &&
        !request.initialName.contains(QLatin1Char('?'))) {
        dialog.selectFile(request.initialName);
    }
}

} // namespace

QString qtFileFilter(const QString& filter) {
    QStringList entries;
    for (const FilterPair& pair : filterPairs(filter)) {
        const QString patterns = pair.patterns.join(QLatin1Char(' '));
        if (pair.description.contains(QLatin1Char('(')) || patterns.isEmpty()) {
            entries.append(pair.description);
        } else {
            entries.append(pair.description + QStringLiteral(" (") + patterns + QLatin1Char(')'));
        }
    }
    return entries.join(QStringLiteral(";;"));
}

QStringList firstFilterPatterns(const QString& filter) {
    const auto pairs = filterPairs(filter);
    return pairs.empty() ? QStringList{} : pairs.front().patterns;
}

MessageAnswer QtDialogService::message(QWidget* parent, const QString& text, MessageIcon icon,
                                       MessageButtons buttons) {
    QMessageBox::StandardButtons standard = QMessageBox::Ok;
    if (buttons == MessageButtons::OkCancel) {
        standard = QMessageBox::Ok | QMessageBox::Cancel;
    } else if (buttons == MessageButtons::YesNo) {
        standard = QMessageBox::Yes | QMessageBox::No;
    }
    QMessageBox box(boxIcon(icon), QString::fromLatin1(kAppTitle), text, standard, parent);
    const QAbstractButton* details =
        buttons == MessageButtons::OkDetails
            ? box.addButton(QString::fromLatin1(kDetailsCaption), QMessageBox::ActionRole)
            : nullptr;
    if (details != nullptr) {
        box.setEscapeButton(QMessageBox::Ok); // Escape and the close box still answer OK
    }
    const int answer = box.exec();
    if (details != nullptr && box.clickedButton() == details) {
        return MessageAnswer::Details;
    }
    switch (answer) {
    case QMessageBox::Cancel:
        return MessageAnswer::Cancel;
    case QMessageBox::Yes:
        return MessageAnswer::Yes;
    case QMessageBox::No:
        return MessageAnswer::No;
    default:
        return MessageAnswer::Ok;
    }
}

QString QtDialogService::openFile(QWidget* parent, const FileDialogRequest& request) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(request.fileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    prepareFileDialog(dialog, request);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().constFirst();
}

QString QtDialogService::saveFile(QWidget* parent, const FileDialogRequest& request) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(request.defaultExtension);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.overwritePrompt);
    prepareFileDialog(dialog, request);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().constFirst();
}

QString QtDialogService::browseFolder(QWidget* parent, const QString& title) {
    QFileDialog dialog(parent, title);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    // The status line: the full path of the folder the user is on.
    auto* status = new QLabel(&dialog);
    status->setObjectName(QStringLiteral("folderStatus"));
    if (auto* grid = dialog.layout()) {
        grid->addWidget(status);
    }
    QObject::connect(&dialog, &QFileDialog::currentChanged, status, [status](const QString& path) {
        const QFileInfo info(path);
        status->setText(info.isDir() ? info.absoluteFilePath() : QString());
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().constFirst();
}

} // namespace velmar
