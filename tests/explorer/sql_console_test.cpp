// The SQL console: which lines run and how, the refusal box, keyword and name insertion, the pick
// lists, copy and paste, the keys, and the bound on the log.

#include "explorer_fixture.h"

#include "explorer/console_text.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>

using namespace explorertest;

namespace {

const QString kRefused = QStringLiteral("SELECT以外のSQLは実行できません。");
const QString kTitle = QStringLiteral("ユーザ指定ＳＱＬ");

enum class Outcome { Runs, Refused, Silent };

struct LineCase {
    const char* line;
    Outcome outcome;
    const char* sql;     // what reaches the engine when it runs
};

const LineCase kLines[] = {
    {"  select * from 社員  ", Outcome::Runs, "SELECT * FROM 社員"},
    {"\t select * from empty\x01", Outcome::Runs, "SELECT * FROM EMPTY"},
    {"select * from t where name = 'abc'", Outcome::Runs, "SELECT * FROM T WHERE NAME = 'ABC'"},
    {"show selection", Outcome::Runs, "SHOW SELECTION"},
    {"delete from t", Outcome::Refused, nullptr},
    {"Insert into t select * from u", Outcome::Refused, nullptr},
    {"update t set a = 1 where b in (select x from u)", Outcome::Refused, nullptr},
    {"deletex", Outcome::Refused, nullptr},
    {"   UPDATE", Outcome::Refused, nullptr},
    {"drop table t", Outcome::Silent, nullptr},
    {"create table t (a int)", Outcome::Silent, nullptr},
    {"", Outcome::Silent, nullptr},
    {" \t ", Outcome::Silent, nullptr},
    {"sel ect", Outcome::Silent, nullptr},
};

} // namespace

TEST(SqlConsole, ReturnRunsOnlySelectLinesAndRefusesWritingOnes)
{
    for (const LineCase& c : kLines) {
        SCOPED_TRACE(c.line);
        Explorer e;
        e.open();
        e.setConsole(QString::fromUtf8(c.line), 0, 1);
        const int queriesBefore = e.server->callCount(QStringLiteral("Database.OpenRecordset"));
        e.pressReturn();
        const auto log = e.log();
        const int queries = e.server->callCount(QStringLiteral("Database.OpenRecordset")) - queriesBefore;
        switch (c.outcome) {
        case Outcome::Runs:
            EXPECT_TRUE(e.h.dialogs.messages.empty());
            EXPECT_EQ(queries, 1);
            EXPECT_EQ(e.server->lastSql, QString::fromUtf8(c.sql));
            ASSERT_GE(log.size(), 3u);
            EXPECT_EQ(log[1], (LogLine{QStringLiteral("  発行SQL := ") + QString::fromUtf8(c.sql), {}}));
            EXPECT_EQ(log[2], (LogLine{kTitle + QStringLiteral(" SQL実行中。"), {}}));
            EXPECT_EQ(e.w->ShownTable, kTitle);
            EXPECT_TRUE(e.w->memLog->textCursor().atEnd());
            break;
        case Outcome::Refused:
            EXPECT_EQ(e.messageTexts(), std::vector<QString>{kRefused});
            EXPECT_EQ(e.h.dialogs.messages[0].caption, QStringLiteral("ｴﾗｰ"));
            EXPECT_EQ(e.h.dialogs.messages[0].icon, Dialogs::Icon::Error);
            EXPECT_EQ(queries, 0);
            EXPECT_EQ(log.size(), 1u);
            break;
        case Outcome::Silent:
            EXPECT_TRUE(e.h.dialogs.messages.empty());
            EXPECT_EQ(queries, 0);
            EXPECT_EQ(log.size(), 1u);
            break;
        }
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }
}

TEST(SqlConsole, ARefusedOrFailingQueryShowsNoEngineText)
{
    Explorer e;
    e.open();
    e.setConsole(QStringLiteral("show selection"), 0);
    e.pressReturn();
    EXPECT_EQ(e.log().back(), (LogLine{kTitle + QStringLiteral(" SQLの実行エラー。"), kRed}));
    EXPECT_TRUE(e.h.dialogs.messages.empty());
}

