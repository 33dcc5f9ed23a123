#pragma once
// The three-column file list (path, last-write date, size) for pages that send files: rows in
// the order they were added.

#include <QTreeWidget>

#include "ui/FileDropList.h"

namespace velmar {

class FileDropListView : public FileDropList<QTreeWidget> {
    Q_OBJECT
  public:
    enum Column { NameColumn = 0, DateColumn = 1, SizeColumn = 2 };

    explicit FileDropListView(QWidget* parent = nullptr);

    // Creates the columns "Name", "Date (d/m/yyyy)" and "Size (KB)", filling the client width:
    // 90 and 60 pixels for date and size (more if their headings need it), the rest for the name.
    void initColumns();
    // Appends one row for the path with its date and size ("*" where they cannot be read).
    void addFile(const QString& path);
    QStringList paths() const;

  protected:
    void addDropped(const QString& path) override { addFile(path); }
};

} // namespace velmar
