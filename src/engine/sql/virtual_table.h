#pragma once
// The SQLite module "jet": one virtual table per row source, read lazily (a scan returns rows as
// SQLite asks for them), answering equality and range constraints from a column index built on
// first use (column_index.h), so joins and lookups never turn into nested full scans.
// Read-only: xUpdate stays null.

#include "sql/column_index.h"
#include "sql/row_source.h"

#include <sqlite3.h>

#include <map>
#include <memory>
#include <vector>

namespace sql {

class TableRegistry {
public:
    struct Table {
        std::shared_ptr<RowSource> source;
        std::map<int, std::unique_ptr<ColumnIndex>> indexes;   // by source column, kept
        ColumnIndex& index(int column);                        // builds on first use; throws
    };

    int add(std::shared_ptr<RowSource> source);
    Table* find(int id);

private:
    std::vector<std::unique_ptr<Table>> m_tables;
};

// Registers the module "jet" on the connection; `registry` must outlive it.
// Tables are created with: CREATE VIRTUAL TABLE "name" USING jet(<id from registry.add>).
void registerModule(sqlite3* db, TableRegistry* registry);

} // namespace sql
