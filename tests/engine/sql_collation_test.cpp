// Jet compares text without regard to case, width or kana type: in =, <, IN, LIKE, ORDER BY,
// GROUP BY, DISTINCT and in the lookups the virtual tables answer from their indexes.

#include "sql_helpers.h"

#include "sql/collation.h"
#include "sql/functions.h"

namespace {

std::shared_ptr<sql::MemoryTable> names()
{
    auto t = std::make_shared<sql::MemoryTable>();
    t->columns = {{QStringLiteral("id"), 0x04, 0, 0}, {QStringLiteral("name"), 0x0A, 0, 0}};
    const char* values[] = {"abc", "ＡＢＣ", "ABD", "ｱｲｳ", "あいう", "アイウ", "Abc", "b", nullptr};
    qint64 id = 1;
    for (const char* v : values)
        t->rows.push_back({QVariant(id++), v ? QVariant(QString::fromUtf8(v)) : QVariant()});
    t->uniqueColumns = {0};
    return t;
}

class SqlCollation : public ::testing::Test {
protected:
    void SetUp() override { m_db.add(QStringLiteral("Names"), names()); }
    sqltest::Lines q(const char* s) { return sqltest::lines(m_db.run(QString::fromUtf8(s))); }
    sqltest::MemoryDb m_db;
};

TEST_F(SqlCollation, EqualityIgnoresCaseWidthAndKanaType)
{
    EXPECT_EQ(q("SELECT id FROM Names WHERE name = 'ABC' ORDER BY id"), (sqltest::Lines{"1", "2", "7"}));
    EXPECT_EQ(q("SELECT id FROM Names WHERE name = 'アイウ' ORDER BY id"), (sqltest::Lines{"4", "5", "6"}));
    EXPECT_EQ(q("SELECT id FROM Names WHERE name IN ('abd', 'B') ORDER BY id"), (sqltest::Lines{"3", "8"}));
    EXPECT_EQ(q("SELECT Count(*) FROM Names WHERE name <> 'abc'"), sqltest::Lines{"5"});
}

// The ends of the hiragana block and its iteration marks fold like the rest; the katakana
// beyond the hiragana block (ヷ) stays itself.
TEST(SqlCollationKana, EveryHiraganaFoldsToItsKatakana)
{
    sqltest::MemoryDb db;
    for (const char* pair : {"'ぁ' = 'ァ'", "'ゖ' = 'ヶ'", "'ゕ' = 'ヵ'", "'ゝ' = 'ヽ'", "'ゞ' = 'ヾ'", "'ゔ' = 'ヴ'",
                             "'ａ' = 'A'", "'ｶﾞ' = 'ガ'"})
        EXPECT_EQ(db.eval(QString::fromUtf8(pair)).toStdString(), "True") << pair;
    for (const char* pair : {"'ヷ' = 'わ'", "'ゟ' = 'ヿ'", "'ぁ' = 'あ'"})
        EXPECT_EQ(db.eval(QString::fromUtf8(pair)).toStdString(), "False") << pair;
}

TEST_F(SqlCollation, RangesAndOrderFollowTheFoldedText)
{
    EXPECT_EQ(q("SELECT id FROM Names WHERE name > 'ABC' AND name < 'C'"), (sqltest::Lines{"3", "8"}));
    EXPECT_EQ(q("SELECT name FROM Names WHERE id IN (3, 7, 8) ORDER BY name"), (sqltest::Lines{"Abc", "ABD", "b"}));
    EXPECT_EQ(q("SELECT name FROM Names WHERE id IN (3, 7, 8) ORDER BY name DESC"), (sqltest::Lines{"b", "ABD", "Abc"}));
}

TEST_F(SqlCollation, GroupingAndDistinctMergeEqualTexts)
{
    EXPECT_EQ(q("SELECT Count(*) FROM (SELECT DISTINCT name FROM Names WHERE name IS NOT NULL)"), sqltest::Lines{"4"});
    EXPECT_EQ(q("SELECT Count(*) AS c FROM Names WHERE name IS NOT NULL GROUP BY name ORDER BY Count(*) DESC, Min(id)"),
              (sqltest::Lines{"3", "3", "1", "1"}));
}

TEST_F(SqlCollation, LikeFoldsToo)
{
    EXPECT_EQ(q("SELECT Count(*) FROM Names WHERE name LIKE 'ａ*'"), sqltest::Lines{"4"});
    EXPECT_EQ(q("SELECT Count(*) FROM Names WHERE name LIKE '*ウ'"), sqltest::Lines{"3"});
}

TEST_F(SqlCollation, NullIsNeverEqual)
{
    EXPECT_EQ(q("SELECT Count(*) FROM Names WHERE name = Null"), sqltest::Lines{"0"});
    EXPECT_EQ(q("SELECT id FROM Names WHERE name IS NULL"), sqltest::Lines{"9"});
}

TEST(SqlCompareFolded, AgreesWithTheFoldedKeys)
{
    // The fast ASCII path and the folded keys must order alike, or index ranges would lose rows.
    const char* samples[] = {"", "a", "A", "ab", "aB", "a_", "a[", "Z", "z", "é", "e\xcc\x81", "ex", "ｶﾞ", "ガ",
                             "ＡＢ", "ab\xc3\xa9", "ABC", "abd", "が", "1", "10", "9"};
    for (const char* a : samples) {
        for (const char* b : samples) {
            const std::string fa = sql::foldKey(a), fb = sql::foldKey(b);
            const int expected = fa < fb ? -1 : fa > fb ? 1 : 0;
            EXPECT_EQ(sql::compareFolded(a, b), expected) << a << " vs " << b;
        }
    }
}

struct LikeCase {
    const char* pattern;
    const char* text;
    bool matches;
};

class JetLike : public ::testing::TestWithParam<LikeCase> {};

TEST_P(JetLike, Matches)
{
    const LikeCase& c = GetParam();
    EXPECT_EQ(sql::jetLike(QString::fromUtf8(c.pattern), QString::fromUtf8(c.text)), c.matches)
        << c.pattern << " ~ " << c.text;
}

INSTANTIATE_TEST_SUITE_P(Patterns, JetLike, ::testing::Values(
    LikeCase{"a*", "ABC", true}, LikeCase{"a*", "bac", false}, LikeCase{"*c", "abc", true}, LikeCase{"*", "", true},
    LikeCase{"a?c", "abc", true}, LikeCase{"a?c", "ac", false}, LikeCase{"#", "5", true}, LikeCase{"#", "x", false},
    LikeCase{"a#b", "a1b", true}, LikeCase{"[a-c]x", "Bx", true}, LikeCase{"[a-c]x", "dx", false},
    LikeCase{"[!a-c]x", "dx", true}, LikeCase{"[!a-c]x", "ax", false}, LikeCase{"[*]a", "*a", true},
    LikeCase{"[?]", "x", false}, LikeCase{"[#]", "#", true}, LikeCase{"a[]b", "ab", true},
    LikeCase{"*a*b*", "xxaxxbxx", true}, LikeCase{"*a*b", "xxaxxbxx", false}, LikeCase{"abc", "ABC", true},
    LikeCase{"[a-z0-9]*", "9z", true}, LikeCase{"日本*", "日本語", true}, LikeCase{"ＡＢ*", "abc", true},
    LikeCase{"**a", "a", true}, LikeCase{"a%", "abc", false}, LikeCase{"a_c", "abc", false}));

TEST(JetLikeErrors, UnclosedBracketIsAnInvalidPattern)
{
    EXPECT_THROW(sql::jetLike(QStringLiteral("[a-"), QStringLiteral("a")), automation::Error);
    EXPECT_THROW(sql::jetLike(QStringLiteral("[z-a]"), QStringLiteral("a")), automation::Error);
}

} // namespace
