#include "ui/FindingsDialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <string_view>

#include "core/TextFile.h"
#include "ui/DialogService.h"
#include "ui/FileDropList.h"
#include "ui/KeyFilter.h"

namespace velmar {

namespace {

const char* const kHeadings[] = {"File", "Record", "What happened", "Old -> new", "Why"};

QString localText(const std::string& text) {
    return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

std::vector<std::vector<std::string>> findingRows(const std::vector<ConversionReport>& reports) {
    std::vector<std::vector<std::string>> rows;
    for (const ConversionReport& report : reports) {
        const auto slash = report.source.rfind('/');
        const std::string file =
            slash == std::string::npos ? report.source : report.source.substr(slash + 1);
        for (const Finding& finding : report.findings) {
            rows.push_back({file, findingRecordText(finding), findingKindText(finding.kind),
                            findingChangeText(finding), finding.reason});
        }
    }
    return rows;
}

std::string findingsCsv(const std::vector<std::vector<std::string>>& rows) {
    std::string csv;
    const auto line = [&csv](const auto& fields) {
        bool first = true;
        for (const std::string_view field : fields) {
            csv += first ? "" : ",";
            first = false;
            if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
                csv += field;
                continue;
            }
            csv += '"';
            for (const char c : field) {
                csv += c;
                if (c == '"') {
                    csv += '"';
                }
            }
            csv += '"';
        }
        csv += "\r\n";
    };
    line(kHeadings);
    for (const std::vector<std::string>& row : rows) {
        line(row);
    }
    return csv;
}

FindingsDialog::FindingsDialog(const std::vector<ConversionReport>& reports, DialogService& dialogs,
                               QWidget* parent)
    : QDialog(parent), dialogs_(dialogs), rows_(findingRows(reports)),
      table_(new QTableWidget(this)),
      save_(new QPushButton(QString::fromLatin1(kSaveCsvCaption), this)) {
    setWindowTitle(QString::fromLatin1(kFindingsCaption));
    setModal(true);
    setSizeGripEnabled(true);
    resize(760, 360);
    KeyFilter::install(this);

    table_->setColumnCount(static_cast<int>(std::size(kHeadings)));
    QStringList headings;
    for (const char* heading : kHeadings) {
        headings << QString::fromLatin1(heading);
    }
    table_->setHorizontalHeaderLabels(headings);
    table_->setRowCount(static_cast<int>(rows_.size()));
    for (std::size_t r = 0; r < rows_.size(); ++r) {
        for (std::size_t c = 0; c < rows_[r].size(); ++c) {
            auto* item = new QTableWidgetItem(localText(rows_[r][c]));
            item->setData(Qt::UserRole, static_cast<qulonglong>(r)); // its row of rows_
            table_->setItem(static_cast<int>(r), static_cast<int>(c), item);
        }
    }
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSortingEnabled(true);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->resizeColumnsToContents();

    auto* close = new QPushButton(QString::fromLatin1(kCloseCaption), this);
    close->setAutoDefault(false);
    save_->setAutoDefault(false);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    connect(save_, &QPushButton::clicked, this, &FindingsDialog::saveAsCsv);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(save_);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table_);
    layout->addLayout(buttons);
}

void FindingsDialog::saveAsCsv() {
    const FileDialogRequest request = FileDialogRequest::forSaving(
        QStringLiteral("*.csv"), QStringLiteral("CSV files (*.csv)|*.csv|All files (*.*)|*.*||"),
        QStringLiteral("csv"));
    const QString path = dialogs_.saveFile(this, request);
    if (path.isEmpty()) {
        return;
    }
    // The rows in the table's sort order, with the bytes of the findings (a name in another
    // character set does not survive the trip through the table's texts).
    std::vector<std::vector<std::string>> rows;
    for (int r = 0; r < table_->rowCount(); ++r) {
        rows.push_back(rows_[table_->item(r, 0)->data(Qt::UserRole).toULongLong()]);
    }
    OutputFile file;
    ResultCode result = file.create(localPath(path));
    if (result == kOk) {
        file.write(findingsCsv(rows));
        result = file.close();
    }
    if (result != kOk) {
        dialogs_.message(this, QStringLiteral("Cannot write ") + path, MessageIcon::Error);
    }
}

} // namespace velmar
