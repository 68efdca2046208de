// Relationships from the catalog and the foreign-key details of indexes, as Access wrote them.
#include "test_util.h"

#include "jet/relationships.h"

namespace {

using jet_test::openDb;
using jet_test::openTable;

const jet::Relationship* find(const jet::RelationshipList& list, const std::string& name) {
    for (const auto& r : list.relationships)
        if (r.name == name) return &r;
    return nullptr;
}

// The same database saved as Jet 3 and Jet 4: Table1 refers to Table2 (cascading deletes) and to
// Table3 (cascading updates), one column each.
TEST(Relationships, JetThreeAndFourAgree) {
    for (const char* file : {"real/indexTestV1997.mdb", "real/indexTestV2000.mdb"}) {
        auto db = openDb(file);
        ASSERT_TRUE(db);
        auto rels = jet::readRelationships(*db);
        ASSERT_TRUE(rels) << rels.error().describe();
        EXPECT_EQ(rels->unreadableRows, 0u);
        const jet::Relationship* a = find(*rels, "Table2Table1");
        const jet::Relationship* b = find(*rels, "Table3Table1");
        ASSERT_TRUE(a && b) << file;
        EXPECT_EQ(a->table, "Table1");
        EXPECT_EQ(a->referencedTable, "Table2");
        ASSERT_EQ(a->columns.size(), 1u);
        EXPECT_EQ(a->columns[0].column, "otherfk1");
        EXPECT_EQ(a->columns[0].referencedColumn, "id");
        EXPECT_TRUE(a->enforced() && a->cascadeDeletes() && !a->cascadeUpdates() && !a->cascadeNulls()) << file;
        EXPECT_TRUE(a->complete);
        EXPECT_EQ(b->columns.at(0).column, "otherfk2");
        EXPECT_TRUE(b->enforced() && b->cascadeUpdates() && !b->cascadeDeletes()) << file;
        EXPECT_FALSE(a->oneToOne() || b->oneToOne());
    }
}

TEST(Relationships, NotEnforcedAndSystemOnes) {
    auto db = openDb("real/linkerTestV2007.accdb");
    ASSERT_TRUE(db);
    auto rels = jet::readRelationships(*db);
    ASSERT_TRUE(rels);
    const jet::Relationship* r = find(*rels, "Table1Table2");
    ASSERT_TRUE(r);
    EXPECT_FALSE(r->enforced());
    EXPECT_FALSE(r->cascadeUpdates() || r->cascadeDeletes());
    // The navigation pane's own relationships are there too; callers filter by table.
    const jet::Relationship* nav = find(*rels, "MSysNavPaneGroupsMSysNavPaneGroupToObjects");
    ASSERT_TRUE(nav);
    EXPECT_TRUE(nav->cascadeUpdates() && nav->cascadeDeletes());
}

TEST(Relationships, NoneInAFileWithoutThem) {
    auto db = openDb("jp_sample.mdb");
    ASSERT_TRUE(db);
    auto rels = jet::readRelationships(*db);
    ASSERT_TRUE(rels);
    EXPECT_TRUE(rels->relationships.empty());
}

// An enforced relationship gives the referring table a foreign-key index that names the other
// table's definition page and what cascades; plain and primary indexes carry none of it.
TEST(Relationships, ForeignKeyIndexesNameTheOtherSide) {
    for (const char* file : {"real/indexTestV1997.mdb", "real/indexTestV2000.mdb"}) {
        auto db = openDb(file);
        ASSERT_TRUE(db);
        auto t1 = openTable(*db, "Table1");
        auto t2 = openTable(*db, "Table2");
        auto t3 = openTable(*db, "Table3");
        ASSERT_TRUE(t1 && t2 && t3);
        int foreign = 0;
        for (const jet::Index& ix : t1->indexes()) {
            if (!ix.foreignKey) {
                EXPECT_EQ(ix.relatedTablePage, 0u) << ix.name;
                EXPECT_FALSE(ix.cascadeUpdates || ix.cascadeDeletes) << ix.name;
                continue;
            }
            ++foreign;
            if (ix.name == "Table2Table1") {
                EXPECT_EQ(ix.relatedTablePage, t2->tdefPage()) << file;
                EXPECT_TRUE(ix.cascadeDeletes && !ix.cascadeUpdates) << file;
            } else if (ix.name == "Table3Table1") {
                EXPECT_EQ(ix.relatedTablePage, t3->tdefPage()) << file;
                EXPECT_TRUE(ix.cascadeUpdates && !ix.cascadeDeletes) << file;
            } else {
                ADD_FAILURE() << "unexpected foreign key index " << ix.name;
            }
        }
        EXPECT_EQ(foreign, 2) << file;
    }
}

// Index directions: the Date/Time Extended fixture has one ascending and one descending index.
TEST(Relationships, IndexDirections) {
    auto db = openDb("real/extDateTestV2019.accdb");
    ASSERT_TRUE(db);
    auto t = openTable(*db, "Table1");
    ASSERT_TRUE(t);
    int seen = 0;
    for (const jet::Index& ix : t->indexes()) {
        if (ix.name == "DateExtAsc" || ix.name == "DateExtDesc") {
            ++seen;
            ASSERT_EQ(ix.columns.size(), 1u);
            EXPECT_EQ(t->columns()[ix.columns[0].column].name, "DateExt");
            EXPECT_EQ(ix.columns[0].ascending, ix.name == "DateExtAsc");
        }
    }
    EXPECT_EQ(seen, 2);
}

}  // namespace

namespace {

// The hidden table behind a complex column: one row per item, keyed by the cell's key.
TEST(ComplexItems, TheItemTableOfAMultiValueColumn) {
    auto db = jet_test::openDb("real/complexDataTestV2007.accdb");
    ASSERT_TRUE(db);
    auto t = jet_test::openTable(*db, "Table1");
    ASSERT_TRUE(t);
    const jet::Column* c = t->findColumn("multi-value-data");
    ASSERT_TRUE(c);
    auto items = db->complexItemTable(*c);
    ASSERT_TRUE(items) << items.error().describe();
    const jet::Column* value = items->table->findColumn("Value");
    ASSERT_TRUE(value);
    jet::Cursor cur(items->table, {items->keyColumn, value->displayIndex});
    std::map<int64_t, std::string> byKey;
    while (cur.next()) byKey[cur.value(0).asInt()] += std::string(cur.value(1).asText()) + " ";
    EXPECT_EQ(byKey[2], "value1 value4 ");
    EXPECT_EQ(byKey[3], "value1 value2 value3 value4 ");
    // No complex column, no item table.
    EXPECT_FALSE(db->complexItemTable(*t->findColumn("id")));
}

}  // namespace
