#pragma once
// One SQLite connection (in memory) standing for one open JET database: every table a virtual
// table of module "jet", every saved SELECT query a view, the Jet functions and collation
// registered, then locked down read-only. Kept while the database is open, so the column
// indexes built for lookups are kept too.

#include "sql/row_source.h"
#include "sql/virtual_table.h"

#include <sqlite3.h>

#include <QHash>
#include <QString>

#include <memory>

namespace jet { class Database; }

namespace sql {

class Connection {
public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Set-up, before lockDown(). Throws automation::Error.
    void addTable(const QString& name, std::shared_ptr<RowSource> source);
    // A table that could not be read: statements naming it fail with this description.
    void addBrokenTable(const QString& name, const QString& description);
    // A saved query: becomes a view when its SQL translates; false (and nothing) otherwise.
    bool addQuery(const QString& name, const QString& jetSql);
    void lockDown();

    struct Prepared {
        sqlite3_stmt* stmt = nullptr;
        // Result columns whose JET type SQLite cannot see (aggregates of a column): type, scale.
        struct Typed { int column; std::uint8_t jetType; std::uint8_t scale; };
        std::vector<Typed> typed;
        long long topCount = -1;          // TOP n with ties (translator.h)
        std::vector<int> tieColumns;
    };
    // Translates and prepares one Jet SQL SELECT. Throws automation::Error.
    Prepared prepare(const QString& jetSql);
    sqlite3* handle() const { return m_db; }

    // Everything the database offers to SQL, built from the reader.
    static std::shared_ptr<Connection> forDatabase(const std::shared_ptr<jet::Database>& db);

private:
    QString resolve(const QString& name) const;
    [[noreturn]] void fail(const QString& context) const;

    sqlite3* m_db = nullptr;
    TableRegistry m_registry;
    QHash<QString, QString> m_names;     // folded name -> SQLite table or view name
    QHash<QString, QString> m_broken;    // folded name -> why the table cannot be read
};

} // namespace sql
