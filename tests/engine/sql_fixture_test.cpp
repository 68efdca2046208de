// Jet SQL on the fixture jp_sample.mdb through OpenRecordset. Expected values were worked out
// from the generation rules in tests/data/jp_sample.mdb.txt with a separate Python script
// (not from our output): Orders j = 0..99, OrderNo 10000 + (j*37) % 100, Customer
// CUSTOMERS[j % 8], Amount j*12.5 + 0.25, OrderDate 2024-01-01 + j days + (j % 24) h +
// (j*7 % 60) min; Big5000 n = 1..5000, d = n * 0.25; 社員 with its listed overrides.

#include "sql_helpers.h"

namespace {

using sqltest::lines;
using sqltest::run;

class SqlFixture : public sqltest::JpSampleSuite {};

struct Case {
    const char* name;
    const char* sql;
    std::vector<const char*> rows;   // "a|b|c", in order
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class SqlQueries : public SqlFixture, public ::testing::WithParamInterface<Case> {};

TEST_P(SqlQueries, GiveTheRowsWorkedOutFromTheRules)
{
    const Case& c = GetParam();
    sqltest::Lines expected(c.rows.begin(), c.rows.end());
    const auto result = run(s_db, QString::fromUtf8(c.sql));
    EXPECT_EQ(lines(result), expected) << c.sql;
}

INSTANTIATE_TEST_SUITE_P(Grouping, SqlQueries, ::testing::Values(
    Case{"GroupByOrdered",
         "SELECT Customer, Count(*), Sum(Amount), Max(OrderDate) FROM Orders GROUP BY Customer ORDER BY Customer",
         {"Acme Corp|13|7803.25|2024-04-06 00:12:00", "Globex|13|7965.75|2024-04-07 01:19:00",
          "Hooli|12|7503|2024-04-04 22:58:00", "Initech|13|8128.25|2024-04-08 02:26:00",
          "Stark Industries|12|7203|2024-04-02 20:44:00", "Tyrell|12|7653|2024-04-05 23:05:00",
          "Umbrella|13|8290.75|2024-04-09 03:33:00", "Wayne Enterprises|12|7353|2024-04-03 21:51:00"}},
    Case{"Having", "SELECT Customer FROM Orders GROUP BY Customer HAVING Count(*) > 12 ORDER BY Customer DESC",
         {"Umbrella", "Initech", "Globex", "Acme Corp"}},
    Case{"GroupByFunction",
         "SELECT Year(OrderDate) AS Y, Month(OrderDate) AS M, Count(*) FROM Orders GROUP BY Year(OrderDate), Month(OrderDate)",
         {"2024|1|31", "2024|2|29", "2024|3|31", "2024|4|9"}},
    Case{"FirstLastInTableOrder", "SELECT First(OrderNo), Last(OrderNo), Min(OrderDate) FROM Orders",
         {"10000|10063|2024-01-01"}},
    Case{"StDevVar", "SELECT Round(StDev(Amount), 6), Round(Var(Amount), 4), Round(StDevP(Amount), 6), VarP(Amount) FROM Orders",
         {"362.64365|131510.4167|360.825876|130195.3125"}},
    Case{"Distinct", "SELECT DISTINCT Left(Customer, 1) AS C FROM Orders WHERE Customer LIKE '[a-i]*' ORDER BY 1",
         {"A", "G", "H", "I"}},
    Case{"CountOfColumnSkipsNulls", "SELECT Count(氏名), Count(*), Sum(IIf(IsNull(備考), 1, 0)) FROM 社員",
         {"40|42|3"}},
    Case{"GroupByWithNullGroup",
         "SELECT 部署コード, Count(*) FROM 社員 GROUP BY 部署コード ORDER BY 部署コード",
         {"NULL|2", "-32768|1", "100|5", "110|8", "120|9", "130|7", "140|9", "32767|1"}}));

INSTANTIATE_TEST_SUITE_P(Filters, SqlQueries, ::testing::Values(
    // The console upper-cases every statement, literals included.
    Case{"UpperCasedLiteralFindsMixedCase", "SELECT COUNT(*) FROM ORDERS WHERE CUSTOMER = 'ACME CORP'", {"13"}},
    Case{"CaseInsensitiveRange", "SELECT Count(*) FROM Orders WHERE Customer >= 'h' AND Customer < 'J'", {"25"}},
    Case{"CaseInsensitiveIn", "SELECT Count(*) FROM Orders WHERE Customer IN ('GLOBEX', 'hooli')", {"25"}},
    Case{"NotIn", "SELECT Count(*) FROM Orders WHERE Customer NOT IN ('GLOBEX', 'hooli')", {"75"}},
    Case{"LikeStar", "SELECT Count(*) FROM Orders WHERE Customer LIKE 'A*'", {"13"}},
    Case{"LikeRange", "SELECT Count(*) FROM Orders WHERE Customer LIKE '[H-U]*'", {"62"}},
    Case{"LikeNegatedSet", "SELECT Count(*) FROM Orders WHERE Customer LIKE '*[!A-M]'", {"50"}},
    Case{"LikeQuestionMarks", "SELECT DISTINCT Customer FROM Orders WHERE Customer LIKE '?""?""?""?""?'", {"Hooli"}},
    Case{"LikeSuffix", "SELECT Count(*) FROM Orders WHERE Customer LIKE '*S'", {"24"}},
    Case{"LikeDigit", "SELECT Count(*) FROM Big5000 WHERE s LIKE 'S0001#'", {"10"}},
    Case{"NotLike", "SELECT Count(*) FROM Orders WHERE Customer NOT LIKE 'a*'", {"87"}},
    Case{"Between", "SELECT Count(*) FROM Orders WHERE Amount BETWEEN 100 AND 200", {"8"}},
    Case{"UsDateLiterals", "SELECT Count(*) FROM Orders WHERE OrderDate >= #2/1/2024# AND OrderDate < #3/1/2024#", {"29"}},
    Case{"IsoDateLiteral", "SELECT Count(*) FROM Orders WHERE OrderDate < #2024-01-03#", {"2"}},
    Case{"Mod", "SELECT Count(*) FROM Orders WHERE OrderNo Mod 7 = 0", {"14"}},
    Case{"Xor", "SELECT Count(*) FROM Orders WHERE Amount > 500 XOR Customer = 'Globex'", {"57"}},
    Case{"SubqueryScalar", "SELECT Count(*) FROM Orders WHERE Amount > (SELECT Avg(Amount) FROM Orders)", {"50"}},
    Case{"SubqueryIn", "SELECT Count(*) FROM Big5000 WHERE n IN (SELECT OrderNo - 10000 FROM Orders)", {"99"}},
    Case{"Exists", "SELECT Count(*) FROM Orders AS o WHERE EXISTS (SELECT * FROM Big5000 AS b WHERE b.n = o.OrderNo - 10050)", {"49"}},
    Case{"IsNull", "SELECT Count(*) FROM 社員 WHERE 氏名 IS NULL", {"2"}},
    Case{"EmptyTextIsNotNull", "SELECT Count(*) FROM 社員 WHERE 氏名 = ''", {"1"}},
    Case{"BooleanTrue", "SELECT Count(*) FROM 社員 WHERE 在籍 = True", {"28"}},
    Case{"BooleanNotYes", "SELECT Count(*) FROM 社員 WHERE NOT 在籍 = Yes", {"14"}},
    // i = 1, 11, 21, 31 (41 is overridden to 𠮷田)
    Case{"JapaneseLike", "SELECT Count(*) FROM 社員 WHERE 氏名 LIKE '佐藤*'", {"4"}}));

INSTANTIATE_TEST_SUITE_P(Joins, SqlQueries, ::testing::Values(
    Case{"Inner", "SELECT Count(*), Sum(b.d) FROM Orders AS o INNER JOIN Big5000 AS b ON b.n = o.OrderNo - 9990",
         {"100|1487.5"}},
    Case{"LeftWithMisses", "SELECT Count(*) FROM Orders o LEFT JOIN Big5000 b ON b.n = o.OrderNo - 5050 WHERE b.n IS NULL",
         {"49"}},
    Case{"Right", "SELECT Count(*), Count(o.OrderNo) FROM Orders AS o RIGHT JOIN Big5000 AS b ON b.n = o.OrderNo - 9990",
         {"5000|100"}},
    Case{"AccessParentheses",
         "SELECT Count(*) FROM (Orders AS o INNER JOIN Big5000 AS b ON b.n = o.OrderNo - 9990) "
         "INNER JOIN Orders AS o2 ON (o2.OrderNo = o.OrderNo)",
         {"100"}},
    Case{"TextJoinCaseInsensitive",
         "SELECT Count(*) FROM Orders AS o INNER JOIN Orders AS p ON UCase(o.Customer) = p.Customer WHERE o.OrderNo = 10000",
         {"13"}},
    Case{"CommaJoinWithWhere", "SELECT Count(*) FROM Orders AS o, Big5000 AS b WHERE b.n = o.OrderNo - 9990 AND b.d > 20",
         {"29"}}));

INSTANTIATE_TEST_SUITE_P(Shaping, SqlQueries, ::testing::Values(
    Case{"TopOrdered", "SELECT TOP 3 OrderNo FROM Orders ORDER BY Amount DESC", {"10063", "10026", "10089"}},
    Case{"TopPercent", "SELECT TOP 5 PERCENT OrderNo FROM Orders ORDER BY Amount DESC",
         {"10063", "10026", "10089", "10052", "10015"}},
    Case{"DistinctRow", "SELECT DISTINCTROW TOP 2 n FROM Big5000", {"1", "2"}},
    Case{"UnionMergesCase",
         "SELECT Count(*) FROM (SELECT Customer FROM Orders WHERE Customer LIKE 'A*' UNION SELECT 'ACME CORP' FROM Orders)",
         {"1"}},
    Case{"UnionAllOrdered", "SELECT TOP 1 n FROM Big5000 UNION ALL SELECT OrderNo FROM Orders WHERE OrderNo = 10000 ORDER BY 1 DESC",
         {"10000", "1"}},
    Case{"OrderByCaseInsensitive",
         "SELECT DISTINCT IIf(Customer = 'Hooli', 'hooli', Customer) AS C FROM Orders WHERE Customer LIKE '[g-i]*' ORDER BY 1",
         {"Globex", "hooli", "Initech"}},
    Case{"ConcatAndArithmetic", "SELECT [OrderNo] & '-' & (Amount * 2) FROM Orders WHERE OrderNo = 10037", {"10037-25.5"}},
    Case{"DerivedTable", "SELECT Count(*) FROM (SELECT DISTINCT Customer FROM Orders) AS x", {"8"}}));

TEST_F(SqlFixture, TopKeepsTiesWithTheLastRow)
{
    // Four customers have 13 orders each (j % 8 < 4 for 100 rows).
    for (const char* q : {"SELECT TOP 1 Customer, Count(*) FROM Orders GROUP BY Customer ORDER BY Count(*) DESC",
                          "SELECT TOP 2 Customer, Count(*) AS n FROM Orders GROUP BY Customer ORDER BY n DESC",
                          "SELECT TOP 3 Customer, Count(*) FROM Orders GROUP BY Customer ORDER BY 2 DESC"}) {
        const auto r = run(s_db, q);
        QStringList names;
        for (const auto& row : r.rows) names << row[0] + u'=' + row[1];
        names.sort();
        EXPECT_EQ(names.join(u',').toStdString(), "Acme Corp=13,Globex=13,Initech=13,Umbrella=13") << q;
    }
    // Without ties TOP n is exactly n; TOP 0 is nothing.
    EXPECT_EQ(run(s_db, "SELECT TOP 2 Customer FROM Orders ORDER BY OrderNo").rows.size(), 2u);
    EXPECT_EQ(run(s_db, "SELECT TOP 0 Customer FROM Orders ORDER BY OrderNo").rows.size(), 0u);
    // Ties on text compare as Jet does: without regard to case.
    EXPECT_EQ(run(s_db, "SELECT TOP 1 Customer FROM Orders ORDER BY Customer").rows.size(), 13u);
}

TEST_F(SqlFixture, ValuesKeepTheirJetTypes)
{
    const auto r = run(s_db, "SELECT ID, 氏名, 部署コード, 入社日, 給与, 在籍, 評価, 比率, 区分, コード FROM 社員 WHERE ID = 3");
    ASSERT_EQ(r.rows.size(), 1u);
    using T = automation::Variant::Type;
    EXPECT_EQ(r.types, (std::vector<T>{T::Long, T::String, T::Integer, T::Date, T::Currency, T::Boolean, T::Single,
                                       T::Double, T::Byte, T::Bytes}));
    EXPECT_EQ(r.rows[0].join(u'|'), QString::fromUtf8("3|高橋　一郎|110|2001-02-03 13:45:30|$187500.75|False|1.5|0.375|4|0x3031323334353637"));
}

TEST_F(SqlFixture, AggregatesOfTypedColumnsKeepTheType)
{
    const auto r = run(s_db, "SELECT Max(入社日), Sum(給与), Min(在籍) FROM 社員 WHERE ID <= 3");
    using T = automation::Variant::Type;
    EXPECT_EQ(r.types, (std::vector<T>{T::Date, T::Currency, T::Boolean}));
    EXPECT_EQ(r.rows[0].join(u'|'), QStringLiteral("2001-02-03 13:45:30|$555001.5|True"));   // True is -1: the minimum
}

TEST_F(SqlFixture, ExtremeCurrencyAndOldDates)
{
    const auto r = run(s_db, "SELECT 給与, 入社日 FROM 社員 WHERE ID IN (6, 12, 14) ORDER BY ID");
    // Currency travels as a double inside SQLite: the extremes keep 15 significant digits.
    ASSERT_EQ(r.rows.size(), 3u);
    EXPECT_EQ(r.rows[0][1], QStringLiteral("1899-12-29 06:00:00"));
    EXPECT_TRUE(r.rows[1][0].startsWith(QStringLiteral("$92233720368547"))) << r.rows[1][0].toStdString();
    EXPECT_TRUE(r.rows[2][0].startsWith(QStringLiteral("$-92233720368547"))) << r.rows[2][0].toStdString();
}

TEST_F(SqlFixture, RecordsetMembers)
{
    using namespace automation;
    Variant rs = sql::openRecordset(s_db, QStringLiteral("SELECT n, s FROM Big5000 WHERE n <= 3"));
    EXPECT_FALSE(get(rs, QStringLiteral("EOF")).toBool());
    EXPECT_FALSE(get(rs, QStringLiteral("BOF")).toBool());
    EXPECT_EQ(get(get(rs, QStringLiteral("Fields")), QStringLiteral("Count")).toInt(), 2);
    EXPECT_EQ(get(get(rs, QStringLiteral("fields"), Variant("S")), QStringLiteral("Value")).toString(), QStringLiteral("S00001"));
    EXPECT_EQ(get(get(rs, QStringLiteral("Fields"), std::int32_t(0)), QStringLiteral("Type")).toInt(), 4);
    call(rs, QStringLiteral("MoveNext"));
    call(rs, QStringLiteral("MoveNext"));
    EXPECT_EQ(get(rs, QStringLiteral("RecordCount")).toInt(), 3);
    call(rs, QStringLiteral("MoveNext"));
    EXPECT_TRUE(get(rs, QStringLiteral("EOF")).toBool());
    EXPECT_THROW(get(get(rs, QStringLiteral("Fields"), std::int32_t(0)), QStringLiteral("Value")), Error);
    EXPECT_THROW(call(rs, QStringLiteral("MoveNext")), Error);
    call(rs, QStringLiteral("MoveFirst"));
    EXPECT_EQ(get(get(rs, QStringLiteral("Fields"), std::int32_t(0)), QStringLiteral("Value")).toInt(), 1);
    EXPECT_THROW(get(rs, QStringLiteral("Fields"), std::int32_t(2)), Error);
    call(rs, QStringLiteral("Close"));
    EXPECT_THROW(get(rs, QStringLiteral("EOF")), Error);

    Variant empty = sql::openRecordset(s_db, QStringLiteral("SELECT * FROM [Empty Table]"));
    EXPECT_TRUE(get(empty, QStringLiteral("EOF")).toBool());
    EXPECT_TRUE(get(empty, QStringLiteral("BOF")).toBool());
    EXPECT_EQ(get(get(empty, QStringLiteral("Fields")), QStringLiteral("Count")).toInt(), 2);
}

TEST_F(SqlFixture, ColumnNamesFollowJet)
{
    const auto r = run(s_db, "SELECT o.OrderNo, Amount * 2, Count(*) AS [How Many], Customer & '' FROM Orders AS o GROUP BY o.OrderNo, Amount, Customer", 1);
    EXPECT_EQ(r.names, (QStringList{"OrderNo", "Expr1000", "How Many", "Expr1001"}));
}

TEST_F(SqlFixture, TablesThatDoNotExistOrNeedBrackets)
{
    EXPECT_TRUE(sqltest::errorOf(s_db, "SELECT * FROM Nowhere").contains(QStringLiteral("Nowhere")));
    // The data page sends "SELECT * FROM " + name unbracketed: a name with a space fails.
    EXPECT_FALSE(sqltest::errorOf(s_db, "SELECT * FROM Empty Table").isEmpty());
    EXPECT_TRUE(sqltest::errorOf(s_db, "SELECT * FROM [Empty Table]").isEmpty());
}

TEST_F(SqlFixture, ConnectionIsKeptPerDatabaseAndReleased)
{
    // Indexes built by one statement serve the next; after release a new connection works too.
    EXPECT_EQ(lines(run(s_db, "SELECT s FROM Big5000 WHERE n = 4321")), sqltest::Lines{"S04321"});
    EXPECT_EQ(lines(run(s_db, "SELECT n FROM Big5000 WHERE s = 's04321'")), sqltest::Lines{"4321"});
    sql::releaseDatabase(s_db.get());
    EXPECT_EQ(lines(run(s_db, "SELECT n FROM Big5000 WHERE s >= 'S04999'")), (sqltest::Lines{"4999", "5000"}));
}

} // namespace
