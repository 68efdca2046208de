// The database list's commands: open dialog, dropped files, delete and copy, by their senders.

#include "support/main_window_harness.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QMimeData>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

QStringList captions(const TfrmMain& w)
{
    QStringList out;
    for (int i = 0; i < w.lsvDatabases->topLevelItemCount(); ++i)
        out << w.lsvDatabases->topLevelItem(i)->text(0);
    return out;
}

void drop(TfrmMain& w, const QStringList& paths)
{
    QMimeData mime;
    QList<QUrl> urls;
    for (const QString& p : paths)
        urls << QUrl::fromLocalFile(p);
    mime.setUrls(urls);
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent dropped(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &dropped);
}

// Clicks a toolbar button or triggers a menu item by its name.
void send(TfrmMain& w, const QString& name)
{
    if (auto* button = w.findChild<QToolButton*>(name))
        button->click();
    else if (auto* action = w.findChild<QAction*>(name))
        action->trigger();
    else
        FAIL() << "no component " << name.toStdString();
}

} // namespace

TEST(DatabaseListCommands, OpenDialogAddsEverySelectedFileInOrder)
{
    for (const char* sender : {"btnOpen", "Open1", "Add1"}) {
        SCOPED_TRACE(sender);
        MainWindowHarness h;
        h.writeFile("mdb.dat", "/db/a.mdb\r\n");
        h.dialogs.fileAnswers.push_back({"/db/a.mdb", "/x/y/notes.txt"});
        TfrmMain& w = h.start();
        send(w, QString::fromLatin1(sender));
        ASSERT_EQ(h.dialogs.fileRequests.size(), 1u);
        EXPECT_EQ(h.dialogs.fileRequests[0].filter,
                  QStringLiteral("JETﾃﾞｰﾀﾍﾞｰｽ (*.mdb)|*.mdb|すべてのﾌｧｲﾙ (*.*)|*.*"));
        EXPECT_EQ(h.dialogs.fileRequests[0].defaultSuffix, QStringLiteral("mdb"));
        EXPECT_TRUE(h.dialogs.fileRequests[0].multiple);
        EXPECT_EQ(captions(w), (QStringList{"a.mdb", "a.mdb", "notes.txt"}));
        EXPECT_EQ(w.lsvDatabases->topLevelItem(2)->text(1), QStringLiteral("/x/y/"));
        // Cancelled: nothing added.
        send(w, QString::fromLatin1(sender));
        EXPECT_EQ(w.lsvDatabases->topLevelItemCount(), 3);
    }
}

TEST(DatabaseListCommands, DroppedPathsAreAddedWhole)
{
    MainWindowHarness h;
    TfrmMain& w = h.start();
    const QString longPath = QStringLiteral("/") + QStringLiteral("長いフォルダ名").repeated(20) + QStringLiteral("/データ.mdb");
    ASSERT_GT(longPath.toUtf8().size(), 255);
    const QString folder = h.dir.path() + QStringLiteral("/フォルダ");
    ASSERT_TRUE(QDir().mkdir(folder));
    drop(w, {"/db/a.mdb", "/db/a.mdb", longPath, folder, "/db/readme"});
    EXPECT_EQ(captions(w), (QStringList{"a.mdb", "a.mdb", "データ.mdb", "フォルダ", "readme"}));
    const QTreeWidgetItem* item = w.lsvDatabases->topLevelItem(2);
    EXPECT_EQ(item->text(1) + item->text(0), longPath);
    EXPECT_EQ(w.lsvDatabases->topLevelItem(3)->text(1), h.dir.path() + QStringLiteral("/"));
    h.finish();
    EXPECT_TRUE(h.readFile("mdb.dat").contains(longPath.toUtf8() + "\r\n"));
}

TEST(DatabaseListCommands, DeleteRemovesTheSelectedEntryOnly)
{
    for (const char* sender : {"btnDelete", "Delete1", "Delete2"}) {
        SCOPED_TRACE(sender);
        MainWindowHarness h;
        h.writeFile("mdb.dat", "/a.mdb\r\n/b.mdb\r\n/c.mdb\r\n");
        TfrmMain& w = h.start();
        send(w, QString::fromLatin1(sender));                 // nothing selected: nothing happens
        EXPECT_EQ(captions(w), (QStringList{"a.mdb", "b.mdb", "c.mdb"}));
        w.lsvDatabases->setCurrentItem(w.lsvDatabases->topLevelItem(1));
        send(w, QString::fromLatin1(sender));
        EXPECT_EQ(captions(w), (QStringList{"a.mdb", "c.mdb"}));
    }
}

