// Saved queries: every type's SQL rebuilt from its catalog rows, and the queries of a real file.
#include "test_util.h"

#include "jet/queries.h"

namespace {

using jet::QueryRow;
using jet::QueryType;

QueryRow row(int attribute, std::string expression = {}, int flag = 0, std::string name1 = {}, std::string name2 = {}) {
    QueryRow r;
    r.attribute = attribute;
    r.expression = std::move(expression);
    r.flag = flag;
    r.name1 = std::move(name1);
    r.name2 = std::move(name2);
    return r;
}

TEST(SavedQueries, SelectWithEveryClause) {
    const std::vector<QueryRow> rows = {
        row(0), row(3, {}, 0x02 | 0x10, "5"), row(5, {}, 0, "Orders", "o"),
        row(6, "o.Customer"), row(6, "Sum(o.Amount)", 0, "Total"),
        row(8, "o.Amount > 0"), row(9, "o.Customer"), row(10, "Sum(o.Amount) > 100"),
        row(11, "o.Customer", 0, "D"), row(11, "Total"), row(255),
    };
    EXPECT_EQ(jet::buildQuerySql(QueryType::Select, rows),
              "SELECT DISTINCT TOP 5 o.Customer, Sum(o.Amount) AS [Total]\n"
              "FROM [Orders] AS [o]\nWHERE o.Amount > 0\nGROUP BY o.Customer\nHAVING Sum(o.Amount) > 100\n"
              "ORDER BY o.Customer DESC, Total");
}

TEST(SavedQueries, SelectFlagsAtTheirEdges) {
    // TOP with PERCENT, DISTINCTROW, SELECT *, owner access; no TOP without its number.
    EXPECT_EQ(jet::buildQuerySql(QueryType::Select, {row(3, {}, 0x01 | 0x08 | 0x10 | 0x20 | 0x04, "10"), row(5, {}, 0, "T")}),
              "SELECT DISTINCTROW TOP 10 PERCENT *\nFROM [T]\nWITH OWNERACCESS OPTION");
    EXPECT_EQ(jet::buildQuerySql(QueryType::Select, {row(3, {}, 0x10), row(5, {}, 0, "T"), row(6, "a")}),
              "SELECT a\nFROM [T]");
    // Nothing to select, or no rows at all: no statement.
    EXPECT_EQ(jet::buildQuerySql(QueryType::Select, {row(5, {}, 0, "T")}), "");
    EXPECT_EQ(jet::buildQuerySql(QueryType::Select, {}), "");
    // A bracketed name stays as it is; a table of another database keeps its path.
    EXPECT_EQ(jet::buildQuerySql(QueryType::Select, {row(3, {}, 1), row(5, "C:\\x.mdb", 0, "[A B]")}),
              "SELECT *\nFROM [C:\\x.mdb].[A B]");
}

TEST(SavedQueries, JoinsNestAndAJoinToAMissingTableFails) {
    const std::vector<QueryRow> rows = {
        row(3, {}, 0), row(5, {}, 0, "A"), row(5, {}, 0, "B"), row(5, {}, 0, "C"), row(6, "A.x"),
        row(7, "A.id = B.id", 1, "A", "B"), row(7, "B.k = C.k", 2, "B", "C"), row(7, "A.y = B.y", 1, "A", "B"),
    };
    EXPECT_EQ(jet::buildQuerySql(QueryType::Select, rows),
              "SELECT A.x\nFROM (([A] INNER JOIN [B] ON A.id = B.id AND A.y = B.y) LEFT JOIN [C] ON B.k = C.k)");
    EXPECT_EQ(jet::buildQuerySql(QueryType::Select, {row(5, {}, 0, "A"), row(6, "x"), row(7, "A.i = Z.i", 3, "A", "Z")}), "");
    EXPECT_EQ(jet::buildQuerySql(QueryType::Select, {row(5, {}, 0, "A"), row(5, {}, 0, "B"), row(6, "x"),
                                                     row(7, "A.i = B.i", 3, "a", "b")}),
              "SELECT x\nFROM ([A] RIGHT JOIN [B] ON A.i = B.i)");
}

TEST(SavedQueries, ParametersComeFirst) {
    QueryRow text = row(2, {}, 10, "[Name?]");
    text.extra = 20;
    const std::vector<QueryRow> rows = {text, row(2, {}, 4, "[Min]"), row(5, {}, 0, "T"), row(6, "*")};
    EXPECT_EQ(jet::buildQuerySql(QueryType::Select, rows),
              "PARAMETERS [Name?] Text(20), [Min] Long;\nSELECT *\nFROM [T]");
    // A parameter type nobody knows: the statement would be wrong, so there is none.
    EXPECT_EQ(jet::buildQuerySql(QueryType::Select, {row(2, {}, 99, "p"), row(5, {}, 0, "T"), row(6, "*")}), "");
}

TEST(SavedQueries, ActionQueries) {
    EXPECT_EQ(jet::buildQuerySql(QueryType::MakeTable, {row(1, {}, 2, "Copy"), row(5, {}, 0, "T"), row(6, "a")}),
              "SELECT a\nINTO [Copy]\nFROM [T]");
    EXPECT_EQ(jet::buildQuerySql(QueryType::MakeTable, {row(5, {}, 0, "T"), row(6, "a")}), "");  // no target
    EXPECT_EQ(jet::buildQuerySql(QueryType::Append, {row(1, {}, 3, "Dest"), row(5, {}, 0, "T"), row(6, "T.a", 0, {}, "x")}),
              "INSERT INTO [Dest]\nSELECT T.a AS [x]\nFROM [T]");
    EXPECT_EQ(jet::buildQuerySql(QueryType::Append, {row(1, {}, 3, "Dest"), row(6, "1", 0x8000), row(6, "'a'", 0x8000)}),
              "INSERT INTO [Dest]\nVALUES (1, 'a')");
    EXPECT_EQ(jet::buildQuerySql(QueryType::Update, {row(5, {}, 0, "T"), row(6, "[a]+1", 0, {}, "T.a"), row(8, "T.b = 2")}),
              "UPDATE [T]\nSET T.a = [a]+1\nWHERE T.b = 2");
    EXPECT_EQ(jet::buildQuerySql(QueryType::Update, {row(5, {}, 0, "T"), row(6, "1")}), "");  // no column to set
    EXPECT_EQ(jet::buildQuerySql(QueryType::Delete, {row(3, {}, 1), row(5, {}, 0, "T"), row(8, "T.b = 2")}),
              "DELETE * FROM [T]\nWHERE T.b = 2");
}

TEST(SavedQueries, CrosstabUnionAndPassedOnText) {
    const std::vector<QueryRow> crosstab = {
        row(5, {}, 0, "T"), row(6, "Sum(T.v)", 0, "S"), row(6, "T.r", 2), row(6, "T.c", 1), row(9, "T.r", 2),
    };
    EXPECT_EQ(jet::buildQuerySql(QueryType::Crosstab, crosstab),
              "TRANSFORM Sum(T.v) AS [S]\nSELECT T.r\nFROM [T]\nGROUP BY T.r\nPIVOT T.c");
    EXPECT_EQ(jet::buildQuerySql(QueryType::Crosstab, {row(5, {}, 0, "T"), row(6, "T.r", 2)}), "");  // no pivot
    const std::vector<QueryRow> all = {row(3, {}, 0), row(5, "SELECT a FROM X", 0, {}, "X7YZ_____1"),
                                       row(5, "SELECT a FROM Y", 0, {}, "X7YZ_____2"), row(11, "a")};
    EXPECT_EQ(jet::buildQuerySql(QueryType::Union, all), "SELECT a FROM X\nUNION ALL SELECT a FROM Y\nORDER BY a");
    std::vector<QueryRow> distinct = all;
    distinct[0].flag = 0x02;
    EXPECT_EQ(jet::buildQuerySql(QueryType::Union, distinct), "SELECT a FROM X\nUNION SELECT a FROM Y\nORDER BY a");
    EXPECT_EQ(jet::buildQuerySql(QueryType::Union, {row(5, "SELECT 1", 0, {}, "X7YZ_____1")}), "");  // one part
    EXPECT_EQ(jet::buildQuerySql(QueryType::DataDefinition, {row(1, "CREATE TABLE x (a INT)", 7)}), "CREATE TABLE x (a INT)");
    EXPECT_EQ(jet::buildQuerySql(QueryType::PassThrough, {row(1, {}, 8)}), "");
    EXPECT_EQ(jet::buildQuerySql(QueryType::Unknown, {row(5, {}, 0, "T"), row(6, "a")}), "");
}

TEST(SavedQueries, TypesFromCatalogFlags) {
    EXPECT_EQ(jet::queryTypeOfFlags(0), QueryType::Select);
    EXPECT_EQ(jet::queryTypeOfFlags(3), QueryType::Select);  // hidden bits are no type
    EXPECT_EQ(jet::queryTypeOfFlags(16), QueryType::Crosstab);
    EXPECT_EQ(jet::queryTypeOfFlags(32), QueryType::Delete);
    EXPECT_EQ(jet::queryTypeOfFlags(48), QueryType::Update);
    EXPECT_EQ(jet::queryTypeOfFlags(64), QueryType::Append);
    EXPECT_EQ(jet::queryTypeOfFlags(80), QueryType::MakeTable);
    EXPECT_EQ(jet::queryTypeOfFlags(96), QueryType::DataDefinition);
    EXPECT_EQ(jet::queryTypeOfFlags(112), QueryType::PassThrough);
    EXPECT_EQ(jet::queryTypeOfFlags(128), QueryType::Union);
    EXPECT_EQ(jet::queryTypeOfFlags(240), QueryType::Unknown);
    EXPECT_EQ(jet::queryTypeName(QueryType::MakeTable), "make-table");
}

TEST(SavedQueries, TheQueriesOfARealFile) {
    auto db = jet_test::openDb("real/ASampleDatabase.accdb");
    ASSERT_TRUE(db);
    auto list = jet::readSavedQueries(*db);
    ASSERT_TRUE(list) << list.error().describe();
    EXPECT_EQ(list->unreadableRows, 0u);
    std::map<std::string, std::string> sql;
    for (const auto& q : list->queries) sql[q.name] = q.sql;
    EXPECT_EQ(sql["qryCostsSummedByOwner"],
              "SELECT [Asset Items].[Owner], [Asset Items].[Asset Category], Sum([Asset Items].[Cost]) AS [SumOfCost]\n"
              "FROM [Asset Items]\nGROUP BY [Asset Items].[Owner], [Asset Items].[Asset Category]");
    EXPECT_EQ(sql["qryComputerHardwareInOwnerOrder"].substr(sql["qryComputerHardwareInOwnerOrder"].find("\nWHERE")),
              "\nWHERE ((([Asset Items].[Asset Category])=\"Computer Hardware\"))\nORDER BY [Asset Items].[Owner]");
    // The record sources of forms and reports are there too, with their hidden names.
    EXPECT_TRUE(sql.count("~sq_ffrmAssetInventory"));
    EXPECT_EQ(sql["~sq_ffrmAssetInventory"], "SELECT DISTINCTROW *\nFROM [Asset Items]");
}

}  // namespace
