// Fields, Properties and Indexes of real tables, against the files' manifests.
#include "dao_test_helpers.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace {

using namespace daotest;

struct FieldExpect {
    const char* name;
    int type;
    int size;
    int attributes;
    const char* description;   // nullptr: none
};

// jp_sample*.txt, table 社員: DAO type codes, sizes (text in characters; memo and OLE 0), fixed
// (1) or variable (2) plus auto-increment (16) for the counter.
const FieldExpect kEmployees[] = {
    {"ID", 4, 4, 1 | 16, nullptr},
    {"氏名", 10, 50, 2, "社員の氏名"},
    {"部署コード", 3, 2, 1, nullptr},
    {"入社日", 8, 8, 1, nullptr},
    {"給与", 5, 8, 1, "月額"},
    {"在籍", 1, 1, 1, nullptr},
    {"備考", 12, 0, 2, "一行目\r\n二行目"},
    {"写真", 11, 0, 2, nullptr},
    {"評価", 6, 4, 1, nullptr},
    {"比率", 7, 8, 1, nullptr},
    {"区分", 2, 1, 1, nullptr},
    {"コード", 9, 8, 2, nullptr},
};

// Index of the first property with that name in Properties, -1 when none.
int propertyIndex(const Variant& field, const QString& name, Variant* value = nullptr)
{
    const int n = count(field, "Properties");
    for (int k = 0; k < n; ++k) {
        const Variant p = item(field, "Properties", k);
        if (prop(p, "Name").toString() == name) {
            if (value)
                *value = prop(p, "Value");
            return k;
        }
    }
    return -1;
}

class JapaneseSample : public ::testing::TestWithParam<const char*> {
protected:
    Variant db = openDatabase(dataPath(QString::fromLatin1(GetParam())));
};

TEST_P(JapaneseSample, EmployeeFieldsTypesSizesAttributesDescriptions)
{
    const Variant table = tableDef(db, QStringLiteral("社員"));
    ASSERT_TRUE(table.isObject());
    ASSERT_EQ(count(table, "Fields"), static_cast<int>(std::size(kEmployees)));
    for (int j = 0; j < count(table, "Fields"); ++j) {
        const FieldExpect& e = kEmployees[j];
        SCOPED_TRACE(e.name);
        const Variant f = item(table, "Fields", j);
        EXPECT_EQ(prop(f, "Name").toString(), QString::fromUtf8(e.name));
        EXPECT_EQ(prop(f, "Type").toInt(), e.type);
        EXPECT_EQ(prop(f, "Size").toInt(), e.size);
        EXPECT_EQ(prop(f, "Attributes").toInt(), e.attributes);
        // Built-in properties come first, the stored ones after them.
        EXPECT_EQ(propertyIndex(f, QStringLiteral("Name")), 0);
        Variant description;
        const int at = propertyIndex(f, QStringLiteral("Description"), &description);
        if (!e.description) {
            EXPECT_EQ(at, -1);
            continue;
        }
        ASSERT_GT(at, propertyIndex(f, QStringLiteral("Type")));
        EXPECT_GT(at, propertyIndex(f, QStringLiteral("Size")));
        EXPECT_GT(at, propertyIndex(f, QStringLiteral("Attributes")));
        ASSERT_EQ(description.type(), Variant::Type::String);
        EXPECT_EQ(description.toString(), QString::fromUtf8(e.description));
    }
}

TEST_P(JapaneseSample, FirstIndexOfOrdersIsNotThePrimaryKey)
{
    const Variant orders = tableDef(db, QStringLiteral("Orders"));
    ASSERT_EQ(count(orders, "Indexes"), 2);
    const Variant first = item(orders, "Indexes", 0);
    EXPECT_EQ(prop(first, "Name").toString(), QStringLiteral("AAA_CustomerIdx"));
    EXPECT_FALSE(prop(first, "Primary").toBool());
    EXPECT_FALSE(prop(first, "Unique").toBool());
    ASSERT_EQ(count(first, "Fields"), 1);
    EXPECT_EQ(prop(item(first, "Fields", 0), "Name").toString(), QStringLiteral("Customer"));
    EXPECT_EQ(prop(item(first, "Fields", 0), "Attributes").toInt(), 0);   // ascending

    const Variant second = item(orders, "Indexes", 1);
    EXPECT_EQ(prop(second, "Name").toString(), QStringLiteral("PrimaryKey"));
    EXPECT_TRUE(prop(second, "Primary").toBool());
    EXPECT_TRUE(prop(second, "Unique").toBool());
    ASSERT_EQ(count(second, "Fields"), 1);
    EXPECT_EQ(prop(item(second, "Fields", 0), "Name").toString(), QStringLiteral("OrderNo"));
    // The collection form answers the same.
    const Variant indexes = prop(orders, "Indexes");
    EXPECT_EQ(prop(automation::get(indexes, QStringLiteral("Item"), Variant(std::int32_t(1))), "Name").toString(),
              QStringLiteral("PrimaryKey"));
    EXPECT_THROW(item(orders, "Indexes", 2), automation::Error);
}

