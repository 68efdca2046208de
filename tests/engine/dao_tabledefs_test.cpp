// TableDefs: sorted by name without regard to case, system tables included with their catalog
// flags as stored; both collection forms; missing items.
#include "dao_test_helpers.h"

#include <QFile>
#include <QStringList>

#include <gtest/gtest.h>

namespace {

using namespace daotest;

QStringList names(const Variant& db)
{
    QStringList out;
    const int n = count(db, "TableDefs");
    for (int i = 0; i < n; ++i)
        out << prop(item(db, "TableDefs", i), "Name").toString();
    return out;
}

TEST(DaoTableDefs, SortedWithoutRegardToCaseWithSystemTables)
{
    for (const char* file : {"jp_sample.mdb", "jp_sample_2007.accdb", "real/testV1997.mdb", "real/test2V2007.accdb"}) {
        SCOPED_TRACE(file);
        const QStringList list = names(openDatabase(dataPath(QString::fromLatin1(file))));
        ASSERT_FALSE(list.isEmpty());
        for (qsizetype i = 1; i < list.size(); ++i)
            EXPECT_LE(list[i - 1].compare(list[i], Qt::CaseInsensitive), 0) << list[i - 1].toStdString() << " / " << list[i].toStdString();
        EXPECT_TRUE(list.contains(QStringLiteral("MSysObjects")));
    }
}

TEST(DaoTableDefs, AttributesAreTheCatalogFlagsAsStored)
{
    // From MSysObjects of jp_sample.mdb as mdbtools and mdb-reader read it.
    const Variant db = openDatabase(dataPath(QStringLiteral("jp_sample.mdb")));
    const struct { const char* name; std::int32_t flags; } expected[] = {
        {"MSysObjects", INT32_MIN}, {"MSysACEs", INT32_MIN}, {"MSysQueries", INT32_MIN},
        {"MSysRelationships", INT32_MIN}, {"MSysAccessObjects", 2}, {"社員", 0}, {"Orders", 0},
        {"Empty Table", 0}, {"Big5000", 0}, {"Wide46", 0}, {"Zero", 0},
    };
    ASSERT_EQ(count(db, "TableDefs"), static_cast<int>(std::size(expected)));
    for (const auto& e : expected) {
        SCOPED_TRACE(e.name);
        const Variant t = tableDef(db, QString::fromUtf8(e.name));
        ASSERT_TRUE(t.isObject());
        EXPECT_EQ(prop(t, "Attributes").type(), Variant::Type::Long);
        EXPECT_EQ(prop(t, "Attributes").toInt(), e.flags);
    }
}

TEST(DaoTableDefs, BothCollectionFormsAndMissingItems)
{
    const Variant db = openDatabase(dataPath(QStringLiteral("jp_sample.mdb")));
    const Variant defs = prop(db, "TableDefs");
    const int n = prop(defs, "Count").toInt();
    for (int i = 0; i < n; ++i)
        EXPECT_EQ(prop(automation::get(defs, QStringLiteral("Item"), Variant(std::int32_t(i))), "Name").toString(),
                  prop(item(db, "TableDefs", i), "Name").toString());
    // By name, without regard to case, as DAO allows.
    EXPECT_EQ(prop(automation::get(db, QStringLiteral("TableDefs"), Variant(QStringLiteral("orders"))), "Name").toString(),
              QStringLiteral("Orders"));
    for (const Variant& bad : {Variant(std::int32_t(-1)), Variant(std::int32_t(n)), Variant(QStringLiteral("NoSuchTable"))}) {
        try {
            automation::get(db, QStringLiteral("TableDefs"), bad);
            ADD_FAILURE() << "no error";
        } catch (const automation::Error& e) {
            EXPECT_EQ(e.description(), QStringLiteral("Item not found in this collection."));
        }
    }
    // Member names match without regard to case.
    EXPECT_EQ(automation::get(automation::get(db, QStringLiteral("tabledefs")), QStringLiteral("COUNT")).toInt(), n);
}

TEST(DaoTableDefs, CatalogOrderDiffersButTheListedTablesMatchTheExpectedFile)
{
    // tables.txt (built from the oracles' catalogs) is TableDefs minus two whole flag values.
    const QString fixture = QStringLiteral("jet3_cp932.mdb");
    QFile f(dataPath(QStringLiteral("expected/") + fixture + QStringLiteral("/tables.txt")));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QStringList expected = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const Variant db = openDatabase(dataPath(fixture));
    QStringList listed;
    const int n = count(db, "TableDefs");
    for (int i = 0; i < n; ++i) {
        const Variant t = item(db, "TableDefs", i);
        const std::int32_t a = prop(t, "Attributes").toInt();
        if (a != INT32_MIN && a != 2)
            listed << prop(t, "Name").toString();
    }
    EXPECT_EQ(listed, expected);
    EXPECT_TRUE(listed.contains(QStringLiteral("社員表")));   // CP932 name of a Jet 3 table
}

} // namespace
