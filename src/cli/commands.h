#pragma once
// The commands of tabulon-cli. Each writes its result to stdout and returns the exit code;
// failures of the database, table, query or file throw CliError (exit 2).
// Database paths stay bytes from the command line to the reader: a name that is not valid
// UTF-8 (a Shift-JIS name from an old share) must still open.

#include "automation/variant.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

namespace jet { class Database; }

namespace cli {

enum ExitCode {
    Ok = 0,
    UsageError = 1,
    Failure = 2,
    RowsLost = 3,   // finished, but rows or cells could not be read
};

class CliError : public std::runtime_error {
public:
    explicit CliError(const QString& message) : std::runtime_error(message.toStdString()) {}
};

// The reader's database for a path given as bytes; CliError when it cannot be opened.
std::shared_ptr<jet::Database> openJet(const std::string& path);

// The database through the engine, as the program opens it (read-only), from a path as bytes.
automation::Variant openDatabase(const std::string& path);
// A table definition by name: exact match first, then without regard to case; CliError if none.
automation::Variant findTableDef(const automation::Variant& database, const QString& name);

int tablesCommand(const std::string& db, bool system);
int fieldsCommand(const std::string& db, const QString& table);
int exportCommand(const std::string& db, const QString& table);
int queryCommand(const std::string& db, const QString& sql, long long maxRows);   // maxRows < 0: all

// Whether `tables` lists a table with these catalog flags. Jet 3 files: every table but the two
// whole values of system and hidden tables; Jet 4 and ACE files: no table whose flags carry the
// system bit (0x80000000) or the hidden-system bit (0x2).
bool isUserTable(bool jet3, std::uint32_t flags);

// Rows that could not be read, one line on stderr; returns RowsLost. `what` names the table
// ("'Orders'"); `missing` < 0 when the count does not tell missing rows from rows with
// unreadable cells; `first` the first problem, or empty.
int reportLoss(const QString& what, unsigned long long unreadable, long long missing, const QString& first);
// The text of those lines, without the program's name.
QString lossMessage(const QString& what, unsigned long long unreadable, long long missing, const QString& first);
QString harmlessDamageMessage(const QString& what, const QString& first);
// Damage that cost no row (a damaged page that held none): said, but the output is whole.
void reportHarmlessDamage(const QString& what, const QString& first);

// A path for messages: the bytes as UTF-8 where they are, the rest shown as \xNN.
QString displayPath(const std::string& path);

// One line for the terminal: control characters shown as \xNN (CR and LF as spaces).
QString oneLine(const QString& text);

} // namespace cli
