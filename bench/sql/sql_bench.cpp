// SQL layer benchmark on perf_large.mdb: first rows of a huge table against a small one, and
// GROUP BY / JOIN queries against SQLite on native tables holding the same data.
//   bench/sql/run.sh [path/to/perf_large.mdb]

#include "automation/object.h"
#include "jet/cursor.h"
#include "jet/database.h"
#include "sql/open_recordset.h"

#include <sqlite3.h>

#include <QString>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

using Clock = std::chrono::steady_clock;

namespace {

double ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double timeIt(int runs, const std::function<void()>& fn)
{
    std::vector<double> t;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        fn();
        t.push_back(ms(Clock::now() - start));
    }
    return median(t);
}

// Opens a recordset and reads every field of up to maxRows rows, as the data grid does.
long long readRows(const std::shared_ptr<jet::Database>& db, const char* sqlText, long long maxRows)
{
    using namespace automation;
    Variant rs = sql::openRecordset(db, QString::fromUtf8(sqlText));
    Variant fields = get(rs, QStringLiteral("Fields"));
    const int n = get(fields, QStringLiteral("Count")).toInt();
    long long rows = 0;
    while (rows < maxRows && !get(rs, QStringLiteral("EOF")).toBool()) {
        for (int i = 0; i < n; ++i) get(get(rs, QStringLiteral("Fields"), std::int32_t(i)), QStringLiteral("Value"));
        call(rs, QStringLiteral("MoveNext"));
        ++rows;
    }
    call(rs, QStringLiteral("Close"));
    return rows;
}

void exec(sqlite3* db, const char* sqlText)
{
    char* err = nullptr;
    if (sqlite3_exec(db, sqlText, nullptr, nullptr, &err) != SQLITE_OK) {
        std::fprintf(stderr, "sqlite: %s\n", err);
        std::exit(2);
    }
}

// Native SQLite tables with the same rows, loaded once through the reader.
void loadNative(sqlite3* native, jet::Database& db)
{
    exec(native, "CREATE TABLE Events(id INTEGER PRIMARY KEY, ts REAL, user_id INTEGER, kind TEXT, amount REAL, note TEXT, flag INTEGER);"
                 "CREATE TABLE Users(user_id INTEGER PRIMARY KEY, name TEXT, country TEXT);");
    exec(native, "BEGIN");
    for (const char* name : {"Events", "Users"}) {
        auto t = db.table(name);
        if (!t) { std::fprintf(stderr, "%s\n", t.error().describe().c_str()); std::exit(2); }
        const std::size_t cols = t.value()->columns().size();
        std::string ins = std::string("INSERT INTO ") + name + " VALUES(?";
        for (std::size_t i = 1; i < cols; ++i) ins += ",?";
        ins += ")";
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(native, ins.c_str(), -1, &st, nullptr);
        jet::Cursor cur(t.value());
        while (cur.next()) {
            for (std::size_t i = 0; i < cols; ++i) {
                const jet::Value v = cur.value(i);
                const int p = int(i) + 1;
                switch (v.kind()) {
                case jet::ValueKind::Null: sqlite3_bind_null(st, p); break;
                case jet::ValueKind::Text: sqlite3_bind_text(st, p, v.asText().data(), int(v.asText().size()), SQLITE_TRANSIENT); break;
                case jet::ValueKind::Double: case jet::ValueKind::DateTime: case jet::ValueKind::Float:
                    sqlite3_bind_double(st, p, v.asDouble()); break;
                case jet::ValueKind::Boolean: sqlite3_bind_int(st, p, v.asBool() ? -1 : 0); break;
                default: sqlite3_bind_int64(st, p, v.asInt()); break;
                }
            }
            sqlite3_step(st);
            sqlite3_reset(st);
        }
        sqlite3_finalize(st);
    }
    exec(native, "COMMIT");
}

long long nativeRows(sqlite3* native, const char* sqlText)
{
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(native, sqlText, -1, &st, nullptr);
    long long rows = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
        for (int i = 0; i < sqlite3_column_count(st); ++i) sqlite3_column_value(st, i);
        ++rows;
    }
    sqlite3_finalize(st);
    return rows;
}

} // namespace

int main(int argc, char** argv)
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const std::string path = argc > 1 ? argv[1] : "/tmp/tabulon-fixtures/perf_large.mdb";
    auto opened = jet::Database::open(path);
    if (!opened) { std::fprintf(stderr, "%s\n", opened.error().describe().c_str()); return 2; }
    std::shared_ptr<jet::Database> db(std::move(opened.value()));

    // Cold: a fresh database object, so the first statement also builds the connection
    // (virtual tables, saved queries) and the reader lists the table's pages.
    for (const char* q : {"SELECT * FROM Users", "SELECT * FROM Events", "SELECT * FROM Users"}) {
        auto fresh = jet::Database::open(path);
        std::shared_ptr<jet::Database> cold(std::move(fresh.value()));
        const auto c0 = Clock::now();
        readRows(cold, q, 100);
        std::printf("cold: open connection + first 100 rows of %-6s %8.2f ms\n", q + 14, ms(Clock::now() - c0));
        sql::releaseDatabase(cold.get());
    }
    readRows(db, "SELECT * FROM Users", 1);

    const int runs = 51;
    const double events100 = timeIt(runs, [&] { readRows(db, "SELECT * FROM Events", 100); });
    const double users100 = timeIt(runs, [&] { readRows(db, "SELECT * FROM Users", 100); });
    std::printf("first 100 rows, Events (1,500,000 rows)   %8.2f ms\n", events100);
    std::printf("first 100 rows, Users (10,000 rows)       %8.2f ms   ratio %.2f (target <= 2, Events < 30 ms)\n",
                users100, events100 / users100);

    const char* group = "SELECT kind, COUNT(*), SUM(amount) FROM Events GROUP BY kind";
    const char* join = "SELECT u.country, COUNT(*) FROM Events e INNER JOIN Users u ON e.user_id = u.user_id GROUP BY u.country";

    const auto j0 = Clock::now();
    readRows(db, join, 1000);
    std::printf("join, first run (builds the Users lookup)  %8.2f ms\n", ms(Clock::now() - j0));

    const double oursGroup = timeIt(5, [&] { readRows(db, group, 1000); });
    const double oursJoin = timeIt(5, [&] { readRows(db, join, 1000); });

    sqlite3* native = nullptr;
    sqlite3_open(":memory:", &native);
    const auto l0 = Clock::now();
    loadNative(native, *db);
    std::printf("native tables loaded in                   %8.2f ms\n", ms(Clock::now() - l0));
    const double nativeGroup = timeIt(5, [&] { nativeRows(native, group); });
    const double nativeJoin = timeIt(5, [&] { nativeRows(native, join); });
    sqlite3_close(native);

    std::printf("GROUP BY kind:  ours %8.1f ms, native SQLite %8.1f ms, ratio %.2f (target <= 3)\n",
                oursGroup, nativeGroup, oursGroup / nativeGroup);
    std::printf("JOIN Users:     ours %8.1f ms, native SQLite %8.1f ms, ratio %.2f (target <= 3)\n",
                oursJoin, nativeJoin, oursJoin / nativeJoin);
    return 0;
}
