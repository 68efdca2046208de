// The SQL console under the data grid: Return runs the caret's line when it is a SELECT, a menu of
// keywords, copy and paste, and the table and field pick lists.

#include "app/frmmain.h"

#include "automation/object.h"
#include "explorer/busy_cursor.h"
#include "explorer/console_text.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenu>
#include <QTextEdit>

#include <cstdint>

using automation::Variant;

namespace {

const QString kConsoleTitle = QStringLiteral("ユーザ指定ＳＱＬ");

// Sends Return in the console to memLogKeyDown, then breaks the line at the caret as the key
// always does (a plain line break, whatever modifier was held).
class ConsoleKeys : public QObject {
public:
    ConsoleKeys(TfrmMain* window, QTextEdit* log) : QObject(log), m_window(window), m_log(log) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != m_log || event->type() != QEvent::KeyPress)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
            return false;
        const Qt::KeyboardModifiers modifiers = key->modifiers();
        m_window->runHandler([&] { m_window->memLogKeyDown(key->key(), modifiers); });
        if (m_log->isReadOnly())
            return true;
        QTextCursor cursor = m_log->textCursor();
        cursor.removeSelectedText();
        cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
        m_log->setTextCursor(cursor);
        m_log->setCurrentCharFormat(QTextCharFormat());
        m_log->ensureCursorVisible();
        return true;
    }

private:
    TfrmMain* m_window;
    QTextEdit* m_log;
};

// The selected entry of a pick list, or null.
const QListWidgetItem* selectedEntry(const QListWidget& list)
{
    const QListWidgetItem* current = list.currentItem();
    return current && current->isSelected() ? current : nullptr;
}

} // namespace

void TfrmMain::connectExplorerHandlers()
{
    memLog->installEventFilter(new ConsoleKeys(this, memLog));
    // Statements are typed in the normal colour, also right after a red or blue log line.
    connect(memLog, &QTextEdit::cursorPositionChanged, this, [this] {
        if (!memLog->textCursor().hasSelection())
            memLog->setCurrentCharFormat(QTextCharFormat());
    });

    auto onAction = [this](QAction* a, void (TfrmMain::*h)(QObject*)) {
        connect(a, &QAction::triggered, this, [this, a, h] { runHandler([&] { (this->*h)(a); }); });
    };
    onAction(Copy7, &TfrmMain::Copy7Click);
    onAction(Paste1, &TfrmMain::Paste1Click);
    for (QAction* a : {SELECT1, Ast1, FROM1, WHERE1, LIKE1, AND1, OR1, NOT1})
        onAction(a, &TfrmMain::SELECT1Click);

    connect(lstTables, &QListWidget::itemClicked, this, [this] { runHandler([this] { lstTablesClick(lstTables); }); });
    // Moving through the list with the keyboard is a click too; a mouse press is left to itemClicked.
    connect(lstTables, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0 && lstTables->hasFocus() && QGuiApplication::mouseButtons() == Qt::NoButton)
            runHandler([this] { lstTablesClick(lstTables); });
    });
    connect(lstTables, &QListWidget::itemDoubleClicked, this, [this] { runHandler([this] { lstTablesDblClick(lstTables); }); });
    connect(lstFields, &QListWidget::itemDoubleClicked, this, [this] { runHandler([this] { lstFieldsDblClick(lstFields); }); });
}

void TfrmMain::memLogKeyDown(int key, Qt::KeyboardModifiers)
{
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return;
    explorer::BusyCursor busy;
    // Upper-cased without regard to the locale, so that keywords stay keywords everywhere.
    const QString statement = console::trimControls(console::statementLine(*memLog)).toUpper();
    if (statement.startsWith(QLatin1String("DELETE")) || statement.startsWith(QLatin1String("INSERT"))
        || statement.startsWith(QLatin1String("UPDATE"))) {
        busy.restore();
        dialogs().message(this, Dialogs::Icon::Error, QStringLiteral("ｴﾗｰ"),
                          QStringLiteral("SELECT以外のSQLは実行できません。"));
        return;
    }
    if (statement.isEmpty() || !statement.contains(QLatin1String("SELECT")))
        return;
    console::appendLine(*memLog, QStringLiteral("  発行SQL := ") + statement);
    FillGridFromSql(kConsoleTitle, statement);
}

void TfrmMain::SELECT1Click(QObject* sender)
{
    const auto* action = qobject_cast<const QAction*>(sender);
    if (!action)
        return;
    QString keyword = action->text();
    if (keyword.startsWith(QLatin1Char('&')))
        keyword.remove(0, 1);
    console::insertAtCaret(*memLog, QLatin1Char(' ') + keyword + QLatin1Char(' '));
    memLog->setFocus();
}

void TfrmMain::Copy7Click(QObject*)
{
    memLog->copy();
}

void TfrmMain::Paste1Click(QObject*)
{
    QString text = QGuiApplication::clipboard()->text();
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    console::insertAtCaret(*memLog, text);
}

void TfrmMain::lstTablesClick(QObject*)
{
    lstFields->clear();
    const QListWidgetItem* entry = selectedEntry(*lstTables);
    if (!entry)
        return;
    const QString wanted = entry->text();
    const Variant tableDefs = automation::get(Database, QStringLiteral("TableDefs"));
    const int tables = automation::get(tableDefs, QStringLiteral("Count")).toInt();
    for (int i = 0; i < tables; ++i) {
        const Variant t = automation::get(Database, QStringLiteral("TableDefs"), Variant(static_cast<std::int32_t>(i)));
        if (automation::get(t, QStringLiteral("Name")).toString() == wanted) {
            TableDef = t;
            break;
        }
    }
    const int fields =
        automation::get(automation::get(TableDef, QStringLiteral("Fields")), QStringLiteral("Count")).toInt();
    for (int j = 0; j < fields; ++j) {
        const Variant f = automation::get(TableDef, QStringLiteral("Fields"), Variant(static_cast<std::int32_t>(j)));
        lstFields->addItem(automation::get(f, QStringLiteral("Name")).toString());
    }
}

namespace {

void insertPickedName(QTextEdit& log, const QListWidget& list)
{
    const QListWidgetItem* entry = selectedEntry(list);
    if (!entry)
        return;
    const QString line = console::trimControls(console::statementLine(log));
    console::replaceStatementLine(log, line + QLatin1Char(' ') + entry->text() + QLatin1Char(' '));
    log.setFocus();
}

} // namespace

void TfrmMain::lstTablesDblClick(QObject*)
{
    insertPickedName(*memLog, *lstTables);
}

void TfrmMain::lstFieldsDblClick(QObject*)
{
    insertPickedName(*memLog, *lstFields);
}
