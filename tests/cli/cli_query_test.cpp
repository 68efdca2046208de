// `query`: the result of OpenRecordset as canonical CSV. A plain SELECT * gives the same text
// as the independent readers' export (tests/data/expected), so the value conversion of query
// results is checked against them cell by cell.
#include "cli_runner.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

QByteArray expectedCsv(const QString& fixture, const QString& table)
{
    QFile f(testData(QStringLiteral("expected/%1/%2.csv").arg(fixture, table)));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray firstLines(const QByteArray& csv, int lines)
{
    qsizetype at = 0;
    for (int i = 0; i < lines && at >= 0; ++i) {
        at = csv.indexOf("\r\n", at);
        if (at >= 0)
            at += 2;
    }
    return at < 0 ? csv : csv.left(at);
}

TEST(CliQuery, SelectStarMatchesTheExpectedExport)
{
    struct Case {
        const char* fixture;
        const char* table;
    };
    // Every column type of the Japanese sample (Null, "", Single, Currency limits, dates before
    // 1900, memo over several pages, OLE and binary), in three file formats.
    for (const Case& c : {Case{"jp_sample.mdb", "社員"}, Case{"jp_sample_2003.mdb", "社員"},
                          Case{"jp_sample_2007.accdb", "社員"}, Case{"jp_sample.mdb", "Orders"},
                          Case{"jp_sample.mdb", "Wide46"}}) {
        SCOPED_TRACE(std::string(c.fixture) + " " + c.table);
        const QString table = QString::fromUtf8(c.table);
        const CliRun r = runCli({QStringLiteral("query"), testData(QString::fromLatin1(c.fixture)),
                                 QStringLiteral("SELECT * FROM [%1]").arg(table)});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_EQ(r.out.toStdString(), expectedCsv(QString::fromLatin1(c.fixture), table).toStdString());
    }
}

TEST(CliQuery, MaxRowsLimitsTheRowsAfterTheHeader)
{
    const QString db = testData(QStringLiteral("jp_sample.mdb"));
    const QByteArray orders = expectedCsv(QStringLiteral("jp_sample.mdb"), QStringLiteral("Orders"));
    for (int n : {0, 1, 3, 100, 1000}) {
        SCOPED_TRACE(n);
        const CliRun r = runCli({QStringLiteral("query"), db, QStringLiteral("SELECT * FROM Orders"),
                                 QStringLiteral("--max-rows"), QString::number(n)});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_EQ(r.out, firstLines(orders, 1 + n));
    }
}

TEST(CliQuery, RefusedOrBrokenStatementsExitTwoWithOneLine)
{
    const QString db = testData(QStringLiteral("jp_sample.mdb"));
    for (const char* sql : {"SELECT * FROM NoSuchTable", "SELEC * FROM Orders", "DELETE FROM Orders",
                            "UPDATE Orders SET Amount = 0", "SELECT * FROM Orders; DROP TABLE Orders"}) {
        SCOPED_TRACE(sql);
        const CliRun r = runCli({QStringLiteral("query"), db, QString::fromLatin1(sql)});
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_TRUE(r.err.startsWith("tabulon-cli: "));
        EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
    }
}

} // namespace
