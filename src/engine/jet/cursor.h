#pragma once
// Reads a table's rows in table order (usage-map order), decoding only the columns asked for.
// A damaged row or long value is reported (rowErrors / problems) and the scan goes on.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "jet/result.h"
#include "jet/table.h"
#include "jet/value.h"

namespace jet {

// Where a row lives: data page and slot. Stable for the life of the file; use it to re-read a row.
struct RowPosition {
    uint32_t page = 0;
    uint16_t row = 0;

    uint64_t packed() const { return (uint64_t(page) << 16) | row; }
    static RowPosition unpack(uint64_t v) { return RowPosition{uint32_t(v >> 16), uint16_t(v & 0xFFFF)}; }
    friend bool operator==(const RowPosition&, const RowPosition&) = default;
};

class Cursor {
public:
    // `columns`: display indexes into table->columns(); empty = every column in display order.
    explicit Cursor(std::shared_ptr<const Table> table, std::vector<size_t> columns = {});
    ~Cursor();
    Cursor(Cursor&&) noexcept;
    Cursor& operator=(Cursor&&) noexcept;

    // Next live row. False at the end, or after a fatal error (error() then says why).
    bool next();
    // Back before the first row.
    void rewind();
    // Load the row at `pos` (from position()); next() then goes on with the row after it.
    // False when it is no live row of this table; rowErrors() then says why.
    bool seek(RowPosition pos);
    RowPosition position() const;

    const Table& table() const;
    size_t columnCount() const;                 // size of the chosen subset
    const Column& column(size_t i) const;       // i-th chosen column
    const std::vector<size_t>& columnIndexes() const;

    // Value of the i-th chosen column in the current row. Views stay valid until the cursor moves.
    // A cell that cannot be decoded reads as Null and adds to rowErrors().
    Value value(size_t i);
    Result<Value> read(size_t i);

    // For writers that decode plain fields themselves (the CSV export): the stored bytes of the
    // i-th chosen column. Long values, calculated, complex and Jet 3 text columns, and fields
    // that do not fit their row, come back as Other: use value() for them.
    struct RawCell {
        enum Kind : uint8_t { Null, Boolean, Bytes, Other } kind = Other;
        bool boolean = false;
        std::span<const std::byte> bytes;
    };
    RawCell raw(size_t i) const;

    // Problems found in the current row so far (cleared when the cursor moves).
    const std::vector<Error>& rowErrors() const;
    // Problems of the whole scan: rows or pages skipped. Kept up to a limit; problemCount() is
    // exact but counts problems, not rows: use unreadableRows() for what was lost.
    const std::vector<Error>& problems() const;
    uint64_t problemCount() const;

    // Rows of this scan that could not be read whole: rows that are missing (bad slot, bad page,
    // unreadable row header) plus rows read with at least one unreadable cell, each row once.
    // A scan starts at construction or rewind(); a row visited again (seek) is not counted twice.
    uint64_t unreadableRows() const;
    // Of those, rows that are not there at all (skipped).
    uint64_t missingRows() const;
    // The first problem of the scan (page and offset), if any.
    const std::optional<Error>& firstLoss() const;
    // Fatal error that ended the scan (the table's page list could not be read).
    const std::optional<Error>& error() const;

    struct Impl;

private:
    std::unique_ptr<Impl> d_;
};

}  // namespace jet
