// The explorer over the built-in engine and a real database file: tabs, field page, data page and
// a console query on jp_sample.mdb, checked against the file's manifest and the readers' output.
// With TABULON_EXPLORER_SHOTS set to a folder, the window is shown and saved there at each step.

#include "explorer_fixture.h"

#include "dao/engine_registration.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

using namespace explorertest;

namespace {

const QString kFixture = QStringLiteral(TABULON_TEST_DATA "/jp_sample.mdb");

class RealExplorer {
public:
    MainWindowHarness h;
    TfrmMain* w = nullptr;

    RealExplorer()
    {
        dao::registerEngine(h.registry);
        h.writeFile(QStringLiteral("kelvro.ini"), "[DAO]\nCLASS=DAO.DBEngine.35\n");
        w = &h.start();
        h.runDeferredStart();
        m_shots = qEnvironmentVariable("TABULON_EXPLORER_SHOTS");
        if (!m_shots.isEmpty()) {
            w->resize(1000, 700);
            w->show();
            QApplication::setActiveWindow(w);
            (void)QTest::qWaitForWindowExposed(w);
        }
    }

    void shot(const QString& name)
    {
        if (m_shots.isEmpty())
            return;
        QTest::qWait(200);
        QDir().mkpath(m_shots);
        w->grab().save(m_shots + QLatin1Char('/') + name + QStringLiteral(".png"));
    }

private:
    QString m_shots;
};

QStringList expectedTables()
{
    QFile f(QStringLiteral(TABULON_TEST_DATA "/expected/jp_sample.mdb/tables.txt"));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList names = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (QString& n : names)
        n = n.trimmed();
    return names;
}

QStringList tabsOf(const TfrmMain& w)
{
    QStringList out;
    for (int i = 0; i < w.tabTables->count(); ++i)
        out << w.tabTables->tabText(i);
    return out;
}

void selectTab(TfrmMain& w, const QString& caption)
{
    for (int i = 0; i < w.tabTables->count(); ++i) {
        if (w.tabTables->tabText(i) == caption) {
            w.tabTables->setCurrentIndex(i);
            w.runHandler([&] { w.tabTablesChange(w.tabTables); });
            return;
        }
    }
    ADD_FAILURE() << "no tab " << caption.toStdString();
}

} // namespace

TEST(RealEngine, BrowsesTheSampleDatabase)
{
    ASSERT_TRUE(QFile::exists(kFixture));
    RealExplorer r;
    TfrmMain& w = *r.w;
    ASSERT_TRUE(w.Workspace.isObject());
    r.shot(QStringLiteral("0-start"));

    w.addDatabaseEntry(kFixture);
    w.lsvDatabases->topLevelItem(0)->setSelected(true);
    w.runHandler([&] { w.lsvDatabasesDblClick(w.lsvDatabases); });
    ASSERT_TRUE(r.h.dialogs.messages.empty()) << r.h.dialogs.messages[0].text.toStdString();
    EXPECT_EQ(tabsOf(w), expectedTables());

    // 社員: a counter, a 50-character text with its description, a binary field, the key.
    selectTab(w, QStringLiteral("社員"));
    ASSERT_EQ(w.lsvFields->topLevelItemCount(), 12);
    EXPECT_EQ(w.lsvFields->topLevelItem(0)->text(1), QStringLiteral("カウンタ  (LongInt)"));
    EXPECT_EQ(w.lsvFields->topLevelItem(1)->text(2), QStringLiteral("50"));
    EXPECT_EQ(w.lsvFields->topLevelItem(1)->text(3), QStringLiteral("社員の氏名"));
    EXPECT_EQ(w.lsvFields->topLevelItem(11)->text(1), QStringLiteral("?"));
    const QImage key = w.ImageList1.value(2).pixmap(16).toImage();
    EXPECT_EQ(w.lsvFields->topLevelItem(0)->icon(0).pixmap(16).toImage(), key);
    r.shot(QStringLiteral("1-fields-shain"));

    // Orders: its first index is on Customer, not the primary key.
    selectTab(w, QStringLiteral("Orders"));
    ASSERT_EQ(w.lsvFields->topLevelItemCount(), 4);
    EXPECT_NE(w.lsvFields->topLevelItem(0)->icon(0).pixmap(16).toImage(), key);
    EXPECT_EQ(w.lsvFields->topLevelItem(1)->icon(0).pixmap(16).toImage(), key);

    // Data page: 100 of 100 rows with the cap line.
    w.btnData->click();
    EXPECT_EQ(datagrid::rowCount(*w.grdData), 101);
    EXPECT_EQ(datagrid::cell(*w.grdData, 0, 1), QStringLiteral("Customer"));
    EXPECT_EQ(datagrid::cell(*w.grdData, 1, 0), QStringLiteral("10000"));
    EXPECT_EQ(datagrid::cell(*w.grdData, 2, 0), QStringLiteral("10037"));
    EXPECT_EQ(lastLogLine(w), QStringLiteral("Ordersの読み込み完了。 ( 100 件 )"));
    r.shot(QStringLiteral("2-data-orders"));

    selectTab(w, QStringLiteral("社員"));
    EXPECT_EQ(datagrid::rowCount(*w.grdData), 43);
    EXPECT_EQ(datagrid::cell(*w.grdData, 1, 1), QStringLiteral("佐藤　太郎"));
    EXPECT_EQ(datagrid::cell(*w.grdData, 13, 1), QString());     // empty text
    EXPECT_EQ(datagrid::cell(*w.grdData, 20, 1), QString());     // Null
    EXPECT_FALSE(datagrid::cell(*w.grdData, 1, 7).isEmpty());    // OLE bytes
    EXPECT_EQ(lastLogLine(w), QStringLiteral("社員の読み込み完了。 ( 42 件 )"));
    r.shot(QStringLiteral("3-data-shain"));

    selectTab(w, QStringLiteral("Big5000"));
    EXPECT_EQ(datagrid::rowCount(*w.grdData), 101);
    EXPECT_EQ(datagrid::cell(*w.grdData, 100, 1), QStringLiteral("S00100"));

    selectTab(w, QStringLiteral("Zero"));
    EXPECT_EQ(lastLogLine(w), QStringLiteral("Zeroはデータがありません。"));
    // A name with a blank shows its rows too (the table is empty).
    selectTab(w, QStringLiteral("Empty Table"));
    EXPECT_EQ(lastLogLine(w), QStringLiteral("Empty Tableはデータがありません。"));

    // A console query, typed at the end of the log.
    w.memLog->setFocus();
    w.memLog->moveCursor(QTextCursor::End);
    QTest::keyClicks(w.memLog, QStringLiteral("select customer, count(*) as n from orders group by customer"));
    QTest::keyClick(w.memLog, Qt::Key_Return);
    EXPECT_EQ(datagrid::cell(*w.grdData, 0, 0).toUpper(), QStringLiteral("CUSTOMER"));
    EXPECT_EQ(datagrid::rowCount(*w.grdData), 9);
    EXPECT_EQ(w.ShownTable, QStringLiteral("ユーザ指定ＳＱＬ"));
    r.shot(QStringLiteral("4-console"));

    // Multi-row tabs in a narrow window.
    w.resize(560, 600);
    r.shot(QStringLiteral("5-onerow"));
    w.btnStyle->click();
    EXPECT_TRUE(w.tabTables->multiLine());
    r.shot(QStringLiteral("6-multirow"));
    EXPECT_TRUE(r.h.dialogs.messages.empty());
}

