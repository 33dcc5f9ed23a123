#pragma once
// The plain file list of the Convert and Merge pages: full paths in the order they were added.
// Files dropped from the file manager are appended in drop order; Delete removes the selected
// entries.

#include <QListWidget>
#include <QStringList>

#include <functional>
#include <string>
#include <vector>

namespace velmar {

class FileDropListBox : public QListWidget {
    Q_OBJECT
  public:
    explicit FileDropListBox(QWidget* parent = nullptr);

    void addEntry(const QString& path);
    QStringList entries() const;
    // The entries as the file system's byte strings, for the jobs.
    std::vector<std::string> entryPaths() const;
    // Removes the selected entries, from the last to the first.
    void deleteSelected();

  protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

// The local paths of a drop, in drop order; URLs that are not local files are left out.
QStringList droppedPaths(const QMimeData* mime);
// What both file lists do with a drag: one that carries URLs is taken (enter and move), and
// its drop hands each local path to `add` in drop order; a drop without one is ignored.
void acceptUrlDrag(QDragMoveEvent* event);
void dropLocalPaths(QDropEvent* event, const std::function<void(const QString&)>& add);
// The file system's byte string of a path (and back).
std::string localPath(const QString& path);
QString fromLocalPath(const std::string& path);

} // namespace velmar
