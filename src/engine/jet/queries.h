#pragma once
// Saved queries of a database with their Jet SQL rebuilt from the catalog (MSysQueries: one row
// per part of a query — type, parameters, flags, tables, columns, joins, WHERE, GROUP BY,
// HAVING, ORDER BY — keyed by the query's object id).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "jet/result.h"

namespace jet {

class Database;

enum class QueryType : uint8_t {
    Select, MakeTable, Append, Update, Delete, Crosstab, DataDefinition, PassThrough, Union, Unknown,
};

// "select", "make-table", "append", "update", "delete", "crosstab", "data-definition",
// "pass-through", "union", "unknown".
std::string_view queryTypeName(QueryType t);

// The query type of a catalog entry's flags (MSysObjects.Flags of a type 5 object).
QueryType queryTypeOfFlags(uint32_t flags);

// One row of MSysQueries.
struct QueryRow {
    int attribute = 0;
    std::string expression;
    int flag = 0;
    int extra = 0;  // LvExtra: the size of a Text parameter
    std::string name1, name2;
};

struct SavedQuery {
    std::string name;
    int32_t id = 0;
    uint32_t flags = 0;  // catalog flags
    QueryType type = QueryType::Unknown;
    std::string sql;     // empty when the rows could not be made into a statement
};

struct SavedQueryList {
    std::vector<SavedQuery> queries;  // catalog order
    uint64_t unreadableRows = 0;      // rows of MSysQueries that could not be read
    std::optional<Error> firstLoss;
};

// Every saved query in the catalog, hidden ones (names starting with '~': the record sources of
// forms and reports) included. An error only when MSysQueries exists but cannot be scanned.
Result<SavedQueryList> readSavedQueries(Database& db);

// The Jet SQL of a query of that type from its rows; empty when the rows do not make a statement.
std::string buildQuerySql(QueryType type, const std::vector<QueryRow>& rows);

}  // namespace jet
