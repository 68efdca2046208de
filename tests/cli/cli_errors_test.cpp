// Exit codes and the one-line error of tabulon-cli: 1 for usage errors, 2 when the database,
// table or query fails.
#include "cli_runner.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

void expectOneLineError(const CliRun& r)
{
    EXPECT_TRUE(r.err.startsWith("tabulon-cli: ")) << r.err.toStdString();
    EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
    EXPECT_TRUE(r.err.endsWith('\n'));
}

TEST(CliUsage, UsageErrorsExitOneWithOneLine)
{
    const QString db = testData(QStringLiteral("jp_sample.mdb"));
    const QList<QStringList> cases = {
        {},
        {QStringLiteral("frobnicate")},
        {QStringLiteral("tables")},
        {QStringLiteral("tables"), db, QStringLiteral("extra")},
        {QStringLiteral("fields"), db},
        {QStringLiteral("export"), db},
        {QStringLiteral("export"), db, QStringLiteral("Orders"), QStringLiteral("extra")},
        {QStringLiteral("query"), db},
        {QStringLiteral("query"), db, QStringLiteral("SELECT 1"), QStringLiteral("--max-rows")},
        {QStringLiteral("query"), db, QStringLiteral("SELECT 1"), QStringLiteral("--max-rows"), QStringLiteral("many")},
        {QStringLiteral("query"), db, QStringLiteral("SELECT 1"), QStringLiteral("--max-rows"), QStringLiteral("-3")},
        {QStringLiteral("report"), db, QStringLiteral("Orders"), QStringLiteral("--pdf")},
        {QStringLiteral("report"), db, QStringLiteral("Orders"), QStringLiteral("--svg"), QStringLiteral("x.svg")},
    };
    for (const QStringList& args : cases) {
        SCOPED_TRACE(args.join(QLatin1Char(' ')).toStdString());
        const CliRun r = runCli(args);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.out.isEmpty());
        expectOneLineError(r);
    }
}

TEST(CliUsage, HelpAndVersionSucceed)
{
    const CliRun help = runCli({QStringLiteral("--help")});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains("tabulon-cli export DB TABLE"));
    const CliRun version = runCli({QStringLiteral("--version")});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(version.out.startsWith("tabulon-cli "));
}

TEST(CliFailures, BadDatabasesExitTwoWithOneLine)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString empty = dir.filePath(QStringLiteral("empty.mdb"));
    QFile(empty).open(QIODevice::WriteOnly);
    const QString text = dir.filePath(QStringLiteral("notes.mdb"));
    {
        QFile f(text);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray("this is no database\n").repeated(400));
    }
    const QString missing = dir.filePath(QStringLiteral("missing.mdb"));
    const QString encrypted = testData(QStringLiteral("real/encrypted-agile-4.4.accdb"));
    for (const QString& db : {missing, dir.path(), empty, text, encrypted}) {
        for (const QString& command : {QStringLiteral("tables"), QStringLiteral("export"), QStringLiteral("fields")}) {
            SCOPED_TRACE((command + QLatin1Char(' ') + db).toStdString());
            QStringList args{command, db};
            if (command != QLatin1String("tables"))
                args << QStringLiteral("Orders");
            const CliRun r = runCli(args);
            EXPECT_EQ(r.exitCode, 2);
            EXPECT_TRUE(r.out.isEmpty());
            expectOneLineError(r);
        }
    }
}

TEST(CliFailures, MissingTableExitsTwoAndNamesIt)
{
    const QString db = testData(QStringLiteral("jp_sample.mdb"));
    for (const QString& command : {QStringLiteral("export"), QStringLiteral("fields")}) {
        const CliRun r = runCli({command, db, QStringLiteral("NoSuchTable")});
        EXPECT_EQ(r.exitCode, 2);
        expectOneLineError(r);
        EXPECT_TRUE(r.err.contains("NoSuchTable"));
    }
}

TEST(CliFailures, ExportNeverChangesTheDatabaseFile)
{
    const QString db = testData(QStringLiteral("jp_sample.mdb"));
    QFile before(db);
    ASSERT_TRUE(before.open(QIODevice::ReadOnly));
    const QByteArray bytes = before.readAll();
    before.close();
    ASSERT_EQ(runCli({QStringLiteral("export"), db, QStringLiteral("社員")}).exitCode, 0);
    ASSERT_EQ(runCli({QStringLiteral("fields"), db, QStringLiteral("社員")}).exitCode, 0);
    QFile after(db);
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), bytes);
}

} // namespace
