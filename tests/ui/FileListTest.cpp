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

using test::TempDir;
using test::writeBytes;

// Drags the paths over the list's viewport and drops them; whether each event was accepted.
struct DropOutcome {
    bool enterAccepted = false;
    bool moveAccepted = false;
    bool dropAccepted = false;
};

DropOutcome dropOn(QAbstractItemView* list, const QList<QUrl>& urls) {
    QMimeData mime;
    mime.setUrls(urls);
    const QPointF where(10, 10);
    DropOutcome outcome;
    QDragEnterEvent enter(where.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &enter);
    outcome.enterAccepted = enter.isAccepted();
    QDragMoveEvent move(where.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &move);
    outcome.moveAccepted = move.isAccepted();
    QDropEvent drop(where, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &drop);
    outcome.dropAccepted = drop.isAccepted();
    return outcome;
}

QList<QUrl> localUrls(const QStringList& paths) {
    QList<QUrl> urls;
    for (const QString& path : paths) {
        urls.append(QUrl::fromLocalFile(path));
    }
    return urls;
}

void setModified(const std::string& path, std::int64_t seconds) {
    utimbuf times{};
    times.actime = static_cast<time_t>(seconds);
    times.modtime = static_cast<time_t>(seconds);
    ASSERT_EQ(::utime(path.c_str(), &times), 0);
}

TEST(FileDropListBoxTest, DropAppendsEveryPathInDropOrderWithoutFiltering) {
    TempDir dir;
    writeBytes(dir.file("b.hub"), "x");
    writeBytes(dir.file("a.s41"), "y");
    FileDropListBox list;
    list.addEntry(QStringLiteral("/first/entry.hub"));
    // A folder, a missing file and a repeated path are all listed.
    const QStringList dropped = {
        QString::fromStdString(dir.file("b.hub")), QString::fromStdString(dir.file("a.s41")),
        QString::fromStdString(dir.path().string()),
        QString::fromStdString(dir.file("missing.xml")), QString::fromStdString(dir.file("b.hub"))};
    const DropOutcome outcome = dropOn(&list, localUrls(dropped));
    EXPECT_TRUE(outcome.enterAccepted);
    EXPECT_TRUE(outcome.moveAccepted);
    EXPECT_TRUE(outcome.dropAccepted);
    QStringList expected = {QStringLiteral("/first/entry.hub")};
    expected.append(dropped);
    EXPECT_EQ(list.entries(), expected);
}

TEST(FileDropListBoxTest, DragWithoutFilesIsRefusedAndAddsNothing) {
    FileDropListBox list;
    QMimeData mime;
    mime.setText(QStringLiteral("/not/a/url"));
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &enter);
    EXPECT_FALSE(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &drop);
    EXPECT_EQ(list.count(), 0);
    // Web addresses are not files.
    dropOn(&list, {QUrl(QStringLiteral("https://example.invalid/a.hub"))});
    EXPECT_EQ(list.count(), 0);
}

TEST(FileDropListBoxTest, DeleteKeyRemovesTheSelectedEntriesOnly) {
    struct Case {
        std::vector<int> selected;
        QStringList remaining;
    };
    const std::vector<Case> cases = {
        {{1, 3, 4}, {"e0", "e2"}},    {{}, {"e0", "e1", "e2", "e3", "e4"}},
        {{0, 1, 2, 3, 4}, {}},        {{4}, {"e0", "e1", "e2", "e3"}},
        {{0, 2}, {"e1", "e3", "e4"}},
    };
    for (const Case& c : cases) {
        FileDropListBox list;
        for (int i = 0; i < 5; ++i) {
            list.addEntry(QStringLiteral("e%1").arg(i));
        }
        list.clearSelection();
        for (int row : c.selected) {
            list.item(row)->setSelected(true);
        }
        QTest::keyClick(&list, Qt::Key_Delete);
        EXPECT_EQ(list.entries(), c.remaining) << c.selected.size() << " selected";
    }
}