TEST_P(JapaneseSample, TablesWithoutIndexesOrDescriptions)
{
    for (const char* name : {"Empty Table", "Wide46", "Zero"})
        EXPECT_EQ(count(tableDef(db, QString::fromUtf8(name)), "Indexes"), 0) << name;
    const Variant wide = tableDef(db, QStringLiteral("Wide46"));
    ASSERT_EQ(count(wide, "Fields"), 46);
    const int types[] = {10, 4, 7, 8, 1, 12};   // TEXT, LONG, DOUBLE, DATE, BOOLEAN, MEMO
    for (int k = 1; k <= 46; ++k) {
        const Variant f = item(wide, "Fields", k - 1);
        EXPECT_EQ(prop(f, "Type").toInt(), types[(k - 1) % 6]);
        Variant d;
        ASSERT_GE(propertyIndex(f, QStringLiteral("Description"), &d), 0);
        EXPECT_EQ(d.toString(), QStringLiteral("説明 F%1").arg(k, 2, 10, QLatin1Char('0')));
    }
}

TEST_P(JapaneseSample, PrimaryKeyOfEmployees)
{
    const Variant employees = tableDef(db, QStringLiteral("社員"));
    ASSERT_EQ(count(employees, "Indexes"), 1);
    const Variant pk = item(employees, "Indexes", 0);
    EXPECT_TRUE(prop(pk, "Primary").toBool());
    EXPECT_EQ(prop(item(pk, "Fields", 0), "Name").toString(), QStringLiteral("ID"));
    // A table definition's field holds no value.
    EXPECT_THROW(prop(item(employees, "Fields", 0), "Value"), automation::Error);
    EXPECT_THROW(item(employees, "Fields", 12), automation::Error);
}

INSTANTIATE_TEST_SUITE_P(Formats, JapaneseSample,
                         ::testing::Values("jp_sample.mdb", "jp_sample_2003.mdb", "jp_sample_2007.accdb"),
                         [](const auto& info) { return std::to_string(info.index); });

TEST(DaoFieldTypes, NewerTypesUseDaoCodes)
{
    // Column types as both oracles report them (mdb-reader: numeric, bigint,
    // datetimextended, complex); DAO codes 20, 16, 26 and 101+.
    struct Case {
        const char* file;
        const char* table;
        const char* field;
        int type;
    };
    const Case cases[] = {
        {"real/V2016-bigint.accdb", "Table", "Numeric", 16},
        {"real/extDateTestV2019.accdb", "Table1", "DateExt", 26},
        {"real/extDateTestV2019.accdb", "Table1", "DateNormal", 8},
        {"real/complexDataTestV2007.accdb", "Table1", "attach-data", 101},
        {"real/testV2007.accdb", "Table1", "A", 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " " + c.field);
        const Variant t = tableDef(openDatabase(dataPath(QString::fromLatin1(c.file))), QString::fromLatin1(c.table));
        ASSERT_TRUE(t.isObject());
        const Variant f = automation::get(t, QStringLiteral("Fields"), Variant(QString::fromLatin1(c.field)));
        EXPECT_EQ(prop(f, "Type").toInt(), c.type);
    }
    // Decimal columns of fixedNumericTestV2000: every numeric column reads as DAO Decimal (20),
    // 16 bytes wide.
    const Variant t = tableDef(openDatabase(dataPath(QStringLiteral("real/fixedNumericTestV2000.mdb"))), QStringLiteral("test"));
    ASSERT_TRUE(t.isObject());
    int decimals = 0;
    for (int j = 0; j < count(t, "Fields"); ++j) {
        const Variant f = item(t, "Fields", j);
        if (prop(f, "Type").toInt() == 20) {
            ++decimals;
            EXPECT_EQ(prop(f, "Size").toInt(), 16);
        }
    }
    EXPECT_GT(decimals, 0);
}

} // namespace
