#pragma once
// The sqlite3 shell as a user runs it on a converted file, and reading a file back into rows.

#include "csv_table.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <string>
#include <vector>

// Output of `sqlite3 -csv FILE SQL`; `ok` false when the shell failed.
struct ShellRun {
    bool ok = false;
    QByteArray out, err;
};
ShellRun sqliteShell(const QString& file, const QString& sql, const QStringList& options = {QStringLiteral("-csv")});

// A quoted SQL identifier.
QString sqlName(const QString& name);

// The rows of a converted table as `export` writes them: blobs as lowercase hex, numbers of REAL
// and DECIMAL columns to 15 significant digits (the shell's precision), item counts as counts;
// sorted, so that row order does not matter.
std::vector<CsvRow> sqliteRows(const QString& file, const QString& table, bool* ok);
// The same normalisation for an export of the table (header row dropped); `types` are the
// declared SQLite types of its columns in order.
std::vector<CsvRow> exportRows(const QByteArray& csv, const std::vector<std::string>& types);
// Declared types of a converted table's columns, from PRAGMA table_info.
std::vector<std::string> declaredTypes(const QString& file, const QString& table);
