// Resource limits of the SQL layer: text results stop at 64 MiB, SQLite's memory and the
// temporary files of big sorts at their limits (a "too large" error), a running statement can
// be stopped, and no C++ exception crosses SQLite: each comes out as an automation error with
// readable words.

#include "sql_helpers.h"

#include "sql/interrupt.h"
#include "sql/limits.h"
#include "sql/temp_vfs.h"

#include <new>

namespace {

bool mentions(const QString& text, const char* part)
{
    return text.contains(QString::fromUtf8(part), Qt::CaseInsensitive);
}

class SqlLimits : public ::testing::Test {
protected:
    sqltest::MemoryDb db;
};

TEST_F(SqlLimits, TextResultsStopAtTheLimitNotBefore)
{
    // 64 MiB exactly is still a result; one byte more is "too large".
    const qint64 limit = sql::kMaxTextBytes;
    EXPECT_EQ(db.eval(QStringLiteral("Len(Space(%1))").arg(limit)).toStdString(), std::to_string(limit));
    EXPECT_TRUE(mentions(db.eval(QStringLiteral("Len(Space(%1))").arg(limit + 1)), "too large"));
    EXPECT_TRUE(mentions(db.eval(QStringLiteral("Len(String(%1, 'x'))").arg(limit + 1)), "too large"));
    // Built from pieces under the limit: concatenation, +, Replace.
    const QString half = QStringLiteral("Space(%1)").arg(limit / 2);
    EXPECT_EQ(db.eval(QStringLiteral("Len(%1 & %1)").arg(half)).toStdString(), std::to_string(limit));
    EXPECT_TRUE(mentions(db.eval(QStringLiteral("Len(%1 & %1 & 'x')").arg(half)), "too large"));
    EXPECT_TRUE(mentions(db.eval(QStringLiteral("Len(%1 + %1 + 'x')").arg(half)), "too large"));
    EXPECT_TRUE(mentions(db.eval(QStringLiteral("Replace(Space(10000000), ' ', Space(10000000))")), "too large"));
    EXPECT_EQ(db.eval(QStringLiteral("Len(Replace(Space(1000), ' ', Space(1000)))")).toStdString(), "1000000");
    // Negative counts stay Jet's invalid-call error, not a size error.
    EXPECT_TRUE(mentions(db.eval(QStringLiteral("Space(-1)")), "Invalid procedure call"));
    EXPECT_TRUE(mentions(db.eval(QStringLiteral("String(-1, 'x')")), "Invalid procedure call"));
}

TEST_F(SqlLimits, LongFormatsCostTimeInProportion)
{
    // 300,000 format characters: seconds if each looked at the rest of the format again (as
    // once, ~100 s apiece), a fraction of a second in proportion.
    for (const char* f : {"String(300000, 'y')", "String(300000, 'n')", "String(300000, 'd')", "String(300000, 'm')"})
        EXPECT_EQ(db.eval(QStringLiteral("Len(Format(#2003-01-31 14:05:09#, %1)) > 0").arg(QLatin1String(f))).toStdString(),
                  "True") << f;
    EXPECT_EQ(db.eval(QStringLiteral("Len(Format(#2003-01-31 14:05:09#, String(300000, 'y')))")).toStdString(), "300000");
    EXPECT_EQ(db.eval(QStringLiteral("Len(Format(5, String(300000, '0')))")).toStdString(), "300000");
    EXPECT_EQ(db.eval(QStringLiteral("Len(Format('abc', String(300000, '@')))")).toStdString(), "300000");
}

TEST_F(SqlLimits, BigSortsStopAtTheTemporarySpaceLimit)
{
    // 500,000 rows of 100 bytes sorted: SQLite writes them to temporary files, which may hold
    // 1 MiB here (1 GiB normally).
    auto t = std::make_shared<sql::MemoryTable>();
    t->columns = {{QStringLiteral("n"), 0x04, 0, 0}};
    for (int i = 0; i < 5000; ++i) t->rows.push_back({QVariant(qint64(i))});
    db.add(QStringLiteral("Many"), t);
    const QString sortMuch = QStringLiteral("SELECT a.n, b.n, Space(100) AS pad FROM Many AS a, Many AS b "
                                            "WHERE b.n < 100 ORDER BY pad, a.n DESC");
    {
        sql::TempLimitForTests small(1 << 20);
        const QString error = db.error(sortMuch);
        EXPECT_TRUE(mentions(error, "too large")) << error.toStdString();
        EXPECT_TRUE(mentions(error, "temporary space")) << error.toStdString();
    }
    // Nothing is left behind, and the same sort runs within the normal limit.
    EXPECT_EQ(sql::tempBytesInUse(), 0);
    EXPECT_EQ(db.error(sortMuch), QString());
    EXPECT_EQ(sql::tempBytesInUse(), 0);
    EXPECT_EQ(sqltest::lines(db.run(QStringLiteral("SELECT Count(*) FROM Many"))), sqltest::Lines{"5000"});
}

TEST_F(SqlLimits, SqliteMemoryStopsAtTheHeapLimit)
{
    const sqlite3_int64 before = sqlite3_hard_heap_limit64(4ll << 20);
    const QString error = db.eval(QStringLiteral("Len(Space(10000000))"));
    sqlite3_hard_heap_limit64(before);
    EXPECT_EQ(before, sql::kHeapLimitBytes);
    EXPECT_TRUE(mentions(error, "too large")) << error.toStdString();
    EXPECT_EQ(db.eval(QStringLiteral("Len(Space(10000000))")).toStdString(), "10000000");
}

TEST_F(SqlLimits, InterruptStopsTheRunningStatementOnly)
{
    auto t = std::make_shared<sql::MemoryTable>();
    t->columns = {{QStringLiteral("n"), 0x04, 0, 0}};
    for (int i = 0; i < 2000; ++i) t->rows.push_back({QVariant(qint64(i))});
    db.add(QStringLiteral("T"), t);
    const QString slow = QStringLiteral("SELECT Count(*) FROM T AS a, T AS b, T AS c");
    int polls = 0;
    {
        // A poll that asks to stop after a few looks: the statement fails as cancelled.
        sql::InterruptPoll poll([&] { return ++polls >= 3; });
        EXPECT_EQ(db.error(slow).toStdString(), sql::kCancelledMessage);
    }
    EXPECT_GE(polls, 3);
    // Once the poll is gone, statements run again; a request from elsewhere (a signal) stops
    // the next one until cleared.
    EXPECT_EQ(sqltest::lines(db.run(QStringLiteral("SELECT Count(*) FROM T"))), sqltest::Lines{"2000"});
    sql::requestInterrupt();
    EXPECT_EQ(db.error(slow).toStdString(), sql::kCancelledMessage);
    sql::clearInterrupt();
    EXPECT_EQ(sqltest::lines(db.run(QStringLiteral("SELECT Count(*) FROM T AS a, T AS b WHERE a.n = b.n"))),
              sqltest::Lines{"2000"});
    // A poll that never asks to stop changes nothing.
    sql::InterruptPoll never([] { return false; });
    EXPECT_EQ(sqltest::lines(db.run(QStringLiteral("SELECT Count(*) FROM T AS a, T AS b WHERE a.n < 10"))),
              sqltest::Lines{"20000"});
}

// A source whose cells fail the way C++ code fails: each must reach the caller as words.
class Throwing final : public sql::RowSource {
public:
    enum class What { BadAlloc, Runtime, Unknown };
    explicit Throwing(What what) : m_what(what)
    {
        m_columns = {{QStringLiteral("n"), 0x04, 0, 0}};
    }
    const std::vector<sql::SourceColumn>& columns() const override { return m_columns; }
    std::int64_t estimatedRows() const override { return 1; }
    bool uniqueColumn(int) const override { return false; }
    std::unique_ptr<sql::RowCursor> open(const std::vector<int>&) override
    {
        class Cursor final : public sql::RowCursor {
        public:
            explicit Cursor(What w) : w(w) {}
            bool next() override { return !done && (done = true); }
            bool seek(std::uint64_t) override { return true; }
            std::uint64_t position() const override { return 0; }
            void rewind() override { done = false; }
            void result(int, sqlite3_context*) override
            {
                if (w == What::BadAlloc) throw std::bad_alloc();
                if (w == What::Runtime) throw std::runtime_error("the cell is damaged");
                throw 42;
            }
            bool number(int, double&) override { throw std::bad_alloc(); }
            bool text(int, std::string&) override { return false; }
            QString error() const override { return {}; }
            What w;
            bool done = false;
        };
        return std::make_unique<Cursor>(m_what);
    }

private:
    What m_what;
    std::vector<sql::SourceColumn> m_columns;
};

TEST_F(SqlLimits, ExceptionsInCallbacksBecomeReadableErrors)
{
    db.connection().addTable(QStringLiteral("NoMemory"), std::make_shared<Throwing>(Throwing::What::BadAlloc));
    db.connection().addTable(QStringLiteral("Damaged"), std::make_shared<Throwing>(Throwing::What::Runtime));
    db.connection().addTable(QStringLiteral("Odd"), std::make_shared<Throwing>(Throwing::What::Unknown));
    const QString noMemory = db.error(QStringLiteral("SELECT n FROM NoMemory"));
    EXPECT_TRUE(mentions(noMemory, "Not enough memory")) << noMemory.toStdString();
    EXPECT_FALSE(mentions(noMemory, "bad_alloc"));
    EXPECT_EQ(db.error(QStringLiteral("SELECT n FROM Damaged")).toStdString(), "the cell is damaged");
    EXPECT_FALSE(db.error(QStringLiteral("SELECT n FROM Odd")).isEmpty());
    // An index built over a failing source: the lookup fails, nothing escapes.
    const QString lookup = db.error(QStringLiteral("SELECT a.n FROM One AS b, NoMemory AS a WHERE a.n = b.n"));
    EXPECT_TRUE(mentions(lookup, "Not enough memory")) << lookup.toStdString();
}

TEST_F(SqlLimits, LongChainsOfOperators)
{
    // & joins any number of parts (a balanced nesting); Null parts count as empty.
    QString parts = QStringLiteral("'a'");
    for (int i = 0; i < 1000; ++i) parts += i % 2 ? QStringLiteral(" & 'b'") : QStringLiteral(" & Null");
    EXPECT_EQ(db.eval(QStringLiteral("Len(") + parts + u')').toStdString(), "501");
    EXPECT_EQ(db.eval(QStringLiteral("Null & Null & Null")).toStdString(), "NULL");
    EXPECT_EQ(db.eval(QStringLiteral("1 & 2 & 3 & 4 & 5")).toStdString(), "12345");
    // Arithmetic nests as written: a chain deeper than SQLite takes is refused in words.
    QString sum = QStringLiteral("1");
    for (int i = 0; i < 20; ++i) sum += QStringLiteral(" + 1");
    EXPECT_EQ(db.eval(sum).toStdString(), "21");
    for (int i = 0; i < 2000; ++i) sum += QStringLiteral(" + 1");
    EXPECT_TRUE(mentions(db.eval(sum), "too complex"));
}

TEST(SqlLimitsMessages, SqliteFailuresInUsersWords)
{
    EXPECT_TRUE(mentions(sql::describeSqliteMessage(QStringLiteral("out of memory"), SQLITE_NOMEM), "too large"));
    EXPECT_EQ(sql::describeSqliteMessage(QStringLiteral("interrupted"), SQLITE_INTERRUPT).toStdString(), sql::kCancelledMessage);
    EXPECT_TRUE(mentions(sql::describeSqliteMessage(QStringLiteral("not authorized"), SQLITE_AUTH), "read-only"));
    EXPECT_TRUE(mentions(sql::describeSqliteMessage(QStringLiteral("parser stack overflow"), SQLITE_ERROR), "too complex"));
    EXPECT_TRUE(mentions(sql::describeSqliteMessage(QStringLiteral("Expression tree is too large (maximum depth 1000)"),
                                                    SQLITE_ERROR),
                         "too complex"));
    EXPECT_TRUE(mentions(sql::describeSqliteMessage(QStringLiteral("string or blob too big"), SQLITE_TOOBIG), "64 MiB"));
    EXPECT_EQ(sql::describeSqliteMessage(QStringLiteral("no such column: x"), SQLITE_ERROR),
              QStringLiteral("no such column: x"));
}

} // namespace
