// Values that are empty but not Null come out as "" on every path: export and query.
#include "cli_runner.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(CliValues, AZeroLengthOleValueIsQuotedEmptyInExportAndQuery)
{
    // Row 1 of 社員: 写真 is 26 bytes stored in the row (length word 0x8000001A); made 0 bytes.
    DatabaseCopy copy = copyOf(QStringLiteral("jp_sample.mdb"));
    ASSERT_TRUE(copy.replace(QByteArray::fromHex("1a00008000000000000000001f262d"),
                             QByteArray::fromHex("0000008000000000000000001f262d")));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("empty-ole.mdb"));
    ASSERT_TRUE(copy.save(path));
    const CliRun q = runCli({QStringLiteral("query"), path, QStringLiteral("SELECT ID, 写真 FROM 社員 WHERE ID IN (1, 11) ORDER BY ID")});
    ASSERT_EQ(q.exitCode, 0) << q.err.toStdString();
    EXPECT_EQ(q.out.toStdString(), "ID,写真\r\n1,\"\"\r\n11,\r\n");   // row 11's 写真 is Null
    const CliRun e = runCli({QStringLiteral("export"), path, QStringLiteral("社員")});
    ASSERT_EQ(e.exitCode, 0) << e.err.toStdString();
    const qsizetype row1 = e.out.indexOf("\r\n1,");
    ASSERT_GE(row1, 0);
    const QByteArray line = e.out.mid(row1 + 2, e.out.indexOf("\r\n", row1 + 2) - row1 - 2);
    EXPECT_EQ(line.split(',').value(7), QByteArray("\"\"")) << line.toStdString();
}

} // namespace
