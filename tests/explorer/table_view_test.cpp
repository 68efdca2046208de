// Opening a database: which tables get a tab, the field page of the current table, moving
// between tabs, and the quiet cases (no tab left, tabs of a database that failed to open).

#include "explorer_fixture.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QTabWidget>
#include <QToolButton>

using namespace explorertest;
using fakedao::FieldDef;

namespace {

const QString kOpenFailed = QStringLiteral("データベースの開設に失敗しました。");
const QString kNoTables = QStringLiteral("このデータベースにテーブルはありません。");

struct AttributeCase {
    std::int32_t attributes;
    bool listedJet3;     // whole values 0x80000000 and 2 are left out
    bool listedNewer;    // Jet 4 and ACE: bit 0x80000000 or bit 0x2 leaves a table out
};

const AttributeCase kAttributes[] = {
    {INT32_MIN, false, false},
    {2, false, false},
    {0, true, true},
    {1, true, true},
    {3, true, false},
    {-2, true, false},
    {0xA, true, false},                                   // MSysNavPane*, MSysAccessStorage
    {static_cast<std::int32_t>(0x80030000u), true, false}, // MSysComplexType_*
    {static_cast<std::int32_t>(0x800A0000u), true, false}, // data tables of complex columns
    {0x4000A, true, false},                               // MSysResources
    {INT32_MIN | 2, true, false},
    {INT32_MIN | 1, true, false},
    {0x40000, true, true},                                // a user table of an .accdb
    {0x20000000, true, true},
    {0x7FFFFFFD, true, true},                             // every bit but the two
    {INT32_MAX, true, false},
};

} // namespace

TEST(TableTabs, SystemTablesAreLeftOutByTheRuleOfTheFileVersion)
{
    struct VersionCase {
        const char* version;     // nullptr: the engine does not answer Version
        bool newer;
    };
    const VersionCase versions[] = {
        {"3.0", false}, {"4.0", true}, {"12.0", true}, {"16.0", true}, {" 4.0 ", true},
        {" ", false},  {"x", false},  {nullptr, false}, {"2.5", false}, {"3.5", false},
    };
    for (const VersionCase& v : versions) {
        SCOPED_TRACE(v.version ? v.version : "(no Version)");
        fakedao::DatabaseDef db;
        db.path = kSamplePath;
        db.version = v.version ? QString::fromLatin1(v.version) : QString();
        QStringList expected;
        for (const AttributeCase& c : kAttributes) {
            const QString name = QStringLiteral("T%1").arg(c.attributes);
            db.tables.push_back(numberedTable(name, 1, c.attributes));
            if (v.newer ? c.listedNewer : c.listedJet3)
                expected << name;
        }
        Explorer e({db});
        e.open();
        EXPECT_EQ(e.tabs(), expected);
        EXPECT_EQ(Explorer::items(e.w->lstTables), expected);
        EXPECT_EQ(e.w->tabTables->currentIndex(), 0);
        EXPECT_TRUE(e.h.dialogs.messages.empty());
    }
}

TEST(TableTabs, OpeningShowsTheEntryAndOpensReadOnly)
{
    Explorer e;
    e.open();
    EXPECT_TRUE(e.w->DatabaseOpen);
    EXPECT_EQ(e.w->pnlDatabase->text(), QStringLiteral("sample.mdb"));
    EXPECT_EQ(e.w->StatusPanel->text(), kSamplePath);
    ASSERT_EQ(e.server->lastOpenDatabaseArgs.size(), 3u);
    EXPECT_EQ(e.server->lastOpenDatabaseArgs[0], automation::Variant(kSamplePath));
    EXPECT_EQ(e.server->lastOpenDatabaseArgs[1].type(), automation::Variant::Type::Missing);
    EXPECT_EQ(e.server->lastOpenDatabaseArgs[2], automation::Variant(true));
    EXPECT_EQ(e.tabs(), (QStringList{"AllTypes", "Mixed", "Empty", "Forty Two", "Hundred", "Many", "社員", "FortyTwo"}));
}

