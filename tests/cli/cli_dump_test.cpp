// tabulon-cli dump: CSV files that equal `export`, JSON Lines with typed values, tables.json
// and schema.json, file names safe in a shell loop.
#include "cli_runner.h"
#include "csv_table.h"

#include "cli/file_names.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

CliRun dump(const QString& fixture, const QString& dir, const char* format)
{
    return runCli({QStringLiteral("dump"), testData(fixture), dir, QStringLiteral("--format"), QString::fromLatin1(format)});
}

QJsonArray tablesOf(const QString& dir)
{
    return QJsonDocument::fromJson(readAll(dir + QStringLiteral("/tables.json"))).object().value(QStringLiteral("tables")).toArray();
}

TEST(CliDump, CsvFilesAreTheExportOfEachTable)
{
    for (const QString& fixture : {QStringLiteral("jp_sample_2007.accdb"), QStringLiteral("real/testV2000.mdb")}) {
        QTemporaryDir tmp;
        const QString dir = tmp.filePath(QStringLiteral("out"));
        const CliRun r = dump(fixture, dir, "csv");
        ASSERT_TRUE(r.exitCode == 0 || r.exitCode == 3) << r.err.toStdString();
        const QJsonArray tables = tablesOf(dir);
        const QStringList listed = QString::fromUtf8(runCli({QStringLiteral("tables"), testData(fixture)}).out)
                                       .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        ASSERT_EQ(tables.size(), listed.size());
        QStringList files{QStringLiteral("schema.json"), QStringLiteral("tables.json")};
        for (int i = 0; i < tables.size(); ++i) {
            const QJsonObject t = tables[i].toObject();
            const QString name = t.value(QStringLiteral("name")).toString();
            EXPECT_EQ(name, listed[i]);
            const QString file = t.value(QStringLiteral("file")).toString();
            files << file;
            const CliRun exported = runCli({QStringLiteral("export"), testData(fixture), name});
            EXPECT_EQ(readAll(dir + QLatin1Char('/') + file), exported.out) << name.toStdString();
            EXPECT_EQ(t.value(QStringLiteral("rows")).toInt(), int(parseCsv(exported.out.toStdString()).size()) - 1)
                << name.toStdString();
        }
        files.sort();
        EXPECT_EQ(QDir(dir).entryList(QDir::Files, QDir::Name), files);
        // schema.json is what `schema --json` prints.
        EXPECT_EQ(readAll(dir + QStringLiteral("/schema.json")),
                  runCli({QStringLiteral("schema"), testData(fixture), QStringLiteral("--json")}).out);
    }
}

// Export's text of a JSON value of a column of that type, for comparing line by line.
std::optional<std::string> asExportText(const QJsonValue& v, const QString& type)
{
    if (v.isNull())
        return std::nullopt;
    if (v.isBool())
        return v.toBool() ? "1" : "0";
    if (v.isDouble()) {
        if (type == QLatin1String("Single") || type == QLatin1String("Double")) {
            char buf[40];
            std::snprintf(buf, sizeof buf, "%.17g", v.toDouble());
            return std::string(buf);
        }
        return QString::number(qint64(v.toDouble())).toStdString();
    }
    QString s = v.toString();
    if (type == QLatin1String("Binary") || type == QLatin1String("OLE"))
        return QByteArray::fromBase64(s.toLatin1()).toHex().toStdString();
    if ((type == QLatin1String("DateTime") || type == QLatin1String("DateTimeExtended")) && s.size() >= 19 && s[10] == u'T')
        s[10] = u' ';
    return s.toStdString();
}

std::optional<std::string> normalNumber(const std::optional<std::string>& text, const QString& type)
{
    if (!text || (type != QLatin1String("Single") && type != QLatin1String("Double")))
        return text;
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.17g", std::strtod(text->c_str(), nullptr));
    return std::string(buf);
}

