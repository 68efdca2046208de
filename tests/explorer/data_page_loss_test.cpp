// The data page and the console over the built-in engine and a damaged file: rows the query
// could not read are logged in red with their count, and Esc stops a statement that runs too
// long (tests/data/damaged/damaged-rows.mdb: 106 of Big5000's 5,000 rows cannot be read, two
// of them among the first rows).

#include "explorer_fixture.h"

#include "dao/engine_registration.h"
#include "sql/interrupt.h"

#include <QKeyEvent>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace explorertest;

namespace {

const QString kDamaged = QStringLiteral(TABULON_TEST_DATA "/damaged/damaged-rows.mdb");

class RealEngineWindow {
public:
    MainWindowHarness h;
    TfrmMain* w = nullptr;

    RealEngineWindow()
    {
        dao::registerEngine(h.registry);
        h.writeFile(QStringLiteral("kelvro.ini"), "[DAO]\nCLASS=DAO.DBEngine.35\n");
        w = &h.start();
        h.runDeferredStart();
        w->addDatabaseEntry(kDamaged);
        w->lsvDatabases->topLevelItem(0)->setSelected(true);
        w->runHandler([this] { w->lsvDatabasesDblClick(w->lsvDatabases); });
    }

    void selectTab(const QString& caption)
    {
        for (int i = 0; i < w->tabTables->count(); ++i) {
            if (w->tabTables->tabText(i) == caption) {
                w->tabTables->setCurrentIndex(i);
                w->runHandler([this] { w->tabTablesChange(w->tabTables); });
                return;
            }
        }
        ADD_FAILURE() << "no tab " << caption.toStdString();
    }

    void console(const QString& statement)
    {
        w->memLog->moveCursor(QTextCursor::End);
        w->memLog->insertPlainText(QStringLiteral("\n") + statement);
        w->runHandler([this] { w->memLogKeyDown(Qt::Key_Return, Qt::NoModifier); });
    }

    std::vector<LogLine> log() const
    {
        std::vector<LogLine> out;
        for (QTextBlock b = w->memLog->document()->begin(); b.isValid(); b = b.next()) {
            QColor colour;
            if (b.begin() != b.end() && b.begin().fragment().charFormat().hasProperty(QTextFormat::ForegroundBrush))
                colour = b.begin().fragment().charFormat().foreground().color();
            out.push_back({b.text(), colour});
        }
        // Every log line ends with a line break: the empty line after the last is no line.
        while (!out.empty() && out.back().text.isEmpty()) out.pop_back();
        return out;
    }

