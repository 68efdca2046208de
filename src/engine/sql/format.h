#pragma once
// Jet's Format(value, format): the named formats (General Number, Currency, Fixed, Standard,
// Percent, Scientific, Yes/No, True/False, On/Off, General/Long/Medium/Short Date and Time) and
// custom numeric ("#,##0.00", "0%", "0.00E+00", "(000) 000-0000", sections split by ;), date
// ("yyyy-mm-dd hh:nn:ss", "dddd", "mmm", "AM/PM", ...) and text ("@", ">", "<") formats.

#include <sqlite3.h>

#include <QString>

namespace sql {

QString formatValue(sqlite3_value* value, const QString& format);

// The pieces, for tests: a number, and an OLE date.
QString formatNumber(double value, const QString& format);
QString formatDate(double ole, const QString& format);

} // namespace sql
