#pragma once
// Canonical value text and CSV output (RFC 4180, UTF-8, CRLF).
//   Null: empty unquoted field; integers decimal; Single/Double shortest round-trip text;
//   Currency, Decimal exact without trailing zeros; Boolean 1/0; Date "YYYY-MM-DD HH:MM:SS";
//   GUID "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"; binary and OLE lowercase hex.
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "jet/result.h"
#include "jet/value.h"

namespace jet {
class Table;
}

namespace jet::csv {

// Canonical text of a value (no CSV quoting). Null gives "".
void appendValue(std::string& out, const Value& v);
std::string valueText(const Value& v);

// True when a text cell must be quoted: it holds a comma, quote, CR or LF, or is empty (an
// unquoted empty field is Null).
bool needsQuotes(std::string_view text);

// Field with RFC 4180 quoting when it holds a comma, quote, CR or LF.
void appendField(std::string& out, std::string_view text);
void appendField(std::string& out, const Value& v);

// Calendar parts of an OLE date (days since 1899-12-30; the integer part is the day, the
// fraction's absolute value the time of day), rounded to the nearest second.
struct DateParts {
    int64_t year = 0;
    int month = 0, day = 0, hour = 0, minute = 0, second = 0;
};
bool oleDateParts(double ole, DateParts& out);  // false for NaN / out of range
// "YYYY-MM-DD HH:MM:SS"
std::string formatOleDate(double ole);
std::string formatExtDateTime(const ExtDateTime& e);  // "YYYY-MM-DD HH:MM:SS.fffffff"
std::string formatDecimal(const Decimal& d);
std::string formatCurrency(int64_t scaled);
std::string formatGuid(std::span<const std::byte> b);
// The shortest text that reads back as x (std::to_chars's), fast for amounts with two decimals;
// writes at most 32 chars at p and returns the end.
char* writeShortestDouble(char* p, double x);

struct ExportStats {
    uint64_t rows = 0;            // rows written
    uint64_t unreadableRows = 0;  // rows not written whole: missing, or with unreadable cells (empty)
    uint64_t missingRows = 0;     // of those, rows not written at all
    std::optional<Error> firstLoss;
    std::vector<Error> errors;    // first few problems
};

// The whole table as CSV (header row of column names first) into a file descriptor, through a
// large buffer. Returns an error when writing fails or the table cannot be scanned at all.
Result<ExportStats> writeTable(const std::shared_ptr<const Table>& table, int fd);
// The same, telling `onRows` the rows written so far every few thousand rows; when it returns
// false the export stops with an error ("stopped").
using RowsCallback = std::function<bool(uint64_t rows)>;
Result<ExportStats> writeTable(const std::shared_ptr<const Table>& table, int fd, const RowsCallback& onRows);
Result<ExportStats> writeTable(const std::shared_ptr<const Table>& table, std::FILE* file);

}  // namespace jet::csv