TEST(SqlConsole, AnOlderLineRunsAndItsLogGoesToTheEnd)
{
    Explorer e;
    e.open();
    e.setConsole(QStringLiteral("select * from empty\nsomething else\nselect * from 社員"), 0, 5);
    e.pressReturn();
    const auto log = e.log();
    ASSERT_EQ(log.size(), 6u);
    EXPECT_EQ(log[0].text, QStringLiteral("select * from empty"));
    EXPECT_EQ(log[2].text, QStringLiteral("select * from 社員"));
    EXPECT_EQ(log[3].text, QStringLiteral("  発行SQL := SELECT * FROM EMPTY"));
    EXPECT_EQ(log[5], (LogLine{kTitle + QStringLiteral("はデータがありません。"), kBlue}));
}

TEST(SqlConsole, OnlyTheLineOfTheSelectionStartRuns)
{
    Explorer e;
    e.open();
    e.setConsole(QStringLiteral("drop table x\nselect * from 社員\nselect * from empty"), 1, 3);
    QTextCursor c = e.w->memLog->textCursor();
    c.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    e.w->memLog->setTextCursor(c);
    e.pressReturn();
    EXPECT_EQ(e.server->lastSql, QStringLiteral("SELECT * FROM 社員"));
    // Selected backwards: the start is still the earlier end.
    e.setConsole(QStringLiteral("drop table x\nselect * from 社員\nselect * from empty"), 2, 4);
    c = e.w->memLog->textCursor();
    c.movePosition(QTextCursor::Start, QTextCursor::KeepAnchor);
    e.w->memLog->setTextCursor(c);
    e.pressReturn();
    EXPECT_EQ(e.server->callCount(QStringLiteral("Database.OpenRecordset")), 1);
    EXPECT_TRUE(e.h.dialogs.messages.empty());
}

TEST(SqlConsole, ALongLineIsReadAsItsFirst4096Bytes)
{
    Explorer e;
    e.open();
    const QString head = QStringLiteral("select * from empty where x = '");
    const QString line = head + QString(5000 - head.size(), QLatin1Char('a'));
    e.setConsole(line, 0);
    e.pressReturn();
    EXPECT_EQ(e.server->lastSql, line.left(4096).toUpper());
    EXPECT_EQ(e.server->lastSql.toUtf8().size(), 4096);
}

TEST(SqlConsoleText, CutAndTrimRules)
{
    struct Case {
        QString in;
        int bytes;
        QString out;
    };
    const QString kanji = QStringLiteral("社");                         // 3 bytes in UTF-8
    const QString emoji = QString::fromUcs4(U"\U0001F600");            // 4 bytes, two UTF-16 units
    const Case cuts[] = {
        {QString(10, QLatin1Char('x')), 10, QString(10, QLatin1Char('x'))},
        {QString(11, QLatin1Char('x')), 10, QString(10, QLatin1Char('x'))},
        {QStringLiteral("ab") + kanji, 4, QStringLiteral("ab")},      // never half a character
        {QStringLiteral("ab") + kanji, 5, QStringLiteral("ab") + kanji},
        {QStringLiteral("a") + emoji + QStringLiteral("b"), 4, QStringLiteral("a")},
        {QStringLiteral("a") + emoji + QStringLiteral("b"), 5, QStringLiteral("a") + emoji},
    };
    for (const Case& c : cuts)
        EXPECT_EQ(console::cutToBytes(c.in, c.bytes), c.out) << c.in.toStdString();

    EXPECT_EQ(console::trimControls(QStringLiteral("\x01 \t a b \r\n ")), QStringLiteral("a b"));
    // Other spaces are not controls: the full-width space stays.
    EXPECT_EQ(console::trimControls(QStringLiteral("\u3000a\u3000")), QStringLiteral("\u3000a\u3000"));
    EXPECT_EQ(console::trimControls(QStringLiteral(" \x1f ")), QString());
}

