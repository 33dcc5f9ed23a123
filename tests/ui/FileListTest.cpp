// The file lists: drops append every path in drop order, Delete removes the selection, and the
// list view's date and size columns come from the file's metadata.

#include <QApplication>
#include <QHeaderView>
#include <QMimeData>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <utime.h>

#include "TestSupport.h"
#include "core/Calendar.h"
#include "ui/FileDropListBox.h"
#include "ui/FileDropListView.h"
#include "ui/FileFacts.h"

namespace velmar {
namespace {

// Drags the paths (or the text) over the list and drops them; whether every event was accepted.
bool drop(QAbstractItemView* list, const QStringList& paths, const QString& text = {}) {
    QMimeData mime;
    QList<QUrl> urls;
    for (const QString& path : paths) {
        urls.append(path.contains("://") ? QUrl(path) : QUrl::fromLocalFile(path));
    }
    text.isEmpty() ? mime.setUrls(urls) : mime.setText(text);
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, {});
    QDragMoveEvent move(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, {});
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, {});
    bool accepted = true;
    for (QEvent* event : std::initializer_list<QEvent*>{&enter, &move, &drop}) {
        QApplication::sendEvent(list->viewport(), event);
        accepted = accepted && event->isAccepted();
    }
    return accepted;
}

// Selects the rows and presses Delete.
void deleteRows(QAbstractItemView* list, const std::vector<int>& rows) {
    list->clearSelection();
    for (const int row : rows) {
        list->selectionModel()->select(list->model()->index(row, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    QTest::keyClick(list, Qt::Key_Delete);
}

TEST(FileListTest, DropsAppendEveryLocalPathInOrderAndDeleteRemovesTheSelection) {
    test::TempDir dir;
    test::writeBytes(dir.file("a.hub"), "x");
    test::writeBytes(dir.file("b.s41"), std::string(2048, 'y'));
    // A folder, a missing file and a repeated path are all listed.
    QStringList paths;
    for (const char* name : {"a.hub", "", "missing.xml", "a.hub", "b.s41"}) {
        paths.append(QString::fromStdString(dir.file(name)));
    }
    FileDropListBox box;
    FileDropListView view;
    view.initColumns();
    const std::pair<QAbstractItemView*, std::function<QStringList()>> lists[] = {
        {&box, [&] { return box.entries(); }}, {&view, [&] { return view.paths(); }}};
    for (const auto& [list, entries] : lists) {
        EXPECT_TRUE(drop(list, paths));
        EXPECT_EQ(entries(), paths);
        deleteRows(list, {});
        EXPECT_EQ(entries(), paths);
        deleteRows(list, {1, 3, 4});
        EXPECT_EQ(entries(), (QStringList{paths[0], paths[2]}));
        EXPECT_FALSE(drop(list, {}, QStringLiteral("/not/a/url")));    // text is not a file
        drop(list, {QStringLiteral("https://example.invalid/a.hub")}); // nor a web address
        EXPECT_EQ(entries().size(), 2);
    }
}

TEST(FileDropListViewTest, ColumnsFillTheWidthAndRowsShowTheMetadata) {
    test::TempDir dir;
    FileDropListView view;
    view.resize(500, 300);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    view.initColumns();
    ASSERT_EQ(view.columnCount(), 3);
    const QStringList headers = {"Name", "Date (d/m/yyyy)", "Size (KB)"};
    for (int column = 0; column < 3; ++column) {
        EXPECT_EQ(view.headerItem()->text(column), headers[column]);
        EXPECT_TRUE(view.headerItem()->textAlignment(column) &
                    (column == 0 ? Qt::AlignLeft : Qt::AlignRight));
    }
    for (const auto& [column, least] : {std::pair(1, 90), std::pair(2, 60)}) {
        // 90 and 60 pixels, or wider when the heading needs it: never cut.
        const int heading = view.header()->fontMetrics().horizontalAdvance(headers[column]);
        EXPECT_EQ(view.columnWidth(column), std::max(least, heading + 16)) << column;
    }
    for (const int width : {500, 700}) { // the name takes the rest, also after a resize
        view.resize(width, 300);
        EXPECT_EQ(view.columnWidth(0) + view.columnWidth(1) + view.columnWidth(2),
                  view.viewport()->width());
    }
    EXPECT_FALSE(view.isSortingEnabled() || view.header()->sectionsClickable());
    // Name, bytes (none: the folder itself, a missing file), last write, date and size shown.
    // The files are read-only and show their facts all the same: nothing opens them to write.
    const std::tuple<std::string, int, CivilTime, QString, QString> rows[] = {
        {"a.s41", 511, {12, 30, 0, 5, 3, 2012}, "5/03/2012", "0"},
        {"b.s41", 512, {23, 59, 59, 29, 2, 2024}, "29/02/2024", "1"},
        {"c.s41", 1535, {0, 0, 0, 1, 1, 1970}, "1/01/1970", "1"},
        {"d.s41", 1536, {0, 0, 1, 31, 12, 1999}, "31/12/1999", "2"},
        {"", -1, {}, "*", "*"},
        {"gone.s6", -1, {}, "*", "*"}};
    for (const auto& [name, bytes, modified, date, size] : rows) {
        if (bytes >= 0) {
            test::writeBytes(dir.file(name), std::string(static_cast<std::size_t>(bytes), 'x'));
            const auto seconds = static_cast<time_t>(secondsFromCivil(modified));
            const utimbuf times{seconds, seconds};
            ASSERT_EQ(::utime(dir.file(name).c_str(), &times), 0);
            ASSERT_EQ(::chmod(dir.file(name).c_str(), 0444), 0);
        }
        view.addFile(QString::fromStdString(dir.file(name)));
        const QTreeWidgetItem* row = view.topLevelItem(view.topLevelItemCount() - 1);
        EXPECT_EQ(row->text(0).toStdString(), dir.file(name));
        EXPECT_EQ(row->text(1), date) << name;
        EXPECT_EQ(row->text(2), size) << name;
        EXPECT_TRUE(row->textAlignment(2) & Qt::AlignRight);
    }
    EXPECT_EQ(formatListSize(5368709120ull), "5242880"); // past 32 bits
}

} // namespace
} // namespace velmar
