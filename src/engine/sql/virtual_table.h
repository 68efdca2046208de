#pragma once
// The SQLite module "jet": one virtual table per row source, read lazily (a scan returns rows as
// SQLite asks for them), answering equality and range constraints from a column index built on
// first use (column_index.h), so joins and lookups never turn into nested full scans.
// Read-only: xUpdate stays null.

#include "sql/column_index.h"
#include "sql/row_source.h"

#include <sqlite3.h>

#include <QString>

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

namespace sql {

// What one statement could not read: per table, the rows of its scans that could not be read
// whole (a table scanned again, as the inner side of a join is, counts its lost rows once).
class StatementLoss {
public:
    void record(const void* table, std::uint64_t rows, const QString& first);
    std::uint64_t rows() const;
    const QString& first() const { return m_first; }

private:
    std::map<const void*, std::uint64_t> m_rows;
    QString m_first;
};

class TableRegistry {
public:
    struct Table {
        std::shared_ptr<RowSource> source;
        std::map<int, std::unique_ptr<ColumnIndex>> indexes;   // by source column, kept
        ColumnIndex& index(int column);                        // builds on first use; throws
    };

    int add(std::shared_ptr<RowSource> source);
    Table* find(int id);

    // Non-zero while the connection runs SQL of its own (declarations) or SQLite asks a table
    // for its columns: the authorizer lets that through.
    int ownSql = 0;
    // The statement whose rows are being stepped, if any: scans report their losses to it.
    StatementLoss* current = nullptr;

private:
    std::vector<std::unique_ptr<Table>> m_tables;
};

// Registers the module "jet" on the connection; `registry` must outlive it.
// Tables are created with: CREATE VIRTUAL TABLE "name" USING jet(<id from registry.add>).
void registerModule(sqlite3* db, TableRegistry* registry);

// Why a table cannot become a virtual table (SQLite would refuse its column list); empty when
// it can.
QString undeclarableReason(const RowSource& source);

} // namespace sql
