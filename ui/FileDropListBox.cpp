#include "ui/FileDropListBox.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QKeyEvent>
#include <QMimeData>
#include <QUrl>

#include <algorithm>
#include <memory>

namespace velmar {

QStringList droppedPaths(const QMimeData* mime) {
    QStringList paths;
    if (mime == nullptr || !mime->hasUrls()) {
        return paths;
    }
    const QList<QUrl> urls = mime->urls();
    for (const QUrl& url : urls) {
        if (url.isLocalFile()) {
            paths.append(url.toLocalFile());
        }
    }
    return paths;
}

void acceptUrlDrag(QDragMoveEvent* event) {
    if (event->mimeData() != nullptr && event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
        return;
    }
    event->ignore();
}

void dropLocalPaths(QDropEvent* event, const std::function<void(const QString&)>& add) {
    const QStringList paths = droppedPaths(event->mimeData());
    if (paths.isEmpty()) {
        event->ignore();
        return;
    }
    for (const QString& path : paths) {
        add(path);
    }
    event->acceptProposedAction();
}

std::string localPath(const QString& path) {
    const QByteArray bytes = QFile::encodeName(path);
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QString fromLocalPath(const std::string& path) {
    return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}

FileDropListBox::FileDropListBox(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSortingEnabled(false);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // A long path keeps its file name in view: its middle is elided, the whole is the tooltip.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTextElideMode(Qt::ElideMiddle);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
}

void FileDropListBox::addEntry(const QString& path) {
    addItem(path);
    item(count() - 1)->setToolTip(path);
}

QStringList FileDropListBox::entries() const {
    QStringList list;
    list.reserve(count());
    for (int i = 0; i < count(); ++i) {
        list.append(item(i)->text());
    }
    return list;
}

std::vector<std::string> FileDropListBox::entryPaths() const {
    std::vector<std::string> paths;
    paths.reserve(static_cast<std::size_t>(count()));
    for (int i = 0; i < count(); ++i) {
        paths.push_back(localPath(item(i)->text()));
    }
    return paths;
}

void FileDropListBox::deleteSelected() {
    std::vector<int> rows;
    const auto selected = selectedItems();
    for (const QListWidgetItem* entry : selected) {
        rows.push_back(row(entry));
    }
    if (rows.empty()) {
        return;
    }
    std::sort(rows.begin(), rows.end());
    // From the last index to the first, so the indexes not yet deleted stay valid.
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
        const std::unique_ptr<QListWidgetItem> gone(takeItem(*it));
    }
}

void FileDropListBox::dragEnterEvent(QDragEnterEvent* event) {
    acceptUrlDrag(event);
}

void FileDropListBox::dragMoveEvent(QDragMoveEvent* event) {
    acceptUrlDrag(event);
}

void FileDropListBox::dropEvent(QDropEvent* event) {
    dropLocalPaths(event, [this](const QString& path) { addEntry(path); });
}

void FileDropListBox::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete) {
        deleteSelected();
    }
    QListWidget::keyPressEvent(event);
}

} // namespace velmar
