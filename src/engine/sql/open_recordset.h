#pragma once
// OpenRecordset of a database: one Jet SQL SELECT run through SQLite over the JET reader.

#include "automation/variant.h"

#include <QString>

#include <memory>

namespace jet { class Database; }

namespace sql {

// Runs one Jet SQL SELECT against the database and returns a Recordset automation object
// (EOF, BOF, MoveFirst, MoveNext, Close, RecordCount, Fields). Rows are read as MoveNext
// advances. Throws automation::Error with a readable description when the statement is
// refused or fails.
automation::Variant openRecordset(std::shared_ptr<jet::Database> db, const QString& sqlText);
// Every row of one table, named as the catalog spells it (no SQL text is built from the name).
automation::Variant openTableRecordset(std::shared_ptr<jet::Database> db, const QString& tableName);

// Drops the SQLite connection and the indexes kept for the database. Called when the database
// closes; harmless for a database that never ran a query. (Connections of databases that were
// destroyed are released on their own, too.)
void releaseDatabase(const jet::Database* db);

} // namespace sql