// Newer files carry system tables whose flags add other bits to the system bits: none gets a tab.
TEST(RealEngine, OnlyUserTablesGetTabsInFilesOfEveryVersion)
{
    struct Case {
        const char* file;
        QStringList tabs;
    };
    const Case cases[] = {
        {"jet3_cp932.mdb", {"Table2", "Table3", "Table4", "社員表"}},
        {"jp_sample.mdb", {"Big5000", "Empty Table", "Orders", "Wide46", "Zero", "社員"}},
        {"jp_sample_2003.mdb", {"Big5000", "Empty Table", "Orders", "Wide46", "Zero", "社員"}},
        {"jp_sample_2007.accdb", {"Big5000", "Empty Table", "Orders", "Wide46", "Zero", "社員"}},
        {"real/V2016-bigint.accdb", {"Table"}},
        {"real/complexDataTestV2007.accdb", {"Table1"}},     // flags 0x40000: a user table
    };
    RealExplorer r;
    TfrmMain& w = *r.w;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        w.addDatabaseEntry(QStringLiteral(TABULON_TEST_DATA "/") + QString::fromUtf8(c.file));
        w.lsvDatabases->clearSelection();
        w.lsvDatabases->topLevelItem(w.lsvDatabases->topLevelItemCount() - 1)->setSelected(true);
        w.runHandler([&] { w.lsvDatabasesDblClick(w.lsvDatabases); });
        EXPECT_EQ(tabsOf(w), c.tabs);
        QStringList picker;
        for (int i = 0; i < w.lstTables->count(); ++i)
            picker << w.lstTables->item(i)->text();
        EXPECT_EQ(picker, c.tabs);
        EXPECT_EQ(w.tabTables->currentIndex(), 0);
    }
    EXPECT_TRUE(r.h.dialogs.messages.empty());
}

// With TABULON_EXPLORER_DB naming a database, opens it and shows every table's data page,
// printing how long each step took (a look at a large file; nothing is timed as a check).
TEST(RealEngine, BrowsesTheDatabaseNamedInTheEnvironment)
{
    const QString file = qEnvironmentVariable("TABULON_EXPLORER_DB");
    if (file.isEmpty())
        GTEST_SKIP() << "TABULON_EXPLORER_DB not set";
    RealExplorer r;
    TfrmMain& w = *r.w;
    QElapsedTimer clock;
    clock.start();
    w.addDatabaseEntry(file);
    w.lsvDatabases->topLevelItem(0)->setSelected(true);
    w.runHandler([&] { w.lsvDatabasesDblClick(w.lsvDatabases); });
    std::printf("open and first field page: %lld ms, %d tabs\n", static_cast<long long>(clock.restart()), w.tabTables->count());
    w.btnData->click();
    for (int i = 0; i < w.tabTables->count(); ++i) {
        if (i > 0) {
            clock.restart();
            w.runHandler([&] { w.Next1Click(w.btnNext); });
        }
        std::printf("%s: %lld ms, %s\n", w.tabTables->tabText(w.tabTables->currentIndex()).toUtf8().constData(),
                    static_cast<long long>(clock.restart()), lastLogLine(w).toUtf8().constData());
        r.shot(QStringLiteral("db-%1").arg(i));
    }
    for (const auto& m : r.h.dialogs.messages)
        ADD_FAILURE() << m.text.toStdString();
}
