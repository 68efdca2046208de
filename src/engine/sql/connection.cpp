#include "sql/connection.h"

#include "automation/error.h"
#include "sql/authorizer.h"
#include "sql/collation.h"
#include "sql/functions.h"
#include "sql/interrupt.h"
#include "sql/jet_row_source.h"
#include "sql/limits.h"
#include "sql/saved_queries.h"
#include "sql/temp_vfs.h"
#include "sql/translator.h"

#include "jet/database.h"
#include "jet/table.h"

#include <mutex>

namespace sql {

namespace {

// SQLite checks the progress handler every this many virtual machine steps.
constexpr int kProgressSteps = 4096;

int progress(void*)
{
    return interruptRequested() ? 1 : 0;
}

void limitHeapOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { sqlite3_hard_heap_limit64(kHeapLimitBytes); });
}

[[noreturn]] void cannotFind(const QString& name)
{
    throw automation::Error(QStringLiteral("The Microsoft Jet database engine cannot find the input table or query '")
                            + name + QStringLiteral("'. Make sure it exists and that its name is spelled correctly."));
}

struct OwnSqlScope {
    explicit OwnSqlScope(TableRegistry& r) : r(r) { ++r.ownSql; }
    ~OwnSqlScope() { --r.ownSql; }
    TableRegistry& r;
};

} // namespace

Connection::Connection()
{
    limitHeapOnce();
    // Temporary files of big sorts go through a file system that limits their size.
    const int rc = sqlite3_open_v2(":memory:", &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                                   limitedTempVfs());
    if (rc != SQLITE_OK) {
        const QString why = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("out of memory");
        sqlite3_close(m_db);
        m_db = nullptr;
        throw automation::Error(QStringLiteral("Cannot start the SQL engine: ") + why);
    }
    sqlite3_extended_result_codes(m_db, 1);
    // "name" is always a name: without this SQLite reads an unknown "column" as a text literal,
    // so a misspelt column would quietly give its own name on every row.
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
    try {
        registerCollation(m_db);
        registerFunctions(m_db);
        registerModule(m_db, &m_registry);
        sqlite3_progress_handler(m_db, kProgressSteps, progress, nullptr);
        sql::lockDown(m_db, &m_registry.ownSql);
    } catch (...) {
        sqlite3_close(m_db);
        throw;
    }
}

Connection::~Connection()
{
    sqlite3_close_v2(m_db);
}

Connection::Entry* Connection::find(const QString& name)
{
    const auto it = m_byName.constFind(foldText(name));
    return it == m_byName.constEnd() ? nullptr : &m_entries[it.value()];
}

Connection::Entry& Connection::add(const QString& name)
{
    m_byName.insert(foldText(name), m_entries.size());
    m_entries.emplace_back();
    m_entries.back().name = name;
    return m_entries.back();
}

void Connection::addTable(const QString& name, SourceFactory open)
{
    // The first of two names that Jet calls equal wins, as in the catalog.
    if (find(name)) return;
    Entry& e = add(name);
    e.kind = Entry::Table;
    e.open = std::move(open);
}

void Connection::addTable(const QString& name, std::shared_ptr<RowSource> source)
{
    addTable(name, [source = std::move(source)] { return source; });
}

void Connection::addBrokenTable(const QString& name, const QString& description)
{
    if (find(name)) return;
    Entry& e = add(name);
    e.kind = Entry::Broken;
    e.error = QStringLiteral("The table '") + name + QStringLiteral("' cannot be read: ") + description;
}

void Connection::addQueryName(const QString& name)
{
    if (find(name)) return;
    add(name).kind = Entry::Query;
}

void Connection::setQueryReader(std::function<std::vector<SavedQuery>()> reader)
{
    m_queryReader = std::move(reader);
}

void Connection::addQuery(const QString& name, const QString& jetSql)
{
    Entry* e = find(name);
    if (!e) {
        e = &add(name);
        e->kind = Entry::Query;
    }
    if (e->kind != Entry::Query || e->sqlKnown) return;
    e->jetSql = jetSql;
    e->sqlKnown = true;
}

void Connection::loadQueries()
{
    if (m_queriesLoaded) return;
    m_queriesLoaded = true;
    if (!m_queryReader) return;
    for (const SavedQuery& q : m_queryReader()) {
        Entry* e = find(q.name);
        if (e && e->kind == Entry::Query && !e->sqlKnown) {
            e->jetSql = q.sql;
            e->sqlKnown = true;
        }
    }
}