TEST(FileDropListBoxTest, ListKeepsInsertionOrderAndAllowsManySelected) {
    FileDropListBox list;
    list.addEntry(QStringLiteral("z.hub"));
    list.addEntry(QStringLiteral("a.hub"));
    EXPECT_EQ(list.entries(), (QStringList{"z.hub", "a.hub"}));
    EXPECT_EQ(list.selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_TRUE(list.acceptDrops());
    const std::vector<std::string> paths = list.entryPaths();
    ASSERT_EQ(paths.size(), 2u);
    EXPECT_EQ(paths[0], "z.hub");
}

TEST(FileFactsTest, SizeRoundsHalvesUp) {
    struct Case {
        std::uint64_t bytes;
        const char* text;
    };
    const Case cases[] = {{0, "0"},    {511, "0"},        {512, "1"},
                          {1023, "1"}, {1535, "1"},       {1536, "2"},
                          {1024, "1"}, {2097152, "2048"}, {5368709120ull, "5242880"}};
    for (const Case& c : cases) {
        EXPECT_EQ(formatListSize(c.bytes), c.text) << c.bytes;
    }
}

TEST(FileFactsTest, DateIsTheUtcCalendarDayWithoutPaddingTheDay) {
    struct Case {
        CivilTime time;
        const char* text;
    };
    const Case cases[] = {
        {{12, 0, 0, 5, 3, 2012}, "5/03/2012"},
        {{23, 59, 59, 31, 12, 1999}, "31/12/1999"},
        {{0, 0, 0, 1, 1, 1970}, "1/01/1970"},
        {{0, 0, 0, 29, 2, 2024}, "29/02/2024"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(formatListDate(secondsFromCivil(c.time)), c.text);
    }
}

TEST(FileFactsTest, FoldersAndMissingFilesShowStars) {
    TempDir dir;
    EXPECT_EQ(fileDateText(dir.path().string()), "*");
    EXPECT_EQ(fileSizeText(dir.path().string()), "*");
    EXPECT_EQ(fileDateText(dir.file("missing")), "*");
    EXPECT_EQ(fileSizeText(dir.file("missing")), "*");
    EXPECT_EQ(fileSizeText(""), "*");
}

TEST(FileDropListViewTest, ColumnsFillTheClientWidth) {
    FileDropListView view;
    view.resize(500, 300);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    view.initColumns();
    ASSERT_EQ(view.columnCount(), 3);
    const QTreeWidgetItem* header = view.headerItem();
    EXPECT_EQ(header->text(0), "Name");
    EXPECT_EQ(header->text(1), "Date (d/m/yyyy)");
    EXPECT_EQ(header->text(2), "Size (KB)");
    EXPECT_TRUE(header->textAlignment(0) & Qt::AlignLeft);
    EXPECT_TRUE(header->textAlignment(1) & Qt::AlignRight);
    EXPECT_TRUE(header->textAlignment(2) & Qt::AlignRight);
    EXPECT_EQ(view.columnWidth(1), 90);
    EXPECT_EQ(view.columnWidth(2), 60);
    EXPECT_EQ(view.columnWidth(0) + 150, view.viewport()->width());
    EXPECT_FALSE(view.isSortingEnabled());
    EXPECT_FALSE(view.header()->sectionsClickable());
}

TEST(FileDropListViewTest, AddFileShowsDateAndRoundedSize) {
    TempDir dir;
    struct Case {
        const char* name;
        std::size_t bytes;
        const char* size;
    };
    const Case cases[] = {{"a.s41", 511, "0"}, {"b.s41", 512, "1"}, {"c.s41", 1536, "2"}};
    FileDropListView view;
    view.initColumns();
    const std::int64_t march5 = secondsFromCivil({12, 30, 0, 5, 3, 2012});
    for (const Case& c : cases) {
        writeBytes(dir.file(c.name), std::string(c.bytes, 'x'));
        setModified(dir.file(c.name), march5);
        view.addFile(QString::fromStdString(dir.file(c.name)));
    }
    ASSERT_EQ(view.topLevelItemCount(), 3);
    for (int i = 0; i < 3; ++i) {
        const QTreeWidgetItem* row = view.topLevelItem(i);
        EXPECT_EQ(row->text(0).toStdString(), dir.file(cases[i].name));
        EXPECT_EQ(row->text(1), "5/03/2012");
        EXPECT_EQ(row->text(2), cases[i].size);
        EXPECT_TRUE(row->textAlignment(2) & Qt::AlignRight);
    }
}

TEST(FileDropListViewTest, ReadOnlyFileShowsItsFactsAndFolderShowsStars) {
    TempDir dir;
    writeBytes(dir.file("locked.s6"), std::string(2048, 'y'));
    setModified(dir.file("locked.s6"), secondsFromCivil({0, 0, 1, 14, 7, 2011}));
    ASSERT_EQ(::chmod(dir.file("locked.s6").c_str(), 0444), 0);
    FileDropListView view;
    view.initColumns();
    view.addFile(QString::fromStdString(dir.file("locked.s6")));
    view.addFile(QString::fromStdString(dir.path().string()));
    view.addFile(QString::fromStdString(dir.file("gone.s6")));
    ASSERT_EQ(view.topLevelItemCount(), 3);
    EXPECT_EQ(view.topLevelItem(0)->text(1), "14/07/2011");
    EXPECT_EQ(view.topLevelItem(0)->text(2), "2");
    for (int i = 1; i < 3; ++i) {
        EXPECT_EQ(view.topLevelItem(i)->text(1), "*");
        EXPECT_EQ(view.topLevelItem(i)->text(2), "*");
    }
    ::chmod(dir.file("locked.s6").c_str(), 0644);
}

TEST(FileDropListViewTest, DropAddsRowsAndDeleteRemovesSelectedRows) {
    TempDir dir;
    QStringList paths;
    for (int i = 0; i < 5; ++i) {
        const std::string path = dir.file("f" + std::to_string(i) + ".s5");
        writeBytes(path, std::string(static_cast<std::size_t>(1024 * i), 'z'));
        paths.append(QString::fromStdString(path));
    }
    FileDropListView view;
    view.initColumns();
    const DropOutcome outcome = dropOn(&view, localUrls(paths));
    EXPECT_TRUE(outcome.enterAccepted);
    EXPECT_TRUE(outcome.moveAccepted);
    EXPECT_TRUE(outcome.dropAccepted);
    ASSERT_EQ(view.paths(), paths);
    EXPECT_EQ(view.topLevelItem(3)->text(2), "3");

    QTest::keyClick(&view, Qt::Key_Delete); // nothing selected
    EXPECT_EQ(view.topLevelItemCount(), 5);
    view.clearSelection();
    for (int row : {1, 3, 4}) {
        view.topLevelItem(row)->setSelected(true);
    }
    QTest::keyClick(&view, Qt::Key_Delete);
    EXPECT_EQ(view.paths(), (QStringList{paths[0], paths[2]}));
}

} // namespace
} // namespace velmar