TEST(FieldPage, ShowsNameTypeSizeDescriptionAndTheFirstIndexKeys)
{
    Explorer e;
    EXPECT_TRUE(e.w->lsvFields->isHeaderHidden());
    e.open();
    EXPECT_FALSE(e.w->lsvFields->isHeaderHidden());

    struct Row {
        const char* name;
        const char* type;
        const char* size;
        const char* comment;     // nullptr: no description property
        bool key;
    };
    // The first index is ByName (Name, Short); the primary key on Counter comes second.
    const Row expected[] = {
        {"Counter", "カウンタ  (LongInt)", "4", "自動採番", false},
        {"Flag", "Yes/No    (Bool)", "1", "はい/いいえ", false},
        {"Small", "バイト    (Byte)", "1", nullptr, false},
        {"Short", "整数      (ShortInt)", "2", nullptr, true},
        {"Long", "長整数    (LongInt)", "4", nullptr, false},
        {"Money", "通貨      (Currency)", "8", nullptr, false},
        {"Single", "単精度実数(Single)", "4", nullptr, false},
        {"Double", "倍精度実数(Double)", "8", nullptr, false},
        {"When", "日付      (Date)", "8", nullptr, false},
        {"Bin", "?", "255", nullptr, false},
        {"Name", "文字列    (String)", "50", "氏名", true},
        {"Picture", "OLE       (Object)", "0", nullptr, false},
        {"Notes", "メモ      (Text)", "0", nullptr, false},
        {"Guid", "?", "16", nullptr, false},
        {"Big", "?", "8", nullptr, false},
        {"Exact", "?", "16", nullptr, false},
        {"Odd", "?", "0", nullptr, false},
        {"Negative", "?", "0", nullptr, false},
    };
    ASSERT_EQ(e.w->lsvFields->topLevelItemCount(), static_cast<int>(std::size(expected)));
    const QImage keyImage = e.w->ImageList1.value(2).pixmap(16).toImage();
    const QImage dotImage = e.w->ImageList1.value(1).pixmap(16).toImage();
    for (int i = 0; i < static_cast<int>(std::size(expected)); ++i) {
        const Row& r = expected[i];
        const QTreeWidgetItem* item = e.w->lsvFields->topLevelItem(i);
        SCOPED_TRACE(r.name);
        EXPECT_EQ(item->text(0), QString::fromUtf8(r.name));
        EXPECT_EQ(item->text(1), QString::fromUtf8(r.type));
        EXPECT_EQ(item->text(2), QString::fromUtf8(r.size));
        EXPECT_EQ(item->text(3), r.comment ? QString::fromUtf8(r.comment) : QString());
        EXPECT_EQ(item->icon(0).pixmap(16).toImage(), r.key ? keyImage : dotImage);
        // The grid's header row follows the field list even on the field page.
        EXPECT_EQ(e.cell(0, i), QString::fromUtf8(r.name));
    }
    EXPECT_EQ(e.gridColumns(), static_cast<int>(std::size(expected)));
}

TEST(FieldPage, CounterFieldAndMemoSizeFollowTheEngine)
{
    fakedao::DatabaseDef db;
    db.path = kSamplePath;
    fakedao::TableDef t;
    t.name = QStringLiteral("T");
    t.fields = {FieldDef::make(QStringLiteral("Auto"), fakedao::dbLong), FieldDef::make(QStringLiteral("Memo"), fakedao::dbMemo, {}, 7),
                FieldDef::make(QStringLiteral("Mixed"), fakedao::dbLong)};
    t.fields[0].attributes = fakedao::dbAutoIncrField | 1;
    t.fields[2].attributes = 1 | 32;     // other bits, no counter
    db.tables.push_back(t);
    Explorer e({db});
    e.open();
    ASSERT_EQ(e.w->lsvFields->topLevelItemCount(), 3);
    EXPECT_EQ(e.w->lsvFields->topLevelItem(0)->text(1), QStringLiteral("カウンタ  (LongInt)"));
    EXPECT_EQ(e.w->lsvFields->topLevelItem(1)->text(2), QStringLiteral("7"));
    EXPECT_EQ(e.w->lsvFields->topLevelItem(2)->text(1), QStringLiteral("長整数    (LongInt)"));
    // A table without indexes marks nothing and asks for no index.
    EXPECT_EQ(e.server->callCount(QStringLiteral("Index.Fields")), 0);
}

