// The SQL layer on damaged and hostile databases (tests/data/damaged, README there): a table
// SQLite cannot take fails alone, names never reach other tables, nothing is sized from a count
// in the file, opening costs nothing per table, and every row a statement could not read is
// counted on its recordset.

#include "sql_helpers.h"

#include "sql/connection.h"
#include "sql/recordset.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>

namespace {

using sqltest::lines;
using sqltest::run;

std::shared_ptr<jet::Database> openDamaged(const std::string& name)
{
    return sqltest::openFixture("damaged/" + name);
}

// The .xz fixtures unpacked into a temporary folder.
std::shared_ptr<jet::Database> openCompressed(const QTemporaryDir& dir, const QString& name)
{
    const QString packed = QStringLiteral(TABULON_TEST_DATA "/damaged/") + name + QStringLiteral(".xz");
    const QString out = dir.filePath(name);
    QProcess xz;
    xz.setStandardOutputFile(out);
    xz.start(QStringLiteral("xz"), {QStringLiteral("-dc"), packed});
    if (!xz.waitForFinished(60000) || xz.exitCode() != 0) {
        ADD_FAILURE() << "cannot unpack " << packed.toStdString();
        return nullptr;
    }
    auto db = jet::Database::open(out.toStdString());
    if (!db) {
        ADD_FAILURE() << db.error().describe();
        return nullptr;
    }
    return std::shared_ptr<jet::Database>(std::move(db.value()));
}

// Rows of a statement run on a connection of our own (to look at what it declared).
sqltest::Lines runOn(const std::shared_ptr<sql::Connection>& conn, const QString& sqlText)
{
    sqltest::Result r;
    automation::Variant rs(sql::makeRecordset(conn, conn->prepare(sqlText), nullptr));
    const int n = automation::get(automation::get(rs, QStringLiteral("Fields")), QStringLiteral("Count")).toInt();
    while (!automation::get(rs, QStringLiteral("EOF")).toBool()) {
        QStringList row;
        for (int i = 0; i < n; ++i)
            row << sqltest::canonical(automation::get(automation::get(rs, QStringLiteral("Fields"), std::int32_t(i)), QStringLiteral("Value")));
        r.rows.push_back(row);
        automation::call(rs, QStringLiteral("MoveNext"));
    }
    return lines(r);
}

QString errorOn(const std::shared_ptr<sql::Connection>& conn, const QString& sqlText)
{
    try {
        runOn(conn, sqlText);
    } catch (const automation::Error& e) {
        return e.description();
    }
    return QString();
}

// ---- a table SQLite cannot declare ---------------------------------------------------------

TEST(SqlDamagedFiles, UndeclarableTableFailsAloneWithItsName)
{
    auto db = openDamaged("undeclarable-table-name.mdb");
    ASSERT_TRUE(db);
    // Before, after and between: the other tables keep answering (row counts from mdb-export).
    EXPECT_EQ(lines(run(db, "SELECT Count(*) FROM Table1")), sqltest::Lines{"4"});
    const QString error = sqltest::errorOf(db, "SELECT * FROM Table3");
    EXPECT_TRUE(error.contains(QStringLiteral("'Table3'"))) << error.toStdString();
    EXPECT_TRUE(error.contains(QStringLiteral("column 2"))) << error.toStdString();
    EXPECT_FALSE(error.contains(QStringLiteral("authorized"))) << error.toStdString();
    EXPECT_EQ(sqltest::errorOf(db, "SELECT * FROM Table3"), error);
    EXPECT_EQ(lines(run(db, "SELECT Count(*) FROM Table1 AS a, Table2 AS b WHERE a.id = b.id")), sqltest::Lines{"3"});
    for (const jet::CatalogEntry& e : db->tables()) {
        if (e.name == "Table3") continue;
        EXPECT_EQ(sqltest::errorOf(db, QStringLiteral("SELECT * FROM [") + QString::fromStdString(e.name) + u']'), QString())
            << e.name;
    }
    sql::releaseDatabase(db.get());
}

// A source whose columns SQLite refuses only when it asks for them (after our own check): the
// failed declaration resets SQLite's schema, and the tables declared before must reconnect.
class RefusedLater final : public sql::RowSource {
public:
    explicit RefusedLater(std::shared_ptr<sql::RowSource> inner) : m_inner(std::move(inner))
    {
        m_bad = m_inner->columns();
        m_bad.push_back(m_bad.front());   // a duplicate name
    }
    const std::vector<sql::SourceColumn>& columns() const override { return ++m_calls > 1 ? m_bad : m_inner->columns(); }
    std::int64_t estimatedRows() const override { return m_inner->estimatedRows(); }
    bool uniqueColumn(int c) const override { return m_inner->uniqueColumn(c); }
    std::unique_ptr<sql::RowCursor> open(const std::vector<int>& c) override { return m_inner->open(c); }

private:
    std::shared_ptr<sql::RowSource> m_inner;
    std::vector<sql::SourceColumn> m_bad;
    mutable int m_calls = 0;
};

TEST(SqlDamagedFiles, RefusedDeclarationKeepsEarlierTablesWorking)
{
    auto one = std::make_shared<sql::MemoryTable>();
    one->columns = {{QStringLiteral("n"), 0x04, 0, 0}};
    one->rows = {{QVariant(qint64(7))}};
    auto conn = std::make_shared<sql::Connection>();
    conn->addTable(QStringLiteral("Good"), sql::makeMemoryRowSource(one));
    conn->addTable(QStringLiteral("Bad"), std::make_shared<RefusedLater>(sql::makeMemoryRowSource(one)));
    conn->addTable(QStringLiteral("Later"), sql::makeMemoryRowSource(one));
    EXPECT_EQ(runOn(conn, QStringLiteral("SELECT n FROM Good")), sqltest::Lines{"7"});
    const QString error = errorOn(conn, QStringLiteral("SELECT n FROM Bad"));
    EXPECT_TRUE(error.contains(QStringLiteral("'Bad'"))) << error.toStdString();
    EXPECT_EQ(runOn(conn, QStringLiteral("SELECT n FROM Good")), sqltest::Lines{"7"});
    EXPECT_EQ(runOn(conn, QStringLiteral("SELECT g.n + l.n FROM Good AS g, Later AS l")), sqltest::Lines{"14"});
}

// ---- names are never SQL text ------------------------------------------------------------

TEST(SqlDamagedFiles, PercentInANameReachesOnlyThatTable)
{
    auto db = openDamaged("percent-in-name.mdb");
    ASSERT_TRUE(db);
    EXPECT_EQ(lines(run(db, "SELECT Count(*), Sum(Amount) FROM [Ord%1s]")), sqltest::Lines{"100|61900"});
    EXPECT_EQ(lines(run(db, "SELECT Count(*) FROM [ORD%1S] WHERE OrderNo = 10037")), sqltest::Lines{"1"});
    // Through DAO's bare-name form too (no SQL text is built from the name).
    automation::Variant rs = sql::openTableRecordset(db, QStringLiteral("Ord%1s"));
    EXPECT_EQ(automation::get(automation::get(rs, QStringLiteral("Fields")), QStringLiteral("Count")).toInt(), 4);
    for (const char* other : {"SELECT * FROM [Ord0s]", "SELECT * FROM [Ord%2s]", "SELECT * FROM Orders",
                              "SELECT * FROM MSysObjectsX", "SELECT * FROM [t.1]", "SELECT * FROM [q.1]"})
        EXPECT_TRUE(sqltest::errorOf(db, other).contains(QStringLiteral("cannot find"))) << other;
    sql::releaseDatabase(db.get());
}

TEST(SqlDamagedFiles, PlaceholderAndQuoteNamesStayApart)
{
    sqltest::MemoryDb db;
    const char* const names[] = {"%1", "%2", "a%1b", "x\"y", "t.1", "%1%2"};
    int n = 0;
    for (const char* name : names) {
        auto t = std::make_shared<sql::MemoryTable>();
        t->columns = {{QStringLiteral("%1"), 0x04, 0, 0}};
        t->rows = {{QVariant(qint64(++n))}};
        db.add(QString::fromUtf8(name), t);
    }
    n = 0;
    for (const char* name : names)
        EXPECT_EQ(lines(db.run(QStringLiteral("SELECT [%1] FROM [") + QString::fromUtf8(name) + u']')),
                  sqltest::Lines{std::to_string(++n)}) << name;
}

// ---- nothing sized from a count in the file ------------------------------------------------

#if defined(__SANITIZE_ADDRESS__)
#define TABULON_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TABULON_ASAN 1
#endif
#endif

#ifndef TABULON_ASAN
// Address space in use now, from /proc/self/status (0 when unknown).
unsigned long long addressSpaceInUse()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmSize:")) return line.mid(7).trimmed().split(' ').value(0).toULongLong() * 1024;
    return 0;
}

