// Files written by Access (tests/data/real) and the Japanese Jet 3 file: the format corners that
// other readers get wrong.
#include "jet/text.h"
#include "test_util.h"

using namespace jet_test;

namespace {

std::vector<std::string> columnNames(const jet::Table& t) {
    std::vector<std::string> v;
    for (const auto& c : t.columns()) v.push_back(c.name);
    return v;
}

std::vector<std::string> rowText(const Rows& rows, size_t r) {
    std::vector<std::string> v;
    for (const Cell& c : rows.at(r)) v.push_back(c ? *c : "<null>");
    return v;
}

struct TableCase {
    const char* file;
    const char* table;
    std::vector<std::string> columns;                // display order
    std::vector<std::vector<std::string>> rows;      // canonical text, "<null>" for Null
};

class RealTable : public ::testing::TestWithParam<TableCase> {};

TEST_P(RealTable, ColumnsAndRows) {
    const TableCase& c = GetParam();
    auto db = openDb(c.file);
    ASSERT_TRUE(db);
    auto t = openTable(*db, c.table);
    ASSERT_TRUE(t);
    EXPECT_EQ(columnNames(*t), c.columns);
    Rows rows = readAll(t);
    ASSERT_EQ(rows.size(), c.rows.size());
    for (size_t r = 0; r < rows.size(); ++r) EXPECT_EQ(rowText(rows, r), c.rows[r]) << "row " << r;
}

INSTANTIATE_TEST_SUITE_P(
    Access, RealTable,
    ::testing::Values(
        // Deleted columns: rows keep the old layout, the definition keeps the old offsets.
        TableCase{"real/delColTestV1997.mdb", "Table1", {"id", "id2", "data", "data2"},
                  {{"0", "2", "foo", "foo2"}, {"3", "5", "bar", "bar2"}}},
        TableCase{"real/delColTestV2000.mdb", "Table1", {"id", "id2", "data", "data2"},
                  {{"0", "2", "foo", "foo2"}, {"3", "5", "bar", "bar2"}}},
        // col1 was re-created (highest column number) but Access keeps it first.
        TableCase{"real/V2016-withdeletedcol.accdb", "Table1",
                  {"col1", "col2", "col3", "col5", "col6", "col7", "col8"},
                  {{"0", "1", "2", "4", "5", "6", "7"}}},
        // Overflow rows are read where their pointer stands: insertion order.
        TableCase{"real/overflowTestV1997.mdb", "Table1",
                  {"data1", "data3", "data4", "data5", "data6", "data7", "data8", "data9", "data10"},
                  {{"row1col1", "<null>", "<null>", "<null>", "<null>", "<null>", "<null>", "<null>", "<null>"},
                   {"row2col1", "row2col3", "<null>", "<null>", "<null>", "<null>", "<null>", "<null>", "<null>"},
                   {"<null>", "row3col3", "<null>", "<null>", "<null>", "<null>", "<null>", "row3col9", "<null>"},
                   {"row4col1", "row4col2", "<null>", "<null>", "<null>", "<null>", "<null>", "<null>", "<null>"},
                   {"<null>", "row5col2", "<null>", "<null>", "<null>", "<null>", "<null>", "<null>", "<null>"},
                   {"<null>", "row6col2", "row6col3", "<null>", "<null>", "<null>", "<null>", "<null>", "<null>"},
                   {"row7col1", "<null>", "<null>", "<null>", "<null>", "row7col7", "<null>", "<null>", "<null>"}}},
        TableCase{"real/overflowTestV2000.mdb", "Table1",
                  {"data1", "data3", "data4", "data5", "data6", "data7", "data8", "data9", "data10"},
                  {{"row1col1", "<null>", "<null>", "<null>", "<null>", "<null>", "<null>", "<null>", "<null>"},
                   {"row2col1", "row2col3", "<null>", "<null>", "<null>", "<null>", "<null>", "<null>", "<null>"},
                   {"<null>", "row3col3", "<null>", "<null>", "<null>", "<null>", "<null>", "row3col9", "<null>"},
                   {"row4col1", "row4col2", "<null>", "<null>", "<null>", "<null>", "<null>", "<null>", "<null>"},
                   {"<null>", "row5col2", "<null>", "<null>", "<null>", "<null>", "<null>", "<null>", "<null>"},
                   {"<null>", "row6col2", "row6col3", "<null>", "<null>", "<null>", "<null>", "<null>", "<null>"},
                   {"row7col1", "<null>", "<null>", "<null>", "<null>", "row7col7", "<null>", "<null>", "<null>"}}},
        TableCase{"real/fixedNumericTestV2000.mdb", "test", {"col1", "col2", "col3", "col4", "col5", "col6", "col7"},
                  {{"some data", "1", "0", "0", "4", "-1", "1"}}},
        TableCase{"real/V2016-bigint.accdb", "Table", {"ID", "Numeric"}, {{"1", "42"}}},
        TableCase{"real/V2016-currency.accdb", "Table", {"ID", "Money"}, {{"1", "42"}}},
        // A linked table reads the other file (its stored path is a Windows path; the file sits beside).
        TableCase{"real/linkerTestV2007.accdb", "Table2", {"ID", "Field1"}, {{"1", "bar"}}},
        // Jet 4 database password: only a header check.
        TableCase{"real/password-V2000.mdb", "Table1", {"ID", "Data"}, {{"1", "One"}, {"2", "Two"}, {"3", "Three"}}},
        TableCase{"real/extDateTestV2019.accdb", "Table1",
                  {"ID", "Field1", "DateExt", "DateNormal", "DateExtStr", "DateNormalCalc"},
                  {{"1", "row1", "2020-06-17 00:00:00", "2020-06-17 00:00:00", "6/17/2020", "2020-06-17 00:00:00"},
                   {"2", "row2", "2021-06-14 00:00:00", "2021-06-14 00:00:00", "6/14/2021", "2021-06-14 00:00:00"},
                   {"3", "row3", "2021-06-14 12:45:00", "2021-06-14 12:45:00", "6/14/2021 12:45:00.0000000 PM",
                    "2021-06-14 12:45:00"},
                   {"4", "row4", "2021-06-14 01:45:00", "2021-06-14 01:45:00", "6/14/2021 1:45:00.0000000 AM",
                    "2021-06-14 01:45:00"},
                   {"5", "row5", "<null>", "<null>", "<null>", "<null>"},
                   {"6", "row6", "2021-06-14 22:45:12.3456789", "2021-06-14 22:45:12",
                    "6/14/2021 10:45:12.3456789 PM", "2021-06-14 22:45:12"},
                   {"7", "row7", "1765-06-14 12:45:00", "1765-06-14 12:45:00", "6/14/1765 12:45:00.0000000 PM",
                    "1765-06-14 12:45:00"},
                   {"8", "row8", "0100-06-14 12:45:00.1234567", "0100-06-14 12:45:00",
                    "6/14/100 12:45:00.1234567 PM", "0100-06-14 12:45:00"},
                   {"9", "row9", "1265-06-14 12:45:00", "1265-06-14 12:45:00", "6/14/1265 12:45:00.0000000 PM",
                    "1265-06-14 12:45:00"}}},
        // Complex columns: a summary of the items behind each key, never a failed row.
        TableCase{"real/complexDataTestV2007.accdb", "Table1",
                  {"id", "VersionHistory_F5F8918F-0A3F-4DA9-AE71-184EE5012880", "memo-data", "append-memo-data",
                   "multi-value-data", "attach-data"},
                  {{"row1", "0 items", "<null>", "<null>", "0 items", "0 items"},
                   {"row2", "1 item", "row2-memo", "row2-memo", "2 items", "2 items"},
                   {"row3", "3 items", "row3-memo", "row3-memo-again", "4 items", "0 items"},
                   {"row4", "1 item", "row4-memo", "row4-memo", "0 items", "1 item"}}}),
    [](const auto& info) { return jet_test::caseName("case", info.index); });

TEST(RealFiles, CalculatedColumnsDecodeTheirResultType) {
    auto db = openDb("real/calcFieldTestV2010.accdb");
    ASSERT_TRUE(db);
    auto t = openTable(*db, "Table1");
    ASSERT_TRUE(t);
    const jet::Column* c = t->findColumn("LastFirst");
    ASSERT_NE(c, nullptr);
    EXPECT_TRUE(c->isCalculated());
    Rows rows = readAll(t);
    ASSERT_EQ(rows.size(), 4u);
    auto col = [&](const char* name) { return t->findColumn(name)->displayIndex; };
    EXPECT_EQ(rows[0][col("LastFirst")], "Wayne, Bruce");
    EXPECT_EQ(rows[0][col("LastFirstLen")], "12");
    EXPECT_EQ(rows[0][col("MonthlySalary")], "83333.3333");  // stored as Currency
    EXPECT_EQ(rows[0][col("IsRich")], "1");
    EXPECT_EQ(rows[0][col("AllNames")], "Wayne, Bruce=Wayne, Bruce");  // a calculated memo
    EXPECT_EQ(rows[0][col("WeeklySalary")], "19230.7692307692");       // stored as Decimal
    EXPECT_EQ(rows[1][col("SalaryTest")], "-1");
    EXPECT_EQ(rows[2][col("BoolTest")], "1");
    EXPECT_EQ(rows[3][col("DecimalTest")], "102030405060.654321");
}

TEST(RealFiles, Jet3JapaneseTextUsesCp932) {
    auto db = openDb("jet3_cp932.mdb");
    ASSERT_TRUE(db);
    EXPECT_EQ(db->version(), jet::Version::Jet3);
    EXPECT_EQ(db->codePage(), 932);
    std::vector<std::string> names;
    for (const auto& e : db->tables())
        if (!e.isSystem() && !(e.flags & jet::object_flags::Hidden)) names.push_back(e.name);
    EXPECT_EQ(names, (std::vector<std::string>{"社員表", "Table2", "Table3", "Table4"}));
    auto t = openTable(*db, "社員表");
    ASSERT_TRUE(t);
    EXPECT_EQ(t->columns()[0].codePage, 932);
    Rows rows = readAll(t);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1][0], "日本語a");
    EXPECT_EQ(rows[1][1], "ﾃｽﾄ表示AB");  // 表 = 0x95 0x5C: second byte is a backslash
    EXPECT_EQ(rows[0][0], "a");
}

