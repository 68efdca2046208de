// The data page: the first rows of a query in the grid, with progress lines in the console log.

#include "app/frmmain.h"

#include "automation/object.h"
#include "explorer/busy_cursor.h"
#include "explorer/console_text.h"
#include "explorer/data_grid.h"
#include "explorer/statement_cancel.h"
#include "text/valuetext.h"

#include <QLocale>
#include <QTableWidget>
#include <QTextEdit>

#include <cstdint>

using automation::Variant;

namespace {

constexpr int kMaxRows = 100;

// A progress line, painted at once so that it shows while the query still runs.
void logLine(TfrmMain& w, const QString& text, const QColor& colour = QColor())
{
    console::appendLine(*w.memLog, text, colour);
    w.repaint();
}

Variant recordsetField(const Variant& recordset, int index)
{
    return automation::get(recordset, QStringLiteral("Fields"), Variant(static_cast<std::int32_t>(index)));
}

// Rows the query could not read are never passed over in silence: a red line with their count
// (an engine without the member has no such count).
void logLoss(TfrmMain& w, const QString& title, const Variant& recordset)
{
    try {
        const qint64 rows = automation::get(recordset, QStringLiteral("UnreadableRows")).toInt64();
        if (rows <= 0) return;
        const QString first = automation::get(recordset, QStringLiteral("FirstLoss")).toString();
        logLine(w, title + QStringLiteral("の ") + QString::number(rows) + QStringLiteral(" 行を読み込めませんでした。")
                       + (first.isEmpty() ? QString() : QStringLiteral(" (") + first + u')'),
                QColor(Qt::red));
    } catch (const std::exception&) {
    }
}

} // namespace

void TfrmMain::ShowTableData(const QString& tableName)
{
    explorer::BusyCursor busy;
    // Bracketed, so that names with blanks or other signs can be shown too.
    FillGridFromSql(tableName, QStringLiteral("SELECT * FROM [") + tableName + QLatin1Char(']'));
}

void TfrmMain::FillGridFromSql(const QString& title, const QString& sqlText)
{
    QTableWidget& grid = *grdData;
    logLine(*this, title + QStringLiteral(" SQL実行中。"));
    datagrid::setRowCount(grid, 2);
    for (int c = 0; c < grid.columnCount(); ++c)
        datagrid::setCell(grid, 1, c, QString());
    ShownTable = title;

    explorer::EscapeCancels escape(this);
    const QString cancelled = title + QStringLiteral(" SQLの実行を中止しました。");
    Variant recordset;
    try {
        recordset = automation::call(Database, QStringLiteral("OpenRecordset"), {Variant(sqlText)});
    } catch (const std::exception&) {
        logLine(*this, escape.cancelled() ? cancelled : title + QStringLiteral(" SQLの実行エラー。"), QColor(Qt::red));
        return;
    }

    try {
        if (automation::get(recordset, QStringLiteral("EOF")).toBool()) {
            logLine(*this, title + QStringLiteral("はデータがありません。"), QColor(Qt::blue));
        } else {
            automation::call(recordset, QStringLiteral("MoveFirst"));
            datagrid::setRowCount(grid, 2);
            const int columns =
                automation::get(automation::get(recordset, QStringLiteral("Fields")), QStringLiteral("Count")).toInt();
            datagrid::setColumnCount(grid, columns);
            for (int i = 0; i < columns; ++i)
                datagrid::setCell(grid, 0, i, automation::get(recordsetField(recordset, i), QStringLiteral("Name")).toString());

            const QLocale locale = QLocale::system();
            int n = 0;
            bool capped = false;
            while (!capped && !automation::get(recordset, QStringLiteral("EOF")).toBool()) {
                for (int i = 0; i < columns; ++i) {
                    const Variant value = automation::get(recordsetField(recordset, i), QStringLiteral("Value"));
                    datagrid::setCell(grid, n + 1, i, value.isNull() ? QString() : valuetext::toText(value, locale));
                }
                // An empty row is always ready below the last filled one.
                datagrid::setRowCount(grid, datagrid::rowCount(grid) + 1);
                automation::call(recordset, QStringLiteral("MoveNext"));
                ++n;
                if (n >= kMaxRows) {
                    capped = true;
                    logLine(*this, title + QStringLiteral("はデータを 100件まで表示しています。"), QColor(Qt::red));
                }
            }
            logLine(*this, title + QStringLiteral("の読み込み完了。 ( ") + QString::number(n) + QStringLiteral(" 件 )"));
            datagrid::setRowCount(grid, datagrid::rowCount(grid) - 1);
        }
    } catch (...) {
        // The rows placed so far stay; the first failure is the one reported.
        try {
            automation::call(recordset, QStringLiteral("Close"));
        } catch (...) {
        }
        logLoss(*this, title, recordset);
        if (escape.cancelled()) {
            logLine(*this, cancelled, QColor(Qt::red));
            return;
        }
        throw;
    }
    automation::call(recordset, QStringLiteral("Close"));
    logLoss(*this, title, recordset);
}
