#pragma once
// A main window connected to the DAO test double, with helpers to open a database and to read
// the tabs, the field list, the grid and the console log back.

#include "explorer/data_grid.h"
#include "explorer/table_tabs.h"
#include "support/fake_dao.h"
#include "support/main_window_harness.h"

#include <QApplication>
#include <QListWidget>
#include <QTableWidget>
#include <QTextBlock>
#include <QTextEdit>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace explorertest {

inline const QString kSamplePath = QStringLiteral("/data/sample.mdb");

// A table of an ID counter and a text column, rows numbered from 1.
inline fakedao::TableDef numberedTable(const QString& name, int rows, int attributes = 0)
{
    using fakedao::FieldDef;
    fakedao::TableDef t;
    t.name = name;
    t.attributes = attributes;
    t.fields = {FieldDef::make(QStringLiteral("ID"), fakedao::dbLong), FieldDef::make(QStringLiteral("名前"), fakedao::dbText)};
    t.fields[0].attributes = fakedao::dbAutoIncrField;
    t.indexes = {{QStringLiteral("PrimaryKey"), {QStringLiteral("ID")}, true}};
    for (int i = 1; i <= rows; ++i)
        t.rows.push_back({automation::Variant(static_cast<std::int32_t>(i)), automation::Variant(QStringLiteral("行%1").arg(i))});
    return t;
}

// The double's sample database plus a 42-row table whose name needs no brackets.
inline fakedao::DatabaseDef sampleDatabase(const QString& path = kSamplePath)
{
    fakedao::DatabaseDef db = fakedao::sampleDatabase(path);
    db.tables.push_back(numberedTable(QStringLiteral("FortyTwo"), 42));
    return db;
}

struct LogLine {
    QString text;
    QColor colour;     // invalid: the normal text colour
    friend bool operator==(const LogLine&, const LogLine&) = default;
};

inline void PrintTo(const LogLine& l, std::ostream* os)
{
    *os << '"' << l.text.toStdString() << '"' << (l.colour.isValid() ? " " + l.colour.name().toStdString() : std::string());
}

inline const QColor kRed = QColor(Qt::red);
inline const QColor kBlue = QColor(Qt::blue);

// The last line of the console's log, above the empty lines the caret waits on.
inline QString lastLogLine(const TfrmMain& w)
{
    QTextBlock b = w.memLog->document()->lastBlock();
    while (b.text().isEmpty() && b.previous().isValid())
        b = b.previous();
    return b.text();
}

class Explorer {
public:
    MainWindowHarness h;
    std::shared_ptr<fakedao::Server> server = fakedao::Server::create();
    TfrmMain* w = nullptr;

    explicit Explorer(std::vector<fakedao::DatabaseDef> databases = {sampleDatabase()})
    {
        for (auto& db : databases)
            server->addDatabase(std::move(db));
        server->registerAs(h.registry, QStringLiteral("Fake.Engine"));
        h.writeFile(QStringLiteral("kelvro.ini"), "[DAO]\nCLASS=Fake.Engine\n");
        w = &h.start();
        h.runDeferredStart();
    }

    // Selects the list entry of path (adding it when missing) and double-clicks it.
    void open(const QString& path = kSamplePath)
    {
        QTreeWidgetItem* entry = nullptr;
        for (int i = 0; i < w->lsvDatabases->topLevelItemCount(); ++i) {
            if (w->databaseEntryPath(w->lsvDatabases->topLevelItem(i)) == path)
                entry = w->lsvDatabases->topLevelItem(i);
        }
        if (!entry) {
            w->addDatabaseEntry(path);
            entry = w->lsvDatabases->topLevelItem(w->lsvDatabases->topLevelItemCount() - 1);
        }
        w->lsvDatabases->clearSelection();
        entry->setSelected(true);
        run([this] { w->lsvDatabasesDblClick(w->lsvDatabases); });
    }

    // Runs a handler as the window does: an exception ends up in the general error box.
    template <class F> void run(F&& f) { w->runHandler(std::forward<F>(f)); }

    void selectTab(const QString& caption)
    {
        for (int i = 0; i < w->tabTables->count(); ++i) {
            if (w->tabTables->tabText(i) == caption) {
                w->tabTables->setCurrentIndex(i);
                run([this] { w->tabTablesChange(w->tabTables); });
                return;
            }
        }
        ADD_FAILURE() << "no tab " << caption.toStdString();
    }

    void showDataPage() { w->PageControl1->setCurrentWidget(w->TabSheet2); }

    QStringList tabs() const
    {
        QStringList out;
        for (int i = 0; i < w->tabTables->count(); ++i)
            out << w->tabTables->tabText(i);
        return out;
    }

    static QStringList items(const QListWidget* list)
    {
        QStringList out;
        for (int i = 0; i < list->count(); ++i)
            out << list->item(i)->text();
        return out;
    }

    QStringList fieldNames() const
    {
        QStringList out;
        for (int i = 0; i < w->lsvFields->topLevelItemCount(); ++i)
            out << w->lsvFields->topLevelItem(i)->text(0);
        return out;
    }

    int gridRows() const { return datagrid::rowCount(*w->grdData); }
    int gridColumns() const { return w->grdData->columnCount(); }
    QString cell(int row, int column) const { return datagrid::cell(*w->grdData, row, column); }
    QStringList gridRow(int row) const
    {
        QStringList out;
        for (int c = 0; c < gridColumns(); ++c)
            out << cell(row, c);
        return out;
    }

    // The log's lines; the fresh empty line that each log line leaves the caret on is not one.
    std::vector<LogLine> log() const
    {
        std::vector<LogLine> out;
        for (QTextBlock b = w->memLog->document()->begin(); b.isValid(); b = b.next()) {
            QColor colour;
            if (b.begin() != b.end()) {
                const QTextCharFormat f = b.begin().fragment().charFormat();
                if (f.hasProperty(QTextFormat::ForegroundBrush))
                    colour = f.foreground().color();
            }
            out.push_back({b.text(), colour});
        }
        if (!out.empty() && out.back().text.isEmpty() && out.size() > 1)
            out.pop_back();
        return out;
    }

    // Puts text into the console and the caret at position pos of line `line`.
    void setConsole(const QString& text, int line, int pos = 0)
    {
        w->memLog->setPlainText(text);
        QTextCursor c(w->memLog->document()->findBlockByNumber(line));
        c.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, pos);
        w->memLog->setTextCursor(c);
    }

    void pressReturn() { run([this] { w->memLogKeyDown(Qt::Key_Return, Qt::NoModifier); }); }

    std::vector<QString> messageTexts() const
    {
        std::vector<QString> out;
        for (const auto& m : h.dialogs.messages)
            out.push_back(m.text);
        return out;
    }
};

} // namespace explorertest