TEST(RealFiles, EmoticonsOutsideTheBmp) {
    auto db = openDb("real/testEmoticonsV2010.accdb");
    ASSERT_TRUE(db);
    auto t = openTable(*db, "data");
    ASSERT_TRUE(t);
    Rows rows = readAll(t);
    ASSERT_FALSE(rows.empty());
    bool found = false;
    for (const auto& r : rows)
        for (const auto& c : r)
            if (c && c->find("\U0001F600") != std::string::npos) found = true;
    EXPECT_TRUE(found);
}

TEST(RealFiles, EncryptedFileGivesAClearError) {
    auto db = jet::Database::open(dataPath("real/encrypted-agile-4.4.accdb"));
    ASSERT_FALSE(db);
    EXPECT_NE(db.error().message.find("encrypted"), std::string::npos) << db.error().describe();
}

TEST(RealFiles, LinkedTableIsListedWithItsTarget) {
    auto db = openDb("real/linkerTestV2007.accdb");
    ASSERT_TRUE(db);
    const jet::CatalogEntry* e = db->findTable("table2");
    ASSERT_NE(e, nullptr);
    EXPECT_TRUE(e->isLinked());
    EXPECT_EQ(e->type, jet::object_type::LinkedTable);
    EXPECT_EQ(e->foreignName, "Table1");
    EXPECT_NE(e->linkedDatabase.find("linkeeTest.accdb"), std::string::npos);
}