TEST(SqlConsole, KeywordItemsInsertTheirWordBetweenBlanks)
{
    Explorer e;
    const std::pair<QAction*, const char*> items[] = {
        {e.w->SELECT1, " SELECT "}, {e.w->Ast1, " * "}, {e.w->FROM1, " FROM "}, {e.w->WHERE1, " WHERE "},
        {e.w->LIKE1, " LIKE "},     {e.w->AND1, " AND "}, {e.w->OR1, " OR "},   {e.w->NOT1, " NOT "},
    };
    for (const auto& [action, text] : items) {
        e.setConsole(QStringLiteral("ab"), 0, 1);
        action->trigger();
        EXPECT_EQ(e.w->memLog->toPlainText(), QStringLiteral("a") + QString::fromLatin1(text) + QStringLiteral("b"));
    }
    // A selection is replaced.
    e.setConsole(QStringLiteral("abcd"), 0, 1);
    QTextCursor c = e.w->memLog->textCursor();
    c.movePosition(QTextCursor::Right, QTextCursor::KeepAnchor, 2);
    e.w->memLog->setTextCursor(c);
    e.w->FROM1->trigger();
    EXPECT_EQ(e.w->memLog->toPlainText(), QStringLiteral("a FROM d"));
}

TEST(SqlConsole, DoubleClickedNamesGoToTheEndOfTheTrimmedLine)
{
    Explorer e;
    e.open();
    ASSERT_EQ(Explorer::items(e.w->lstTables), e.tabs());

    struct Case {
        QString console;
        int line;
        QString expected;
    };
    const Case cases[] = {
        {QStringLiteral("  select * from "), 0, QStringLiteral("select * from 社員 ")},
        {QString(), 0, QStringLiteral(" 社員 ")},
        {QStringLiteral("first\n\tselect  \nlast"), 1, QStringLiteral("first\nselect 社員 \nlast")},
    };
    const int row = static_cast<int>(e.tabs().indexOf(QStringLiteral("社員")));
    for (const Case& c : cases) {
        e.setConsole(c.console, c.line);
        e.w->lstTables->setCurrentRow(row);
        e.run([&] { e.w->lstTablesDblClick(e.w->lstTables); });
        EXPECT_EQ(e.w->memLog->toPlainText(), c.expected);
        const QTextCursor caret = e.w->memLog->textCursor();
        EXPECT_EQ(caret.blockNumber(), c.line);
        EXPECT_TRUE(caret.atBlockEnd());
    }

    // Field names, from the table last clicked.
    e.w->lstTables->setCurrentRow(row);
    e.run([&] { e.w->lstTablesClick(e.w->lstTables); });
    ASSERT_EQ(Explorer::items(e.w->lstFields), (QStringList{"ID", "名前"}));
    e.setConsole(QStringLiteral("select"), 0);
    e.w->lstFields->setCurrentRow(1);
    e.run([&] { e.w->lstFieldsDblClick(e.w->lstFields); });
    EXPECT_EQ(e.w->memLog->toPlainText(), QStringLiteral("select 名前 "));

    // A long line is cut to its first 4096 bytes when it is written back.
    e.setConsole(QString(5000, QLatin1Char('x')), 0);
    e.run([&] { e.w->lstFieldsDblClick(e.w->lstFields); });
    EXPECT_EQ(e.w->memLog->toPlainText(), QString(4096, QLatin1Char('x')) + QStringLiteral(" 名前 "));

    // Nothing selected: nothing happens.
    e.setConsole(QStringLiteral("select"), 0);
    e.w->lstFields->clearSelection();
    e.run([&] { e.w->lstFieldsDblClick(e.w->lstFields); });
    EXPECT_EQ(e.w->memLog->toPlainText(), QStringLiteral("select"));
    EXPECT_TRUE(e.h.dialogs.messages.empty());
}

