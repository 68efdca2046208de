#pragma once
// A row source over rows held in memory: tests of the SQL layer without a database file, and
// the native-table comparison of the benchmark.

#include "sql/row_source.h"

#include <QVariant>

#include <memory>
#include <vector>

namespace sql {

// Cells: QVariant() for Null; bool, qint64, double, QString, QByteArray. Date and Currency
// columns take doubles (OLE days, money).
struct MemoryTable {
    std::vector<SourceColumn> columns;
    std::vector<std::vector<QVariant>> rows;
    std::vector<int> uniqueColumns;
    // Rows (by index) that read as damaged: a scan skips them and counts each once.
    std::vector<std::size_t> lostRows;
};

std::shared_ptr<RowSource> makeMemoryRowSource(std::shared_ptr<const MemoryTable> table);

} // namespace sql
