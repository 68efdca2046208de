// Read-only for certain: statements that write, attach, load code, reach the schema or run a
// second statement are refused with a readable description, and the database file never changes.

#include "sql_helpers.h"

#include <QCryptographicHash>
#include <QFile>

namespace {

struct Refusal {
    const char* sql;
    const char* mentions;   // a part of the description
};

void PrintTo(const Refusal& r, std::ostream* os) { *os << r.sql; }

class SqlRefusals : public ::testing::TestWithParam<Refusal> {};

TEST_P(SqlRefusals, AreRefusedWithADescription)
{
    sqltest::MemoryDb db;
    const QString error = db.error(QString::fromUtf8(GetParam().sql));
    EXPECT_TRUE(error.contains(QString::fromUtf8(GetParam().mentions), Qt::CaseInsensitive))
        << GetParam().sql << " gave: " << error.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Writes, SqlRefusals, ::testing::Values(
    Refusal{"DELETE FROM One", "read-only"}, Refusal{"INSERT INTO One VALUES (1)", "read-only"},
    Refusal{"UPDATE One SET n = 2", "read-only"}, Refusal{"DROP TABLE One", "read-only"},
    Refusal{"CREATE TABLE x (a INT)", "read-only"}, Refusal{"ALTER TABLE One ADD COLUMN b", "read-only"},
    Refusal{"SELECT * INTO Copy FROM One", "INTO"}, Refusal{"SELECT n INTO [Other] FROM One WHERE n = 1", "INTO"},
    Refusal{"SELECT * FROM One IN 'other.mdb'", "other databases"}));

INSTANTIATE_TEST_SUITE_P(Escapes, SqlRefusals, ::testing::Values(
    Refusal{"ATTACH DATABASE '/tmp/x.db' AS x", "read-only"}, Refusal{"PRAGMA writable_schema = 1", "read-only"},
    Refusal{"VACUUM", "read-only"}, Refusal{"SELECT load_extension('x') FROM One", "Undefined function"},
    Refusal{"SELECT sqlite_version() FROM One", "Undefined function"},
    Refusal{"SELECT * FROM sqlite_master", "cannot find"}, Refusal{"SELECT * FROM sqlite_temp_master", ""},
    Refusal{"WITH x AS (SELECT 1) SELECT * FROM x", "expected 'SELECT'"}));

INSTANTIATE_TEST_SUITE_P(MoreThanOneStatement, SqlRefusals, ::testing::Values(
    Refusal{"SELECT * FROM One; DELETE FROM One", "after end of SQL statement"},
    Refusal{"SELECT 1 FROM One; SELECT 2 FROM One", "after end of SQL statement"},
    Refusal{"SELECT 1 FROM One;;; x", "after end of SQL statement"}));

INSTANTIATE_TEST_SUITE_P(BrokenText, SqlRefusals, ::testing::Values(
    Refusal{"", "empty"}, Refusal{"SELECT 'abc FROM One", "unterminated text"},
    Refusal{"SELECT [abc FROM One", "missing ]"}, Refusal{"SELECT #2003-01-01 FROM One", "unterminated date"},
    Refusal{"SELECT n FROM One WHERE", "expected an expression"}, Refusal{"SELECT FROM One", "expected an expression"},
    Refusal{"SELECT n FROM One WHERE n LIKE '[a-'", "Invalid pattern"},
    Refusal{"SELECT Nosuch FROM One", "no such column"}, Refusal{"SELECT n FROM Nowhere", "Nowhere"},
    Refusal{"TRANSFORM Count(*) SELECT n FROM One PIVOT n", "Crosstab"},
    Refusal{"PARAMETERS x Long; SELECT n FROM One", "Parameter"}));

// The authorizer stands behind the translator: raw SQLite text that slips past it still fails.
TEST(SqlAuthorizer, DeniesEverythingButReadingOurTables)
{
    sqltest::MemoryDb db;
    sqlite3* h = db.connection().handle();
    for (const char* raw : {"CREATE TEMP TABLE t(a)", "ATTACH DATABASE ':memory:' AS x", "SELECT load_extension('x')",
                            "PRAGMA query_only = 0", "INSERT INTO One VALUES (2)", "SELECT * FROM sqlite_master",
                            "SELECT printf('%d', 1)", "CREATE VIEW v AS SELECT 1"}) {
        sqlite3_stmt* st = nullptr;
        int rc = sqlite3_prepare_v2(h, raw, -1, &st, nullptr);
        if (rc == SQLITE_OK && st) rc = sqlite3_step(st);
        sqlite3_finalize(st);
        EXPECT_TRUE(rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) << raw;
    }
    // And the table still reads.
    EXPECT_EQ(sqltest::lines(db.run(QStringLiteral("SELECT n FROM One"))), sqltest::Lines{"1"});
}

TEST(SqlReadOnly, TheDatabaseFileNeverChanges)
{
    const QString path = QStringLiteral(TABULON_TEST_DATA "/jp_sample.mdb");
    auto hash = [&] {
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
    };
    const QByteArray before = hash();
    auto db = sqltest::openFixture("jp_sample.mdb");
    for (const char* s : {"SELECT * FROM Orders", "SELECT Count(*) FROM Big5000 WHERE s = 'S00042'",
                          "DELETE FROM Orders", "SELECT * INTO x FROM Orders", "UPDATE Orders SET Amount = 0"}) {
        try {
            sqltest::run(db, QString::fromUtf8(s));
        } catch (const automation::Error&) {
        }
    }
    EXPECT_EQ(sqltest::lines(sqltest::run(db, "SELECT Count(*), Sum(Amount) FROM Orders")), sqltest::Lines{"100|61900"});
    sql::releaseDatabase(db.get());
    db.reset();
    EXPECT_EQ(hash(), before);
}

TEST(SqlReadOnly, NoDatabaseGivesAnError)
{
    try {
        sql::openRecordset(nullptr, QStringLiteral("SELECT 1"));
        FAIL();
    } catch (const automation::Error& e) {
        EXPECT_FALSE(e.description().isEmpty());
    }
}

} // namespace
