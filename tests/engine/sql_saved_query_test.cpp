// Saved SELECT queries of a database are usable by name in FROM. Expected sums from the
// independent CSV export of ASampleDatabase.accdb (tests/data/expected), loaded into the
// sqlite3 shell: SELECT Owner, [Asset Category], sum(Cost) FROM items GROUP BY 1, 2.

#include "sql_helpers.h"

#include "sql/saved_queries.h"

namespace {

TEST(SqlSavedQueries, ReadByNameInFrom)
{
    auto db = sqltest::openFixture("real/ASampleDatabase.accdb");
    ASSERT_TRUE(db);
    EXPECT_EQ(sqltest::lines(sqltest::run(db, "SELECT Count(*) FROM qryComputerHardwareInOwnerOrder")), sqltest::Lines{"24"});
    EXPECT_EQ(sqltest::lines(sqltest::run(db,
                  "SELECT Owner, [Asset Category], SumOfCost FROM QRYCOSTSSUMMEDBYOWNER WHERE OWNER = 'SALES' ORDER BY 2")),
              (sqltest::Lines{"Sales|Computer Hardware|18804", "Sales|General Equipment|11849", "Sales|Office Furniture|8919"}));
    const auto gst = sqltest::run(db, "SELECT Count(*), Round(Sum([Ex Tax] + GST) - Sum(Cost), 6) FROM qryGSTCalculations");
    EXPECT_EQ(sqltest::lines(gst), sqltest::Lines{"65|0"});
    sql::releaseDatabase(db.get());
}

TEST(SqlSavedQueries, RebuildsTheSelectFromCatalogRows)
{
    using P = sql::QueryPart;
    // Two tables joined, a column alias, WHERE, ORDER BY descending, TOP 5 with DISTINCT.
    const std::vector<P> parts = {
        {0, {}, 0, {}, {}},
        {3, {}, 2 | 16, QStringLiteral("5"), {}},
        {5, {}, 0, QStringLiteral("Orders"), QStringLiteral("o")},
        {5, {}, 0, QStringLiteral("Customers"), {}},
        {6, QStringLiteral("o.Amount"), 0, QStringLiteral("Total"), {}},
        {6, QStringLiteral("Customers.Name"), 0, {}, {}},
        {7, QStringLiteral("o.CustomerId = Customers.Id"), 2, QStringLiteral("o"), QStringLiteral("Customers")},
        {8, QStringLiteral("o.Amount > 10"), 0, {}, {}},
        {11, QStringLiteral("o.Amount"), 0, QStringLiteral("D"), {}},
    };
    EXPECT_EQ(sql::buildSelect(parts).toStdString(),
              "SELECT DISTINCT TOP 5 o.Amount AS [Total], Customers.Name FROM ([Orders] AS [o] LEFT JOIN [Customers] "
              "ON o.CustomerId = Customers.Id) WHERE o.Amount > 10 ORDER BY o.Amount DESC");
    // Parameter queries cannot run without their values.
    EXPECT_TRUE(sql::buildSelect({{2, {}, 4, QStringLiteral("x"), {}}, {5, {}, 0, QStringLiteral("T"), {}}}).isEmpty());
}

} // namespace
