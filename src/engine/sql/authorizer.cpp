#include "sql/authorizer.h"

#include "automation/error.h"
#include "sql/function_table.h"

#include <QString>

#include <cstring>

namespace sql {

namespace {

int authorize(void* ownSql, int action, const char* a, const char* b, const char*, const char*)
{
    if (*static_cast<const int*>(ownSql) > 0) return SQLITE_OK;
    switch (action) {
    case SQLITE_SELECT:
        return SQLITE_OK;
    case SQLITE_READ:
        // Our tables and views only; the schema tables stay out of reach.
        return (a && std::strncmp(a, "sqlite_", 7) == 0) ? SQLITE_DENY : SQLITE_OK;
    case SQLITE_FUNCTION:
        return isAllowedSqlFunction(b) ? SQLITE_OK : SQLITE_DENY;
    default:
        return SQLITE_DENY;
    }
}

void check(sqlite3* db, int rc, const char* what)
{
    if (rc != SQLITE_OK)
        throw automation::Error(QStringLiteral("Cannot secure the SQL connection (%1): %2")
                                    .arg(QLatin1String(what), QString::fromUtf8(sqlite3_errmsg(db))));
}

} // namespace

void lockDown(sqlite3* db, const int* ownSql)
{
    check(db, sqlite3_exec(db, "PRAGMA query_only = 1", nullptr, nullptr, nullptr), "query_only");
    check(db, sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0, nullptr), "extensions");
    check(db, sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr), "defensive");
    check(db, sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr), "trusted schema");
    sqlite3_limit(db, SQLITE_LIMIT_ATTACHED, 0);
    check(db, sqlite3_set_authorizer(db, authorize, const_cast<int*>(ownSql)), "authorizer");
}

} // namespace sql
