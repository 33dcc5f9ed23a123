#include "ui/FileDropListView.h"

#include <QHeaderView>

#include <algorithm>
#include <memory>

#include "ui/FileFacts.h"

namespace velmar {

namespace {

constexpr int kDateWidth = 90;
constexpr int kSizeWidth = 60;
constexpr int kHeadingMargin = 16; // the header's padding around a heading

} // namespace

FileDropListView::FileDropListView(QWidget* parent) : FileDropList(parent) {
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    header()->setSectionsClickable(false);
    header()->setSortIndicatorShown(false);
}

void FileDropListView::initColumns() {
    const int width = viewport()->width();
    setColumnCount(3);
    setHeaderLabels(
        {QStringLiteral("Name"), QStringLiteral("Date (d/m/yyyy)"), QStringLiteral("Size (KB)")});
    headerItem()->setTextAlignment(NameColumn, Qt::AlignLeft | Qt::AlignVCenter);
    headerItem()->setTextAlignment(DateColumn, Qt::AlignRight | Qt::AlignVCenter);
    headerItem()->setTextAlignment(SizeColumn, Qt::AlignRight | Qt::AlignVCenter);
    header()->setStretchLastSection(false);
    // 90 and 60 pixels, or what the headings need in a wider font.
    const auto fit = [this](int column, int least) {
        const int text = header()->fontMetrics().horizontalAdvance(headerItem()->text(column));
        return std::max(least, text + kHeadingMargin);
    };
    const int dateWidth = fit(DateColumn, kDateWidth);
    const int sizeWidth = fit(SizeColumn, kSizeWidth);
    setColumnWidth(NameColumn, std::max(0, width - dateWidth - sizeWidth));
    setColumnWidth(DateColumn, dateWidth);
    setColumnWidth(SizeColumn, sizeWidth);
    // The name takes what the other two leave, also when the list is laid out or resized later
    // (a page's list is sized only when its window first shows).
    header()->setSectionResizeMode(NameColumn, QHeaderView::Stretch);
}

void FileDropListView::addFile(const QString& path) {
    const std::string local = localPath(path);
    auto row = std::make_unique<QTreeWidgetItem>();
    row->setText(NameColumn, path);
    row->setToolTip(NameColumn, path);
    row->setText(DateColumn, QString::fromStdString(fileDateText(local)));
    row->setText(SizeColumn, QString::fromStdString(fileSizeText(local)));
    row->setTextAlignment(DateColumn, Qt::AlignRight | Qt::AlignVCenter);
    row->setTextAlignment(SizeColumn, Qt::AlignRight | Qt::AlignVCenter);
    addTopLevelItem(row.release()); // the view owns its rows
}

QStringList FileDropListView::paths() const {
    QStringList list;
    for (int i = 0; i < topLevelItemCount(); ++i) {
        list.append(topLevelItem(i)->text(NameColumn));
    }
    return list;
}

} // namespace velmar