TEST(CliDump, JsonLinesHoldTheExportedValuesWithTheirTypes)
{
    QTemporaryDir tmp;
    const QString dir = tmp.filePath(QStringLiteral("out"));
    const CliRun r = dump(QStringLiteral("jp_sample.mdb"), dir, "jsonl");
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.err, QByteArray());
    const QJsonArray schema = QJsonDocument::fromJson(readAll(dir + QStringLiteral("/schema.json"))).object().value(QStringLiteral("tables")).toArray();
    const QJsonArray tables = tablesOf(dir);
    ASSERT_EQ(tables.size(), 6);
    for (int i = 0; i < tables.size(); ++i) {
        const QString name = tables[i].toObject().value(QStringLiteral("name")).toString();
        const QString file = tables[i].toObject().value(QStringLiteral("file")).toString();
        EXPECT_TRUE(file.endsWith(QLatin1String(".jsonl")));
        QStringList types;
        for (const auto& c : schema[i].toObject().value(QStringLiteral("columns")).toArray())
            types << c.toObject().value(QStringLiteral("type")).toString();
        std::vector<CsvRow> expected = parseCsv(runCli({QStringLiteral("export"), testData(QStringLiteral("jp_sample.mdb")), name}).out.toStdString());
        const CsvRow header = expected.front();
        expected.erase(expected.begin());
        const QList<QByteArray> lines = readAll(dir + QLatin1Char('/') + file).split('\n');
        ASSERT_EQ(lines.size(), qsizetype(expected.size()) + 1) << name.toStdString();  // each line ends with \n
        EXPECT_TRUE(lines.back().isEmpty());
        for (std::size_t row = 0; row < expected.size(); ++row) {
            QJsonParseError error;
            const QJsonObject o = QJsonDocument::fromJson(lines[qsizetype(row)], &error).object();
            ASSERT_EQ(error.error, QJsonParseError::NoError) << lines[qsizetype(row)].toStdString();
            ASSERT_EQ(o.size(), qsizetype(header.size()));
            for (std::size_t c = 0; c < header.size(); ++c) {
                const QString key = QString::fromStdString(*header[c]);
                const QString type = types.value(qsizetype(c));
                EXPECT_EQ(normalNumber(asExportText(o.value(key), type), type), normalNumber(expected[row][c], type))
                    << name.toStdString() << " row " << row << " " << key.toStdString();
            }
        }
    }
    // The types themselves, on the first row of 社員.
    const QJsonObject first = QJsonDocument::fromJson(readAll(dir + QStringLiteral("/社員.jsonl")).split('\n').first()).object();
    EXPECT_TRUE(first.value(QStringLiteral("ID")).isDouble());
    EXPECT_EQ(first.value(QStringLiteral("給与")).toString(), QStringLiteral("182500.25"));  // exact, as a string
    EXPECT_EQ(first.value(QStringLiteral("入社日")).toString(), QStringLiteral("2000-04-01T00:00:00"));
    EXPECT_TRUE(first.value(QStringLiteral("在籍")).isBool());
    EXPECT_EQ(first.value(QStringLiteral("評価")).toDouble(), 0.5);
    EXPECT_EQ(first.value(QStringLiteral("コード")).toString(), QStringLiteral("EBESExQVFhc="));
}

TEST(CliDump, JsonLinesOfEveryFixtureParse)
{
    for (const QString& fixture : {QStringLiteral("real/complexDataTestV2007.accdb"), QStringLiteral("real/testEmoticonsV2010.accdb"),
                                   QStringLiteral("real/V2016-bigint.accdb"), QStringLiteral("real/extDateTestV2019.accdb"),
                                   QStringLiteral("real/fixedNumericTestV2000.mdb"), QStringLiteral("jet3_cp932.mdb"),
                                   QStringLiteral("real/calcFieldTestV2010.accdb")}) {
        QTemporaryDir tmp;
        const QString dir = tmp.filePath(QStringLiteral("out"));
        const CliRun r = dump(fixture, dir, "jsonl");
        // Attachments' file data is left out, and said.
        const bool attachments = fixture.contains(QLatin1String("complexData"));
        ASSERT_EQ(r.exitCode, attachments ? 3 : 0) << fixture.toStdString() << r.err.toStdString();
        for (const auto& t : tablesOf(dir)) {
            const QString file = t.toObject().value(QStringLiteral("file")).toString();
            int n = 0;
            for (const QByteArray& line : readAll(dir + QLatin1Char('/') + file).split('\n')) {
                if (line.isEmpty())
                    continue;
                ++n;
                QJsonParseError error;
                QJsonDocument::fromJson(line, &error);
                EXPECT_EQ(error.error, QJsonParseError::NoError) << fixture.toStdString() << ": " << line.toStdString();
            }
            EXPECT_EQ(n, t.toObject().value(QStringLiteral("rows")).toInt()) << file.toStdString();
        }
    }
}

TEST(CliDump, ADamagedTableIsCountedInTablesJson)
{
    QTemporaryDir tmp;
    const QString dir = tmp.filePath(QStringLiteral("out"));
    const CliRun r = dump(QStringLiteral("damaged/damaged-rows.mdb"), dir, "jsonl");
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_TRUE(r.err.startsWith("tabulon-cli: 106 rows of 'Big5000' could not be read and are not in the output;")) << r.err.toStdString();
    const QJsonObject big = tablesOf(dir)[0].toObject();
    EXPECT_EQ(big.value(QStringLiteral("name")).toString(), QStringLiteral("Big5000"));
    EXPECT_EQ(big.value(QStringLiteral("rows")).toInt(), 4894);
    EXPECT_EQ(big.value(QStringLiteral("unreadableRows")).toInt(), 106);
    EXPECT_EQ(big.value(QStringLiteral("missingRows")).toInt(), 106);
    EXPECT_TRUE(big.value(QStringLiteral("firstProblem")).toString().contains(QStringLiteral("page 55")));
    EXPECT_EQ(tablesOf(dir)[2].toObject().value(QStringLiteral("unreadableRows")).toInt(), 0);

    QTemporaryDir tmp2;
    const QString linkDir = tmp2.filePath(QStringLiteral("out"));
    const CliRun link = dump(QStringLiteral("damaged/relative-link.accdb"), linkDir, "csv");
    EXPECT_EQ(link.exitCode, 3);
    bool sawError = false;
    for (const auto& t : tablesOf(linkDir))
        if (t.toObject().value(QStringLiteral("file")).isNull())
            sawError = t.toObject().value(QStringLiteral("error")).toString().contains(QStringLiteral("not found"));
    EXPECT_TRUE(sawError);
}

