#pragma once
// Commands over a whole database: schema, to-sqlite, dump, verify. Paths are bytes as given.

#include <string>

namespace cli {

enum class DumpFormat { Csv, Jsonl };

int schemaCommand(const std::string& db, bool json);
int toSqliteCommand(const std::string& db, const std::string& out);
int dumpCommand(const std::string& db, const std::string& dir, DumpFormat format);
int verifyCommand(const std::string& db);

} // namespace cli