// In a child process whose address space may grow by 256 MiB at most (a tighter bound than the
// `ulimit -v 1048576` of a whole program): a row count of 0xFFFFFFFF must size nothing.
[[noreturn]] void selfJoinInLittleMemory()
{
    const unsigned long long used = addressSpaceInUse();
    rlimit limit{};
    limit.rlim_cur = limit.rlim_max = std::min(used + (256ull << 20), 1ull << 30);
    setrlimit(RLIMIT_AS, &limit);
    auto db = jet::Database::open(std::string(TABULON_TEST_DATA) + "/damaged/huge-row-count.mdb");
    if (!db) std::_Exit(2);
    std::shared_ptr<jet::Database> shared(std::move(db.value()));
    try {
        // MSysModules2 claims 0xFFFFFFFF rows and holds one; joined on a number and on a text.
        const auto r = run(shared, "SELECT a.Name, b.Type FROM MSysModules2 AS a INNER JOIN MSysModules2 AS b "
                                   "ON a.Type = b.Type AND a.Name = b.Name");
        const sqltest::Lines expected{"MSysDb|2"};
        std::_Exit(lines(r) == expected ? 0 : 3);
    } catch (const automation::Error& e) {
        std::fprintf(stderr, "%s\n", e.description().toUtf8().constData());
        std::_Exit(4);
    }
}

