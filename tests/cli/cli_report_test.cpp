// tabulon-cli report: the printed report of the fixture tables read back from the PDF, and the
// report file of the same run.

#include "cli_runner.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct Column {
    QString name;
    QString type;          // the English part of the type text, "?" for the unnamed codes
    QString size;
    QString description;   // as printed: line breaks are not drawn
};

struct Table {
    QString name;
    std::vector<Column> columns;
};

// The tables and columns a fixture's manifest lists.
std::vector<Table> manifestTables(const QString& manifest)
{
    QFile f(manifest);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    static const QRegularExpression table(QStringLiteral("^TABLE \"(.*)\"$"));
    static const QRegularExpression column(QStringLiteral(
        "^\\s+\\d+\\. \"(.*)\"  type=\\w+  code=(\\d+) \\(0x..\\)  length=(\\d+)( \\((\\d+) chars\\))?.*description=(\\(none\\)|\"(.*)\")$"));
    const std::map<int, QString> english = {{1, "(Bool)"}, {2, "(Byte)"}, {3, "(ShortInt)"}, {4, "(LongInt)"},
                                            {5, "(Currency)"}, {6, "(Single)"}, {7, "(Double)"}, {8, "(Date)"},
                                            {10, "(String)"}, {11, "(Object)"}, {12, "(Text)"}};
    std::vector<Table> out;
    for (const QString& line : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'))) {
        if (auto m = table.match(line); m.hasMatch()) {
            out.push_back({m.captured(1), {}});
        } else if (auto c = column.match(line); c.hasMatch() && !out.empty()) {
            const int code = c.captured(2).toInt();
            QString size = c.captured(5).isEmpty() ? c.captured(3) : c.captured(5);
            QString description = c.captured(7);
            description.replace(QStringLiteral("\\r"), QString()).replace(QStringLiteral("\\n"), QString());
            out.back().columns.push_back({c.captured(1), english.count(code) ? english.at(code) : QStringLiteral("?"), size,
                                          description});
        }
    }
    return out;
}

QString tool(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

TEST(CliReport, EveryFixtureTablePrintsItsTitleHeadsRowsAndPageNumbers)
{
    QTemporaryDir dir;
    int checkedRows = 0;
    for (const QString& file : {QStringLiteral("jp_sample.mdb"), QStringLiteral("jp_sample_2003.mdb")}) {
        const std::vector<Table> tables = manifestTables(testData(file + QStringLiteral(".txt")));
        ASSERT_EQ(tables.size(), 6u) << file.toStdString();
        for (const Table& t : tables) {
            SCOPED_TRACE((file + QLatin1Char(' ') + t.name).toStdString());
            const QString pdf = dir.filePath(QStringLiteral("out.pdf"));
            const CliRun run = runCli({QStringLiteral("report"), testData(file), t.name, QStringLiteral("--pdf"), pdf});
            ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
            const QString text = tool(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
            const QStringList pages = text.split(QLatin1Char('\f'), Qt::SkipEmptyParts);
            const int expectedPages = std::max<int>(1, (int(t.columns.size()) + 44) / 45);
            ASSERT_GE(pages.size(), expectedPages);
            for (int p = 0; p < expectedPages; ++p) {
                const QStringList lines = pages[p].split(QLatin1Char('\n'), Qt::SkipEmptyParts);
                ASSERT_GE(lines.size(), 3);
                EXPECT_TRUE(lines[0].trimmed().startsWith(t.name)) << lines[0].toStdString();
                EXPECT_EQ(lines[1].trimmed(), QStringLiteral("( ") + file + QStringLiteral(" )"));
                EXPECT_EQ(lines.last().trimmed(), QString::number(p + 1));
                if (!t.columns.empty()) {
                    EXPECT_TRUE(pages[p].contains(QRegularExpression(QStringLiteral("FieldName\\s+Type\\s+Size\\s+Comment"))));
                }
            }
            for (std::size_t i = 0; i < t.columns.size(); ++i) {
                const Column& c = t.columns[i];
                const QString& page = pages[int(i / 45)];
                const QRegularExpression row(QStringLiteral("^\\s*%1\\s+.*%2\\s+%3(\\s+%4)?\\s*$")
                                                 .arg(QRegularExpression::escape(c.name), QRegularExpression::escape(c.type),
                                                      c.size, QRegularExpression::escape(c.description)),
                                             QRegularExpression::MultilineOption);
                const auto m = row.match(page);
                EXPECT_TRUE(m.hasMatch()) << c.name.toStdString() << " " << c.type.toStdString();
                if (!c.description.isEmpty()) {
                    EXPECT_FALSE(m.captured(1).isEmpty()) << c.name.toStdString();
                }
                checkedRows += m.hasMatch();
            }
            // The page number sits at the bottom right of the page.
            const QString bbox = tool(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), QStringLiteral("-l"),
                                                                     QStringLiteral("1"), pdf, QStringLiteral("-")});
            const QRegularExpression number(QStringLiteral("xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\"[^>]*>1</word>\\s*</page>"));
            const auto n = number.match(bbox);
            ASSERT_TRUE(n.hasMatch());
            EXPECT_GT(n.captured(1).toDouble(), 170 / 25.4 * 72);
            EXPECT_GT(n.captured(2).toDouble(), 270 / 25.4 * 72);
        }
    }
    EXPECT_GT(checkedRows, 100);
}

