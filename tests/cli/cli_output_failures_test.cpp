// Output that cannot be written: a read-only or full file system, a file-size limit, the
// database itself as the output. A clear error, exit 2, and nothing left behind.
#include "cli_runner.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// A small file system of our own (tmpfs), when the machine lets us mount one.
class Mount {
public:
    Mount(const QString& where, const QString& options)
    {
        QProcess p;
        p.start(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"), options,
                                          QStringLiteral("tmpfs"), where});
        mounted_ = p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
        where_ = where;
    }
    ~Mount()
    {
        if (!mounted_)
            return;
        QProcess p;
        p.start(QStringLiteral("umount"), {where_});
        p.waitForFinished(10000);
    }
    bool mounted() const { return mounted_; }

private:
    QString where_;
    bool mounted_ = false;
};

QStringList entries(const QString& dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

// Runs tabulon-cli under a shell file-size limit (in KiB): writes past it fail with EFBIG.
CliRun runLimited(int kib, const QStringList& args)
{
    QProcess p;
    QStringList quoted;
    for (const QString& a : args)
        quoted << QLatin1Char('\'') + QString(a).replace(QLatin1Char('\''), QLatin1String("'\\''")) + QLatin1Char('\'');
    p.start(QStringLiteral("bash"), {QStringLiteral("-c"), QStringLiteral("ulimit -f %1; exec %2 %3")
                                                               .arg(QString::number(kib), QStringLiteral(TABULON_CLI), quoted.join(QLatin1Char(' ')))});
    CliRun r;
    if (!p.waitForFinished(60000))
        return r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

TEST(OutputFailures, AFullFileSystemLeavesNothingBehind)
{
    QTemporaryDir dir;
    const QString where = dir.filePath(QStringLiteral("small"));
    ASSERT_TRUE(QDir().mkpath(where));
    Mount m(where, QStringLiteral("size=256k"));
    if (!m.mounted())
        GTEST_SKIP() << "cannot mount a tmpfs here; the file-size limit test covers the failing write";
    const CliRun r = runCli({QStringLiteral("to-sqlite"), testData(QStringLiteral("jp_sample.mdb")), where + QStringLiteral("/out.sqlite")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.startsWith("tabulon-cli: cannot write ") && r.err.contains("out.sqlite: the disk is full"))
        << r.err.toStdString();
    EXPECT_EQ(r.err.count('\n'), 1);
    EXPECT_TRUE(entries(where).isEmpty()) << entries(where).join(QLatin1Char(' ')).toStdString();

    const CliRun d = runCli({QStringLiteral("dump"), testData(QStringLiteral("jp_sample.mdb")), where + QStringLiteral("/dump"),
                             QStringLiteral("--format"), QStringLiteral("jsonl")});
    EXPECT_EQ(d.exitCode, 2);
    EXPECT_TRUE(d.err.contains("No space left on device")) << d.err.toStdString();
    EXPECT_TRUE(entries(where).isEmpty()) << entries(where).join(QLatin1Char(' ')).toStdString();
}

TEST(OutputFailures, AReadOnlyFileSystemGivesAClearError)
{
    QTemporaryDir dir;
    const QString where = dir.filePath(QStringLiteral("ro"));
    ASSERT_TRUE(QDir().mkpath(where));
    Mount m(where, QStringLiteral("ro,size=64k"));
    if (!m.mounted())
        GTEST_SKIP() << "cannot mount a read-only file system here";
    const CliRun r = runCli({QStringLiteral("to-sqlite"), testData(QStringLiteral("jp_sample.mdb")), where + QStringLiteral("/out.sqlite")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, QByteArray("tabulon-cli: cannot create a file in ") + where.toUtf8() + ": Read-only file system\n");
    const CliRun d = runCli({QStringLiteral("dump"), testData(QStringLiteral("jp_sample.mdb")), where + QStringLiteral("/d"),
                             QStringLiteral("--format"), QStringLiteral("csv")});
    EXPECT_EQ(d.exitCode, 2);
    EXPECT_TRUE(d.err.contains("Read-only file system")) << d.err.toStdString();
}

TEST(OutputFailures, AFailedWriteKeepsAnOlderFileAndLeavesNoTemporaryOne)
{
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("out.sqlite"));
    {
        QFile f(out);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("older");
    }
    // 200 KiB: the converted database (about 430 KiB) does not fit.
    const CliRun r = runLimited(200, {QStringLiteral("to-sqlite"), testData(QStringLiteral("jp_sample.mdb")), out});
    EXPECT_EQ(r.exitCode, 2) << r.err.toStdString();
    EXPECT_TRUE(r.err.startsWith("tabulon-cli: cannot write ")) << r.err.toStdString();
    EXPECT_EQ(entries(dir.path()), QStringList{QStringLiteral("out.sqlite")});
    QFile f(out);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("older"));

    const CliRun d = runLimited(100, {QStringLiteral("dump"), testData(QStringLiteral("jp_sample.mdb")), dir.filePath(QStringLiteral("d")),
                                      QStringLiteral("--format"), QStringLiteral("csv")});
    EXPECT_EQ(d.exitCode, 2) << d.err.toStdString();
    EXPECT_TRUE(d.err.contains("File too large")) << d.err.toStdString();
    EXPECT_EQ(entries(dir.path()), QStringList{QStringLiteral("out.sqlite")});
}

TEST(OutputFailures, TheDatabaseItselfOrAMissingFolderIsRefused)
{
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("db.mdb"));
    ASSERT_TRUE(QFile::copy(testData(QStringLiteral("jp_sample.mdb")), db));
    const CliRun same = runCli({QStringLiteral("to-sqlite"), db, db});
    EXPECT_EQ(same.exitCode, 2);
    EXPECT_TRUE(same.err.contains("is the database itself")) << same.err.toStdString();
    EXPECT_EQ(QFileInfo(db).size(), QFileInfo(testData(QStringLiteral("jp_sample.mdb"))).size());
    const CliRun missing = runCli({QStringLiteral("to-sqlite"), db, dir.filePath(QStringLiteral("no/such/out.sqlite"))});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_TRUE(missing.err.contains("No such file or directory")) << missing.err.toStdString();
    const CliRun folder = runCli({QStringLiteral("to-sqlite"), db, dir.path()});
    EXPECT_EQ(folder.exitCode, 2);
    EXPECT_TRUE(folder.err.contains("is a directory")) << folder.err.toStdString();
    // A database that does not open leaves no output at all.
    const QString out = dir.filePath(QStringLiteral("x.sqlite"));
    const CliRun bad = runCli({QStringLiteral("to-sqlite"), testData(QStringLiteral("real/encrypted-agile-4.4.accdb")), out});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_EQ(entries(dir.path()), QStringList{QStringLiteral("db.mdb")});
}

TEST(OutputFailures, UsageErrors)
{
    EXPECT_EQ(runCli({QStringLiteral("to-sqlite"), testData(QStringLiteral("jp_sample.mdb"))}).exitCode, 1);
    EXPECT_EQ(runCli({QStringLiteral("dump"), testData(QStringLiteral("jp_sample.mdb")), QStringLiteral("/tmp/x")}).exitCode, 1);
    EXPECT_EQ(runCli({QStringLiteral("dump"), testData(QStringLiteral("jp_sample.mdb")), QStringLiteral("/tmp/x"),
                      QStringLiteral("--format"), QStringLiteral("xml")}).exitCode, 1);
    EXPECT_EQ(runCli({QStringLiteral("verify")}).exitCode, 1);
    EXPECT_EQ(runCli({QStringLiteral("schema"), testData(QStringLiteral("jp_sample.mdb")), QStringLiteral("x")}).exitCode, 1);
}

} // namespace
