// `fields`: name, type text, size, description, key, checked against the file manifests.
#include "cli_runner.h"

#include <gtest/gtest.h>

namespace {

// From jp_sample.mdb.txt: column types, text lengths in characters, descriptions; the key is the
// first index ("PrimaryKey" on ID for 社員, "AAA_CustomerIdx" on Customer for Orders).
const char* const kEmployees =
    "ID\tカウンタ(LongInt)\t4\t\t1\n"
    "氏名\t文字列(String)\t50\t社員の氏名\t0\n"
    "部署コード\t整数(ShortInt)\t2\t\t0\n"
    "入社日\t日付(Date)\t8\t\t0\n"
    "給与\t通貨(Currency)\t8\t月額\t0\n"
    "在籍\tYes/No(Bool)\t1\t\t0\n"
    "備考\tメモ(Text)\t0\t一行目\\r\\n二行目\t0\n"
    "写真\tOLE(Object)\t0\t\t0\n"
    "評価\t単精度実数(Single)\t4\t\t0\n"
    "比率\t倍精度実数(Double)\t8\t\t0\n"
    "区分\tバイト(Byte)\t1\t\t0\n"
    "コード\t?\t8\t\t0\n";

const char* const kOrders =
    "OrderNo\t長整数(LongInt)\t4\t\t0\n"
    "Customer\t文字列(String)\t30\t\t1\n"
    "Amount\t倍精度実数(Double)\t8\t\t0\n"
    "OrderDate\t日付(Date)\t8\t\t0\n";

TEST(CliFields, JapaneseSampleInEveryFormat)
{
    for (const char* file : {"jp_sample.mdb", "jp_sample_2003.mdb", "jp_sample_2007.accdb"}) {
        SCOPED_TRACE(file);
        const QString db = testData(QString::fromLatin1(file));
        const CliRun employees = runCli({QStringLiteral("fields"), db, QStringLiteral("社員")});
        ASSERT_EQ(employees.exitCode, 0) << employees.err.toStdString();
        EXPECT_EQ(employees.out.toStdString(), kEmployees);
        const CliRun orders = runCli({QStringLiteral("fields"), db, QStringLiteral("Orders")});
        ASSERT_EQ(orders.exitCode, 0) << orders.err.toStdString();
        EXPECT_EQ(orders.out.toStdString(), kOrders);
    }
}

TEST(CliFields, EveryWideColumnHasItsDescriptionAndNoKey)
{
    const CliRun r = runCli({QStringLiteral("fields"), testData(QStringLiteral("jp_sample.mdb")), QStringLiteral("Wide46")});
    ASSERT_EQ(r.exitCode, 0);
    const QStringList lines = QString::fromUtf8(r.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 46);
    for (int k = 1; k <= 46; ++k) {
        const QStringList cells = lines[k - 1].split(QLatin1Char('\t'));
        ASSERT_EQ(cells.size(), 5);
        const QString name = QStringLiteral("F%1").arg(k, 2, 10, QLatin1Char('0'));
        EXPECT_EQ(cells[0], name);
        EXPECT_EQ(cells[3], QStringLiteral("説明 ") + name);
        EXPECT_EQ(cells[4], QStringLiteral("0"));
    }
}

TEST(CliFields, TableNameWithSpaceAndEmptyTable)
{
    const CliRun r = runCli({QStringLiteral("fields"), testData(QStringLiteral("jp_sample.mdb")), QStringLiteral("Empty Table")});
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out.toStdString(), "a\t長整数(LongInt)\t4\t\t0\nb\t文字列(String)\t10\t\t0\n");
}

} // namespace