    // The log lines after the last one that starts with `title` + " SQL実行中。".
    std::vector<LogLine> lastFill(const QString& title) const
    {
        const auto all = log();
        std::size_t start = all.size();
        for (std::size_t i = 0; i < all.size(); ++i)
            if (all[i].text == title + QStringLiteral(" SQL実行中。")) start = i + 1;
        return std::vector<LogLine>(all.begin() + std::ptrdiff_t(std::min(start, all.size())), all.end());
    }
};

TEST(DataPageLoss, LostRowsGetARedLineWithTheirCount)
{
    RealEngineWindow r;
    ASSERT_TRUE(r.h.dialogs.messages.empty());
    r.w->btnData->click();
    r.selectTab(QStringLiteral("Big5000"));
    // The first 100 rows shown, and the two lost among them counted.
    EXPECT_EQ(datagrid::rowCount(*r.w->grdData), 101);
    EXPECT_EQ(datagrid::cell(*r.w->grdData, 4, 0), QStringLiteral("6"));   // rows 4 and 5 are lost
    const auto fill = r.lastFill(QStringLiteral("Big5000"));
    ASSERT_EQ(fill.size(), 3u);
    EXPECT_EQ(fill[0], (LogLine{QStringLiteral("Big5000はデータを 100件まで表示しています。"), kRed}));
    EXPECT_EQ(fill[1].text, QStringLiteral("Big5000の読み込み完了。 ( 100 件 )"));
    EXPECT_TRUE(fill[2].text.startsWith(QStringLiteral("Big5000の 2 行を読み込めませんでした。 ("))) << fill[2].text.toStdString();
    EXPECT_TRUE(fill[2].text.contains(QStringLiteral("page 55"))) << fill[2].text.toStdString();
    EXPECT_EQ(fill[2].colour, kRed);

    // A console statement that reads the whole table counts all 106.
    r.console(QStringLiteral("select count(*) from big5000"));
    const auto counted = r.lastFill(QStringLiteral("ユーザ指定ＳＱＬ"));
    ASSERT_EQ(counted.size(), 2u);
    EXPECT_EQ(counted[0].text, QStringLiteral("ユーザ指定ＳＱＬの読み込み完了。 ( 1 件 )"));
    EXPECT_TRUE(counted[1].text.startsWith(QStringLiteral("ユーザ指定ＳＱＬの 106 行を読み込めませんでした。"))) << counted[1].text.toStdString();
    EXPECT_EQ(counted[1].colour, kRed);
    EXPECT_EQ(datagrid::cell(*r.w->grdData, 1, 0), QStringLiteral("4894"));

    // A table that lost nothing gets no such line; nor does a query that finds no row.
    r.selectTab(QStringLiteral("Orders"));
    EXPECT_EQ(r.lastFill(QStringLiteral("Orders")).back().text, QStringLiteral("Ordersの読み込み完了。 ( 100 件 )"));
    r.console(QStringLiteral("select orderno from orders where orderno < 0"));
    const auto empty = r.lastFill(QStringLiteral("ユーザ指定ＳＱＬ"));
    ASSERT_EQ(empty.size(), 1u);
    EXPECT_EQ(empty[0], (LogLine{QStringLiteral("ユーザ指定ＳＱＬはデータがありません。"), kBlue}));
    // A statement that finds no row in the damaged table still reports the lost ones: the
    // index it looked up was built by a scan that lost them (a number key, then a text key).
    for (const char* statement : {"select n from big5000 where n < 0", "select n from big5000 where s = 'nothing'"}) {
        r.console(QString::fromUtf8(statement));
        const auto none = r.lastFill(QStringLiteral("ユーザ指定ＳＱＬ"));
        ASSERT_EQ(none.size(), 2u) << statement;
        EXPECT_EQ(none[0].text, QStringLiteral("ユーザ指定ＳＱＬはデータがありません。"));
        EXPECT_TRUE(none[1].text.startsWith(QStringLiteral("ユーザ指定ＳＱＬの 106 行を読み込めませんでした。")));
    }
    EXPECT_TRUE(r.h.dialogs.messages.empty());
}

TEST(DataPageLoss, EscapeStopsALongStatement)
{
    RealEngineWindow r;
    r.w->btnData->click();
    r.w->memLog->setFocus();
    // Esc is waiting when the statement starts: the fill sees it at its first look at the
    // events. Should it not, the statement is stopped from here after a while, which the
    // log then tells apart (an error line instead of the cancel line).
    QCoreApplication::postEvent(r.w->memLog, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    QTimer fallback;
    fallback.setSingleShot(true);
    QObject::connect(&fallback, &QTimer::timeout, [] { sql::requestInterrupt(); });
    fallback.start(60000);
    // 4,894 x 4,894 x 100 rows: hours without a stop.
    r.console(QStringLiteral("select count(*) from big5000 as a, big5000 as b, orders as c"));
    fallback.stop();
    sql::clearInterrupt();
    const auto fill = r.lastFill(QStringLiteral("ユーザ指定ＳＱＬ"));
    ASSERT_FALSE(fill.empty());
    EXPECT_EQ(fill.back(), (LogLine{QStringLiteral("ユーザ指定ＳＱＬ SQLの実行を中止しました。"), kRed}));
    EXPECT_TRUE(r.h.dialogs.messages.empty());
    // The cursor and the status bar are back, and the next statement runs.
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    r.console(QStringLiteral("select count(*) from orders"));
    EXPECT_EQ(r.lastFill(QStringLiteral("ユーザ指定ＳＱＬ")).front().text, QStringLiteral("ユーザ指定ＳＱＬの読み込み完了。 ( 1 件 )"));
}

} // namespace
