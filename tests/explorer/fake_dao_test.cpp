// The DAO test double answers the members the program calls, the way the engine does.

#include "automation/object.h"
#include "support/fake_dao.h"

#include <gtest/gtest.h>

using automation::Variant;
using automation::call;
using automation::get;

namespace {
Variant i32(int v) { return Variant(static_cast<std::int32_t>(v)); }
} // namespace

TEST(FakeDao, AnswersTheEngineMembers)
{
    automation::Registry registry;
    auto server = fakedao::Server::create();
    server->addDatabase(fakedao::sampleDatabase("/db/sample.mdb"));
    server->registerAs(registry, "DAO.DBEngine.35");
    const Variant engine = registry.create("dao.dbengine.35");
    const Variant ws = get(engine, "Workspaces", i32(0));
    const Variant db = call(ws, "OpenDatabase", {Variant("/db/sample.mdb"), Variant::missing(), Variant(true)});
    EXPECT_EQ(server->lastOpenDatabaseArgs.size(), 3u);
    EXPECT_EQ(get(db, "Name").toString(), "/db/sample.mdb");
    const int tables = get(get(db, "TableDefs"), "Count").toInt();
    ASSERT_EQ(tables, 9);
    const Variant all = get(db, "TableDefs", i32(0));
    EXPECT_EQ(get(all, "Name").toString(), "AllTypes");
    EXPECT_EQ(get(get(db, "TableDefs", i32(1)), "Attributes").toInt(), INT32_MIN);
    // Every type code, the counter attribute, the description among the properties.
    const Variant counter = get(all, "Fields", i32(0));
    EXPECT_EQ(get(counter, "Type").toInt(), 4);
    EXPECT_EQ(get(counter, "Attributes").toInt() & 16, 16);
    const Variant props = get(counter, "Properties");
    const int n = get(props, "Count").toInt();
    QString description;
    for (int k = 0; k < n; ++k) {
        const Variant p = get(counter, "Properties", i32(k));
        if (get(p, "Name").toString() == "Description")
            description = get(p, "Value").toString();
    }
    EXPECT_EQ(description, QStringLiteral("自動採番"));
    // The first index is not the primary key.
    const Variant index = get(all, "Indexes", i32(0));
    EXPECT_EQ(get(get(index, "Fields", i32(0)), "Name").toString(), "Name");
    EXPECT_EQ(get(get(index, "Fields"), "Count").toInt(), 2);
    call(db, "Close");
    EXPECT_EQ(server->openDatabases, 0);
    EXPECT_THROW(get(db, "TableDefs"), automation::Error);
}

TEST(FakeDao, RecordsetsWalkTheRows)
{
    auto server = fakedao::Server::create();
    server->addDatabase(fakedao::sampleDatabase("/s.mdb"));
    const Variant engine(server->createEngine());
    const Variant db = call(get(engine, "Workspaces", i32(0)), "OpenDatabase", {Variant("/s.mdb")});
    const Variant rs = call(db, "OpenRecordset", {Variant("SELECT * FROM [Forty Two]")});
    int rows = 0;
    call(rs, "MoveFirst");
    while (!get(rs, "EOF").toBool()) {
        EXPECT_EQ(get(get(rs, "Fields", i32(0)), "Value").toInt(), rows + 1);
        call(rs, "MoveNext");
        ++rows;
    }
    EXPECT_EQ(rows, 42);
    EXPECT_EQ(get(get(rs, "Fields", i32(1)), "Name").toString(), QStringLiteral("名前"));
    call(rs, "Close");
    EXPECT_EQ(server->openRecordsets, 0);
    // A table name with a space cannot be named without brackets.
    EXPECT_THROW(call(db, "OpenRecordset", {Variant("SELECT * FROM Forty Two")}), automation::Error);
    EXPECT_TRUE(get(call(db, "OpenRecordset", {Variant("select * from EMPTY")}), "EOF").toBool());
}

TEST(FakeDao, FailsAtTheChosenCall)
{
    auto server = fakedao::Server::create();
    server->addDatabase(fakedao::sampleDatabase("/s.mdb"));
    const Variant engine(server->createEngine());
    const Variant db = call(get(engine, "Workspaces", i32(0)), "OpenDatabase", {Variant("/s.mdb")});
    const Variant rs = call(db, "OpenRecordset", {Variant("SELECT * FROM Hundred")});
    server->failAt({"Recordset.MoveNext", 3, "Disk error."});
    call(rs, "MoveNext");
    call(rs, "MoveNext");
    try {
        call(rs, "MoveNext");
        FAIL() << "no failure";
    } catch (const automation::Error& e) {
        EXPECT_EQ(e.description(), "Disk error.");
    }
    call(rs, "MoveNext");   // only the third call fails
    EXPECT_EQ(server->callCount("Recordset.MoveNext"), 4);
    EXPECT_THROW(call(get(engine, "Workspaces", i32(0)), "OpenDatabase", {Variant("/none.mdb")}), automation::Error);
}
