// The data page: how many rows reach the grid, the log lines with their colours, cell texts, and
// what a failure leaves behind.

#include "explorer_fixture.h"

#include "text/valuetext.h"

#include <QTabWidget>
#include <QToolButton>

using namespace explorertest;

namespace {

std::vector<LogLine> tail(const std::vector<LogLine>& log, std::size_t n)
{
    return {log.end() - static_cast<std::ptrdiff_t>(std::min(n, log.size())), log.end()};
}

} // namespace

TEST(DataPage, RowCountsLogLinesAndTheCap)
{
    struct Case {
        const char* table;
        int rows;          // rows in the grid besides the header
        std::vector<LogLine> lines;
    };
    const Case cases[] = {
        {"Empty", 1, {{"Empty SQL実行中。", {}}, {"Emptyはデータがありません。", kBlue}}},
        {"FortyTwo", 42, {{"FortyTwo SQL実行中。", {}}, {"FortyTwoの読み込み完了。 ( 42 件 )", {}}}},
        {"Hundred",
         100,
         {{"Hundred SQL実行中。", {}}, {"Hundredはデータを 100件まで表示しています。", kRed}, {"Hundredの読み込み完了。 ( 100 件 )", {}}}},
        {"Many",
         100,
         {{"Many SQL実行中。", {}}, {"Manyはデータを 100件まで表示しています。", kRed}, {"Manyの読み込み完了。 ( 100 件 )", {}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.table);
        Explorer e;
        e.open();
        e.selectTab(QString::fromUtf8(c.table));
        e.showDataPage();
        EXPECT_EQ(e.log(), c.lines);
        EXPECT_EQ(e.gridRows(), c.rows + 1);
        EXPECT_EQ(e.gridRow(0), (QStringList{"ID", "名前"}));
        if (c.rows > 1) {
            EXPECT_EQ(e.gridRow(1), (QStringList{"1", "行1"}));
            EXPECT_EQ(e.gridRow(c.rows), (QStringList{QString::number(c.rows), QStringLiteral("行%1").arg(c.rows)}));
        } else {
            EXPECT_EQ(e.gridRow(1), (QStringList{"", ""}));
        }
        // At most the 100 records placed are read; the recordset is closed.
        EXPECT_LE(e.server->callCount(QStringLiteral("Recordset.MoveNext")), 100);
        EXPECT_EQ(e.server->openRecordsets, 0);
        EXPECT_EQ(e.w->ShownTable, QString::fromUtf8(c.table));
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }
}

TEST(DataPage, CellsOfEveryTypeNullAndEmptyText)
{
    Explorer e;
    e.open();
    e.showDataPage();
    ASSERT_EQ(e.gridRows(), 3);
    const fakedao::DatabaseDef db = sampleDatabase();
    const fakedao::TableDef& table = db.tables[0];
    for (int c = 0; c < e.gridColumns(); ++c) {
        SCOPED_TRACE(table.fields[static_cast<std::size_t>(c)].name.toStdString());
        const automation::Variant& value = table.rows[0][static_cast<std::size_t>(c)];
        EXPECT_EQ(e.cell(1, c), value.isNull() ? QString() : valuetext::toText(value, QLocale::system()));
    }
    // Binary and OLE values do not stop the fill and show something.
    EXPECT_FALSE(e.cell(1, 9).isEmpty());
    EXPECT_FALSE(e.cell(1, 11).isEmpty());
    // Null and an empty text both give an empty cell.
    EXPECT_EQ(e.cell(2, 0), QStringLiteral("2"));
    for (int c = 1; c < e.gridColumns(); ++c)
        EXPECT_EQ(e.cell(2, c), QString()) << c;
    EXPECT_EQ(e.log().back(), (LogLine{QStringLiteral("AllTypesの読み込み完了。 ( 2 件 )"), {}}));
}

TEST(DataPage, TheTableNameIsBracketedSoEveryNameShowsItsRows)
{
    struct Case {
        const char* table;
        const char* sql;
        int rows;
    };
    const Case cases[] = {
        {"Forty Two", "SELECT * FROM [Forty Two]", 42},     // a blank: failed unbracketed
        {"社員", "SELECT * FROM [社員]", 3},
        {"FortyTwo", "SELECT * FROM [FortyTwo]", 42},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.table);
        Explorer e;
        e.open();
        e.selectTab(QString::fromUtf8(c.table));
        e.showDataPage();
        EXPECT_EQ(e.server->lastSql, QString::fromUtf8(c.sql));
        // The log shows the table's name, not the statement.
        const QString title = QString::fromUtf8(c.table);
        EXPECT_EQ(e.log(), (std::vector<LogLine>{{title + QStringLiteral(" SQL実行中。"), {}},
                                                 {title + QStringLiteral("の読み込み完了。 ( %1 件 )").arg(c.rows), {}}}));
        EXPECT_EQ(e.gridRows(), c.rows + 1);
        EXPECT_EQ(e.gridRow(1), (QStringList{"1", "行1"}));
        EXPECT_TRUE(e.h.dialogs.messages.empty());
    }
}

TEST(DataPage, AnEmptyResultKeepsTheHeaderAndClearsTheRows)
{
    Explorer e;
    e.open();
    e.selectTab(QStringLiteral("FortyTwo"));
    e.showDataPage();
    e.run([&] { e.w->FillGridFromSql(QStringLiteral("T"), QStringLiteral("SELECT * FROM Empty")); });
    EXPECT_EQ(e.gridRows(), 2);
    EXPECT_EQ(e.gridRow(0), (QStringList{"ID", "名前"}));
    EXPECT_EQ(e.gridRow(1), (QStringList{"", ""}));
    EXPECT_EQ(e.server->openRecordsets, 0);
}

TEST(DataPage, AResultWithOtherColumnsReshapesTheGrid)
{
    fakedao::DatabaseDef db = sampleDatabase();
    fakedao::QueryResult wide;
    for (int c = 0; c < 5; ++c)
        wide.columns << QStringLiteral("C%1").arg(c);
    wide.rows.push_back({automation::Variant("a"), automation::Variant(std::int32_t{1}), automation::Variant::null(),
                         automation::Variant(2.5), automation::Variant(true)});
    db.queries.insert(QStringLiteral("WIDE"), wide);
    Explorer e({db});
    e.open();
    e.selectTab(QStringLiteral("FortyTwo"));
    e.showDataPage();
    e.run([&] { e.w->FillGridFromSql(QStringLiteral("T"), QStringLiteral("WIDE")); });
    EXPECT_EQ(e.gridRow(0), (QStringList{"C0", "C1", "C2", "C3", "C4"}));
    EXPECT_EQ(e.gridRow(1), (QStringList{"a", "1", "", "2.5", "-1"}));
    EXPECT_EQ(e.gridRows(), 2);
}

TEST(DataPage, AFailureWhileReadingKeepsTheRowsAndClosesTheRecordset)
{
    struct Case {
        const char* member;
        int occurrence;
        int filledRows;     // complete rows left in the grid
    };
    const Case cases[] = {
        {"RecordsetField.Value", 2 * 10 + 1, 10},    // first value of the 11th record
        {"Recordset.MoveNext", 5, 5},
        {"Recordset.MoveFirst", 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.member);
        Explorer e;
        e.open();
        e.selectTab(QStringLiteral("Hundred"));
        e.server->failAt({QString::fromLatin1(c.member), c.occurrence, QStringLiteral("Read error.")});
        e.showDataPage();
        EXPECT_EQ(e.messageTexts(), std::vector<QString>{QStringLiteral("Read error.")});
        EXPECT_EQ(e.server->openRecordsets, 0);
        EXPECT_EQ(e.server->callCount(QStringLiteral("Recordset.Close")), 1);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        for (int r = 1; r <= c.filledRows; ++r)
            EXPECT_EQ(e.gridRow(r), (QStringList{QString::number(r), QStringLiteral("行%1").arg(r)}));
        EXPECT_GE(e.gridRows(), c.filledRows + 1);
        // No completion line after a failure.
        EXPECT_EQ(e.log().back().text, QStringLiteral("Hundred SQL実行中。"));
    }
}

TEST(DataPage, TheGridIsReloadedOnlyWhenItHoldsAnotherQuery)
{
    Explorer e;
    e.open();
    e.selectTab(QStringLiteral("社員"));
    e.showDataPage();
    EXPECT_EQ(e.server->callCount(QStringLiteral("Database.OpenRecordset")), 1);
    // The data button while the data page already shows the table: nothing is reloaded.
    e.w->btnData->click();
    e.w->PageControl1->setCurrentWidget(e.w->TabSheet1);
    e.w->btnData->click();
    EXPECT_EQ(e.w->PageControl1->currentWidget(), e.w->TabSheet2);
    EXPECT_EQ(e.server->callCount(QStringLiteral("Database.OpenRecordset")), 1);
    // After a console query the table is read again.
    e.run([&] { e.w->FillGridFromSql(QStringLiteral("ユーザ指定ＳＱＬ"), QStringLiteral("SELECT * FROM EMPTY")); });
    e.w->btnField->click();
    e.w->btnData->click();
    EXPECT_EQ(e.server->callCount(QStringLiteral("Database.OpenRecordset")), 3);
    EXPECT_EQ(e.w->ShownTable, QStringLiteral("社員"));
    EXPECT_EQ(e.gridRows(), 4);
}

TEST(DataPage, WithoutADatabaseTheFillLogsTheErrorLine)
{
    Explorer e;
    e.run([&] { e.w->FillGridFromSql(QStringLiteral("X"), QStringLiteral("SELECT 1")); });
    EXPECT_EQ(e.log(), (std::vector<LogLine>{{QStringLiteral("X SQL実行中。"), {}}, {QStringLiteral("X SQLの実行エラー。"), kRed}}));
    EXPECT_TRUE(e.h.dialogs.messages.empty());
}

TEST(DataPage, LogLinesGoBelowTheLastLineAndTheCaretEndsThere)
{
    Explorer e;
    e.open();
    e.selectTab(QStringLiteral("社員"));
    e.setConsole(QStringLiteral("typed\nlast line"), 0, 2);
    e.showDataPage();
    const auto log = e.log();
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[0].text, QStringLiteral("typed"));
    EXPECT_EQ(log[1].text, QStringLiteral("last line"));
    EXPECT_EQ(tail(log, 2)[1].text, QStringLiteral("社員の読み込み完了。 ( 3 件 )"));
    EXPECT_TRUE(e.w->memLog->textCursor().atEnd());
    // Typing after a coloured line is in the normal colour again.
    e.run([&] { e.w->FillGridFromSql(QStringLiteral("Y"), QStringLiteral("SELECT * FROM Empty")); });
    EXPECT_FALSE(e.w->memLog->currentCharFormat().hasProperty(QTextFormat::ForegroundBrush));
}