TEST(RealFiles, LinkedTableWhoseFileIsMissingGivesAClearError) {
    // The same file opened from memory has no folder to find the other file in.
    auto db = jet::Database::openBuffer(readFile(dataPath("real/linkerTestV2007.accdb")), "/nonexistent/linker.accdb");
    ASSERT_TRUE(db) << db.error().describe();
    auto t = (*db)->table("Table2");
    ASSERT_FALSE(t);
    EXPECT_NE(t.error().message.find("not found"), std::string::npos) << t.error().describe();
    EXPECT_NE(t.error().message.find("linkeeTest.accdb"), std::string::npos);
}

TEST(RealFiles, SavedQueriesAreReadableFromTheSystemTable) {
    auto db = openDb("real/ASampleDatabase.accdb");
    ASSERT_TRUE(db);
    bool anyQuery = false;
    for (const auto& o : db->objects())
        if (o.type == jet::object_type::Query) anyQuery = true;
    EXPECT_TRUE(anyQuery);
    auto q = openTable(*db, "MSysQueries");
    ASSERT_TRUE(q);
    EXPECT_NE(q->findColumn("Expression"), nullptr);
    EXPECT_FALSE(readAll(q).empty());
}

TEST(RealFiles, IndexesOfJet3AndJet4) {
    for (const char* f : {"real/indexTestV1997.mdb", "real/indexTestV2000.mdb"}) {
        auto db = openDb(f);
        ASSERT_TRUE(db);
        auto t = openTable(*db, "Table1");
        ASSERT_TRUE(t);
        ASSERT_FALSE(t->indexes().empty()) << f;
        bool primary = false;
        for (const auto& ix : t->indexes()) {
            EXPECT_FALSE(ix.name.empty());
            EXPECT_FALSE(ix.columns.empty()) << ix.name;
            for (const auto& k : ix.columns) EXPECT_LT(k.column, t->columns().size());
            primary |= ix.primary;
        }
        EXPECT_TRUE(primary) << f;
    }
}

