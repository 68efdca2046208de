#pragma once
// The Recordset automation object of OpenRecordset: EOF, BOF, MoveFirst, MoveNext, Close,
// RecordCount, Fields(i) / Fields(name) / Fields.Count, and Field objects with Name, Value and
// Type. Rows are stepped out of SQLite as MoveNext advances, so showing the first 100 rows of
// a huge table reads about 100 rows.

#include "automation/object.h"
#include "sql/connection.h"

#include <sqlite3.h>

#include <memory>

namespace sql {

// Takes ownership of the prepared statement. `keepAlive` holds what the statement reads from
// (the database).
automation::ObjectRef makeRecordset(std::shared_ptr<Connection> connection, Connection::Prepared prepared,
                                    std::shared_ptr<const void> keepAlive);

// DAO's type code of a JET column type byte (Field.Type).
int daoTypeOf(std::uint8_t jetType);

} // namespace sql