#endif

TEST(SqlDamagedFilesDeathTest, HugeRowCountSelfJoinRunsInLittleMemory)
{
#ifdef TABULON_ASAN
    GTEST_SKIP() << "AddressSanitizer reserves more address space than the limit";
#else
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(selfJoinInLittleMemory(), ::testing::ExitedWithCode(0), "");
#endif
}

// ---- opening costs nothing per table -------------------------------------------------------

TEST(SqlDamagedFiles, ManyTablesAreDeclaredOnlyWhenNamed)
{
    QTemporaryDir dir;
    auto db = openCompressed(dir, QStringLiteral("many-tables.mdb"));
    ASSERT_TRUE(db);
    ASSERT_GT(db->tables().size(), 20000u);
    auto conn = sql::Connection::forDatabase(db);
    EXPECT_EQ(runOn(conn, QStringLiteral("SELECT 1")), sqltest::Lines{"1"});
    EXPECT_EQ(conn->declaredCount(), 0);
    EXPECT_FALSE(conn->queriesRead());
    // The last catalog rows answer like the first (each a copy of Orders).
    EXPECT_EQ(runOn(conn, QStringLiteral("SELECT Count(*), Sum(Amount) FROM T00FFJ")), sqltest::Lines{"100|61900"});
    EXPECT_EQ(runOn(conn, QStringLiteral("SELECT Count(*) FROM T00000 AS a INNER JOIN t00ffj AS b ON a.OrderNo = b.OrderNo")),
              sqltest::Lines{"100"});
    EXPECT_EQ(conn->declaredCount(), 2);
}