TEST(RealFiles, OpenFromMemoryReadsTheSameRows) {
    auto fromFile = openDb("jp_sample.mdb");
    auto fromMem = jet::Database::openBuffer(readFile(dataPath("jp_sample.mdb")), "jp_sample.mdb");
    ASSERT_TRUE(fromFile);
    ASSERT_TRUE(fromMem) << fromMem.error().describe();
    auto a = openTable(*fromFile, "Big5000");
    auto b = openTable(**fromMem, "Big5000");
    ASSERT_TRUE(a && b);
    EXPECT_EQ(readAll(a), readAll(b));
}

}  // namespace

namespace {

TEST(RealFiles, LogicalIndexesInStoredOrderWithTheirNumbers) {
    // Access stores the logical index entries sorted by name; the number tells creation order.
    auto db = openDb("real/testV2000.mdb");
    ASSERT_TRUE(db);
    auto t = openTable(*db, "Table1");
    ASSERT_TRUE(t);
    ASSERT_EQ(t->indexes().size(), 2u);
    EXPECT_EQ(t->indexes()[0].name, "B");
    EXPECT_EQ(t->indexes()[0].number, 1u);
    EXPECT_FALSE(t->indexes()[0].primary);
    EXPECT_EQ(t->indexes()[1].name, "PrimaryKey");
    EXPECT_EQ(t->indexes()[1].number, 0u);
    EXPECT_TRUE(t->indexes()[1].primary);
    EXPECT_EQ(t->columns()[t->indexes()[1].columns.at(0).column].name, "A");
}

}  // namespace

namespace {

// Text sizes in characters as mdb-schema gives them: Jet 3 stores one byte a character, Jet 4
// and ACE two.
TEST(RealFiles, TextSizesInCharactersInEveryFormat) {
    for (const char* file : {"real/testV1997.mdb", "real/testV2000.mdb", "real/testV2007.accdb"}) {
        auto db = openDb(file);
        ASSERT_TRUE(db);
        auto t = openTable(*db, "Table1");
        ASSERT_TRUE(t);
        EXPECT_EQ(t->findColumn("A")->charLength, 50) << file;
        EXPECT_EQ(t->findColumn("B")->charLength, 100) << file;
        EXPECT_EQ(t->findColumn("C")->charLength, 0) << file;  // no text
    }
}

// Date/Time Extended values at the ends of their range: days since 0001-01-01 up to 9999-12-31,
// time of day in 100 ns ticks below one day. Row 1 (2020-06-17, stored as day 737592) rewritten.
TEST(RealFiles, ExtendedDatesAtTheEndsOfTheirRange) {
    const auto original = readFile(dataPath("real/extDateTestV2019.accdb"));
    const std::string stored = "0000000000000737592:0000000000000000000:7";
    const auto at = std::search(original.begin(), original.end(), stored.begin(), stored.end(),
                                [](std::byte b, char c) { return b == std::byte(uint8_t(c)); });
    ASSERT_NE(at, original.end());
    struct Case {
        const char* value;
        const char* text;  // nullptr: unreadable
    };
    for (const Case& c : {Case{"0000000000003652058:0000000863999999999:7", "9999-12-31 23:59:59.9999999"},
                          Case{"0000000000003652059:0000000000000000000:7", nullptr},
                          Case{"0000000000000000000:0000000000000000001:7", "0001-01-01 00:00:00.0000001"},
                          Case{"0000000000000737592:0000000864000000000:7", nullptr}}) {
        auto file = original;
        for (size_t i = 0; i < stored.size(); ++i) file[size_t(at - original.begin()) + i] = std::byte(uint8_t(c.value[i]));
        auto db = openBytes(file, "ext.accdb");
        ASSERT_TRUE(db);
        auto t = openTable(*db, "Table1");
        ASSERT_TRUE(t);
        jet::Cursor cur(t, {t->findColumn("DateExt")->displayIndex});
        ASSERT_TRUE(cur.next());
        auto v = cur.read(0);
        if (!c.text) {
            EXPECT_FALSE(v) << c.value;
            continue;
        }
        ASSERT_TRUE(v) << c.value << ": " << v.error().describe();
        EXPECT_EQ(jet::csv::valueText(*v), c.text) << c.value;
    }
}

}  // namespace