TEST(CliReport, TheReportFileHoldsTheSamePages)
{
    QTemporaryDir dir;
    const QString qrp = dir.filePath(QStringLiteral("w.qrp"));
    const CliRun run = runCli({QStringLiteral("report"), testData(QStringLiteral("jp_sample.mdb")), QStringLiteral("Wide46"),
                               QStringLiteral("--qrp"), qrp});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    QFile f(qrp);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    ASSERT_GT(bytes.size(), 124);
    EXPECT_EQ(quint8(bytes[0]), 3);
    EXPECT_EQ(quint8(bytes[2]), 207);
    EXPECT_EQ(quint8(bytes[8]), 2);                  // two pages
    EXPECT_EQ(quint8(bytes[21]), 0);                 // not compressed: the report does not ask
    const CliRun info = runCli({QStringLiteral("qrp-info"), qrp});
    EXPECT_EQ(info.exitCode, 0);
    EXPECT_TRUE(info.out.contains("pages\t2"));
}

TEST(CliReport, BadArgumentsAndMissingTablesFailClearly)
{
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("x.pdf"));
    EXPECT_EQ(runCli({QStringLiteral("report"), testData(QStringLiteral("jp_sample.mdb")), QStringLiteral("Orders")}).exitCode, 1);
    EXPECT_EQ(runCli({QStringLiteral("report"), testData(QStringLiteral("jp_sample.mdb")), QStringLiteral("Orders"),
                      QStringLiteral("--png"), pdf}).exitCode, 1);
    const CliRun missing = runCli({QStringLiteral("report"), testData(QStringLiteral("jp_sample.mdb")), QStringLiteral("NoSuch"),
                                   QStringLiteral("--pdf"), pdf});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_TRUE(missing.err.contains("NoSuch"));
    EXPECT_EQ(missing.err.count('\n'), 1) << missing.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(pdf));
    const CliRun nodb = runCli({QStringLiteral("report"), dir.filePath(QStringLiteral("none.mdb")), QStringLiteral("T"),
                                QStringLiteral("--pdf"), pdf});
    EXPECT_EQ(nodb.exitCode, 2);
    const CliRun unwritable = runCli({QStringLiteral("report"), testData(QStringLiteral("jp_sample.mdb")), QStringLiteral("Orders"),
                                      QStringLiteral("--pdf"), QStringLiteral("/nonexistent-dir/x.pdf")});
    EXPECT_EQ(unwritable.exitCode, 2);
    EXPECT_TRUE(unwritable.err.contains("/nonexistent-dir")) << unwritable.err.toStdString();
}