TEST(SqlDamagedFiles, LongSavedQueryIsReadOnlyWhenNamed)
{
    QTemporaryDir dir;
    auto db = openCompressed(dir, QStringLiteral("long-saved-query.accdb"));
    ASSERT_TRUE(db);
    auto conn = sql::Connection::forDatabase(db);
    EXPECT_EQ(runOn(conn, QStringLiteral("SELECT 1")), sqltest::Lines{"1"});
    EXPECT_FALSE(conn->queriesRead());
    const QString error = errorOn(conn, QStringLiteral("SELECT * FROM qryGSTCalculations"));
    EXPECT_TRUE(error.contains(QStringLiteral("'qryGSTCalculations'"))) << error.toStdString();
    EXPECT_TRUE(error.contains(QStringLiteral("too complex"))) << error.toStdString();
    // The other saved queries still work, also one that names the same table.
    EXPECT_EQ(runOn(conn, QStringLiteral("SELECT Count(*) FROM qryComputerHardwareInOwnerOrder")), sqltest::Lines{"24"});
    EXPECT_EQ(errorOn(conn, QStringLiteral("SELECT * FROM qryGSTCalculations")), error);
}

TEST(SqlDamagedFiles, SavedQueryNamingItselfIsAnError)
{
    auto conn = std::make_shared<sql::Connection>();
    conn->addQuery(QStringLiteral("Loop"), QStringLiteral("SELECT * FROM Loop2"));
    conn->addQuery(QStringLiteral("Loop2"), QStringLiteral("SELECT * FROM Loop"));
    const QString error = errorOn(conn, QStringLiteral("SELECT * FROM Loop"));
    EXPECT_TRUE(error.contains(QStringLiteral("names itself"))) << error.toStdString();
}

// ---- complex columns -------------------------------------------------------------------------

TEST(SqlDamagedFiles, ComplexColumnsShowTheirItemCount)
{
    // Item counts from the hidden tables as mdbtools exports them (tests/data/expected:
    // f_..._multi-value-data.csv and the others), per row key.
    auto db = sqltest::openFixture("real/complexDataTestV2007.accdb");
    ASSERT_TRUE(db);
    const auto r = run(db, "SELECT id, [VersionHistory_F5F8918F-0A3F-4DA9-AE71-184EE5012880], [multi-value-data], "
                           "[attach-data] FROM Table1 ORDER BY id");
    EXPECT_EQ(lines(r), (sqltest::Lines{"row1|0 items|0 items|0 items", "row2|1 item|2 items|2 items",
                                        "row3|3 items|4 items|0 items", "row4|1 item|0 items|1 item"}));
    EXPECT_EQ(r.types[2], automation::Variant::Type::String);
    EXPECT_EQ(lines(run(db, "SELECT Count(*) FROM Table1 WHERE [attach-data] = '2 items'")), sqltest::Lines{"1"});
    sql::releaseDatabase(db.get());
}

// ---- rows a statement could not read ---------------------------------------------------------

struct Loss {
    qint64 rows;
    QString first;
    long long read;
};

Loss lossOf(const std::shared_ptr<jet::Database>& db, const QString& sqlText, long long maxRows = -1)
{
    automation::Variant rs = sql::openRecordset(db, sqlText);
    long long read = 0;
    while ((maxRows < 0 || read < maxRows) && !automation::get(rs, QStringLiteral("EOF")).toBool()) {
        automation::call(rs, QStringLiteral("MoveNext"));
        ++read;
    }
    automation::call(rs, QStringLiteral("Close"));
    // Still known after Close, as the callers ask at the end.
    return {automation::get(rs, QStringLiteral("UnreadableRows")).toInt64(),
            automation::get(rs, QStringLiteral("FirstLoss")).toString(), read};
}

