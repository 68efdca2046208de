// The virtual tables read lazily and answer lookups from their indexes: counted on a row
// source that tallies every row it steps over or re-reads.

#include "sql_helpers.h"

namespace {

struct Counts {
    long long steps = 0;    // next()
    long long seeks = 0;    // seek()
    long long opens = 0;
};

class CountingCursor final : public sql::RowCursor {
public:
    CountingCursor(std::unique_ptr<sql::RowCursor> inner, Counts& c) : m_inner(std::move(inner)), m_c(c) {}
    bool next() override { ++m_c.steps; return m_inner->next(); }
    bool seek(std::uint64_t p) override { ++m_c.seeks; return m_inner->seek(p); }
    std::uint64_t position() const override { return m_inner->position(); }
    void rewind() override { m_inner->rewind(); }
    void result(int column, sqlite3_context* ctx) override { m_inner->result(column, ctx); }
    bool number(int column, double& out) override { return m_inner->number(column, out); }
    bool text(int column, std::string& out) override { return m_inner->text(column, out); }
    QString error() const override { return m_inner->error(); }

private:
    std::unique_ptr<sql::RowCursor> m_inner;
    Counts& m_c;
};

class CountingSource final : public sql::RowSource {
public:
    CountingSource(std::shared_ptr<const sql::MemoryTable> t, Counts& c) : m_inner(sql::makeMemoryRowSource(t)), m_c(c) {}
    const std::vector<sql::SourceColumn>& columns() const override { return m_inner->columns(); }
    std::int64_t estimatedRows() const override { return m_inner->estimatedRows(); }
    bool uniqueColumn(int column) const override { return m_inner->uniqueColumn(column); }
    std::unique_ptr<sql::RowCursor> open(const std::vector<int>& columns) override
    {
        ++m_c.opens;
        return std::make_unique<CountingCursor>(m_inner->open(columns), m_c);
    }

private:
    std::shared_ptr<sql::RowSource> m_inner;
    Counts& m_c;
};

// rows of (id, key, label): id 1..n unique, key = id % modulo, label "L<key>".
std::shared_ptr<sql::MemoryTable> table(int n, int modulo)
{
    auto t = std::make_shared<sql::MemoryTable>();
    t->columns = {{QStringLiteral("id"), 0x04, 0, 0}, {QStringLiteral("k"), 0x04, 0, 0}, {QStringLiteral("label"), 0x0A, 0, 0}};
    for (int i = 1; i <= n; ++i)
        t->rows.push_back({QVariant(qint64(i)), QVariant(qint64(i % modulo)), QVariant(QStringLiteral("L%1").arg(i % modulo))});
    t->uniqueColumns = {0};
    return t;
}

class SqlVirtualTable : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_db.connection().addTable(QStringLiteral("Big"), std::make_shared<CountingSource>(table(200000, 1000), m_big));
        m_db.connection().addTable(QStringLiteral("Small"), std::make_shared<CountingSource>(table(1000, 1000), m_small));
    }
    sqltest::MemoryDb m_db;
    Counts m_big, m_small;
};

TEST_F(SqlVirtualTable, FirstRowsCostAboutThatManyRows)
{
    automation::Variant rs(sql::makeRecordset(nullptr, m_db.connection().prepare(QStringLiteral("SELECT * FROM Big")), nullptr));
    for (int i = 0; i < 100; ++i) automation::call(rs, QStringLiteral("MoveNext"));
    EXPECT_LE(m_big.steps, 110);
}

TEST_F(SqlVirtualTable, JoinsLookUpInsteadOfNestedScans)
{
    const auto r = m_db.run(QStringLiteral("SELECT Count(*), Sum(s.id) FROM Big AS b INNER JOIN Small AS s ON s.id = b.id"));
    EXPECT_EQ(sqltest::lines(r), sqltest::Lines{"1000|500500"});
    // A nested scan would step 200,000 x 1,000 rows; a lookup plan steps each table about once
    // (the index of the inner table is built by one scan).
    EXPECT_LT(m_big.steps + m_small.steps, 3 * 201000);
    EXPECT_LE(m_big.seeks + m_small.seeks, 201000);
}

TEST_F(SqlVirtualTable, TextAndRangeLookupsUseTheIndexOnceBuilt)
{
    // The join builds the index on Small.label; the lookups then re-read only matching rows.
    const auto r = m_db.run(QStringLiteral("SELECT Count(*) FROM Small AS a INNER JOIN Small AS b ON b.label = UCase(a.label) WHERE a.id <= 10"));
    EXPECT_EQ(sqltest::lines(r), sqltest::Lines{"10"});
    EXPECT_LT(m_small.steps, 3000);
    const long long before = m_small.steps;
    EXPECT_EQ(sqltest::lines(m_db.run(QStringLiteral("SELECT Count(*) FROM Small WHERE id BETWEEN 100 AND 199"))), sqltest::Lines{"100"});
    EXPECT_LE(m_small.steps - before, 1001);   // one scan at most to build the id index
    const long long seeks = m_small.seeks;
    EXPECT_EQ(sqltest::lines(m_db.run(QStringLiteral("SELECT Count(*) FROM Small WHERE id > 990"))), sqltest::Lines{"10"});
    EXPECT_LE(m_small.seeks - seeks, 10);
}

TEST_F(SqlVirtualTable, LookupsWithValuesOfAnotherKindStillAnswerCorrectly)
{
    EXPECT_EQ(sqltest::lines(m_db.run(QStringLiteral("SELECT Count(*) FROM Small AS a INNER JOIN Small AS b ON b.id = a.label"))),
              sqltest::Lines{"0"});
    EXPECT_EQ(sqltest::lines(m_db.run(QStringLiteral("SELECT Count(*) FROM Small AS a INNER JOIN Small AS b ON b.label = a.id"))),
              sqltest::Lines{"0"});
    EXPECT_EQ(sqltest::lines(m_db.run(QStringLiteral("SELECT Count(*) FROM Small AS a INNER JOIN Small AS b ON b.id = a.k + 0.5"))),
              sqltest::Lines{"0"});
    EXPECT_EQ(sqltest::lines(m_db.run(QStringLiteral("SELECT Count(*) FROM Small WHERE id IN (1, 2, 2000, Null)"))),
              sqltest::Lines{"2"});
}

} // namespace
