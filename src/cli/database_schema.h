#pragma once
// What a database holds besides its rows: user tables with their columns and indexes, the
// relationships between them and the saved queries. Built straight from the reader, for
// `schema`, `to-sqlite`, `dump` and `verify`.

#include "jet/database.h"
#include "jet/queries.h"
#include "jet/relationships.h"
#include "jet/table.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace cli {

struct ColumnSchema {
    std::string name;
    uint8_t type = 0;          // JET type code; calculated columns: the type of their result
    std::string typeName;      // "Long", "Text", ... (see typeKeyword)
    int size = 0;              // Text: characters; Binary: bytes; fixed types: their width; Memo/OLE 0
    int precision = 0, scale = 0;  // Decimal only
    bool required = false;     // the "Required" property
    bool autoNumber = false;   // Long AutoNumber or GUID AutoNumber
    bool calculated = false;
    std::string expression;    // calculated columns: the "Expression" property
    std::string description;
    size_t displayIndex = 0;   // into the reader's columns
    bool complexItems = false; // complex columns: their items can be given (JSON), not only counted
};

struct IndexColumnSchema {
    std::string name;
    bool ascending = true;
};

struct IndexSchema {
    std::string name;
    std::vector<IndexColumnSchema> columns;
    bool primary = false, unique = false, ignoreNulls = false, required = false, foreignKey = false;
};

struct TableSchema {
    std::string name;
    std::string description;
    bool linked = false;
    std::string linkedDatabase, linkedTable;
    int64_t storedRowCount = -1;  // as the table definition records it; -1 when unreadable
    std::vector<ColumnSchema> columns;
    std::vector<IndexSchema> indexes;
    std::shared_ptr<const jet::Table> table;  // null when it could not be opened
    std::string error;                         // why not
};

struct QuerySchema {
    std::string name;
    std::string type;  // jet::queryTypeName
    std::string sql;   // empty when it could not be rebuilt
};

struct Schema {
    std::string version;  // "Jet3", "Jet4", "ACE12", ...
    std::vector<TableSchema> tables;          // user tables in tab order (by name, without case)
    std::vector<jet::Relationship> relationships;  // between user tables only
    std::vector<QuerySchema> queries;         // saved queries a user sees (no '~' names)
    std::vector<std::string> problems;        // catalog parts that could not be read
    uint64_t catalogRowsLost = 0;             // rows of the system tables behind the lists above

    const TableSchema* findTable(const std::string& name) const;  // exact, then without case
};

// "Boolean", "Byte", "Integer", "Long", "Currency", "Single", "Double", "DateTime", "Binary",
// "Text", "OLE", "Memo", "GUID", "Decimal", "Complex", "BigInt", "DateTimeExtended", "Unknown".
std::string typeKeyword(uint8_t type);
// "Text(50)", "Decimal(18,2)", "Long AutoNumber", ...
std::string accessTypeText(const ColumnSchema& column);

// Reads the schema. Tables that cannot be opened are kept with their error; nothing here fails
// but the catalog itself, which the database's open already read.
Schema readSchema(jet::Database& db);

// The schema as JSON (documented in README).
std::string schemaJson(const Schema& schema, const std::string& databaseName);

} // namespace cli
