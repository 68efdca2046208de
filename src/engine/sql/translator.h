#pragma once
// Jet SQL (the dialect DAO speaks) to SQLite SQL. A recursive-descent parser over real tokens:
// it re-emits every expression fully parenthesised, so Jet's operator precedence (& below +,
// ^ above unary minus, Mod below *) survives, and maps Jet syntax onto our SQLite functions:
//   [name] -> "name", "text"/'text' -> 'text' COLLATE JET, #date# -> jet_date(ole days),
//   a & b -> jet_concat, + - / \ Mod ^ -> jet_add ... (Jet's Null and type rules),
//   True/Yes -> -1, False/No -> 0, XOR/EQV/IMP -> functions, TOP n [PERCENT] -> LIMIT,
//   DISTINCTROW -> dropped, ORDER BY / GROUP BY terms -> COLLATE JET (Jet compares text
//   without regard to case), unnamed expressions -> Expr1000, Expr1001, ...
// Anything that could write or reach outside the database is refused here already:
// SELECT ... INTO, IN 'other file', non-SELECT statements, trailing statements.

#include <QString>

#include <functional>
#include <vector>

namespace sql {

struct TranslateOptions {
    // Maps a name used in FROM to the name of the SQLite table or view that stands for it
    // (Jet matches names without regard to case, SQLite only for ASCII). Empty result: keep.
    std::function<QString(const QString&)> resolveTable;
};

// Throws automation::Error with a readable description when the statement is not a single
// SELECT we can run.
QString translateJetSql(const QString& jetSql, const TranslateOptions& options = {});

// The translation plus a probe that tells the types of aggregate results: SQLite knows the
// source column of `x` but not of `Max(x)`. The probe selects the aggregates' arguments from
// the same FROM clause; its declared column types give the result types.
struct Translation {
    QString sql;
    QString probe;                       // empty when there is nothing to probe
    struct Probed { int resultColumn; int probeColumn; bool sum; };
    std::vector<Probed> probed;
    // TOP n with ORDER BY: no LIMIT in `sql`; the reader of the rows keeps n rows plus those
    // whose values in tieColumns equal the n-th row's (Jet returns ties). -1: no such limit.
    long long topCount = -1;
    std::vector<int> tieColumns;
};
Translation translateWithProbe(const QString& jetSql, const TranslateOptions& options = {});

// "name" with embedded quotes doubled.
QString quoteIdentifier(const QString& name);

} // namespace sql
