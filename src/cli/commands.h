#pragma once
// The commands of tabulon-cli. Each writes its result to stdout and returns the exit code;
// failures of the database, table, query or file throw CliError (exit 2).

#include "automation/variant.h"

#include <QString>
#include <QStringList>

#include <stdexcept>

namespace cli {

enum ExitCode { Ok = 0, UsageError = 1, Failure = 2 };

class CliError : public std::runtime_error {
public:
    explicit CliError(const QString& message) : std::runtime_error(message.toStdString()) {}
};

// The database through the engine, as the program opens it (default workspace, read-only).
automation::Variant openDatabase(const QString& path);
// A table definition by name: exact match first, then without regard to case; CliError if none.
automation::Variant findTableDef(const automation::Variant& database, const QString& name);

int tablesCommand(const QString& db);
int fieldsCommand(const QString& db, const QString& table);
int exportCommand(const QString& db, const QString& table);
int queryCommand(const QString& db, const QString& sql, long long maxRows);   // maxRows < 0: all

} // namespace cli
