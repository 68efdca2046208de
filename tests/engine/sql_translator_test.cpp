// The Jet SQL translator on hostile and unusual text: it either gives SQL or a readable
// error, never a crash or a runaway recursion.

#include "sql_helpers.h"

#include "sql/translator.h"

#include <random>

namespace {

QString translateOrError(const QString& s)
{
    try {
        return sql::translateJetSql(s);
    } catch (const automation::Error& e) {
        return QStringLiteral("ERROR: ") + e.description();
    }
}

TEST(SqlTranslator, DeepNestingIsRefusedNotFollowed)
{
    const QString parens = QStringLiteral("SELECT ") + QString(100000, u'(') + u'1' + QString(100000, u')') + QStringLiteral(" FROM One");
    EXPECT_TRUE(translateOrError(parens).contains(QStringLiteral("too complex")));
    QString nots = QStringLiteral("SELECT n FROM One WHERE ");
    for (int i = 0; i < 50000; ++i) nots += QStringLiteral("NOT ");
    EXPECT_TRUE(translateOrError(nots + u'1').contains(QStringLiteral("too complex")));
    QString minus = QStringLiteral("SELECT ") + QString(50000, u'-') + QStringLiteral("1 FROM One");
    EXPECT_TRUE(translateOrError(minus).contains(QStringLiteral("too complex")));
    QString subs = QStringLiteral("SELECT n FROM One WHERE n IN ");
    for (int i = 0; i < 5000; ++i) subs += QStringLiteral("(SELECT n FROM One WHERE n IN ");
    EXPECT_TRUE(translateOrError(subs).startsWith(QStringLiteral("ERROR")));
}

TEST(SqlTranslator, TokenSoupNeverCrashes)
{
    static const char* const pieces[] = {
        "SELECT", "FROM", "WHERE", "(", ")", "[", "]", "'", "\"", "#", "#1/1/2000#", "*", "?", "&", "+", "-", "\\",
        "^", "Mod", "XOR", "NOT", "LIKE", "'a*'", "IN", "BETWEEN", "AND", "OR", "TOP", "5", "PERCENT", "DISTINCTROW",
        "INNER", "JOIN", "ON", "LEFT", "RIGHT", "UNION", "ALL", "ORDER", "BY", "GROUP", "HAVING", "AS", "INTO", ",",
        ";", ".", "!", "One", "n", "[One]", "Left(", "IIf(", "Count(*)", "True", "Null", "IS", "=", "<", ">=", "<>",
        "&H1F", "1.5e3", "EXISTS", "$", "日本"};
    std::mt19937 rng(20240601);
    sqltest::MemoryDb db;
    for (int round = 0; round < 3000; ++round) {
        QString s;
        const int n = 1 + int(rng() % 14);
        for (int i = 0; i < n; ++i) s += QString::fromUtf8(pieces[rng() % std::size(pieces)]) + u' ';
        if (round % 2 == 0) s.prepend(QStringLiteral("SELECT "));
        // Translation and execution: only automation::Error may come out.
        try {
            db.run(s);
        } catch (const automation::Error&) {
        }
    }
    SUCCEED();
}

TEST(SqlTranslator, OldStyleDerivedTablesAndBangQualifiers)
{
    sqltest::MemoryDb db;
    EXPECT_EQ(sqltest::lines(db.run(QStringLiteral("SELECT Count(*) FROM [SELECT n FROM One]. AS x"))), sqltest::Lines{"1"});
    EXPECT_EQ(sqltest::lines(db.run(QStringLiteral("SELECT One!n + [One].[n] FROM One"))), sqltest::Lines{"2"});
    EXPECT_EQ(sqltest::lines(db.run(QStringLiteral("SELECT n FROM One WITH OWNERACCESS OPTION;"))), sqltest::Lines{"1"});
    EXPECT_EQ(sqltest::lines(db.run(QStringLiteral("select Left$(\"ab\"\"c\", 3) from one"))), sqltest::Lines{"ab\""});
}

} // namespace
