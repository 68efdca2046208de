#include "sql/connection.h"

#include "automation/error.h"
#include "sql/authorizer.h"
#include "sql/collation.h"
#include "sql/functions.h"
#include "sql/saved_queries.h"
#include "sql/translator.h"

#include "jet/database.h"
#include "jet/table.h"
#include "sql/jet_row_source.h"

#include <QRegularExpression>

namespace sql {

Connection::Connection()
{
    const int rc = sqlite3_open_v2(":memory:", &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                                   nullptr);
    if (rc != SQLITE_OK) {
        const QString why = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("out of memory");
        sqlite3_close(m_db);
        m_db = nullptr;
        throw automation::Error(QStringLiteral("Cannot start the SQL engine: %1").arg(why));
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
    } catch (...) {
        sqlite3_close(m_db);
        throw;
    }
}

Connection::~Connection()
{
    sqlite3_close_v2(m_db);
}

void Connection::fail(const QString& context) const
{
    throw automation::Error(QStringLiteral("%1: %2").arg(context, QString::fromUtf8(sqlite3_errmsg(m_db))));
}

void Connection::addTable(const QString& name, std::shared_ptr<RowSource> source)
{
    const QString key = foldText(name);
    if (m_names.contains(key)) return;
    const int id = m_registry.add(std::move(source));
    const QByteArray ddl = QStringLiteral("CREATE VIRTUAL TABLE %1 USING jet(%2)").arg(quoteIdentifier(name)).arg(id).toUtf8();
    if (sqlite3_exec(m_db, ddl.constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        fail(QStringLiteral("Cannot open the table %1 for SQL").arg(name));
    m_names.insert(key, name);
}

void Connection::addBrokenTable(const QString& name, const QString& description)
{
    m_broken.insert(foldText(name), description);
}

bool Connection::addQuery(const QString& name, const QString& jetSql)
{
    const QString key = foldText(name);
    if (m_names.contains(key)) return false;
    try {
        TranslateOptions options;
        options.resolveTable = [this](const QString& n) { return resolve(n); };
        const QString select = translateJetSql(jetSql, options);
        const QByteArray ddl = QStringLiteral("CREATE VIEW %1 AS %2").arg(quoteIdentifier(name), select).toUtf8();
        if (sqlite3_exec(m_db, ddl.constData(), nullptr, nullptr, nullptr) != SQLITE_OK) return false;
    } catch (const automation::Error&) {
        return false;
    }
    m_names.insert(key, name);
    return true;
}

void Connection::lockDown()
{
    sql::lockDown(m_db);
}

QString Connection::resolve(const QString& name) const
{
    return m_names.value(foldText(name));
}

Connection::Prepared Connection::prepare(const QString& jetSql)
{
    TranslateOptions options;
    options.resolveTable = [this](const QString& n) { return resolve(n); };
    const Translation translation = translateWithProbe(jetSql, options);
    const QByteArray utf8 = translation.sql.toUtf8();
    sqlite3_stmt* stmt = nullptr;
    const char* tail = nullptr;
    const int rc = sqlite3_prepare_v3(m_db, utf8.constData(), int(utf8.size()), 0, &stmt, &tail);
    if (rc != SQLITE_OK) {
        QString why = QString::fromUtf8(sqlite3_errmsg(m_db));
        sqlite3_finalize(stmt);
        static const QRegularExpression noTable(QStringLiteral("^no such table: (.*)$"));
        if (const auto m = noTable.match(why); m.hasMatch()) {
            const QString table = m.captured(1);
            const auto broken = m_broken.constFind(foldText(table));
            if (broken != m_broken.constEnd())
                why = QStringLiteral("The table '%1' cannot be read: %2").arg(table, broken.value());
            else
                why = QStringLiteral("The Microsoft Jet database engine cannot find the input table or query '%1'.").arg(table);
        } else if (why.startsWith(QLatin1String("not authorized")) || why.contains(QLatin1String("prohibited"))) {
            why = QStringLiteral("The statement was refused: the database is opened read-only and only "
                                 "reads its tables.");
        }
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
    prepared.topCount = translation.topCount;
    prepared.tieColumns = translation.tieColumns;
    if (!translation.probe.isEmpty()) {
        // Prepared only, never run: its declared column types are all we want.
        const QByteArray probe = translation.probe.toUtf8();
        sqlite3_stmt* p = nullptr;
        if (sqlite3_prepare_v3(m_db, probe.constData(), int(probe.size()), 0, &p, nullptr) == SQLITE_OK && p) {
            for (const Translation::Probed& pr : translation.probed) {
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
    for (const jet::CatalogEntry& e : db->tables()) {
        const QString name = QString::fromStdString(e.name);
        auto table = db->table(e.name);
        if (!table) {
            conn->addBrokenTable(name, QString::fromStdString(table.error().describe()));
            continue;
        }
        // One table SQLite cannot take (say, two columns whose names differ only in case)
        // must not take the others down with it.
        try {
            conn->addTable(name, makeJetRowSource(table.value()));
        } catch (const automation::Error& e) {
            conn->addBrokenTable(name, e.description());
        }
    }
    // Saved queries may name each other: create them until no more succeed.
    std::vector<SavedQuery> pending = readSavedQueries(*db);
    for (bool progress = true; progress && !pending.empty();) {
        progress = false;
        for (auto it = pending.begin(); it != pending.end();) {
            if (conn->addQuery(it->name, it->sql)) {
                it = pending.erase(it);
                progress = true;
            } else {
                ++it;
            }
        }
    }
    conn->lockDown();
    return conn;
}

} // namespace sql
