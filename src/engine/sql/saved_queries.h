#pragma once
// Saved SELECT queries of a database, their SQL rebuilt from the catalog (MSysQueries: one row
// per part of the query — tables, columns, joins, WHERE, GROUP BY, HAVING, ORDER BY — keyed by
// the query's object id, with DISTINCT/TOP flags in attribute 3).

#include <QString>

#include <vector>

namespace jet { class Database; }

namespace sql {

struct SavedQuery {
    QString name;
    QString sql;    // Jet SQL
};

// Select queries only (no action, union, crosstab, pass-through or parameter queries). Parts
// of the catalog that cannot be read leave the query out.
std::vector<SavedQuery> readSavedQueries(jet::Database& db);

// The SQL of one query from its catalog rows, for tests: each row is
// (attribute, expression, flag, name1, name2).
struct QueryPart {
    int attribute = 0;
    QString expression;
    int flag = 0;
    QString name1, name2;
};
// Empty when the query is not a plain SELECT we can rebuild.
QString buildSelect(const std::vector<QueryPart>& parts);

} // namespace sql