TEST(SqlConsole, ClickingATableListsItsFieldsAndMakesItCurrent)
{
    Explorer e;
    e.open();
    const int row = static_cast<int>(e.tabs().indexOf(QStringLiteral("AllTypes")));
    e.selectTab(QStringLiteral("社員"));
    e.w->lstTables->setCurrentRow(row);
    e.run([&] { e.w->lstTablesClick(e.w->lstTables); });
    EXPECT_EQ(e.w->lstFields->count(), 18);
    EXPECT_EQ(e.w->lstFields->item(17)->text(), QStringLiteral("Negative"));
    EXPECT_EQ(automation::get(e.w->TableDef, QStringLiteral("Name")).toString(), QStringLiteral("AllTypes"));
    EXPECT_EQ(e.w->tabTables->tabText(e.w->tabTables->currentIndex()), QStringLiteral("社員"));
    // A new database clears both pick lists.
    e.open();
    EXPECT_EQ(e.w->lstFields->count(), 0);
    EXPECT_EQ(e.w->lstTables->count(), e.tabs().size());
}

TEST(SqlConsole, CopyAndPasteThroughTheMenu)
{
    Explorer e;
    e.setConsole(QStringLiteral("select x"), 0);
    QTextCursor c = e.w->memLog->textCursor();
    c.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    e.w->memLog->setTextCursor(c);
    e.w->Copy7->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("select x"));
    QGuiApplication::clipboard()->setText(QStringLiteral("a\r\nb"));
    e.w->Paste1->trigger();
    EXPECT_EQ(e.w->memLog->toPlainText(), QStringLiteral("a\nb"));
}