TEST(FieldPage, ADescriptionIsTakenOnlyFromThePropertyNamedExactlySo)
{
    fakedao::DatabaseDef db;
    db.path = kSamplePath;
    fakedao::TableDef t;
    t.name = QStringLiteral("T");
    FieldDef lower = FieldDef::make(QStringLiteral("Lower"), fakedao::dbText);
    lower.properties.push_back({QStringLiteral("description"), automation::Variant("not this")});
    FieldDef twice = FieldDef::make(QStringLiteral("Twice"), fakedao::dbText, QStringLiteral("first"));
    twice.properties.push_back({QStringLiteral("Description"), automation::Variant("second")});
    FieldDef nullDescription = FieldDef::make(QStringLiteral("Null"), fakedao::dbText);
    nullDescription.properties.push_back({QStringLiteral("Description"), automation::Variant::null()});
    t.fields = {lower, twice, nullDescription};
    db.tables.push_back(t);
    Explorer e({db});
    e.open();
    EXPECT_EQ(e.w->lsvFields->topLevelItem(0)->text(3), QString());
    EXPECT_EQ(e.w->lsvFields->topLevelItem(1)->text(3), QStringLiteral("first"));
    EXPECT_EQ(e.w->lsvFields->topLevelItem(2)->text(3), QString());
}

TEST(TableTabs, NextAndPreviousWrapAroundForEverySender)
{
    fakedao::DatabaseDef db;
    db.path = kSamplePath;
    for (const char* name : {"A", "B", "C"})
        db.tables.push_back(numberedTable(QString::fromLatin1(name), 1));
    db.tables[1].fields[1].name = QStringLiteral("OnlyInB");
    Explorer e({db});
    e.open();

    struct Case {
        const char* sender;
        int from;
        int to;
    };
    const Case cases[] = {
        {"btnNext", 2, 0}, {"Next1", 2, 0}, {"Next2", 2, 0}, {"btnNext", 0, 1},
        {"btnPrev", 0, 2}, {"Prev1", 0, 2}, {"Prev2", 0, 2}, {"Prev2", 2, 1},
        {"SomethingElse", 1, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sender);
        e.w->tabTables->setCurrentIndex(c.from);
        e.run([&] { e.w->tabTablesChange(e.w->tabTables); });
        QObject sender;
        sender.setObjectName(QString::fromLatin1(c.sender));
        e.run([&] { e.w->Next1Click(&sender); });
        EXPECT_EQ(e.w->tabTables->currentIndex(), c.to);
        // The field list follows the new tab.
        EXPECT_EQ(e.fieldNames().value(1), c.to == 1 ? QStringLiteral("OnlyInB") : QStringLiteral("名前"));
    }
    EXPECT_TRUE(e.h.dialogs.messages.empty());
}

TEST(TableTabs, NextWithoutTabsDoesNothing)
{
    Explorer e;
    e.run([&] { e.w->Next1Click(e.w->btnNext); });
    EXPECT_EQ(e.w->tabTables->count(), 0);
    EXPECT_TRUE(e.h.dialogs.messages.empty());
}

TEST(FieldPage, Copy3CopiesTheSelectedFieldName)
{
    Explorer e;
    e.open();
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    e.run([&] { e.w->Copy3Click(e.w->btnCopy3); });
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("before"));   // nothing selected
    e.w->lsvFields->topLevelItem(10)->setSelected(true);
    for (QObject* sender : {static_cast<QObject*>(e.w->btnCopy3), static_cast<QObject*>(e.w->Copy3),
                            static_cast<QObject*>(e.w->Copy6)}) {
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        e.run([&] { e.w->Copy3Click(sender); });
        EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("Name"));
    }
}