int Connection::execOwn(const QByteArray& sqlText, QString* error)
{
    OwnSqlScope own(m_registry);
    sqlite3_exec(m_db, "PRAGMA query_only = 0", nullptr, nullptr, nullptr);
    char* message = nullptr;
    const int rc = sqlite3_exec(m_db, sqlText.constData(), nullptr, nullptr, &message);
    if (rc != SQLITE_OK && error)
        *error = describeSqliteMessage(message ? QString::fromUtf8(message) : QString::fromUtf8(sqlite3_errmsg(m_db)), rc);
    sqlite3_free(message);
    sqlite3_exec(m_db, "PRAGMA query_only = 1", nullptr, nullptr, nullptr);
    return rc;
}

void Connection::declareTable(Entry& e)
{
    std::shared_ptr<RowSource> source;
    try {
        source = e.open();
    } catch (const automation::Error& err) {
        throw automation::Error(QStringLiteral("The table '") + e.name + QStringLiteral("' cannot be read: ")
                                + err.description());
    }
    // Checked before SQLite sees it: a declaration SQLite refuses would reset its schema.
    const QString reason = undeclarableReason(*source);
    if (!reason.isEmpty())
        throw automation::Error(QStringLiteral("The table '") + e.name + QStringLiteral("' cannot be used in SQL: ")
                                + reason + u'.');
    const int id = m_registry.add(std::move(source));
    // Our own names: whatever the catalog holds never becomes SQL text.
    const QString sqlName = QStringLiteral("t.") + QString::number(++m_nextId);
    const QByteArray ddl = (QStringLiteral("CREATE VIRTUAL TABLE ") + quoteIdentifier(sqlName)
                            + QStringLiteral(" USING jet(") + QString::number(id) + u')').toUtf8();
    QString why;
    if (execOwn(ddl, &why) != SQLITE_OK)
        throw automation::Error(QStringLiteral("The table '") + e.name + QStringLiteral("' cannot be used in SQL: ") + why);
    e.sqlName = sqlName;
}

void Connection::declareQuery(Entry& e)
{
    loadQueries();
    if (!e.sqlKnown)
        throw automation::Error(QStringLiteral("The saved query '") + e.name
                                + QStringLiteral("' cannot be used: its definition could not be read."));
    if (e.declaring)
        throw automation::Error(QStringLiteral("The saved query '") + e.name + QStringLiteral("' names itself."));
    e.declaring = true;
    struct Reset { bool& b; ~Reset() { b = false; } } reset{e.declaring};
    const QString name = e.name;
    const QString jetSql = e.jetSql;
    QString select;
    try {
        TranslateOptions options;
        options.resolveTable = [this](const QString& n) { return resolve(n); };
        select = translateJetSql(jetSql, options);
    } catch (const automation::Error& err) {
        throw automation::Error(QStringLiteral("The saved query '") + name + QStringLiteral("' cannot be used: ")
                                + err.description());
    }
    const QString sqlName = QStringLiteral("q.") + QString::number(++m_nextId);
    QString why;
    if (execOwn((QStringLiteral("CREATE VIEW ") + quoteIdentifier(sqlName) + QStringLiteral(" AS ") + select).toUtf8(),
                &why) != SQLITE_OK)
        throw automation::Error(QStringLiteral("The saved query '") + name + QStringLiteral("' cannot be used: ") + why);
    // SQLite checks a view's columns only when it is used: try it now, so that a bad query
    // is reported by its name.
    sqlite3_stmt* probe = nullptr;
    const QByteArray use = (QStringLiteral("SELECT * FROM ") + quoteIdentifier(sqlName)).toUtf8();
    int rc;
    {
        OwnSqlScope own(m_registry);
        rc = sqlite3_prepare_v3(m_db, use.constData(), int(use.size()), 0, &probe, nullptr);
        if (rc != SQLITE_OK) why = describeSqliteError(m_db, rc);
        sqlite3_finalize(probe);
    }
    if (rc != SQLITE_OK) {
        execOwn((QStringLiteral("DROP VIEW ") + quoteIdentifier(sqlName)).toUtf8(), nullptr);
        throw automation::Error(QStringLiteral("The saved query '") + name + QStringLiteral("' cannot be used: ") + why);
    }
    // Entries may have moved while the query's own tables were declared.
    if (Entry* again = find(name)) again->sqlName = sqlName;
}

void Connection::declare(Entry& e)
{
    if (!e.sqlName.isEmpty()) return;
    const QString name = e.name;
    try {
        switch (e.kind) {
        case Entry::Broken:
            throw automation::Error(e.error);
        case Entry::Table:
            declareTable(e);
            break;
        case Entry::Query:
            declareQuery(e);
            break;
        }
    } catch (const automation::Error& err) {
        // Remembered: the next statement naming it fails the same way at once.
        if (Entry* again = find(name); again && again->kind != Entry::Broken) {
            again->kind = Entry::Broken;
            again->error = err.description();
        }
        throw;
    }
    ++m_declared;
}

