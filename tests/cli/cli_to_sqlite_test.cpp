// to-sqlite on every fixture: the file passes SQLite's own checks, and every table read back
// with the sqlite3 shell holds what `export` gives, value for value.
#include "cli_runner.h"
#include "sqlite_shell.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cctype>

namespace {

std::vector<std::string> fixtures()
{
    QStringList files;
    for (const QString& f : QDir(testData(QString())).entryList({QStringLiteral("*.mdb"), QStringLiteral("*.accdb")}, QDir::Files))
        files << f;
    for (const QString& f :
         QDir(testData(QStringLiteral("real"))).entryList({QStringLiteral("*.mdb"), QStringLiteral("*.accdb")}, QDir::Files))
        if (!f.startsWith(QLatin1String("encrypted")))
            files << QStringLiteral("real/") + f;
    files << QStringLiteral("damaged/damaged-rows.mdb");
    std::vector<std::string> out;
    for (const QString& f : files)
        out.push_back(f.toStdString());
    return out;
}

QStringList userTables(const QString& db)
{
    const CliRun r = runCli({QStringLiteral("tables"), db});
    QStringList names = QString::fromUtf8(r.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return names;
}

class ToSqliteFixture : public ::testing::TestWithParam<std::string> {};

TEST_P(ToSqliteFixture, PassesSqlitesChecksAndReadsBackAsExportWrites)
{
    QTemporaryDir dir;
    const QString db = testData(QString::fromStdString(GetParam()));
    const QString out = dir.filePath(QStringLiteral("out.sqlite"));
    const CliRun r = runCli({QStringLiteral("to-sqlite"), db, out});
    ASSERT_TRUE(r.exitCode == 0 || r.exitCode == 3) << r.exitCode << r.err.toStdString();
    EXPECT_EQ(sqliteShell(out, QStringLiteral("PRAGMA integrity_check")).out, "ok\n");
    const ShellRun fk = sqliteShell(out, QStringLiteral("PRAGMA foreign_key_check"));
    EXPECT_TRUE(fk.ok) << fk.err.toStdString();  // a foreign key SQLite cannot check fails here
    EXPECT_EQ(fk.out, "");
    // Every table but linked ones whose file is missing, under its own name.
    for (const QString& table : userTables(db)) {
        const CliRun exported = runCli({QStringLiteral("export"), db, table});
        if (exported.exitCode == 2)
            continue;
        bool ok = false;
        const std::vector<CsvRow> back = sqliteRows(out, table, &ok);
        ASSERT_TRUE(ok) << table.toStdString();
        const std::vector<CsvRow> expected = exportRows(exported.out, declaredTypes(out, table));
        ASSERT_EQ(back.size(), expected.size()) << table.toStdString();
        for (std::size_t i = 0; i < back.size(); ++i)
            ASSERT_EQ(back[i], expected[i]) << table.toStdString() << " row " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(EveryFixture, ToSqliteFixture, ::testing::ValuesIn(fixtures()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string n = info.param;
                             for (char& c : n)
                                 if (!std::isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return n;
                         });

QString convert(QTemporaryDir& dir, const QString& fixture, CliRun* run = nullptr)
{
    const QString out = dir.filePath(QStringLiteral("out.sqlite"));
    const CliRun r = runCli({QStringLiteral("to-sqlite"), testData(fixture), out});
    if (run)
        *run = r;
    return out;
}

QString shellText(const QString& file, const QString& sql)
{
    return QString::fromUtf8(sqliteShell(file, sql, {QStringLiteral("-list")}).out);
}

TEST(ToSqlite, DeclaredTypesKeepTheirMeaning)
{
    QTemporaryDir dir;
    CliRun r;
    const QString out = convert(dir, QStringLiteral("jp_sample.mdb"), &r);
    EXPECT_EQ(shellText(out, QStringLiteral("SELECT name || ' ' || type || ' ' || \"notnull\" || ' ' || pk FROM pragma_table_info('社員')")),
              QStringLiteral("ID INTEGER 0 1\n氏名 VARCHAR(50) 0 0\n部署コード SMALLINT 0 0\n入社日 DATETIME 0 0\n"
                             "給与 DECIMAL(19,4) 0 0\n在籍 BOOLEAN 0 0\n備考 TEXT 0 0\n写真 BLOB 0 0\n評価 REAL 0 0\n"
                             "比率 REAL 0 0\n区分 TINYINT 0 0\nコード BLOB 0 0\n"));
    // The AutoNumber key is the row id; a plain Long key is a primary key that is never Null.
    EXPECT_TRUE(shellText(out, QStringLiteral("SELECT sql FROM sqlite_master WHERE name = '社員'")).contains(QStringLiteral("\"ID\" INTEGER PRIMARY KEY,")));
    EXPECT_EQ(shellText(out, QStringLiteral("SELECT count(*) FROM \"社員\" WHERE ID = rowid")), QStringLiteral("42\n"));
    EXPECT_TRUE(shellText(out, QStringLiteral("SELECT sql FROM sqlite_master WHERE name = 'Orders'"))
                    .contains(QStringLiteral("\"OrderNo\" INTEGER NOT NULL")));
    // Values as SQLite's functions read them: dates, exact money, booleans, binary.
    EXPECT_EQ(shellText(out, QStringLiteral("SELECT typeof(入社日), date(入社日, '+1 day'), 給与, typeof(在籍), 在籍, "
                                            "typeof(写真), typeof(評価), 評価 FROM \"社員\" WHERE ID = 1")),
              QStringLiteral("text|2000-04-02|182500.25|integer|1|blob|real|0.5\n"));
    // Every index but the key, named after its table, with its columns.
    EXPECT_EQ(shellText(out, QStringLiteral("SELECT name || ': ' || sql FROM sqlite_master WHERE type = 'index' AND sql IS NOT NULL ORDER BY name")),
              QStringLiteral("Orders_AAA_CustomerIdx: CREATE INDEX \"Orders_AAA_CustomerIdx\" ON \"Orders\" (\"Customer\")\n"));
    // No system table came along.
    EXPECT_EQ(shellText(out, QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name LIKE 'MSys%'")),
              QStringLiteral("0\n"));
}

TEST(ToSqlite, CurrencyBeyondFifteenDigitsIsKeptOnlyRoundedAndSaysSo)
{
    // The manifest's extremes: 922337203685477.5807 and -922337203685477.5808.
    QTemporaryDir dir;
    CliRun r;
    const QString out = convert(dir, QStringLiteral("jp_sample.mdb"), &r);
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.err, QByteArray("tabulon-cli: 2 values of '社員'.'給与' have more than 15 significant digits; SQLite "
                                "keeps such numbers only rounded\n"));
    EXPECT_EQ(shellText(out, QStringLiteral("SELECT value FROM _tabulon_meta WHERE table_name = '社員' AND name = '給与' AND property = 'rounded_values'")),
              QStringLiteral("2\n"));
    // Fifteen digits and fewer stay exact.
    EXPECT_EQ(shellText(out, QStringLiteral("SELECT 給与 FROM \"社員\" WHERE 給与 BETWEEN -1235 AND -1234")),
              QStringLiteral("-1234.5678\n"));
}

TEST(ToSqlite, RelationshipsBecomeForeignKeysThatJoinsFollow)
{
    for (const QString& fixture : {QStringLiteral("real/indexTestV1997.mdb"), QStringLiteral("real/indexTestV2000.mdb")}) {
        QTemporaryDir dir;
        CliRun r;
        const QString out = convert(dir, fixture, &r);
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_EQ(shellText(out, QStringLiteral("SELECT \"table\", \"from\", \"to\", on_update, on_delete FROM pragma_foreign_key_list('Table1') ORDER BY \"table\"")),
                  QStringLiteral("Table2|otherfk1|id|NO ACTION|CASCADE\nTable3|otherfk2|id|CASCADE|NO ACTION\n"))
            << fixture.toStdString();
        // The join the relationship stands for gives what the engine gives on the database.
        const CliRun viaEngine = runCli({QStringLiteral("query"), testData(fixture),
                                         QStringLiteral("SELECT Table1.id, Table2.data FROM Table1 INNER JOIN Table2 ON Table1.otherfk1 = Table2.id ORDER BY Table1.id")});
        ASSERT_EQ(viaEngine.exitCode, 0) << viaEngine.err.toStdString();
        const ShellRun viaSqlite = sqliteShell(out, QStringLiteral("SELECT Table1.id, Table2.data FROM Table1 JOIN Table2 ON Table1.otherfk1 = Table2.id ORDER BY Table1.id"),
                                               {QStringLiteral("-csv"), QStringLiteral("-header")});
        EXPECT_EQ(parseCsv(viaSqlite.out.toStdString()), parseCsv(viaEngine.out.toStdString()));
        EXPECT_FALSE(parseCsv(viaSqlite.out.toStdString()).size() < 2);
        // Cascades work once SQLite enforces the keys.
        EXPECT_EQ(shellText(out, QStringLiteral("PRAGMA foreign_keys=ON; DELETE FROM Table2; SELECT count(*) FROM Table1 WHERE otherfk1 IS NOT NULL;")),
                  QStringLiteral("0\n"));
    }
}

TEST(ToSqlite, ARelationshipSqliteCannotCheckIsKeptAsANote)
{
    // Table2 -> Table1 (Field1), not enforced, Table1.Field1 no key of Table1 (linked from another file).
    QTemporaryDir dir;
    CliRun r;
    const QString out = convert(dir, QStringLiteral("real/linkerTestV2007.accdb"), &r);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.err.contains("note: relationship 'Table1Table2' (Table2 -> Table1) is not declared as a foreign key"))
        << r.err.toStdString();
    EXPECT_EQ(shellText(out, QStringLiteral("SELECT count(*) FROM pragma_foreign_key_list('Table2')")), QStringLiteral("0\n"));
    EXPECT_EQ(shellText(out, QStringLiteral("SELECT property FROM _tabulon_meta WHERE kind = 'relationship' AND name = 'Table1Table2'")),
              QStringLiteral("not_declared\n"));
    // Linked tables are converted with the rows of the file they link to.
    EXPECT_EQ(shellText(out, QStringLiteral("SELECT count(*) > 0 FROM Table2")), QStringLiteral("1\n"));
}

TEST(ToSqlite, DescriptionsQueriesAndTheSchemaGoIntoTheMetaTable)
{
    QTemporaryDir dir;
    CliRun r;
    const QString out = convert(dir, QStringLiteral("real/ASampleDatabase.accdb"), &r);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(shellText(out, QStringLiteral("SELECT value FROM _tabulon_meta WHERE kind = 'query' AND name = 'qryCostsSummedByOwner' AND property = 'sql'")),
              QStringLiteral("SELECT [Asset Items].[Owner], [Asset Items].[Asset Category], Sum([Asset Items].[Cost]) AS [SumOfCost]\n"
                             "FROM [Asset Items]\nGROUP BY [Asset Items].[Owner], [Asset Items].[Asset Category]\n"));
    // Hidden record sources of forms and reports stay out.
    EXPECT_EQ(shellText(out, QStringLiteral("SELECT count(*) FROM _tabulon_meta WHERE kind = 'query' AND name LIKE '~%'")), QStringLiteral("0\n"));
    EXPECT_EQ(shellText(out, QStringLiteral("SELECT json_extract(value, '$.tables[0].name') FROM _tabulon_meta WHERE property = 'schema_json'")),
              QStringLiteral("Asset Items\n"));
    // The saved query's grouping, run on the converted table, gives what the engine gives.
    const CliRun viaEngine = runCli({QStringLiteral("query"), testData(QStringLiteral("real/ASampleDatabase.accdb")),
                                     QStringLiteral("SELECT Owner, Count(*) AS n FROM [Asset Items] GROUP BY Owner ORDER BY Owner")});
    const ShellRun viaSqlite = sqliteShell(out, QStringLiteral("SELECT Owner, count(*) AS n FROM \"Asset Items\" GROUP BY Owner ORDER BY Owner"),
                                           {QStringLiteral("-csv"), QStringLiteral("-header")});
    EXPECT_EQ(parseCsv(viaSqlite.out.toStdString()), parseCsv(viaEngine.out.toStdString()));

    QTemporaryDir dir2;
    const QString jp = convert(dir2, QStringLiteral("jp_sample.mdb"));
    EXPECT_EQ(shellText(jp, QStringLiteral("SELECT value FROM _tabulon_meta WHERE kind = 'column' AND table_name = '社員' AND name = '備考' AND property = 'description'")),
              QStringLiteral("一行目\r\n二行目\n"));
    EXPECT_EQ(shellText(jp, QStringLiteral("SELECT value FROM _tabulon_meta WHERE kind = 'column' AND table_name = '社員' AND name = 'ID' AND property = 'access_type'")),
              QStringLiteral("Long AutoNumber\n"));
}

TEST(ToSqlite, ADamagedTableConvertsWhatItCanAndTheOthersWhole)
{
    QTemporaryDir dir;
    CliRun r;
    const QString out = convert(dir, QStringLiteral("damaged/damaged-rows.mdb"), &r);
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_TRUE(r.err.contains("tabulon-cli: 106 rows of 'Big5000' could not be read and are not in the output; first problem: "
                               "row 3 has bad bounds 0..3985 (page 55, offset 0x14)"))
        << r.err.toStdString();
    EXPECT_EQ(shellText(out, QStringLiteral("SELECT (SELECT count(*) FROM Big5000), (SELECT count(*) FROM Orders), (SELECT count(*) FROM \"社員\")")),
              QStringLiteral("4894|100|42\n"));
    EXPECT_EQ(shellText(out, QStringLiteral("SELECT property || '=' || value FROM _tabulon_meta WHERE table_name = 'Big5000' AND kind = 'table' ORDER BY property")),
              QStringLiteral("first_problem=row 3 has bad bounds 0..3985 (page 55, offset 0x14)\nmissing_rows=106\nunreadable_rows=106\n"));
}

TEST(ToSqlite, ALinkedTableWhoseFileIsMissingIsReportedAndTheRestConverts)
{
    QTemporaryDir dir;
    CliRun r;
    const QString out = convert(dir, QStringLiteral("damaged/relative-link.accdb"), &r);
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_TRUE(r.err.startsWith("tabulon-cli: table 'Table2' could not be read and is not in the output: linked table"))
        << r.err.toStdString();
    EXPECT_EQ(shellText(out, QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name = 'Table2'")), QStringLiteral("0\n"));
    EXPECT_EQ(shellText(out, QStringLiteral("SELECT property FROM _tabulon_meta WHERE kind = 'table' AND name = 'Table2'")),
              QStringLiteral("error\n"));
}

TEST(ToSqlite, NamesHoldingNulBytesAreRenamedAndTheTableConverts)
{
    QTemporaryDir dir;
    CliRun r;
    const QString out = convert(dir, QStringLiteral("damaged/undeclarable-table-name.mdb"), &r);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("of 'Table3' is named '")) << r.err.toStdString();
    EXPECT_EQ(shellText(out, QStringLiteral("SELECT (SELECT count(*) FROM Table1), (SELECT count(*) FROM Table2), (SELECT count(*) FROM Table3)")),
              QStringLiteral("%1|%2|4\n").arg(QString::fromUtf8(runCli({QStringLiteral("export"), testData(QStringLiteral("damaged/undeclarable-table-name.mdb")), QStringLiteral("Table1")}).out).count(QLatin1Char('\n')) - 1)
                  .arg(QString::fromUtf8(runCli({QStringLiteral("export"), testData(QStringLiteral("damaged/undeclarable-table-name.mdb")), QStringLiteral("Table2")}).out).count(QLatin1Char('\n')) - 1));
    // The renamed column keeps its Access name beside it.
    EXPECT_EQ(shellText(out, QStringLiteral("SELECT count(*) FROM pragma_table_info('Table3') WHERE name LIKE '%' || char(65533) || '%'")),
              QStringLiteral("1\n"));
    EXPECT_EQ(shellText(out, QStringLiteral("SELECT count(*) FROM _tabulon_meta WHERE kind = 'column' AND table_name = 'Table3' AND property = 'access_name'")),
              QStringLiteral("2\n"));
}

TEST(ToSqlite, ACleanConversionIsSilentWhenStderrIsNoTerminal)
{
    QTemporaryDir dir;
    CliRun r;
    convert(dir, QStringLiteral("real/testV2003.mdb"), &r);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, QByteArray());
    EXPECT_EQ(r.out, QByteArray());
}

TEST(ToSqlite, ProgressOnATerminal)
{
    // `script` gives the command a terminal; the progress line is redrawn with CR and cleared.
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("p.sqlite"));
    const QString typescript = dir.filePath(QStringLiteral("typescript"));
    QProcess p;
    p.start(QStringLiteral("script"), {QStringLiteral("-qec"),
                                       QStringLiteral("%1 to-sqlite %2 %3").arg(QStringLiteral(TABULON_CLI), testData(QStringLiteral("jp_sample_2003.mdb")), out),
                                       typescript});
    ASSERT_TRUE(p.waitForFinished(60000));
    const QByteArray screen = p.readAllStandardOutput();
    EXPECT_TRUE(screen.contains("\r[1/6] Big5000: ")) << screen.toStdString();
    EXPECT_TRUE(screen.contains("\r[6/6] 社員: ")) << screen.toStdString();
    EXPECT_TRUE(screen.contains("\r\x1b[K")) << screen.toStdString();
}

} // namespace

namespace {

TEST(ToSqlite, ComplexColumnsHoldTheirItemsAsJson)
{
    QTemporaryDir dir;
    CliRun r;
    const QString out = convert(dir, QStringLiteral("real/complexDataTestV2007.accdb"), &r);
    // Three attachments (two in row2, one in row4): their file data is left out, and said.
    EXPECT_EQ(r.exitCode, 3) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("the file data of 3 items of 'Table1'.'attach-data' is not in the output")) << r.err.toStdString();
    EXPECT_EQ(shellText(out, QStringLiteral("SELECT value FROM _tabulon_meta WHERE property = 'binary_left_out' AND name = 'attach-data'")),
              QStringLiteral("3\n"));
    EXPECT_EQ(shellText(out, QStringLiteral("SELECT type FROM pragma_table_info('Table1') WHERE name = 'multi-value-data'")),
              QStringLiteral("TEXT\n"));
    // mdb-export of the hidden item tables: key 2 holds value1 and value4, key 3 value1..value4.
    EXPECT_EQ(shellText(out, QStringLiteral("SELECT id, \"multi-value-data\" FROM Table1 ORDER BY id")),
              QStringLiteral("row1|[]\nrow2|[\"value1\",\"value4\"]\nrow3|[\"value1\",\"value2\",\"value3\",\"value4\"]\nrow4|[]\n"));
    // Attachments: one object per file, names and types; the file data stays out.
    EXPECT_EQ(shellText(out, QStringLiteral("SELECT id, json_array_length(\"attach-data\"), json_extract(\"attach-data\", '$[0].FileName') "
                                            "FROM Table1 ORDER BY id")),
              QStringLiteral("row1|0|\nrow2|2|test_data.txt\nrow3|0|\nrow4|1|test_data2.txt\n"));
    EXPECT_FALSE(shellText(out, QStringLiteral("SELECT \"attach-data\" FROM Table1")).contains(QStringLiteral("FileData")));
    // Version history: the earlier texts of the append-only memo with their times.
    EXPECT_EQ(shellText(out, QStringLiteral("SELECT json_extract(\"VersionHistory_F5F8918F-0A3F-4DA9-AE71-184EE5012880\", '$[1].\"append-memo-data\"') "
                                            "FROM Table1 WHERE id = 'row3'")),
              QStringLiteral("row3-memo-revised\n"));
}

} // namespace
