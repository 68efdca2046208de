// `tables` lists the user tables: in Jet 3 files every table but the two whole flag values of
// system and hidden tables, in Jet 4 and ACE files no table whose flags carry the system bit
// (0x80000000) or the hidden bit (0x2). `--system` lists every table. Checked on copies whose
// catalog flags were changed.
#include "cli_runner.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct FlagCase {
    const char* table;
    quint32 flags;
};

QString withFlags(QTemporaryDir& dir, const QString& fixture, const std::vector<FlagCase>& cases)
{
    DatabaseCopy copy = copyOf(fixture);
    for (const FlagCase& c : cases)
        EXPECT_TRUE(copy.setCatalogFlags(QString::fromUtf8(c.table), c.flags)) << c.table;
    const QString path = dir.filePath(QStringLiteral("flags-") + fixture.section(QLatin1Char('/'), -1));
    EXPECT_TRUE(copy.save(path));
    return path;
}

TEST(CliTables, Jet4AndAceLeaveOutEveryTableWithTheSystemOrHiddenBit)
{
    QTemporaryDir dir;
    for (const QString& fixture : {QStringLiteral("jp_sample.mdb"), QStringLiteral("jp_sample_2007.accdb")}) {
        SCOPED_TRACE(fixture.toStdString());
        const QString db = withFlags(dir, fixture,
                                     {{"Orders", 0x00000003}, {"Wide46", 0x80000001}, {"Zero", 0x00000001},
                                      {"Empty Table", 0x40000000}, {"Big5000", 0x80000002}});
        const CliRun r = runCli({QStringLiteral("tables"), db});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_EQ(r.out.toStdString(), "Empty Table\nZero\n社員\n");
        const CliRun all = runCli({QStringLiteral("tables"), db, QStringLiteral("--system")});
        ASSERT_EQ(all.exitCode, 0);
        for (const char* t : {"Orders", "Wide46", "Big5000", "MSysObjects", "Zero"})
            EXPECT_TRUE(all.out.contains(QByteArray(t) + "\n")) << t;
    }
}

TEST(CliTables, Jet3KeepsTheWholeValueTest)
{
    QTemporaryDir dir;
    const QString db = withFlags(dir, QStringLiteral("real/testV1997.mdb"),
                                 {{"Table1", 0x00000003}, {"Table2", 0x00000002}, {"Table3", 0x80000000},
                                  {"Table4", 0x80000002}});
    const CliRun r = runCli({QStringLiteral("tables"), db});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.toStdString(), "Table1\nTable4\n");
    const CliRun all = runCli({QStringLiteral("--system"), QStringLiteral("x")});
    EXPECT_EQ(all.exitCode, 1);  // an option is no command
}

TEST(CliTables, SystemOptionMayStandBeforeOrAfterTheDatabase)
{
    const QString db = testData(QStringLiteral("jp_sample.mdb"));
    const CliRun after = runCli({QStringLiteral("tables"), db, QStringLiteral("--system")});
    const CliRun before = runCli({QStringLiteral("tables"), QStringLiteral("--system"), db});
    ASSERT_EQ(after.exitCode, 0);
    EXPECT_EQ(after.out, before.out);
    EXPECT_TRUE(after.out.startsWith("Big5000\nEmpty Table\nMSysAccessObjects\nMSysACEs\n")) << after.out.toStdString();
    EXPECT_EQ(runCli({QStringLiteral("tables"), QStringLiteral("--system")}).exitCode, 1);
}

} // namespace