TEST(SqlConsole, KeysWhileTheConsoleHasTheFocus)
{
    Explorer e;
    e.open();
    e.w->show();
    e.showDataPage();
    QApplication::setActiveWindow(e.w);
    ASSERT_TRUE(QTest::qWaitForWindowActive(e.w));
    e.w->memLog->setFocus();
    e.w->lsvFields->topLevelItem(0)->setSelected(true);

    // Typing passes through; Return runs the line and opens a fresh one.
    e.setConsole(QString(), 0);
    QTest::keyClicks(e.w->memLog, QStringLiteral("select * from fortytwo"));
    QTest::keyClick(e.w->memLog, Qt::Key_Return);
    EXPECT_EQ(e.server->lastSql, QStringLiteral("SELECT * FROM FORTYTWO"));
    EXPECT_EQ(e.gridRows(), 43);
    EXPECT_EQ(e.log().back().text, QString());
    EXPECT_TRUE(e.w->memLog->textCursor().atEnd());

    // Shift and Ctrl do not matter; the line break is a plain one.
    for (Qt::KeyboardModifier m : {Qt::ShiftModifier, Qt::ControlModifier}) {
        QTest::keyClicks(e.w->memLog, QStringLiteral("select * from empty"));
        const int before = e.server->callCount(QStringLiteral("Database.OpenRecordset"));
        QTest::keyClick(e.w->memLog, Qt::Key_Return, m);
        EXPECT_EQ(e.server->callCount(QStringLiteral("Database.OpenRecordset")), before + 1);
        EXPECT_FALSE(e.w->memLog->toPlainText().contains(QChar::LineSeparator));
    }

    // A refused line is broken at the caret as usual.
    e.setConsole(QStringLiteral("delete x"), 0, 6);
    QTest::keyClick(e.w->memLog, Qt::Key_Enter);
    EXPECT_EQ(e.messageTexts(), std::vector<QString>{kRefused});
    EXPECT_EQ(e.w->memLog->toPlainText(), QStringLiteral("delete\n x"));

    // Ctrl+C and Ctrl+V are the console's; Ctrl+N still moves to the next table.
    e.setConsole(QStringLiteral("console text"), 0);
    e.w->memLog->selectAll();
    QTest::keyClick(e.w->memLog, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("console text"));
    QTest::keyClick(e.w->memLog, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(e.w->memLog, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(e.w->memLog->toPlainText(), QStringLiteral("console textconsole text"));
    const int tab = e.w->tabTables->currentIndex();
    QTest::keyClick(e.w->memLog, Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(e.w->tabTables->currentIndex(), tab + 1);
    QTest::keyClick(e.w->memLog, Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(e.w->tabTables->currentIndex(), tab);
    // Outside the console Ctrl+C copies the field name.
    e.w->PageControl1->setCurrentWidget(e.w->TabSheet1);
    e.w->lsvFields->topLevelItem(0)->setSelected(true);
    e.w->lsvFields->setFocus();
    QTest::keyClick(e.w->lsvFields, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), e.fieldNames().value(0));
}

TEST(SqlConsoleText, TheLogKeepsTheNewestLines)
{
    QTextEdit edit;
    for (int i = 0; i < console::kMaxLogLines + 50; ++i)
        console::appendLine(edit, QStringLiteral("line %1").arg(i), i % 2 ? QColor(Qt::red) : QColor());
    // The fresh line under the newest log line counts as one of the lines kept.
    EXPECT_EQ(edit.document()->blockCount(), console::kMaxLogLines);
    EXPECT_EQ(edit.document()->firstBlock().text(), QStringLiteral("line 51"));
    EXPECT_EQ(edit.document()->lastBlock().text(), QString());
    EXPECT_EQ(edit.document()->lastBlock().previous().text(), QStringLiteral("line %1").arg(console::kMaxLogLines + 49));
    EXPECT_TRUE(edit.textCursor().atEnd());
}

TEST(SqlConsole, PickListsAnswerTheMouseAndTheKeyboard)
{
    Explorer e;
    e.open();
    e.w->show();
    e.showDataPage();
    QApplication::setActiveWindow(e.w);
    ASSERT_TRUE(QTest::qWaitForWindowActive(e.w));
    QListWidget* tables = e.w->lstTables;
    const int row = static_cast<int>(e.tabs().indexOf(QStringLiteral("社員")));
    tables->scrollToItem(tables->item(row));
    const QPoint at = tables->visualItemRect(tables->item(row)).center();

    QTest::mouseClick(tables->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(Explorer::items(e.w->lstFields), (QStringList{"ID", "名前"}));
    EXPECT_EQ(automation::get(e.w->TableDef, QStringLiteral("Name")).toString(), QStringLiteral("社員"));

    // The arrow keys move through the tables like clicks.
    tables->setFocus();
    QTest::keyClick(tables->viewport(), Qt::Key_Up);
    EXPECT_EQ(automation::get(e.w->TableDef, QStringLiteral("Name")).toString(), tables->item(row - 1)->text());
    QTest::keyClick(tables->viewport(), Qt::Key_Down);
    EXPECT_EQ(automation::get(e.w->TableDef, QStringLiteral("Name")).toString(), QStringLiteral("社員"));

    e.setConsole(QStringLiteral("select * from"), 0);
    QTest::mouseClick(tables->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(tables->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(e.w->memLog->toPlainText(), QStringLiteral("select * from 社員 "));
    EXPECT_TRUE(e.w->memLog->hasFocus());
    const QPoint field = e.w->lstFields->visualItemRect(e.w->lstFields->item(1)).center();
    // A double click is a click, then the double-click event.
    QTest::mouseClick(e.w->lstFields->viewport(), Qt::LeftButton, {}, field);
    QTest::mouseDClick(e.w->lstFields->viewport(), Qt::LeftButton, {}, field);
    EXPECT_EQ(e.w->memLog->toPlainText(), QStringLiteral("select * from 社員 名前 "));
    EXPECT_TRUE(e.h.dialogs.messages.empty());
}

namespace {

// The main window on the data page with the console focused, as a user leaves it after clicking.
void focusConsole(Explorer& e, int width = 1000)
{
    e.w->resize(width, 600);
    e.w->show();
    e.showDataPage();
    QApplication::setActiveWindow(e.w);
    ASSERT_TRUE(QTest::qWaitForWindowActive(e.w));
    e.w->memLog->setFocus();
}

} // namespace

TEST(SqlConsoleText, EveryLogLineLeavesTheCaretOnAFreshLine)
{
    QTextEdit edit;
    console::appendLine(edit, QStringLiteral("first"));
    EXPECT_EQ(edit.toPlainText(), QStringLiteral("first\n"));
    console::appendLine(edit, QStringLiteral("red"), QColor(Qt::red));
    EXPECT_EQ(edit.toPlainText(), QStringLiteral("first\nred\n"));
    EXPECT_TRUE(edit.textCursor().atEnd());
    // What follows a red line is typed in the normal colour.
    edit.insertPlainText(QStringLiteral("typed"));
    EXPECT_FALSE(edit.document()->lastBlock().begin().fragment().charFormat().hasProperty(QTextFormat::ForegroundBrush));
    // A line typed but not run stays a line of its own: the next log line goes below it.
    console::appendLine(edit, QStringLiteral("next"));
    EXPECT_EQ(edit.toPlainText(), QStringLiteral("first\nred\ntyped\nnext\n"));
}

TEST(SqlConsole, AStatementTypedAtTheEndAfterATableLoadedRuns)
{
    Explorer e;
    e.open();
    focusConsole(e);
    ASSERT_EQ(lastLogLine(*e.w), QStringLiteral("AllTypesの読み込み完了。 ( 2 件 )"));
    // The user goes to the end of the log and types there.
    QTest::keyClick(e.w->memLog, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(e.w->memLog, QStringLiteral("select * from fortytwo"));
    QTest::keyClick(e.w->memLog, Qt::Key_Return);
    EXPECT_EQ(e.server->lastSql, QStringLiteral("SELECT * FROM FORTYTWO"));
    EXPECT_EQ(e.gridRows(), 43);
    const auto log = e.log();
    ASSERT_GE(log.size(), 6u);
    EXPECT_EQ(log[2].text, QStringLiteral("select * from fortytwo"));
    EXPECT_EQ(log[3].text, QStringLiteral("  発行SQL := SELECT * FROM FORTYTWO"));
    EXPECT_EQ(lastLogLine(*e.w), QStringLiteral("ユーザ指定ＳＱＬの読み込み完了。 ( 42 件 )"));
    // The log line's break and the Return key's: the next statement starts on an empty line.
    EXPECT_TRUE(e.w->memLog->toPlainText().endsWith(QStringLiteral("( 42 件 )\n\n")));
    EXPECT_TRUE(e.w->memLog->textCursor().atEnd());

    // A second statement typed right there runs as well.
    QTest::keyClicks(e.w->memLog, QStringLiteral("select * from empty"));
    QTest::keyClick(e.w->memLog, Qt::Key_Return);
    EXPECT_EQ(e.server->lastSql, QStringLiteral("SELECT * FROM EMPTY"));
    EXPECT_TRUE(e.h.dialogs.messages.empty());
}

TEST(SqlConsole, AnAppendedLineBringsTheViewBackToTheLeftEdge)
{
    Explorer e;
    e.open();
    focusConsole(e, 450);
    QScrollBar* sideways = e.w->memLog->horizontalScrollBar();
    QTest::keyClick(e.w->memLog, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(e.w->memLog, QString(300, QLatin1Char('x')));
    ASSERT_GT(sideways->value(), 0);
    // The next table loads while the caret is still at the end of the long line.
    QTest::keyClick(e.w->memLog, Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(lastLogLine(*e.w), QStringLiteral("Mixedはデータがありません。"));
    EXPECT_EQ(sideways->value(), sideways->minimum());
    EXPECT_TRUE(e.w->memLog->textCursor().atEnd());
    EXPECT_EQ(e.w->memLog->textCursor().block().text(), QString());
    EXPECT_EQ(e.log()[2].text, QString(300, QLatin1Char('x')));
}
