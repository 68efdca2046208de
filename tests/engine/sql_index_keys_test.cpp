// Lookups through the column indexes, one key type at a time, on real files: a self-join (its
// inner side looks rows up by key) and constant lookups must find exactly the rows whose values
// are equal. The index keys come from the row source's number()/text(), the values compared by
// SQLite from result(): a key scaled or typed differently from its value loses every match.
// Expected counts from the independent exports in tests/data/expected (jp_sample.mdb/社員.csv:
// a self-join finds the sum of the squares of each value's multiplicity).

#include "sql_helpers.h"

#include "sql/collation.h"
#include "sql/column_index.h"
#include "sql/jet_row_source.h"

#include "jet/table.h"

namespace {

using sqltest::lines;
using sqltest::run;

class SqlIndexKeys : public sqltest::JpSampleSuite {};

struct SelfJoin {
    const char* column;
    const char* count;
};

void PrintTo(const SelfJoin& j, std::ostream* os) { *os << j.column; }

class SqlIndexSelfJoins : public SqlIndexKeys, public ::testing::WithParamInterface<SelfJoin> {};

TEST_P(SqlIndexSelfJoins, FindEveryEqualValue)
{
    const QString column = QString::fromUtf8(GetParam().column);
    const QString sqlText = QStringLiteral("SELECT Count(*) FROM 社員 AS a INNER JOIN 社員 AS b ON a.[%1] = b.[%1]").arg(column);
    EXPECT_EQ(lines(run(s_db, sqlText)), sqltest::Lines{GetParam().count}) << sqlText.toStdString();
}

// Nulls never match; the empty text of 氏名 and of 備考 does (one row each).
INSTANTIATE_TEST_SUITE_P(Shain, SqlIndexSelfJoins, ::testing::Values(
    SelfJoin{"ID", "42"},            // Long, unique
    SelfJoin{"給与", "40"},          // Currency, the extremes of its range included
    SelfJoin{"在籍", "980"},         // Yes/No: 28 True, 14 False
    SelfJoin{"区分", "366"},         // Byte
    SelfJoin{"部署コード", "302"},   // Integer, -32768 and 32767 included
    SelfJoin{"評価", "136"},         // Single
    SelfJoin{"比率", "40"},          // Double
    SelfJoin{"入社日", "40"},        // Date, one before 1900
    SelfJoin{"氏名", "40"},          // Text
    SelfJoin{"備考", "39"}));        // Memo

struct Lookup {
    const char* where;
    std::vector<const char*> ids;
};

void PrintTo(const Lookup& l, std::ostream* os) { *os << l.where; }

class SqlIndexLookups : public SqlIndexKeys, public ::testing::WithParamInterface<Lookup> {};

TEST_P(SqlIndexLookups, FindTheRowsWithThatValue)
{
    // The index is built by the join first, so the constant lookup goes through it.
    const QString where = QString::fromUtf8(GetParam().where);
    sqltest::Lines ids(GetParam().ids.begin(), GetParam().ids.end());
    EXPECT_EQ(lines(run(s_db, QStringLiteral("SELECT ID FROM 社員 WHERE ") + where + QStringLiteral(" ORDER BY ID"))), ids) << where.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Shain, SqlIndexLookups, ::testing::Values(
    Lookup{"給与 = 182500.25", {"1"}}, Lookup{"給与 = 922337203685477.5807", {"12"}},
    Lookup{"給与 = -922337203685477.5808", {"14"}}, Lookup{"給与 = CCur(285010.5)", {"42"}},
    Lookup{"給与 > 922337203685477", {"12"}}, Lookup{"給与 < -922337203685477", {"14"}},
    Lookup{"入社日 = #12/29/1899 06:00#", {"6"}}, Lookup{"入社日 >= #2099-12-31 23:59:59#", {"42"}},
    Lookup{"比率 = 5.25", {"42"}}, Lookup{"比率 <= 0.125", {"1", "16"}},
    Lookup{"部署コード = -32768", {"40"}}, Lookup{"部署コード >= 32767", {"39"}}, Lookup{"評価 = 4.5", {"9", "20", "31", "42"}},
    Lookup{"氏名 = '佐藤　太郎'", {"1"}}, Lookup{"氏名 = 'ｻﾄｳ'", {}},
    Lookup{"備考 = 'ascii ONLY memo for row 1'", {"1"}}, Lookup{"ID = 42", {"42"}}, Lookup{"ID > 41", {"42"}},
    Lookup{"ID < 1", {}}, Lookup{"ID = Null", {}}));

TEST_F(SqlIndexKeys, RangesOfEachTypeCountAsTheExportDoes)
{
    // Counts from 社員.csv: 28 employed; 11 of category 3; 4 rated 4.5 (Single).
    EXPECT_EQ(lines(run(s_db, "SELECT Count(*) FROM 社員 WHERE 在籍 = True")), sqltest::Lines{"28"});
    EXPECT_EQ(lines(run(s_db, "SELECT Count(*) FROM 社員 WHERE 在籍 = False")), sqltest::Lines{"14"});
    EXPECT_EQ(lines(run(s_db, "SELECT Count(*) FROM 社員 WHERE 区分 = 3")), sqltest::Lines{"11"});
    EXPECT_EQ(lines(run(s_db, "SELECT Count(*) FROM 社員 WHERE 部署コード BETWEEN -32768 AND 32767")), sqltest::Lines{"40"});
    EXPECT_EQ(lines(run(s_db, "SELECT Count(*) FROM 社員 AS a INNER JOIN 社員 AS b ON a.ID = b.ID + 1")), sqltest::Lines{"41"});
}

// Index keys straight from the reader's row source, for the types the 社員 table lacks: the
// lookup of the value the export shows must find its row.
struct KeyCase {
    const char* file;
    const char* table;
    const char* column;
    const char* literal;      // as a statement writes the value
    const char* rows;         // how many rows hold it
};

void PrintTo(const KeyCase& k, std::ostream* os) { *os << k.file << " " << k.column; }

class SqlIndexKeyTypes : public ::testing::TestWithParam<KeyCase> {};

TEST_P(SqlIndexKeyTypes, ValueAndKeyAgree)
{
    const KeyCase& k = GetParam();
    auto db = sqltest::openFixture(k.file);
    ASSERT_TRUE(db);
    auto table = db->table(k.table);
    ASSERT_TRUE(table);
    const jet::Column* column = (*table)->findColumn(k.column);
    ASSERT_TRUE(column);
    const int c = int(column->displayIndex);
    auto source = sql::makeJetRowSource(table.value());
    ASSERT_TRUE(sql::isIndexableType(source->columns()[std::size_t(c)].jetType));
    auto index = sql::ColumnIndex::build(*source, c);
    // The statement's lookup goes through SQLite's value of the literal; with a table this
    // small SQLite scans, so the index is asked directly as a join's inner side would ask it.
    const auto value = run(db, QStringLiteral("SELECT Count(*) FROM [%1] WHERE [%2] = %3")
                                   .arg(QString::fromUtf8(k.table), QString::fromUtf8(k.column), QString::fromUtf8(k.literal)));
    EXPECT_EQ(lines(value), sqltest::Lines{k.rows});
    sql::KeyBound key;
    key.present = true;
    if (index->textKeys()) {
        const auto text = run(db, QStringLiteral("SELECT [%1] FROM [%2] WHERE [%1] = %3")
                                      .arg(QString::fromUtf8(k.column), QString::fromUtf8(k.table), QString::fromUtf8(k.literal)));
        ASSERT_FALSE(text.rows.empty());
        key.text = sql::foldKey(text.rows[0][0].toStdString());
    } else {
        key.number = run(db, QStringLiteral("SELECT CDbl(%1)").arg(QString::fromUtf8(k.literal))).rows[0][0].toDouble();
    }
    const auto [first, last] = index->range(key, key);
    EXPECT_EQ(std::to_string(last - first), std::string(k.rows)) << k.column;
    sql::releaseDatabase(db.get());
}

INSTANTIATE_TEST_SUITE_P(RealFiles, SqlIndexKeyTypes, ::testing::Values(
    KeyCase{"real/V2016-bigint.accdb", "Table", "Numeric", "42", "1"},
    KeyCase{"real/V2016-currency.accdb", "Table", "Money", "42", "1"},
    KeyCase{"real/fixedNumericTestV2000.mdb", "test", "col2", "1", "1"},
    KeyCase{"real/fixedNumericTestV2000.mdb", "test", "col6", "-1", "1"},
    KeyCase{"real/V2016-withdeletedcol.accdb", "MSysNameMap", "GUID", "'{1486624c-3274-430f-bc43-c3b917da8f30}'", "1"},
    KeyCase{"real/extDateTestV2019.accdb", "Table1", "DateExt", "'2021-06-14 12:45:00'", "1"},
    KeyCase{"real/testV2007.accdb", "Table1", "A", "'ABCDEFG'", "1"},
    KeyCase{"real/testV2007.accdb", "Table1", "G", "#1974-09-21#", "1"}));

} // namespace
