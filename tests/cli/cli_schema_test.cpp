// tabulon-cli schema: what the fixtures' manifests and mdb-schema say about their tables,
// indexes and relationships, as JSON for scripts and as text for people.
#include "cli_runner.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace {

QJsonObject schemaOf(const QString& fixture, int* exitCode = nullptr)
{
    const CliRun r = runCli({QStringLiteral("schema"), testData(fixture), QStringLiteral("--json")});
    if (exitCode)
        *exitCode = r.exitCode;
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(r.out, &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << fixture.toStdString() << ": " << error.errorString().toStdString();
    return doc.object();
}

QJsonObject named(const QJsonArray& list, const QString& name)
{
    for (const auto& v : list)
        if (v.toObject().value(QStringLiteral("name")).toString() == name)
            return v.toObject();
    ADD_FAILURE() << "no " << name.toStdString();
    return {};
}

TEST(CliSchema, ColumnsAsTheManifestDescribesThem)
{
    int code = -1;
    const QJsonObject s = schemaOf(QStringLiteral("jp_sample.mdb"), &code);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(s.value(QStringLiteral("format")).toString(), QStringLiteral("Jet4"));
    const QJsonArray tables = s.value(QStringLiteral("tables")).toArray();
    QStringList names;
    for (const auto& t : tables)
        names << t.toObject().value(QStringLiteral("name")).toString();
    EXPECT_EQ(names, (QStringList{QStringLiteral("Big5000"), QStringLiteral("Empty Table"), QStringLiteral("Orders"),
                                  QStringLiteral("Wide46"), QStringLiteral("Zero"), QStringLiteral("社員")}));
    const QJsonObject staff = named(tables, QStringLiteral("社員"));
    EXPECT_EQ(staff.value(QStringLiteral("storedRowCount")).toInt(), 42);
    const QJsonArray cols = staff.value(QStringLiteral("columns")).toArray();
    ASSERT_EQ(cols.size(), 12);
    struct Expect {
        const char* name;
        const char* type;
        int size;
        bool autoNumber;
        const char* description;
    };
    const Expect expected[] = {
        {"ID", "Long", 4, true, nullptr},         {"氏名", "Text", 50, false, "社員の氏名"},
        {"部署コード", "Integer", 2, false, nullptr}, {"入社日", "DateTime", 8, false, nullptr},
        {"給与", "Currency", 8, false, "月額"},    {"在籍", "Boolean", 1, false, nullptr},
        {"備考", "Memo", 0, false, "一行目\r\n二行目"}, {"写真", "OLE", 0, false, nullptr},
        {"評価", "Single", 4, false, nullptr},     {"比率", "Double", 8, false, nullptr},
        {"区分", "Byte", 1, false, nullptr},       {"コード", "Binary", 8, false, nullptr},
    };
    for (int i = 0; i < 12; ++i) {
        const QJsonObject c = cols[i].toObject();
        const Expect& e = expected[i];
        EXPECT_EQ(c.value(QStringLiteral("name")).toString(), QString::fromUtf8(e.name));
        EXPECT_EQ(c.value(QStringLiteral("type")).toString(), QString::fromUtf8(e.type)) << e.name;
        EXPECT_EQ(c.value(QStringLiteral("size")).toInt(), e.size) << e.name;
        EXPECT_EQ(c.value(QStringLiteral("autoNumber")).toBool(), e.autoNumber) << e.name;
        EXPECT_FALSE(c.value(QStringLiteral("required")).toBool()) << e.name;
        EXPECT_TRUE(c.value(QStringLiteral("precision")).isNull()) << e.name;
        if (e.description)
            EXPECT_EQ(c.value(QStringLiteral("description")).toString(), QString::fromUtf8(e.description));
        else
            EXPECT_TRUE(c.value(QStringLiteral("description")).isNull()) << e.name;
    }
    // Indexes in stored order: the first is no key.
    const QJsonArray ix = named(tables, QStringLiteral("Orders")).value(QStringLiteral("indexes")).toArray();
    ASSERT_EQ(ix.size(), 2);
    EXPECT_EQ(ix[0].toObject().value(QStringLiteral("name")).toString(), QStringLiteral("AAA_CustomerIdx"));
    EXPECT_FALSE(ix[0].toObject().value(QStringLiteral("primary")).toBool());
    EXPECT_FALSE(ix[0].toObject().value(QStringLiteral("unique")).toBool());
    EXPECT_TRUE(ix[1].toObject().value(QStringLiteral("primary")).toBool());
    EXPECT_TRUE(ix[1].toObject().value(QStringLiteral("required")).toBool());
    EXPECT_EQ(ix[1].toObject().value(QStringLiteral("columns")).toArray()[0].toObject().value(QStringLiteral("name")).toString(),
              QStringLiteral("OrderNo"));
    EXPECT_TRUE(s.value(QStringLiteral("relationships")).toArray().isEmpty());
    EXPECT_TRUE(s.value(QStringLiteral("problems")).toArray().isEmpty());
}

TEST(CliSchema, RequiredDecimalCalculatedAndDescending)
{
    // mdb-schema --not-null gives NOT NULL on exactly these columns.
    const QJsonObject del = named(schemaOf(QStringLiteral("real/V2016-withdeletedcol.accdb")).value(QStringLiteral("tables")).toArray(),
                                  QStringLiteral("Table1"));
    QStringList required;
    for (const auto& c : del.value(QStringLiteral("columns")).toArray())
        if (c.toObject().value(QStringLiteral("required")).toBool())
            required << c.toObject().value(QStringLiteral("name")).toString();
    required.sort();
    EXPECT_EQ(required.join(QLatin1Char(' ')), QStringLiteral("col1 col2 col3 col5 col6 col7 col8"));

    const QJsonObject ext = named(schemaOf(QStringLiteral("real/extDateTestV2019.accdb")).value(QStringLiteral("tables")).toArray(),
                                  QStringLiteral("Table1"));
    const QJsonObject calc = named(ext.value(QStringLiteral("columns")).toArray(), QStringLiteral("DateNormalCalc"));
    EXPECT_TRUE(calc.value(QStringLiteral("calculated")).toBool());
    EXPECT_EQ(calc.value(QStringLiteral("type")).toString(), QStringLiteral("DateTime"));
    EXPECT_EQ(calc.value(QStringLiteral("expression")).toString(), QStringLiteral("[DateNormal]"));
    EXPECT_EQ(named(ext.value(QStringLiteral("columns")).toArray(), QStringLiteral("DateExt")).value(QStringLiteral("type")).toString(),
              QStringLiteral("DateTimeExtended"));
    const QJsonObject desc = named(ext.value(QStringLiteral("indexes")).toArray(), QStringLiteral("DateExtDesc"));
    EXPECT_EQ(desc.value(QStringLiteral("columns")).toArray()[0].toObject().value(QStringLiteral("order")).toString(), QStringLiteral("desc"));
    const QJsonObject asc = named(ext.value(QStringLiteral("indexes")).toArray(), QStringLiteral("DateExtAsc"));
    EXPECT_EQ(asc.value(QStringLiteral("columns")).toArray()[0].toObject().value(QStringLiteral("order")).toString(), QStringLiteral("asc"));

    const QJsonObject numeric = named(schemaOf(QStringLiteral("real/fixedNumericTestV2000.mdb")).value(QStringLiteral("tables")).toArray(),
                                      QStringLiteral("test"));
    bool sawDecimal = false;
    for (const auto& v : numeric.value(QStringLiteral("columns")).toArray()) {
        const QJsonObject c = v.toObject();
        if (c.value(QStringLiteral("type")).toString() != QLatin1String("Decimal"))
            continue;
        sawDecimal = true;
        EXPECT_GT(c.value(QStringLiteral("precision")).toInt(), 0);
        EXPECT_LE(c.value(QStringLiteral("scale")).toInt(), c.value(QStringLiteral("precision")).toInt());
    }
    EXPECT_TRUE(sawDecimal);
}

TEST(CliSchema, RelationshipsBetweenUserTablesOnly)
{
    for (const QString& f : {QStringLiteral("real/indexTestV1997.mdb"), QStringLiteral("real/indexTestV2000.mdb")}) {
        const QJsonArray rels = schemaOf(f).value(QStringLiteral("relationships")).toArray();
        ASSERT_EQ(rels.size(), 2) << f.toStdString();  // the navigation pane's own are left out
        const QJsonObject r = named(rels, QStringLiteral("Table2Table1"));
        EXPECT_EQ(r.value(QStringLiteral("table")).toString(), QStringLiteral("Table1"));
        EXPECT_EQ(r.value(QStringLiteral("referencedTable")).toString(), QStringLiteral("Table2"));
        const QJsonObject pair = r.value(QStringLiteral("columns")).toArray()[0].toObject();
        EXPECT_EQ(pair.value(QStringLiteral("column")).toString(), QStringLiteral("otherfk1"));
        EXPECT_EQ(pair.value(QStringLiteral("referencedColumn")).toString(), QStringLiteral("id"));
        EXPECT_TRUE(r.value(QStringLiteral("enforced")).toBool());
        EXPECT_TRUE(r.value(QStringLiteral("cascadeDeletes")).toBool());
        EXPECT_FALSE(r.value(QStringLiteral("cascadeUpdates")).toBool());
        EXPECT_TRUE(named(rels, QStringLiteral("Table3Table1")).value(QStringLiteral("cascadeUpdates")).toBool());
    }
    const QJsonObject linker = schemaOf(QStringLiteral("real/linkerTestV2007.accdb"));
    const QJsonObject r = named(linker.value(QStringLiteral("relationships")).toArray(), QStringLiteral("Table1Table2"));
    EXPECT_FALSE(r.value(QStringLiteral("enforced")).toBool());
    const QJsonObject linked = named(linker.value(QStringLiteral("tables")).toArray(), QStringLiteral("Table2"));
    EXPECT_TRUE(linked.value(QStringLiteral("linked")).toObject().value(QStringLiteral("database")).toString().endsWith(QLatin1String("linkeeTest.accdb")));
}

TEST(CliSchema, SavedQueriesWithTheirSql)
{
    const QJsonArray queries = schemaOf(QStringLiteral("real/ASampleDatabase.accdb")).value(QStringLiteral("queries")).toArray();
    QStringList names;
    for (const auto& q : queries)
        names << q.toObject().value(QStringLiteral("name")).toString();
    EXPECT_EQ(names, (QStringList{QStringLiteral("qryComputerHardwareInOwnerOrder"), QStringLiteral("qryCostsSummedByOwner"),
                                  QStringLiteral("qryGSTCalculations")}));
    const QJsonObject gst = named(queries, QStringLiteral("qryGSTCalculations"));
    EXPECT_EQ(gst.value(QStringLiteral("type")).toString(), QStringLiteral("select"));
    EXPECT_TRUE(gst.value(QStringLiteral("sql")).toString().contains(QStringLiteral("[Cost]-([Cost]/1.22) AS [GST]")));
}

TEST(CliSchema, TextForPeople)
{
    const CliRun r = runCli({QStringLiteral("schema"), testData(QStringLiteral("real/indexTestV2000.mdb"))});
    EXPECT_EQ(r.exitCode, 0);
    const QString text = QString::fromUtf8(r.out);
    EXPECT_TRUE(text.startsWith(QStringLiteral("TABLE Table1\n  rows (as stored): ")));
    EXPECT_TRUE(text.contains(QStringLiteral("    PrimaryKey (id) primary\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("RELATIONSHIPS\n  Table2Table1: Table1 (otherfk1) -> Table2 (id) enforced, cascade deletes\n")))
        << text.toStdString();
    const CliRun jp = runCli({QStringLiteral("schema"), testData(QStringLiteral("jp_sample.mdb"))});
    // A description with a line break stays on its line.
    EXPECT_TRUE(QString::fromUtf8(jp.out).contains(QStringLiteral("    備考     Memo  -- 一行目  二行目\n"))) << jp.out.toStdString();
}

TEST(CliSchema, ATableThatDoesNotOpenIsListedWithItsError)
{
    int code = -1;
    const QJsonObject s = schemaOf(QStringLiteral("damaged/relative-link.accdb"), &code);
    EXPECT_EQ(code, 3);
    const QJsonObject t = named(s.value(QStringLiteral("tables")).toArray(), QStringLiteral("Table2"));
    EXPECT_TRUE(t.value(QStringLiteral("error")).toString().contains(QStringLiteral("was not found")));
    EXPECT_TRUE(t.value(QStringLiteral("columns")).toArray().isEmpty());
    // Not a database at all: exit 2, one line.
    const CliRun r = runCli({QStringLiteral("schema"), testData(QStringLiteral("damaged/README.md"))});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err.count('\n'), 1);
}

} // namespace
