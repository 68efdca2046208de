#pragma once
// How Jet values travel inside SQLite. SQLite knows only INTEGER, REAL, TEXT and BLOB, so:
//   Boolean    INTEGER -1 / 0, subtype 'B'
//   Byte, Integer, Long, BigInt   INTEGER
//   Single     REAL, subtype 'S' where a function makes one (CSng)
//   Double, Decimal               REAL
//   Currency   REAL (scaled value / 10000), subtype 'C'
//   Date       REAL OLE days (days since 30 Dec 1899), subtype 'D'
//   Text, Memo TEXT (UTF-8);  GUID  TEXT "{XXXXXXXX-...}";  Binary, OLE  BLOB
// Subtypes live only while a value passes from function to function; a sorter or a group
// drops them. The recordset therefore takes each result column's type from the source
// column first (SQLite's column metadata), then from the subtype, then from the storage class.

#include <sqlite3.h>

#include <QString>

#include <optional>

namespace sql {

inline constexpr unsigned kSubtypeBoolean = 'B';
inline constexpr unsigned kSubtypeCurrency = 'C';
inline constexpr unsigned kSubtypeDate = 'D';
inline constexpr unsigned kSubtypeSingle = 'S';

inline bool isDateValue(sqlite3_value* v)
{
    return sqlite3_value_subtype(v) == kSubtypeDate && sqlite3_value_type(v) != SQLITE_NULL;
}

void resultDate(sqlite3_context* ctx, double ole);
void resultCurrency(sqlite3_context* ctx, double value);
void resultBoolean(sqlite3_context* ctx, bool value);
// Throws TooLarge past kMaxTextBytes (limits.h).
void resultText(sqlite3_context* ctx, const QString& text);

QString valueText(sqlite3_value* v);    // Jet's text of a value (numbers, dates, text)
// A number from a numeric value or a text that reads as a number; nullopt otherwise.
std::optional<double> valueNumber(sqlite3_value* v);
// A date from a date, a number (OLE days) or a text that reads as a date.
std::optional<double> valueDate(sqlite3_value* v);

// Text of a Double as Jet converts it (15 significant digits, "E+nn" exponents).
QString doubleText(double d);
QString dateText(double ole);

} // namespace sql
