#pragma once
// How a database's schema becomes SQLite tables: declared types, unique SQLite names, the
// CREATE statements with keys, indexes and foreign keys, and what could not be carried over.

#include "cli/database_schema.h"

#include <string>
#include <string_view>
#include <vector>

namespace cli {

// An identifier in double quotes, quotes inside doubled: any name works.
std::string quoteIdentifier(std::string_view name);
// A text literal in single quotes.
std::string quoteText(std::string_view text);

// The declared SQLite type of a column ("INTEGER", "VARCHAR(50)", "DECIMAL(19,4)", ...); complex
// columns are TEXT (a JSON array of their items) when complexItems is set, else INTEGER (a count).
std::string declaredType(const ColumnSchema& column);

// Whether SQLite's NUMERIC affinity keeps a decimal text ("-123.45") exactly: integers that fit
// 64 bits, and numbers of at most 15 significant digits (it stores the rest as a rounded REAL).
bool numericTextKeptExactly(std::string_view text);

struct SqliteColumn {
    std::string name;          // SQLite name (unique in its table)
    const ColumnSchema* source = nullptr;
};

struct SqliteIndex {
    std::string name;          // SQLite name (unique in the file)
    std::string sql;           // CREATE [UNIQUE] INDEX ...
    std::string accessName;
    bool unique = false;
};

struct SqliteTable {
    const TableSchema* source = nullptr;
    std::string name;          // SQLite name (unique in the file)
    std::vector<SqliteColumn> columns;
    std::string createSql;     // CREATE TABLE with its primary key and foreign keys
    std::string insertSql;     // INSERT INTO ... VALUES (?, ...)
    std::vector<SqliteIndex> indexes;  // made after the rows are in
};

// One row of the `_tabulon_meta` table.
struct MetaRow {
    std::string kind;          // "database", "table", "column", "index", "relationship", "query"
    std::string tableName;     // SQLite table name, or empty
    std::string name;          // column, index, relationship or query name, or empty
    std::string property;
    std::string value;
};

struct SqlitePlan {
    std::vector<SqliteTable> tables;   // tables that could be opened, in tab order
    std::vector<std::string> notes;    // what changed on the way (renamed, not declared), for stderr
    std::vector<MetaRow> meta;
};

inline constexpr std::string_view kMetaTable = "_tabulon_meta";

// The plan for the tables of `schema` that could be opened.
SqlitePlan planSqlite(const Schema& schema);

} // namespace cli