TEST(CliDump, AnExistingDirectoryMustBeEmpty)
{
    QTemporaryDir tmp;
    const QString dir = tmp.filePath(QStringLiteral("out"));
    ASSERT_TRUE(QDir().mkpath(dir));
    EXPECT_EQ(dump(QStringLiteral("jp_sample.mdb"), dir, "csv").exitCode, 0);  // empty: filled
    EXPECT_TRUE(QFile::exists(dir + QStringLiteral("/Orders.csv")));
    const CliRun again = dump(QStringLiteral("jp_sample.mdb"), dir, "jsonl");
    EXPECT_EQ(again.exitCode, 2);
    EXPECT_TRUE(again.err.contains("is not empty")) << again.err.toStdString();
    EXPECT_FALSE(QFile::exists(dir + QStringLiteral("/Orders.jsonl")));
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{QStringLiteral("out")});
    const QString file = tmp.filePath(QStringLiteral("plain"));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    EXPECT_EQ(dump(QStringLiteral("jp_sample.mdb"), file, "csv").exitCode, 2);
}

TEST(FileNames, ReadableSafeAndUnique)
{
    using cli::safeFileStem;
    EXPECT_EQ(safeFileStem("Orders"), "Orders");
    EXPECT_EQ(safeFileStem("Empty Table"), "Empty_Table");
    EXPECT_EQ(safeFileStem("社員"), "社員");
    EXPECT_EQ(safeFileStem("a/b\\c"), "a_b_c");
    EXPECT_EQ(safeFileStem("x$(rm -rf ~)*?'\"|;&<>"), "x__rm_-rf____________");
    EXPECT_EQ(safeFileStem("tab\there\nnl"), "tab_here_nl");
    EXPECT_EQ(safeFileStem(".hidden"), "_.hidden");
    EXPECT_EQ(safeFileStem("-n"), "_-n");
    EXPECT_EQ(safeFileStem(""), "_");
    EXPECT_EQ(safeFileStem("\xff\xfe"), "__");              // no UTF-8
    EXPECT_EQ(safeFileStem("a\xe3\x80\x80" "b"), "a_b");    // an ideographic space is a blank
    EXPECT_EQ(safeFileStem("caf\xc3\xa9"), "caf\xc3\xa9");  // letters of any script stay
    // Long names are cut at 200 bytes, never inside a character.
    const std::string longName(300, 'x');
    EXPECT_EQ(safeFileStem(longName).size(), 200u);
    std::string kanji;
    for (int i = 0; i < 100; ++i)
        kanji += "\xe7\xa4\xbe";  // 社, three bytes
    EXPECT_EQ(safeFileStem(kanji).size(), 198u);

    cli::UniqueFileNames names;
    EXPECT_EQ(names.claim("a b"), "a_b");
    EXPECT_EQ(names.claim("a_b"), "a_b_2");
    EXPECT_EQ(names.claim("A_B"), "A_B_3");  // case-insensitive file systems keep one of two
    EXPECT_EQ(names.claim("Ärger"), "Ärger");
    EXPECT_EQ(names.claim("äRGER"), "äRGER_2");  // folded beyond ASCII too
}

} // namespace

namespace {

TEST(CliDump, ComplexColumnsAreArraysOfTheirItems)
{
    QTemporaryDir tmp;
    const QString dir = tmp.filePath(QStringLiteral("out"));
    const CliRun r = dump(QStringLiteral("real/complexDataTestV2007.accdb"), dir, "jsonl");
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.err, QByteArray("tabulon-cli: the file data of 3 items of 'Table1'.'attach-data' is not in the output "
                                "(only the items' other fields are)\n"));
    const QList<QByteArray> lines = readAll(dir + QStringLiteral("/Table1.jsonl")).split('\n');
    ASSERT_GE(lines.size(), 4);
    const QJsonObject row2 = QJsonDocument::fromJson(lines[1]).object();
    EXPECT_EQ(row2.value(QStringLiteral("multi-value-data")).toArray(), (QJsonArray{QStringLiteral("value1"), QStringLiteral("value4")}));
    EXPECT_EQ(row2.value(QStringLiteral("attach-data")).toArray().size(), 2);
    EXPECT_EQ(QJsonDocument::fromJson(lines[0]).object().value(QStringLiteral("attach-data")).toArray(), QJsonArray());
    // CSV keeps export's text.
    QTemporaryDir tmp2;
    const QString csv = tmp2.filePath(QStringLiteral("out"));
    ASSERT_EQ(dump(QStringLiteral("real/complexDataTestV2007.accdb"), csv, "csv").exitCode, 0);
    EXPECT_TRUE(readAll(csv + QStringLiteral("/Table1.csv")).contains("row2,1 item,row2-memo,row2-memo,2 items,2 items"));
}

} // namespace
