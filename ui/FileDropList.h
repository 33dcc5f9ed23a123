#pragma once
// What the two file lists of the pages share, whichever item widget shows them: files dropped
// from the file manager are appended in drop order, Delete removes the selected entries, and a
// long path keeps its file name in view (its middle elided, the whole in the tooltip).

#include <QAbstractItemView>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

class QMimeData;

namespace velmar {

// The local paths of a drop, in drop order; URLs that are not local files are left out.
QStringList droppedPaths(const QMimeData* mime);
// What a file list does with a drag: one that carries URLs is taken (enter and move), and its
// drop hands each local path to `add` in drop order; a drop without one is ignored.
void acceptUrlDrag(QDragMoveEvent* event);
void dropLocalPaths(QDropEvent* event, const std::function<void(const QString&)>& add);
// The file system's byte string of a path (and back).
std::string localPath(const QString& path);
QString fromLocalPath(const std::string& path);

// A file list shown by the item widget `View` (QListWidget, QTreeWidget): one row per entry.
template <typename View> class FileDropList : public View {
  public:
    explicit FileDropList(QWidget* parent) : View(parent) {
        this->setSelectionMode(QAbstractItemView::ExtendedSelection);
        this->setSortingEnabled(false);
        this->setTextElideMode(Qt::ElideMiddle);
        this->setAcceptDrops(true);
        this->viewport()->setAcceptDrops(true);
        this->setDragDropMode(QAbstractItemView::DropOnly);
    }

    // Removes the selected entries, from the last to the first, so the rows not yet removed keep
    // their numbers.
    void deleteSelected() {
        std::vector<int> rows;
        const QModelIndexList selected = this->selectedIndexes();
        for (const QModelIndex& index : selected) {
            rows.push_back(index.row());
        }
        std::sort(rows.begin(), rows.end());
        rows.erase(std::unique(rows.begin(), rows.end()), rows.end()); // a row's other columns
        for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
            this->model()->removeRow(*it);
        }
    }

  protected:
    // Appends the entry of a dropped file.
    virtual void addDropped(const QString& path) = 0;

    void dragEnterEvent(QDragEnterEvent* event) override { acceptUrlDrag(event); }
    void dragMoveEvent(QDragMoveEvent* event) override { acceptUrlDrag(event); }
    void dropEvent(QDropEvent* event) override {
        dropLocalPaths(event, [this](const QString& path) { addDropped(path); });
    }
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Delete) {
            deleteSelected();
        }
        View::keyPressEvent(event);
    }
};

} // namespace velmar
