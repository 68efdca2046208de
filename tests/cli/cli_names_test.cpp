// Names the shell passes as bytes (a Shift-JIS file name from an old share), damaged names in
// `fields`, and files that are no database at all.
#include "cli_runner.h"

#include "automation/error.h"
#include "dao/workspace.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

TEST(CliNames, AFileNameThatIsNotUtf8Opens)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // "テスト.mdb" in Shift-JIS: 83 65 83 58 83 67 2E 6D 64 62; 0x83 0x65 is no UTF-8.
    const std::string folder = QFile::encodeName(dir.path()).toStdString();
    const std::string name = folder + "/\x83\x65\x83\x58\x83\x67.mdb";
    ASSERT_TRUE(copyOf(QStringLiteral("jp_sample.mdb")).save(QFile::decodeName(QByteArray::fromStdString(folder)) + QStringLiteral("/plain.mdb")));
    ASSERT_EQ(::rename((folder + "/plain.mdb").c_str(), name.c_str()), 0);
    const CliRun tables = runCliBytes({"tables", name});
    EXPECT_EQ(tables.exitCode, 0) << tables.err.toStdString();
    EXPECT_EQ(tables.out.toStdString(), "Big5000\nEmpty Table\nOrders\nWide46\nZero\n社員\n");
    const CliRun exported = runCliBytes({"export", name, "Orders"});
    EXPECT_EQ(exported.exitCode, 0) << exported.err.toStdString();
    EXPECT_EQ(exported.out.count("\r\n"), 101);
    const CliRun fields = runCliBytes({"fields", name, "Orders"});
    EXPECT_EQ(fields.exitCode, 0) << fields.err.toStdString();
    const CliRun query = runCliBytes({"query", name, "SELECT COUNT(*) AS n FROM Orders"});
    EXPECT_EQ(query.exitCode, 0) << query.err.toStdString();
    EXPECT_EQ(query.out.toStdString(), "n\r\n100\r\n");
    // A relative name too, from the folder that holds it.
    const CliRun relative = runCliBytes({"tables", "\x83\x65\x83\x58\x83\x67.mdb"}, folder);
    EXPECT_EQ(relative.exitCode, 0) << relative.err.toStdString();
    // A missing file of such a name is named with its bytes shown, on one line.
    const CliRun missing = runCliBytes({"tables", folder + "/\x83\x65.mdb"});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_EQ(missing.err.count('\n'), 1);
}

TEST(CliNames, ControlCharactersOfDamagedNamesAreEscapedInFields)
{
    // Orders' column "OrderNo" renamed with U+0001 and U+007F in it (UTF-16 in the definition).
    DatabaseCopy copy = copyOf(QStringLiteral("jp_sample.mdb"));
    const QByteArray from = QByteArray("O\0r\0d\0e\0r\0N\0o\0", 14);
    const QByteArray to = QByteArray("O\0\x01\0d\0e\0\x7f\0N\0o\0", 14);
    ASSERT_TRUE(copy.replace(from, to));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("names.mdb"));
    ASSERT_TRUE(copy.save(path));
    const CliRun r = runCli({QStringLiteral("fields"), path, QStringLiteral("Orders")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith("O\\x01de\\x7fNo\t")) << r.out.toStdString();
    for (const char c : r.out)
        EXPECT_TRUE(c == '\t' || c == '\n' || static_cast<unsigned char>(c) >= 0x20) << int(c);
}

TEST(CliNames, PipesAndDevicesAreNamedNotCalledEmpty)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("pipe.mdb"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString& command : {QStringLiteral("tables"), QStringLiteral("export")}) {
        QStringList args{command, fifo};
        if (command == QLatin1String("export"))
            args << QStringLiteral("Orders");
        const CliRun r = runCli(args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_TRUE(r.err.contains("named pipe")) << r.err.toStdString();
    }
    const CliRun zero = runCli({QStringLiteral("tables"), QStringLiteral("/dev/zero")});
    EXPECT_EQ(zero.exitCode, 2);
    EXPECT_TRUE(zero.err.contains("is a device")) << zero.err.toStdString();
    // The engine's own open (the program's path) says the same.
    try {
        dao::openJetDatabase(fifo);
        ADD_FAILURE() << "a pipe opened";
    } catch (const automation::Error& e) {
        EXPECT_TRUE(e.description().contains(QStringLiteral("named pipe"))) << e.description().toStdString();
        EXPECT_FALSE(e.description().contains(QStringLiteral("empty"))) << e.description().toStdString();
    }
}

TEST(CliNames, ADamagedFileIsNotCalledEncrypted)
{
    const CliRun r = runCli({QStringLiteral("tables"), testData(QStringLiteral("damaged/damaged-page2.accdb"))});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains("damaged")) << r.err.toStdString();
    EXPECT_FALSE(r.err.contains("encrypted")) << r.err.toStdString();
}

} // namespace
