#include "ui/FileDropListBox.h"

namespace velmar {

FileDropListBox::FileDropListBox(QWidget* parent) : FileDropList(parent) {
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // No horizontal scrolling: a long path is elided in the middle instead.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
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

} // namespace velmar
