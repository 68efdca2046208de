// Every test database through the explorer with the built-in engine: every table on the field page
// and on the data page, as a user browsing the files would. No box may come up, and every table
// fills the grid, whatever its name.

#include "explorer_fixture.h"

#include "dao/engine_registration.h"

#include <QDir>
#include <QDirIterator>
#include <QTabWidget>
#include <QToolButton>

using namespace explorertest;

namespace {

QStringList testDatabases()
{
    QStringList files;
    QDirIterator it(QStringLiteral(TABULON_TEST_DATA), {QStringLiteral("*.mdb"), QStringLiteral("*.accdb")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        // Damaged copies show their faults in tests of their own; many are meant not to open.
        if (!file.contains(QLatin1String("/damaged/")))
            files << file;
    }
    files.sort();
    return files;
}

// Files that are not meant to open: encrypted or protected by a password.
bool locked(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    return name.startsWith(QLatin1String("encrypted-")) || name.startsWith(QLatin1String("password-"));
}

} // namespace

TEST(FixtureSweep, EveryTableOfEveryTestDatabaseShowsItsFieldsAndRows)
{
    const QStringList files = testDatabases();
    ASSERT_GE(files.size(), 10);
    MainWindowHarness h;
    dao::registerEngine(h.registry);
    h.writeFile(QStringLiteral("kelvro.ini"), "[DAO]\nCLASS=DAO.DBEngine.35\n");
    TfrmMain& w = h.start();
    h.runDeferredStart();
    ASSERT_TRUE(w.Workspace.isObject());

    int tablesShown = 0;
    int gridsFilled = 0;
    for (const QString& file : files) {
        SCOPED_TRACE(file.toStdString());
        h.dialogs.messages.clear();
        w.PageControl1->setCurrentWidget(w.TabSheet1);
        w.addDatabaseEntry(file);
        QTreeWidgetItem* entry = w.lsvDatabases->topLevelItem(w.lsvDatabases->topLevelItemCount() - 1);
        w.lsvDatabases->clearSelection();
        entry->setSelected(true);
        w.runHandler([&] { w.lsvDatabasesDblClick(w.lsvDatabases); });
        if (locked(file)) {
            // Refused with the open message, or opened: never anything else.
            for (const auto& m : h.dialogs.messages)
                EXPECT_EQ(m.text, QStringLiteral("データベースの開設に失敗しました。"));
            continue;
        }
        ASSERT_TRUE(w.DatabaseOpen);
        for (const auto& m : h.dialogs.messages)
            ADD_FAILURE() << "box on opening: " << m.text.toStdString();
        h.dialogs.messages.clear();

        const int tabs = w.tabTables->count();
        for (int page = 0; page < 2; ++page) {
            w.PageControl1->setCurrentWidget(page == 0 ? w.TabSheet1 : w.TabSheet2);
            for (int i = 0; i < tabs; ++i) {
                w.runHandler([&] { w.Next1Click(w.btnNext); });
                const QString table = w.tabTables->tabText(w.tabTables->currentIndex());
                SCOPED_TRACE(table.toStdString());
                for (const auto& m : h.dialogs.messages)
                    ADD_FAILURE() << "box: " << m.text.toStdString();
                h.dialogs.messages.clear();
                if (page == 0) {
                    EXPECT_GT(w.lsvFields->topLevelItemCount(), 0);
                    ++tablesShown;
                    continue;
                }
                const QString last = lastLogLine(w);
                gridsFilled += last.endsWith(QStringLiteral(" 件 )")) ? 1 : 0;
                EXPECT_NE(last, table + QStringLiteral(" SQLの実行エラー。"));
            }
        }
    }
    std::printf("%d tables shown, %d grids filled\n", tablesShown, gridsFilled);
    EXPECT_GE(tablesShown, 80);
    EXPECT_GE(gridsFilled, 50);
}
