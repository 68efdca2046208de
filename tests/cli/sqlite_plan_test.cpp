// The SQLite plan of schemas no fixture has: keys of several columns, names that collide in
// SQLite, relationships SQLite cannot declare. Each plan is run in SQLite itself.
#include "cli/sqlite_schema.h"

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <memory>

namespace {

using cli::ColumnSchema;
using cli::IndexSchema;
using cli::Schema;
using cli::TableSchema;

ColumnSchema column(const std::string& name, uint8_t type, int size = 0)
{
    ColumnSchema c;
    c.name = name;
    c.type = type;
    c.typeName = cli::typeKeyword(type);
    c.size = size;
    return c;
}

IndexSchema index(const std::string& name, std::vector<std::pair<std::string, bool>> columns, bool primary = false,
                  bool unique = false)
{
    IndexSchema ix;
    ix.name = name;
    for (auto& [n, asc] : columns)
        ix.columns.push_back({n, asc});
    ix.primary = primary;
    ix.unique = unique || primary;
    return ix;
}

TableSchema table(const std::string& name, std::vector<ColumnSchema> columns, std::vector<IndexSchema> indexes = {})
{
    TableSchema t;
    t.name = name;
    for (size_t i = 0; i < columns.size(); ++i)
        columns[i].displayIndex = i;
    t.columns = std::move(columns);
    t.indexes = std::move(indexes);
    t.table = std::make_shared<jet::Table>();  // opened: the plan only looks at whether it is
    return t;
}

jet::Relationship relationship(const std::string& name, const std::string& from, const std::string& to,
                               std::vector<jet::ColumnPair> pairs, uint32_t flags = 0)
{
    jet::Relationship r;
    r.name = name;
    r.table = from;
    r.referencedTable = to;
    r.columns = std::move(pairs);
    r.flags = flags;
    return r;
}

struct Db {
    Db()
    {
        sqlite3* p = nullptr;
        sqlite3_open(":memory:", &p);
        db.reset(p);
    }
    std::string exec(const std::string& sql)
    {
        std::string out;
        char* err = nullptr;
        const int rc = sqlite3_exec(
            db.get(), sql.c_str(),
            [](void* o, int n, char** values, char**) {
                auto* s = static_cast<std::string*>(o);
                for (int i = 0; i < n; ++i)
                    *s += std::string(i ? "|" : "") + (values[i] ? values[i] : "NULL");
                *s += "\n";
                return 0;
            },
            &out, &err);
        if (rc != SQLITE_OK) {
            out = std::string("error: ") + (err ? err : "?");
            sqlite3_free(err);
        }
        return out;
    }
    void run(const cli::SqlitePlan& plan)
    {
        for (const auto& t : plan.tables) {
            ASSERT_EQ(exec(t.createSql), "") << t.createSql;
            for (const auto& ix : t.indexes)
                ASSERT_EQ(exec(ix.sql), "") << ix.sql;
        }
    }
    struct Close {
        void operator()(sqlite3* p) const { sqlite3_close(p); }
    };
    std::unique_ptr<sqlite3, Close> db;
};

// An order line keyed by (order, line) refers to its order by (year, number).
Schema ordersSchema(uint32_t flags)
{
    Schema s;
    s.tables.push_back(table("Orders", {column("Year", 4), column("Number", 4), column("Customer", 10, 30)},
                             {index("PrimaryKey", {{"Year", true}, {"Number", false}}, true)}));
    s.tables.push_back(table("Lines", {column("Year", 4), column("Number", 4), column("Line", 3), column("Item", 10, 20)},
                             {index("PrimaryKey", {{"Year", true}, {"Number", true}, {"Line", true}}, true),
                              index("OrdersLines", {{"Year", true}, {"Number", true}})}));
    s.relationships.push_back(relationship("OrdersLines", "Lines", "Orders", {{"Year", "Year"}, {"Number", "Number"}}, flags));
    return s;
}

TEST(SqlitePlan, AKeyOfSeveralColumnsStaysWhole)
{
    const Schema s = ordersSchema(jet::relationship_flags::CascadeDeletes | jet::relationship_flags::CascadeUpdates);
    const cli::SqlitePlan plan = cli::planSqlite(s);
    ASSERT_EQ(plan.tables.size(), 2u);
    EXPECT_EQ(plan.tables[0].createSql,
              "CREATE TABLE \"Orders\" (\n  \"Year\" INTEGER NOT NULL,\n  \"Number\" INTEGER NOT NULL,\n  \"Customer\" VARCHAR(30),\n"
              "  PRIMARY KEY (\"Year\", \"Number\" DESC)\n)");
    EXPECT_EQ(plan.tables[1].createSql,
              "CREATE TABLE \"Lines\" (\n  \"Year\" INTEGER NOT NULL,\n  \"Number\" INTEGER NOT NULL,\n  \"Line\" SMALLINT NOT NULL,\n"
              "  \"Item\" VARCHAR(20),\n  PRIMARY KEY (\"Year\", \"Number\", \"Line\"),\n"
              "  CONSTRAINT \"OrdersLines\" FOREIGN KEY (\"Year\", \"Number\") REFERENCES \"Orders\" (\"Year\", \"Number\") "
              "ON UPDATE CASCADE ON DELETE CASCADE\n)");
    EXPECT_TRUE(plan.notes.empty());

    Db db;
    db.run(plan);
    db.exec("INSERT INTO Orders VALUES (2024, 1, 'a'), (2024, 2, 'b');"
            "INSERT INTO Lines VALUES (2024, 1, 1, 'x'), (2024, 1, 2, 'y'), (2024, 2, 1, 'z'), (2023, 1, 1, 'orphan');");
    // Only the line whose order is missing breaks the key; both columns are checked together.
    EXPECT_EQ(db.exec("SELECT \"table\", parent FROM pragma_foreign_key_check"), "Lines|Orders\n");
    EXPECT_EQ(db.exec("PRAGMA foreign_keys=ON; DELETE FROM Orders WHERE Number = 1; UPDATE Orders SET Number = 7 WHERE Number = 2;"
                      "SELECT Year, Number, Line FROM Lines ORDER BY Item"),
              "2023|1|1\n2024|7|1\n");
}

TEST(SqlitePlan, CascadesOnlyWhereAccessCascadesAndEnforces)
{
    auto fk = [](uint32_t flags) {
        const std::string sql = cli::planSqlite(ordersSchema(flags)).tables[1].createSql;
        return sql.substr(sql.find("REFERENCES"));
    };
    EXPECT_EQ(fk(0), "REFERENCES \"Orders\" (\"Year\", \"Number\")\n)");
    EXPECT_EQ(fk(jet::relationship_flags::CascadeUpdates), "REFERENCES \"Orders\" (\"Year\", \"Number\") ON UPDATE CASCADE\n)");
    EXPECT_EQ(fk(jet::relationship_flags::CascadeDeletes), "REFERENCES \"Orders\" (\"Year\", \"Number\") ON DELETE CASCADE\n)");
    EXPECT_EQ(fk(jet::relationship_flags::CascadeNulls), "REFERENCES \"Orders\" (\"Year\", \"Number\") ON DELETE SET NULL\n)");
    // Not enforced in Access: declared (the data may break it), with no action.
    EXPECT_EQ(fk(jet::relationship_flags::NotEnforced | jet::relationship_flags::CascadeDeletes),
              "REFERENCES \"Orders\" (\"Year\", \"Number\")\n)");
}

TEST(SqlitePlan, RelationshipsSqliteCannotDeclareAreNotesNotBrokenKeys)
{
    Schema s = ordersSchema(0);
    // Referenced columns that are only part of the key.
    s.relationships.push_back(relationship("ByYear", "Lines", "Orders", {{"Year", "Year"}}));
    // A column that is not there.
    s.relationships.push_back(relationship("Ghost", "Lines", "Orders", {{"Nope", "Year"}, {"Number", "Number"}}));
    // A definition whose rows do not add up.
    jet::Relationship partial = relationship("Partial", "Lines", "Orders", {{"Year", "Year"}, {"Number", "Number"}});
    partial.complete = false;
    s.relationships.push_back(partial);
    // A referenced table that could not be opened.
    TableSchema lost = table("Lost", {column("id", 4)}, {index("PrimaryKey", {{"id", true}}, true)});
    lost.table.reset();
    s.tables.push_back(lost);
    s.relationships.push_back(relationship("ToLost", "Lines", "Lost", {{"Line", "id"}}));
    const cli::SqlitePlan plan = cli::planSqlite(s);
    ASSERT_EQ(plan.tables.size(), 2u);
    EXPECT_EQ(plan.notes.size(), 4u);
    for (const std::string& n : plan.notes)
        EXPECT_NE(n.find("is not declared as a foreign key"), std::string::npos) << n;
    EXPECT_NE(plan.notes[0].find("not a unique key of 'Orders'"), std::string::npos) << plan.notes[0];
    EXPECT_NE(plan.notes[3].find("not in the file"), std::string::npos) << plan.notes[3];
    Db db;
    db.run(plan);
    EXPECT_EQ(db.exec("SELECT count(*) FROM pragma_foreign_key_list('Lines')"), "2\n");  // OrdersLines only
    EXPECT_EQ(db.exec("PRAGMA foreign_key_check"), "");
}

TEST(SqlitePlan, NamesThatCollideInSqliteGetUniqueOnes)
{
    Schema s;
    // SQLite folds ASCII case; names starting with sqlite_ are its own; the meta table is ours.
    s.tables.push_back(table("Data", {column("a", 4), column("A", 4), column("", 4)},
                             {index("ix", {{"A", true}})}));
    s.tables.push_back(table("DATA", {column("x", 4)}, {index("ix", {{"x", true}}, false, true)}));
    s.tables.push_back(table("sqlite_stat1", {column("x", 4)}));
    s.tables.push_back(table("_tabulon_meta", {column("x", 4)}));
    s.tables.push_back(table("Data_ix", {column("q\"uote", 10, 5)}));
    const cli::SqlitePlan plan = cli::planSqlite(s);
    std::vector<std::string> names;
    for (const auto& t : plan.tables)
        names.push_back(t.name);
    EXPECT_EQ(names, (std::vector<std::string>{"Data", "DATA_2", "_sqlite_stat1", "_tabulon_meta_2", "Data_ix"}));
    EXPECT_EQ(plan.tables[0].columns[1].name, "A_2");
    EXPECT_EQ(plan.tables[0].columns[2].name, "column");
    // Index names share one namespace with the tables.
    EXPECT_EQ(plan.tables[0].indexes.at(0).name, "Data_ix_2");
    EXPECT_EQ(plan.tables[1].indexes.at(0).name, "DATA_2_ix");
    // Every rename is said and kept.
    EXPECT_EQ(plan.notes.size(), 5u);
    int accessNames = 0;
    for (const auto& m : plan.meta)
        accessNames += m.property == "access_name" && (m.kind == "table" || m.kind == "column");
    EXPECT_EQ(accessNames, 5);
    Db db;
    db.run(plan);
    EXPECT_EQ(db.exec("SELECT count(*) FROM sqlite_master WHERE type = 'table'"), "5\n");
}

TEST(SqlitePlan, NamesHoldingNulBytesBecomeUsable)
{
    using namespace std::string_literals;
    Schema s;
    s.tables.push_back(table("T\0able"s, {column("a\0"s, 4), column("a\xEF\xBF\xBD", 4)}, {index("i\0x"s, {{"a\0"s, true}}, false, true)}));
    s.relationships.push_back(relationship("r\0"s, "T\0able"s, "T\0able"s, {{"a\0"s, "a\0"s}}));
    const cli::SqlitePlan plan = cli::planSqlite(s);
    ASSERT_EQ(plan.tables.size(), 1u);
    EXPECT_EQ(plan.tables[0].name, "T\xEF\xBF\xBD" "able");
    EXPECT_EQ(plan.tables[0].columns[0].name, "a\xEF\xBF\xBD");
    EXPECT_EQ(plan.tables[0].columns[1].name, "a\xEF\xBF\xBD_2");
    EXPECT_EQ(plan.tables[0].createSql.find('\0'), std::string::npos);
    EXPECT_NE(plan.tables[0].createSql.find("CONSTRAINT \"r\xEF\xBF\xBD\" FOREIGN KEY"), std::string::npos)
        << plan.tables[0].createSql;
    for (const auto& ix : plan.tables[0].indexes)
        EXPECT_EQ(ix.sql.find('\0'), std::string::npos);
    Db db;
    db.run(plan);
    EXPECT_EQ(db.exec("SELECT count(*) FROM sqlite_master WHERE type = 'table'"), "1\n");
}

TEST(SqlitePlan, IndexesThatRepeatAKeyAreLeftOut)
{
    Schema s;
    s.tables.push_back(table("T", {column("id", 4), column("k", 4), column("c", 18)},
                             {index("PrimaryKey", {{"id", true}}, true),
                              index("FkLike", {{"id", true}}),                  // same columns as the key
                              index("KDesc", {{"k", false}}),
                              index("KDescUnique", {{"k", false}}, false, true),  // adds uniqueness: kept
                              index("KAgain", {{"k", false}}),                  // adds nothing
                              index("OnComplex", {{"c", true}})}));             // a complex column's key
    const cli::SqlitePlan plan = cli::planSqlite(s);
    std::vector<std::string> sql;
    for (const auto& ix : plan.tables[0].indexes)
        sql.push_back(ix.sql);
    EXPECT_EQ(sql, (std::vector<std::string>{"CREATE INDEX \"T_KDesc\" ON \"T\" (\"k\" DESC)",
                                             "CREATE UNIQUE INDEX \"T_KDescUnique\" ON \"T\" (\"k\" DESC)"}));
}

TEST(SqlitePlan, DeclaredTypes)
{
    auto t = [](uint8_t type, int size = 0, int p = 0, int sc = 0) {
        ColumnSchema c = column("c", type, size);
        c.precision = p;
        c.scale = sc;
        return cli::declaredType(c);
    };
    EXPECT_EQ(t(0x01), "BOOLEAN");
    EXPECT_EQ(t(0x02), "TINYINT");
    EXPECT_EQ(t(0x03), "SMALLINT");
    EXPECT_EQ(t(0x04), "INTEGER");
    EXPECT_EQ(t(0x05), "DECIMAL(19,4)");
    EXPECT_EQ(t(0x06), "REAL");
    EXPECT_EQ(t(0x07), "REAL");
    EXPECT_EQ(t(0x08), "DATETIME");
    EXPECT_EQ(t(0x09, 16), "BLOB");
    EXPECT_EQ(t(0x0A, 255), "VARCHAR(255)");
    EXPECT_EQ(t(0x0B), "BLOB");
    EXPECT_EQ(t(0x0C), "TEXT");
    EXPECT_EQ(t(0x0F), "TEXT");
    EXPECT_EQ(t(0x10, 0, 28, 6), "DECIMAL(28,6)");
    EXPECT_EQ(t(0x12), "INTEGER");
    EXPECT_EQ(t(0x13), "INTEGER");
    EXPECT_EQ(t(0x14), "DATETIME");
    EXPECT_EQ(t(0x7F), "");
    EXPECT_EQ(cli::quoteIdentifier("a\"b"), "\"a\"\"b\"");
    EXPECT_EQ(cli::quoteIdentifier(""), "\"\"");
    EXPECT_EQ(cli::quoteText("it's"), "'it''s'");
}

} // namespace

namespace {

// What SQLite's NUMERIC affinity keeps exactly: 64-bit integers and 15 significant digits.
TEST(SqlitePlan, NumbersSqliteKeepsExactly)
{
    struct Case {
        const char* text;
        bool exact;
    };
    const Case cases[] = {
        {"0", true}, {"-0", true}, {"123.45", true}, {"-1234.5678", true},
        {"123456789012345", true},              // 15 digits
        {"1234567890123.45", true},             // 15 digits with a fraction
        {"1234567890123.456", false},           // 16
        {"0.000000000000001", true},            // one significant digit
        {"0.1234567890123456", false},
        {"922337203685477.5807", false},        // Currency's largest
        {"922337203685477", true},
        {"9223372036854775807", true},          // an INTEGER, however many digits
        {"-9223372036854775808", true},
        {"9223372036854775808", false},         // one past: a REAL
        {"100000000000000000000", true},        // a REAL, but one digit: exact
        {"120000000000000000000.5", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(cli::numericTextKeptExactly(c.text), c.exact) << c.text;

}

} // namespace