TEST(TableTabs, AFailedOpenKeepsTheOldTabsAndNeverTouchesTheClosedDatabase)
{
    Explorer e;
    e.open();
    const QStringList before = e.tabs();
    const QStringList fields = e.fieldNames();
    e.open(QStringLiteral("/data/missing.mdb"));
    EXPECT_EQ(e.messageTexts(), std::vector<QString>{kOpenFailed});
    EXPECT_EQ(e.h.dialogs.messages.back().caption, QStringLiteral("ｴﾗｰ"));
    EXPECT_EQ(e.h.dialogs.messages.back().icon, Dialogs::Icon::Error);
    EXPECT_FALSE(e.w->DatabaseOpen);
    EXPECT_EQ(e.server->openDatabases, 0);
    EXPECT_EQ(e.tabs(), before);
    EXPECT_EQ(e.fieldNames(), fields);
    EXPECT_EQ(e.w->pnlDatabase->text(), QStringLiteral("missing.mdb"));
    EXPECT_EQ(e.w->StatusPanel->text(), QStringLiteral("/data/missing.mdb"));
    EXPECT_TRUE(e.w->lstTables->count() == 0 && e.w->lstFields->count() == 0);

    // Changing tabs, on either page, asks the engine nothing and shows nothing.
    const qsizetype calls = e.server->calls().size();
    e.run([&] { e.w->Next1Click(e.w->btnNext); });
    e.showDataPage();
    e.run([&] { e.w->Next1Click(e.w->btnNext); });
    EXPECT_EQ(e.server->calls().size(), calls);
    EXPECT_TRUE(e.fieldNames().isEmpty());
    EXPECT_EQ(e.h.dialogs.messages.size(), 1u);
    // Closing the program closes nothing more.
    e.h.finish();
    EXPECT_EQ(e.server->callCount(QStringLiteral("Database.Close")), 1);
}

TEST(TableTabs, EveryTableSkippedLeavesAnEmptyViewQuietly)
{
    fakedao::DatabaseDef db;
    db.path = QStringLiteral("/data/system-only.mdb");
    db.tables = {numberedTable(QStringLiteral("MSysA"), 3, INT32_MIN), numberedTable(QStringLiteral("Hidden"), 3, 2)};
    Explorer e({sampleDatabase(), db});
    e.open();
    e.showDataPage();
    e.open(db.path);
    EXPECT_TRUE(e.h.dialogs.messages.empty());
    EXPECT_TRUE(e.w->DatabaseOpen);
    EXPECT_TRUE(e.tabs().isEmpty());
    EXPECT_TRUE(e.fieldNames().isEmpty());
    EXPECT_TRUE(e.w->TableDef.isEmpty());
    // Nothing of the previous database stays in the grid, and no query ran.
    EXPECT_EQ(e.gridRows(), 2);
    EXPECT_EQ(e.gridRow(0), (QStringList{"", ""}));
    EXPECT_EQ(e.gridRow(1), (QStringList{"", ""}));
    EXPECT_EQ(e.server->lastSql, QStringLiteral("SELECT * FROM [AllTypes]"));
    e.run([&] { e.w->Next1Click(e.w->btnNext); });
    e.w->PageControl1->setCurrentWidget(e.w->TabSheet1);
    e.showDataPage();
    EXPECT_TRUE(e.h.dialogs.messages.empty());
}

TEST(TableTabs, ADatabaseWithoutTablesKeepsThePreviousTabs)
{
    fakedao::DatabaseDef empty;
    empty.path = QStringLiteral("/data/empty.mdb");
    Explorer e({sampleDatabase(), empty});
    e.open();
    const QStringList before = e.tabs();
    e.open(empty.path);
    EXPECT_EQ(e.messageTexts(), std::vector<QString>{kNoTables});
    EXPECT_EQ(e.h.dialogs.messages.back().caption, QStringLiteral("情報"));
    EXPECT_EQ(e.h.dialogs.messages.back().icon, Dialogs::Icon::Information);
    EXPECT_TRUE(e.w->DatabaseOpen);
    EXPECT_EQ(e.tabs(), before);
    // Those tabs name tables of the closed database: a tab change shows nothing, without error.
    e.run([&] { e.w->Next1Click(e.w->btnNext); });
    EXPECT_TRUE(e.fieldNames().isEmpty());
    EXPECT_EQ(e.h.dialogs.messages.size(), 1u);
}

