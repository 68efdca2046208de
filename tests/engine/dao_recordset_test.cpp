// Database.OpenRecordset: SQL text goes to the SQL layer; a bare table name opens the table.
#include "dao_test_helpers.h"

#include <gtest/gtest.h>

namespace {

using namespace daotest;

TEST(DaoRecordset, TableNameOrSelectGiveTheSameFirstRow)
{
    const Variant db = openDatabase(dataPath(QStringLiteral("jp_sample.mdb")));
    for (const char* source : {"Orders", "SELECT * FROM Orders"}) {
        SCOPED_TRACE(source);
        const Variant rs = automation::call(db, QStringLiteral("OpenRecordset"), {Variant(source)});
        EXPECT_EQ(count(rs, "Fields"), 4);
        ASSERT_FALSE(prop(rs, "EOF").toBool());
        // Manifest: the first row inserted has OrderNo 10000, Customer "Acme Corp".
        EXPECT_EQ(prop(item(rs, "Fields", 0), "Name").toString(), QStringLiteral("OrderNo"));
        EXPECT_EQ(prop(item(rs, "Fields", 0), "Value").toInt(), 10000);
        EXPECT_EQ(prop(item(rs, "Fields", 1), "Value").toString(), QStringLiteral("Acme Corp"));
        automation::call(rs, QStringLiteral("Close"));
    }
}

TEST(DaoRecordset, BadArgumentsAndClosedDatabase)
{
    const Variant db = openDatabase(dataPath(QStringLiteral("jp_sample.mdb")));
    EXPECT_THROW(automation::call(db, QStringLiteral("OpenRecordset"), {Variant(std::int32_t(1))}), automation::Error);
    EXPECT_THROW(automation::call(db, QStringLiteral("OpenRecordset"), {}), automation::Error);
    EXPECT_THROW(automation::call(db, QStringLiteral("OpenRecordset"), {Variant("DELETE FROM Orders")}), automation::Error);
    automation::call(db, QStringLiteral("Close"));
    EXPECT_THROW(automation::call(db, QStringLiteral("OpenRecordset"), {Variant("SELECT * FROM Orders")}), automation::Error);
}

} // namespace