QString Connection::resolve(const QString& name)
{
    Entry* e = find(name);
    if (!e) cannotFind(name);
    // declare() may add entries (a query declares its tables): look the entry up again.
    const std::size_t index = std::size_t(e - m_entries.data());
    declare(m_entries[index]);
    return m_entries[index].sqlName;
}

Connection::Prepared Connection::prepare(const QString& jetSql)
{
    TranslateOptions options;
    options.resolveTable = [this](const QString& n) { return resolve(n); };
    const Translation translation = translateWithProbe(jetSql, options);
    return prepareTranslated(translation.sql, &translation);
}

Connection::Prepared Connection::prepareTable(const QString& name)
{
    const QString sqlName = resolve(name);
    return prepareTranslated(QStringLiteral("SELECT * FROM ") + quoteIdentifier(sqlName), nullptr);
}

Connection::Prepared Connection::prepareTranslated(const QString& sqlText, const Translation* translation)
{
    const QByteArray utf8 = sqlText.toUtf8();
    sqlite3_stmt* stmt = nullptr;
    const char* tail = nullptr;
    const int rc = sqlite3_prepare_v3(m_db, utf8.constData(), int(utf8.size()), 0, &stmt, &tail);
    if (rc != SQLITE_OK) {
        const QString why = describeSqliteError(m_db, rc);
        sqlite3_finalize(stmt);
        throw automation::Error(why);
    }
    if (!stmt) throw automation::Error(QStringLiteral("The SQL statement is empty."));
    // The translator stops at the end of one statement; anything left would be a second one.
    for (const char* p = tail; p && *p; ++p) {
        if (*p != ' ' && *p != '\t' && *p != '\n' && *p != '\r' && *p != ';') {
            sqlite3_finalize(stmt);
            throw automation::Error(QStringLiteral("Characters found after end of SQL statement."));
        }
    }
    if (!sqlite3_stmt_readonly(stmt)) {
        sqlite3_finalize(stmt);
        throw automation::Error(QStringLiteral("Only SELECT statements can run here: the database is opened read-only."));
    }
    Prepared prepared;
    prepared.stmt = stmt;
    if (!translation) return prepared;
    prepared.topCount = translation->topCount;
    prepared.tieColumns = translation->tieColumns;
    if (!translation->probe.isEmpty()) {
        // Prepared only, never run: its declared column types are all we want.
        const QByteArray probe = translation->probe.toUtf8();
        sqlite3_stmt* p = nullptr;
        if (sqlite3_prepare_v3(m_db, probe.constData(), int(probe.size()), 0, &p, nullptr) == SQLITE_OK && p) {
            for (const Translation::Probed& pr : translation->probed) {
                std::uint8_t scale = 0;
                const std::uint8_t type = jetTypeFromDeclared(sqlite3_column_decltype(p, pr.probeColumn), &scale);
                if (type == 0) continue;
                if (pr.sum && type != 0x05) continue;   // a sum keeps only the Currency type
                prepared.typed.push_back({pr.resultColumn, type, scale});
            }
        }
        sqlite3_finalize(p);
    }
    return prepared;
}

std::shared_ptr<Connection> Connection::forDatabase(const std::shared_ptr<jet::Database>& db)
{
    auto conn = std::make_shared<Connection>();
    // Only names here, in time linear in the catalog: the reader opens a table (and the saved
    // queries are read) when a statement first names one.
    std::weak_ptr<jet::Database> weak = db;
    for (const jet::CatalogEntry& e : db->tables()) {
        const std::string name = e.name;
        conn->addTable(QString::fromStdString(name), [weak, name]() -> std::shared_ptr<RowSource> {
            const auto database = weak.lock();
            if (!database) throw automation::Error(QStringLiteral("The database is closed."));
            auto table = database->table(name);
            if (!table) throw automation::Error(QString::fromStdString(table.error().describe()));
            return makeJetRowSource(table.value());
        });
    }
    for (const jet::CatalogEntry& e : db->objects())
        if (e.type == jet::object_type::Query && (e.flags & 0xF0) == 0)
            conn->addQueryName(QString::fromStdString(e.name));
    conn->setQueryReader([weak] {
        const auto database = weak.lock();
        return database ? readSavedQueries(*database) : std::vector<SavedQuery>{};
    });
    return conn;
}

} // namespace sql
