#pragma once
// The last line of the read-only guarantee: once a connection is set up, SQLite may only read
// our tables and call our functions. Writes, ATTACH, PRAGMA, temp objects, schema changes and
// every other action are denied, whatever text reached the prepare.

#include <sqlite3.h>

namespace sql {

// Installs the authorizer and locks the connection down (no extension loading, no attached
// files, query_only). While *ownSql is non-zero the connection runs SQL of its own (declaring a
// table or a view) and the authorizer allows it. Throws automation::Error on failure.
void lockDown(sqlite3* db, const int* ownSql);

} // namespace sql
