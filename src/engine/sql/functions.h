#pragma once
// The Jet function library on a SQLite connection: scalar functions (Left, Mid, DateAdd, ...),
// the operators the translator maps to functions (& + - * / \ Mod ^ XOR), Jet's LIKE with
// * ? # [a-z] [!a-z], and the aggregates First, Last, StDev, Var.

#include <sqlite3.h>

#include <QString>

namespace sql {

// Throws automation::Error on failure.
void registerFunctions(sqlite3* db);

// Jet LIKE: * any run, ? one character, # one digit, [a-z] / [!a-z] one character of a set;
// compared without regard to case or width. Throws automation::Error on a malformed pattern.
bool jetLike(const QString& pattern, const QString& text);

} // namespace sql