TEST(TableTabs, OpeningAgainClosesFirstAndReturnsToTheFirstTab)
{
    Explorer e;
    e.open();
    e.selectTab(QStringLiteral("Hundred"));
    e.open();
    EXPECT_EQ(e.server->callCount(QStringLiteral("Database.Close")), 1);
    EXPECT_EQ(e.server->openDatabases, 1);
    EXPECT_EQ(e.w->tabTables->currentIndex(), 0);
    EXPECT_EQ(e.fieldNames().value(0), QStringLiteral("Counter"));
    EXPECT_TRUE(e.w->ShownTable.isEmpty());
}

TEST(TableTabs, NothingSelectedInTheListOpensNothing)
{
    Explorer e;
    e.w->addDatabaseEntry(kSamplePath);
    e.run([&] { e.w->lsvDatabasesDblClick(e.w->lsvDatabases); });
    EXPECT_EQ(e.server->callCount(QStringLiteral("Workspace.OpenDatabase")), 0);
    EXPECT_FALSE(e.w->DatabaseOpen);
}

TEST(TableTabs, WithoutAnEngineOpeningFailsWithTheOpenMessage)
{
    MainWindowHarness h;
    h.writeFile(QStringLiteral("kelvro.ini"), "[DAO]\nCLASS=No.Such.Class\n");
    TfrmMain& w = h.start();
    h.runDeferredStart();
    h.dialogs.messages.clear();
    w.addDatabaseEntry(kSamplePath);
    w.lsvDatabases->topLevelItem(0)->setSelected(true);
    w.runHandler([&] { w.lsvDatabasesDblClick(w.lsvDatabases); });
    ASSERT_EQ(h.dialogs.messages.size(), 1u);
    EXPECT_EQ(h.dialogs.messages[0].text, kOpenFailed);
    EXPECT_FALSE(w.DatabaseOpen);
}

TEST(TableTabs, AFailingCloseDoesNotKeepTheOldDatabase)
{
    Explorer e;
    e.open();
    e.server->failAt({QStringLiteral("Database.Close"), 1, QStringLiteral("Close failed.")});
    e.open();
    EXPECT_EQ(e.messageTexts(), std::vector<QString>{QStringLiteral("Close failed.")});
    EXPECT_FALSE(e.w->DatabaseOpen);
    e.open();
    EXPECT_TRUE(e.w->DatabaseOpen);
    EXPECT_EQ(e.h.dialogs.messages.size(), 1u);
}

TEST(FieldPage, AnEngineErrorEndsTheTableChangeCleanly)
{
    Explorer e;
    e.open();
    e.server->failAt({QStringLiteral("Field.Size"), 3, QStringLiteral("Disk error.")});
    e.selectTab(QStringLiteral("AllTypes"));
    EXPECT_EQ(e.messageTexts(), std::vector<QString>{QStringLiteral("Disk error.")});
    EXPECT_TRUE(e.w->lsvFields->updatesEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(FieldPage, OnTheDataPageATabChangeLoadsItsRows)
{
    Explorer e;
    e.open();
    e.showDataPage();
    EXPECT_EQ(e.w->ShownTable, QStringLiteral("AllTypes"));
    e.selectTab(QStringLiteral("社員"));
    EXPECT_EQ(e.server->lastSql, QStringLiteral("SELECT * FROM [社員]"));
    EXPECT_EQ(e.w->ShownTable, QStringLiteral("社員"));
    EXPECT_EQ(e.gridRows(), 4);
    // On the field page only the header row and the column count change.
    e.w->PageControl1->setCurrentWidget(e.w->TabSheet1);
    e.selectTab(QStringLiteral("AllTypes"));
    EXPECT_EQ(e.gridColumns(), 18);
    EXPECT_EQ(e.cell(0, 2), QStringLiteral("Small"));
    EXPECT_EQ(e.cell(1, 1), QStringLiteral("行1"));
    EXPECT_EQ(e.gridRows(), 4);
    EXPECT_EQ(e.w->ShownTable, QStringLiteral("社員"));
}
