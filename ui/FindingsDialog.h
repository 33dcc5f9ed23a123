#pragma once
// The "Details" window of a conversion that changed records: one row per finding (file, record,
// what happened, old -> new, why), sortable by any column, and "Save as CSV".

#include <QDialog>

#include <string>
#include <vector>

#include "core/ConversionReport.h"

class QPushButton;
class QTableWidget;

namespace velmar {

class DialogService;

inline constexpr char kFindingsCaption[] = "Details";
inline constexpr char kSaveCsvCaption[] = "Save as CSV";
inline constexpr char kCloseCaption[] = "Close";

// The rows of the findings of the reports: file, record, what happened, change, why.
std::vector<std::vector<std::string>> findingRows(const std::vector<ConversionReport>& reports);
// The table as CSV: a heading line, then the rows; a field holding a comma, a quote or a line end
// is quoted (its quotes doubled); lines end with CR LF. The texts' bytes are kept as they are.
std::string findingsCsv(const std::vector<std::vector<std::string>>& rows);

class FindingsDialog : public QDialog {
    Q_OBJECT
  public:
    FindingsDialog(const std::vector<ConversionReport>& reports, DialogService& dialogs,
                   QWidget* parent = nullptr);

    QTableWidget* table() const { return table_; }
    QPushButton* saveButton() const { return save_; }

  private:
    void saveAsCsv();

    DialogService& dialogs_;
    std::vector<std::vector<std::string>> rows_; // the findings' own bytes, for the CSV
    QTableWidget* table_;
    QPushButton* save_;
};

} // namespace velmar
