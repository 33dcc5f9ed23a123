#pragma once
// The plain file list of the Convert and Merge pages: full paths in the order they were added.

#include <QListWidget>
#include <QStringList>

#include <string>
#include <vector>

#include "ui/FileDropList.h"

namespace velmar {

class FileDropListBox : public FileDropList<QListWidget> {
    Q_OBJECT
  public:
    explicit FileDropListBox(QWidget* parent = nullptr);

    void addEntry(const QString& path);
    QStringList entries() const;
    // The entries as the file system's byte strings, for the jobs.
    std::vector<std::string> entryPaths() const;

  protected:
    void addDropped(const QString& path) override { addEntry(path); }
};

} // namespace velmar
