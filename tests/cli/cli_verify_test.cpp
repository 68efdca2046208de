// tabulon-cli verify: every row and value read against the stored row counts; what could not be
// read is named, and only that fails the run.
#include "cli_runner.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

CliRun verify(const QString& path) { return runCli({QStringLiteral("verify"), path}); }

TEST(CliVerify, AWholeDatabaseReadsOk)
{
    const CliRun r = verify(testData(QStringLiteral("jp_sample.mdb")));
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, QByteArray("TABLE Big5000: 5000 rows read, 5000 stored: ok\n"
                                "TABLE Empty Table: 0 rows read, 0 stored: ok\n"
                                "TABLE Orders: 100 rows read, 100 stored: ok\n"
                                "TABLE Wide46: 3 rows read, 3 stored: ok\n"
                                "TABLE Zero: 0 rows read, 0 stored: ok\n"
                                "TABLE 社員: 42 rows read, 42 stored: ok\n"
                                "verified 6 tables, 5145 rows read\n"));
    EXPECT_EQ(r.err, QByteArray());
}

TEST(CliVerify, MissingRowsAreCountedAndTheirPagesNamed)
{
    const CliRun r = verify(testData(QStringLiteral("damaged/damaged-rows.mdb")));
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_TRUE(r.out.startsWith("TABLE Big5000: 4894 rows read, 5000 stored: 106 rows could not be read (missing)\n"
                                 "    row 3 has bad bounds 0..3985 (page 55, offset 0x14)\n"))
        << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("TABLE Orders: 100 rows read, 100 stored: ok\n"));
    EXPECT_TRUE(r.out.endsWith("verified 6 tables, 5039 rows read; 106 rows could not be read in 1 table with problems\n"))
        << r.out.toStdString();
}

TEST(CliVerify, AnUnreadableValueIsNamedWithItsRow)
{
    // Row 8 of 社員: a memo length no file can hold.
    DatabaseCopy copy = copyOf(QStringLiteral("jp_sample.mdb"));
    ASSERT_TRUE(copy.replace(QByteArray::fromHex("28230000001e0000"), QByteArray::fromHex("ffffff3f001e0000")));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("cells.mdb"));
    ASSERT_TRUE(copy.save(path));
    const CliRun r = verify(path);
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_TRUE(r.out.contains("TABLE 社員: 42 rows read, 42 stored: 1 row could not be read (with unreadable values)\n    row "))
        << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("column 備考")) << r.out.toStdString();
}

TEST(CliVerify, AStaleStoredCountIsANoteNotAFailure)
{
    // Orders' definition (page 43) says 103 rows; its pages hold 100.
    DatabaseCopy copy = copyOf(QStringLiteral("jp_sample.mdb"));
    ASSERT_EQ(copy.bytes.mid(43 * 4096 + 16, 4), QByteArray::fromHex("64000000"));
    copy.bytes[43 * 4096 + 16] = char(103);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("stale.mdb"));
    ASSERT_TRUE(copy.save(path));
    const CliRun r = verify(path);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.contains("TABLE Orders: 100 rows read, 103 stored: ok (note: the stored row count is out of date; every page was read)\n"))
        << r.out.toStdString();
}

TEST(CliVerify, ATableThatCannotBeOpenedFails)
{
    const CliRun r = verify(testData(QStringLiteral("damaged/relative-link.accdb")));
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_TRUE(r.out.contains("TABLE Table2: cannot be read: linked table \"Table2\"")) << r.out.toStdString();
    const CliRun bad = verify(testData(QStringLiteral("damaged/damaged-page2.accdb")));
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_EQ(bad.err.count('\n'), 1);
}

} // namespace
