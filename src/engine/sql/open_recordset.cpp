#include "sql/open_recordset.h"

#include "automation/error.h"
#include "sql/connection.h"
#include "sql/limits.h"
#include "sql/recordset.h"

#include "jet/database.h"

#include <functional>
#include <mutex>
#include <vector>

namespace sql {

namespace {

// One connection per open database, found by the database object. Entries of databases that
// were destroyed are dropped on the next call (the weak reference tells), and releaseDatabase
// drops one at once.
struct CacheEntry {
    std::weak_ptr<jet::Database> db;
    const jet::Database* key;
    std::shared_ptr<Connection> connection;
};

std::mutex& cacheMutex()
{
    static std::mutex m;
    return m;
}

std::vector<CacheEntry>& cache()
{
    static std::vector<CacheEntry> entries;
    return entries;
}

void purgeExpired(std::vector<CacheEntry>& entries)
{
    std::erase_if(entries, [](const CacheEntry& e) { return e.db.expired(); });
}

std::shared_ptr<Connection> connectionFor(const std::shared_ptr<jet::Database>& db)
{
    std::lock_guard lock(cacheMutex());
    auto& entries = cache();
    purgeExpired(entries);
    for (const CacheEntry& e : entries)
        if (e.key == db.get()) return e.connection;
    auto conn = Connection::forDatabase(db);
    entries.push_back({db, db.get(), conn});
    return conn;
}

} // namespace

namespace {

automation::Variant open(const std::shared_ptr<jet::Database>& db,
                         const std::function<Connection::Prepared(Connection&)>& prepare)
{
    if (!db) throw automation::Error(QStringLiteral("No database is open."));
    try {
        auto conn = connectionFor(db);
        Connection::Prepared prepared = prepare(*conn);
        return automation::Variant(makeRecordset(conn, std::move(prepared), std::shared_ptr<const void>(db)));
    } catch (const automation::Error&) {
        throw;
    } catch (...) {
        throw automation::Error(describeCurrentException());
    }
}

} // namespace

automation::Variant openRecordset(std::shared_ptr<jet::Database> db, const QString& sqlText)
{
    return open(db, [&](Connection& c) { return c.prepare(sqlText); });
}

automation::Variant openTableRecordset(std::shared_ptr<jet::Database> db, const QString& tableName)
{
    return open(db, [&](Connection& c) { return c.prepareTable(tableName); });
}

void releaseDatabase(const jet::Database* db)
{
    std::lock_guard lock(cacheMutex());
    auto& entries = cache();
    std::erase_if(entries, [db](const CacheEntry& e) { return e.key == db || e.db.expired(); });
}

} // namespace sql