TEST(DatabaseListCommands, CopyTakesNameOrFullPathBySender)
{
    struct Case {
        const char* sender;
        const char* text;
    };
    const Case cases[] = {
        {"Copy1", "a.mdb"}, {"btnCopy1", "a.mdb"}, {"Copy4", "a.mdb"},
        {"Copy2", "/db/a.mdb"}, {"btnCopy2", "/db/a.mdb"}, {"Copy5", "/db/a.mdb"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sender);
        MainWindowHarness h;
        h.writeFile("mdb.dat", "/db/a.mdb\r\n");
        TfrmMain& w = h.start();
        QGuiApplication::clipboard()->setText(QStringLiteral("unchanged"));
        send(w, QString::fromLatin1(c.sender));              // nothing selected
        EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("unchanged"));
        w.lsvDatabases->setCurrentItem(w.lsvDatabases->topLevelItem(0));
        send(w, QString::fromLatin1(c.sender));
        EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf8(c.text));
    }
}

TEST(DatabaseListCommands, ListBehavesAsAReportList)
{
    MainWindowHarness h;
    h.writeFile("mdb.dat", "/b.mdb\r\n/a.mdb\r\n");
    TfrmMain& w = h.start();
    EXPECT_EQ(w.lsvDatabases->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_EQ(w.lsvDatabases->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_FALSE(w.lsvDatabases->isSortingEnabled());
    EXPECT_EQ(w.lsvDatabases->contextMenuPolicy(), Qt::CustomContextMenu);
    EXPECT_EQ(captions(w), (QStringList{"b.mdb", "a.mdb"}));
}

// A second Ctrl+Del must never remove an entry the user did not choose: after a delete nothing
// is selected, whichever entry went.
TEST(DatabaseListCommands, AfterADeleteNoEntryIsSelected)
{
    for (int chosen : {0, 1, 2}) {
        SCOPED_TRACE(chosen);
        MainWindowHarness h;
        h.writeFile("mdb.dat", "/a.mdb\r\n/b.mdb\r\n/c.mdb\r\n");
        TfrmMain& w = h.start();
        w.show();
        QApplication::setActiveWindow(&w);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
        QTreeWidget* list = w.lsvDatabases;
        const QRect row = list->visualItemRect(list->topLevelItem(chosen));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row.center());
        ASSERT_TRUE(list->topLevelItem(chosen)->isSelected());
        QStringList left = captions(w);
        left.removeAt(chosen);

        QTest::keyClick(list, Qt::Key_Delete, Qt::ControlModifier);
        EXPECT_EQ(captions(w), left);
        EXPECT_TRUE(list->selectedItems().isEmpty());
        QTest::keyClick(list, Qt::Key_Delete, Qt::ControlModifier);
        EXPECT_EQ(captions(w), left);

        // The user chooses again: that entry goes.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->topLevelItem(0)).center());
        QTest::keyClick(list, Qt::Key_Delete, Qt::ControlModifier);
        EXPECT_EQ(captions(w), left.mid(1));
        EXPECT_TRUE(list->selectedItems().isEmpty());
    }
}

TEST(DatabaseListCommands, DeletingTheOnlyEntryLeavesAnEmptyList)
{
    MainWindowHarness h;
    h.writeFile("mdb.dat", "/a.mdb\r\n");
    TfrmMain& w = h.start();
    w.lsvDatabases->setCurrentItem(w.lsvDatabases->topLevelItem(0));
    send(w, QStringLiteral("btnDelete"));
    EXPECT_EQ(w.lsvDatabases->topLevelItemCount(), 0);
    EXPECT_TRUE(w.lsvDatabases->selectedItems().isEmpty());
    send(w, QStringLiteral("btnDelete"));
    h.finish();
    EXPECT_EQ(h.readFile("mdb.dat"), QByteArray());
}