namespace {

// Index flags (0x01 unique, 0x02 ignore nulls, 0x08 required) sit after the index's page
// pointers: byte 38 of a Jet 3 definition, byte 46 of a Jet 4 one. The tables of
// testIndexProperties are named after the flags their DataIndex carries.
TEST(RealFiles, IndexFlagsAsTheTablesNameThem) {
    auto db = openDb("real/testIndexPropertiesV2003.mdb");
    ASSERT_TRUE(db);
    struct Expect {
        const char* table;
        bool unique, ignoreNulls;
    };
    for (const Expect& e : {Expect{"TableIgnoreNulls1", false, true}, Expect{"TableIgnoreNulls2", false, true},
                            Expect{"TableUnique1_temp", true, false}, Expect{"TableUnique2_temp", true, false}}) {
        auto t = openTable(*db, e.table);
        ASSERT_TRUE(t);
        for (const jet::Index& ix : t->indexes()) {
            if (ix.name == "PrimaryKey") {
                EXPECT_TRUE(ix.unique && ix.required && !ix.ignoreNulls) << e.table;
                continue;
            }
            EXPECT_EQ(ix.unique, e.unique) << e.table << "." << ix.name;
            EXPECT_EQ(ix.ignoreNulls, e.ignoreNulls) << e.table << "." << ix.name;
            EXPECT_FALSE(ix.required) << e.table << "." << ix.name;
        }
    }
    // The same database in Jet 3 and Jet 4 form: the same flags.
    for (const char* file : {"real/indexTestV1997.mdb", "real/indexTestV2000.mdb"}) {
        auto d = openDb(file);
        ASSERT_TRUE(d);
        auto t3 = openTable(*d, "Table3");
        ASSERT_TRUE(t3);
        for (const jet::Index& ix : t3->indexes()) {
            if (ix.name == "id") {
                EXPECT_FALSE(ix.unique || ix.ignoreNulls || ix.required) << file;
            } else if (ix.name == "PrimaryKey") {
                EXPECT_TRUE(ix.unique && ix.required) << file;
            }
        }
    }
}

}  // namespace

namespace {

// Decimal values: sign byte, then the 96-bit (and more) magnitude as 32-bit words, the most
// significant first. fixedNumericTestV2000.mdb, table test: col2 (scale 0) holds 1.
TEST(RealFiles, DecimalWordsFromTheMostSignificant) {
    auto file = readFile(dataPath("real/fixedNumericTestV2000.mdb"));
    // The row's col2 .. col5: 1, 0, 0, 4.
    std::vector<std::byte> row(4 * 17, std::byte{0});
    row[13] = std::byte{1};
    row[3 * 17 + 13] = std::byte{4};
    auto at = std::search(file.begin(), file.end(), row.begin(), row.end());
    ASSERT_NE(at, file.end());
    const size_t pos = size_t(at - file.begin());
    for (uint32_t w = 0; w < 4; ++w) storeLe32(file, pos + 1 + 4 * w, w + 1);  // 1, 2, 3, 4
    for (const uint8_t sign : {uint8_t(0x00), uint8_t(0x80)}) {
        file[pos] = std::byte(sign);
        auto db = openBytes(file, "numeric.mdb");
        ASSERT_TRUE(db);
        Rows rows = readAll(openTable(*db, "test"));
        ASSERT_EQ(rows.size(), 1u);
        // 1·2^96 + 2·2^64 + 3·2^32 + 4
        EXPECT_EQ(rows[0][1], Cell(std::string(sign ? "-" : "") + "79228162551157825753847955460"));
    }
}

}  // namespace
