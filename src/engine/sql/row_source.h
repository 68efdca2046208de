#pragma once
// What a virtual table reads from: a column list, a scan in table order, and a re-read of a
// row by its position. The JET reader is one implementation; tests use an in-memory one.

#include <sqlite3.h>

#include <QString>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace sql {

struct SourceColumn {
    QString name;
    std::uint8_t jetType = 0;     // the JET type byte (jet::ColumnType)
    std::uint8_t precision = 0;   // Numeric
    std::uint8_t scale = 0;
};

class RowCursor {
public:
    virtual ~RowCursor() = default;
    // Moves to the next row in table order; false at the end or on a fatal error (error()).
    virtual bool next() = 0;
    // Loads the row at a position that position() gave; false when there is no such row.
    virtual bool seek(std::uint64_t position) = 0;
    virtual std::uint64_t position() const = 0;
    // Back before the first row.
    virtual void rewind() = 0;
    // The value of a source column (index into RowSource::columns()) of the current row, as
    // values.h says Jet values travel in SQLite. Only columns asked for at open() are read.
    virtual void result(int column, sqlite3_context* ctx) = 0;
    // Index keys: a numeric cell as a number, a text cell as text. False for Null (and for
    // cells of another kind).
    virtual bool number(int column, double& out) = 0;
    virtual bool text(int column, std::string& out) = 0;
    // A fatal error that ended the scan; empty when there is none.
    virtual QString error() const = 0;
    // Rows of the current scan (since open or rewind) that could not be read whole, each once,
    // and the first reason.
    virtual std::uint64_t unreadableRows() const { return 0; }
    virtual QString firstLoss() const { return {}; }
};

class RowSource {
public:
    virtual ~RowSource() = default;
    virtual const std::vector<SourceColumn>& columns() const = 0;
    virtual std::int64_t estimatedRows() const = 0;
    // True when a unique index of the table holds exactly this column (lookups find one row).
    virtual bool uniqueColumn(int column) const = 0;
    // A cursor reading the given source columns (all columns when empty).
    virtual std::unique_ptr<RowCursor> open(const std::vector<int>& columns) = 0;
};

// The declared SQLite type of a JET column: carries the JET type to the recordset
// (sqlite3_column_decltype) and gives SQLite the right affinity and collation.
QString declaredType(const SourceColumn& column);
// The JET type byte (and Numeric scale) from a declared type; 0 when it is none of ours.
std::uint8_t jetTypeFromDeclared(const char* declared, std::uint8_t* scale = nullptr);

// True for columns whose index keys are texts (compared folded), false for numbers.
bool isTextKeyType(std::uint8_t jetType);
bool isIndexableType(std::uint8_t jetType);

} // namespace sql
