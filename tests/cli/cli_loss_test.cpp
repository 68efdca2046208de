// Rows that could not be read: export and query write what they can, say on stderr how many rows
// are lost and the first reason, and exit with status 3.
#include "cli_runner.h"

#include "automation/error.h"
#include "automation/object.h"
#include "dao/database.h"
#include "jet/database.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString kDamaged = QStringLiteral("damaged/damaged-rows.mdb");

int lines(const QByteArray& csv) { return int(csv.count("\r\n")); }

TEST(CliLoss, ExportOfADamagedTableWritesTheGoodRowsAndExitsThree)
{
    const CliRun r = runCli({QStringLiteral("export"), testData(kDamaged), QStringLiteral("Big5000")});
    EXPECT_EQ(r.exitCode, 3) << r.err.toStdString();
    EXPECT_EQ(lines(r.out), 1 + 4894);
    EXPECT_TRUE(r.out.startsWith("n,s,d,t\r\n"));
    EXPECT_TRUE(r.out.endsWith("\r\n5000,S05000,1250,2020-07-27 08:00:00\r\n"));
    // One line: how many rows, that they are not in the output, where the first problem is.
    EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
    EXPECT_TRUE(r.err.startsWith("tabulon-cli: 106 rows of 'Big5000' could not be read and are not in the output"))
        << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("(page 55, offset 0x14)")) << r.err.toStdString();
    EXPECT_FALSE(r.err.contains("exported as empty")) << r.err.toStdString();
}

TEST(CliLoss, TablesThatLostNothingExitZero)
{
    for (const QString& table : {QStringLiteral("Orders"), QStringLiteral("社員"), QStringLiteral("Zero")}) {
        const CliRun r = runCli({QStringLiteral("export"), testData(kDamaged), table});
        EXPECT_EQ(r.exitCode, 0) << table.toStdString() << r.err.toStdString();
        EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    }
}

TEST(CliLoss, UnreadableCellsAreCountedAsRowsWrittenWithEmptyCells)
{
    // Row 8 of 社員: the memo's length no file can hold; the row is written, the cell empty.
    DatabaseCopy copy = copyOf(QStringLiteral("jp_sample.mdb"));
    ASSERT_TRUE(copy.replace(QByteArray::fromHex("28230000001e0000"), QByteArray::fromHex("ffffff3f001e0000")));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("cells.mdb"));
    ASSERT_TRUE(copy.save(path));
    const CliRun r = runCli({QStringLiteral("export"), path, QStringLiteral("社員")});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(lines(r.out), 1 + 42 + 2);  // row 10's memo holds two line breaks
    EXPECT_TRUE(r.err.startsWith("tabulon-cli: 1 row of '社員' has unreadable cells (written empty); first problem: column 備考"))
        << r.err.toStdString();
}

// Whether the engine's recordsets say how many rows they could not read.
bool recordsetsCountLoss()
{
    auto db = jet::Database::open(testData(kDamaged).toStdString());
    if (!db)
        return false;
    const automation::Variant dbo(automation::ObjectRef(std::make_shared<dao::Database>(std::move(*db), QStringLiteral("x"))));
    const automation::Variant rs = automation::call(dbo, QStringLiteral("OpenRecordset"), {automation::Variant(QStringLiteral("SELECT 1"))});
    try {
        (void)automation::get(rs, QStringLiteral("UnreadableRows"));
        return true;
    } catch (const automation::Error&) {
        return false;
    }
}

TEST(CliLoss, QueryOverADamagedTableExitsThree)
{
    if (!recordsetsCountLoss())
        GTEST_SKIP() << "the engine's recordsets do not answer UnreadableRows yet";
    const CliRun r = runCli({QStringLiteral("query"), testData(kDamaged), QStringLiteral("SELECT * FROM Big5000")});
    EXPECT_EQ(r.exitCode, 3) << r.err.toStdString();
    EXPECT_EQ(lines(r.out), 1 + 4894);
    EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
    EXPECT_TRUE(r.err.startsWith("tabulon-cli: 106 rows of the query could not be read")) << r.err.toStdString();
    const CliRun good = runCli({QStringLiteral("query"), testData(kDamaged), QStringLiteral("SELECT * FROM Orders")});
    EXPECT_EQ(good.exitCode, 0) << good.err.toStdString();
}

TEST(CliLoss, HelpDocumentsExitThree)
{
    const CliRun help = runCli({QStringLiteral("--help")});
    EXPECT_TRUE(help.out.contains("  3  finished, but rows or cells could not be read")) << help.out.toStdString();
    EXPECT_TRUE(help.out.contains("tabulon-cli tables DB [--system]"));
}

} // namespace
