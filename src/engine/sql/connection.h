#pragma once
// One SQLite connection (in memory) standing for one open JET database, read-only from the
// start. Tables and saved SELECT queries are only listed when the connection opens; each
// becomes a virtual table or a view the first time a statement names it, so opening costs
// time linear in the number of tables, and a table or query that cannot be used fails only
// the statements that name it. Kept while the database is open, so the column indexes built
// for lookups are kept too.

#include "sql/row_source.h"
#include "sql/virtual_table.h"

#include <sqlite3.h>

#include <QHash>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace jet { class Database; }

namespace sql {

struct SavedQuery;

class Connection {
public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // A table known by name. Its row source is made when a statement first names it; the
    // factory throws automation::Error when the table cannot be read.
    using SourceFactory = std::function<std::shared_ptr<RowSource>()>;
    void addTable(const QString& name, SourceFactory open);
    void addTable(const QString& name, std::shared_ptr<RowSource> source);
    // A table that could not be read: statements naming it fail with this description.
    void addBrokenTable(const QString& name, const QString& description);
    // A saved query whose SQL is read when a statement first names one of the queries.
    void addQueryName(const QString& name);
    void setQueryReader(std::function<std::vector<SavedQuery>()> reader);
    // A saved query with its Jet SQL at hand.
    void addQuery(const QString& name, const QString& jetSql);

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
    // SELECT * of one table by its catalog name, without going through SQL text.
    Prepared prepareTable(const QString& name);
    sqlite3* handle() const { return m_db; }
    TableRegistry& registry() { return m_registry; }

    // How many tables and queries have been made known to SQLite so far, and whether the saved
    // queries' definitions have been read.
    int declaredCount() const { return m_declared; }
    bool queriesRead() const { return m_queriesLoaded; }

    // Everything the database offers to SQL, listed from the reader's catalog.
    static std::shared_ptr<Connection> forDatabase(const std::shared_ptr<jet::Database>& db);

private:
    struct Entry {
        enum Kind { Table, Query, Broken } kind = Table;
        QString name;            // as the catalog spells it
        QString sqlName;         // the SQLite table or view, once declared
        SourceFactory open;      // Table
        QString jetSql;          // Query, once read
        bool sqlKnown = false;   // Query: jetSql was read
        QString error;           // Broken
        bool declaring = false;  // a query naming itself through others
    };

    QString resolve(const QString& name);
    void declare(Entry& e);
    void declareTable(Entry& e);
    void declareQuery(Entry& e);
    void loadQueries();
    Entry* find(const QString& name);
    Entry& add(const QString& name);
    Prepared prepareTranslated(const QString& sqlText, const struct Translation* translation);
    // Runs SQL of our own (declarations), which the authorizer lets through.
    int execOwn(const QByteArray& sqlText, QString* error);

    sqlite3* m_db = nullptr;
    TableRegistry m_registry;
    std::vector<Entry> m_entries;
    QHash<QString, std::size_t> m_byName;   // folded name -> entry
    std::function<std::vector<SavedQuery>()> m_queryReader;
    bool m_queriesLoaded = false;
    int m_declared = 0;
    int m_nextId = 0;
};

} // namespace sql