TEST(SqlDamagedFiles, LostRowsAreCountedOncePerStatement)
{
    auto db = openDamaged("damaged-rows.mdb");
    ASSERT_TRUE(db);
    // 106 of Big5000's 5,000 rows cannot be read (README of tests/data/damaged).
    const Loss all = lossOf(db, QStringLiteral("SELECT * FROM Big5000"));
    EXPECT_EQ(all.rows, 106);
    EXPECT_EQ(all.read, 4894);
    EXPECT_TRUE(all.first.contains(QStringLiteral("page 55"))) << all.first.toStdString();
    EXPECT_EQ(lossOf(db, QStringLiteral("SELECT Count(*) FROM Big5000")).rows, 106);
    // A table read again and again (a join's inner side, its index) counts its rows once.
    EXPECT_EQ(lossOf(db, QStringLiteral("SELECT a.n FROM Big5000 AS a INNER JOIN Big5000 AS b ON a.n = b.n")).rows, 106);
    EXPECT_EQ(lossOf(db, QStringLiteral("SELECT a.n FROM Big5000 AS a, Big5000 AS b WHERE a.n = b.n + 1")).rows, 106);
    // Only what was read: the first rows hold two of the lost ones (slots 3 and 4 of page 55).
    const Loss first = lossOf(db, QStringLiteral("SELECT * FROM Big5000"), 100);
    EXPECT_EQ(first.rows, 2);
    // Another table of the same file lost nothing; a statement that reads no table neither.
    EXPECT_EQ(lossOf(db, QStringLiteral("SELECT * FROM Orders")).rows, 0);
    EXPECT_EQ(lossOf(db, QStringLiteral("SELECT * FROM Orders")).first, QString());
    EXPECT_EQ(lossOf(db, QStringLiteral("SELECT 1")).rows, 0);
    // Both tables of a join add up; DAO's bare table name counts too.
    EXPECT_EQ(lossOf(db, QStringLiteral("SELECT Count(*) FROM Big5000 AS a, Orders AS b WHERE a.n = b.OrderNo - 10000")).rows, 106);
    automation::Variant rs = sql::openTableRecordset(db, QStringLiteral("Big5000"));
    while (!automation::get(rs, QStringLiteral("EOF")).toBool()) automation::call(rs, QStringLiteral("MoveNext"));
    EXPECT_EQ(automation::get(rs, QStringLiteral("UnreadableRows")).toInt(), 106);
    sql::releaseDatabase(db.get());
}

// The same rules on a table whose lost rows are known exactly: first, last, adjacent rows, and
// a statement that stops early.
TEST(SqlDamagedFiles, LostRowsAtTheEdgesOfATable)
{
    sqltest::MemoryDb db;
    auto t = std::make_shared<sql::MemoryTable>();
    t->columns = {{QStringLiteral("n"), 0x04, 0, 0}};
    for (int i = 0; i < 10; ++i) t->rows.push_back({QVariant(qint64(i))});
    t->lostRows = {0, 4, 5, 9};
    t->uniqueColumns = {0};
    db.add(QStringLiteral("T"), t);
    auto loss = [&](const QString& sqlText, int maxRows = -1) {
        automation::Variant rs(sql::makeRecordset(db.shared(), db.connection().prepare(sqlText), nullptr));
        for (int i = 0; (maxRows < 0 || i < maxRows) && !automation::get(rs, QStringLiteral("EOF")).toBool(); ++i)
            automation::call(rs, QStringLiteral("MoveNext"));
        return automation::get(rs, QStringLiteral("UnreadableRows")).toInt();
    };
    EXPECT_EQ(loss(QStringLiteral("SELECT n FROM T")), 4);
    EXPECT_EQ(loss(QStringLiteral("SELECT n FROM T"), 1), 1);     // row 0 lies before the first row
    EXPECT_EQ(loss(QStringLiteral("SELECT n FROM T"), 4), 3);     // rows 4 and 5 before the fifth
    EXPECT_EQ(loss(QStringLiteral("SELECT Count(*) FROM T AS a, T AS b")), 4);
    EXPECT_EQ(loss(QStringLiteral("SELECT n FROM T WHERE n = 3")), 4);   // the lookup's index lost them
    EXPECT_EQ(lines(db.run(QStringLiteral("SELECT Count(*), Min(n), Max(n) FROM T"))), sqltest::Lines{"6|1|8"});
}

} // namespace
