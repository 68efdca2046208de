// The deferred start: first run with the engine check, the engine created from the settings
// file, and what happens when it cannot be created.

#include "app/frmoption.h"
#include "support/fake_dao.h"
#include "support/main_window_harness.h"

#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

const QString kAutomationFailed = QStringLiteral("オートメーション通信に失敗しました。\r環境設定で正しい設定をしてください。");

// Plays the user at the engine check: waits for the check, then presses the enabled button.
int acknowledgeEngineCheck(QDialog& dialog)
{
    auto* init = qobject_cast<TfrmInit*>(&dialog);
    if (!init)
        return QDialog::Rejected;
    init->FormActivate();
    (init->btnOk->isEnabled() ? init->btnOk : init->btnCancel)->click();
    return init->result();
}

} // namespace

TEST(DeferredStart, FirstRunCancelledEndsTheProgramWithoutSettings)
{
    MainWindowHarness h;
    h.dialogs.onExec = acknowledgeEngineCheck;
    TfrmMain& w = h.start();
    w.show();
    h.runDeferredStart();
    EXPECT_EQ(h.dialogs.shownDialogs, std::vector<QString>{"frmInit"});
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(QFileInfo::exists(h.path("kelvro.ini")));
    EXPECT_TRUE(h.dialogs.messages.empty());
    h.finish();
    // The list is still written on the way out.
    EXPECT_TRUE(QFileInfo::exists(h.path("mdb.dat")));
    EXPECT_EQ(QFileInfo(h.path("mdb.dat")).size(), 0);
}

TEST(DeferredStart, FirstRunConfirmedWritesTheClassFoundAndCreatesTheEngine)
{
    MainWindowHarness h;
    auto server = fakedao::Server::create();
    server->registerAs(h.registry, QStringLiteral("DAO.DBEngine"));    // only the second name works
    h.dialogs.onExec = acknowledgeEngineCheck;
    TfrmMain& w = h.start();
    w.show();
    h.runDeferredStart();
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(h.dialogs.messages.empty());
    EXPECT_EQ(h.readFile("kelvro.ini"), QByteArray("[DAO]\nCLASS=DAO.DBEngine\n"));
    ASSERT_TRUE(w.DBEngine.isObject());
    ASSERT_TRUE(w.Workspace.isObject());
    // One engine for the check, released at once, and one for use.
    EXPECT_EQ(server->callCount(QStringLiteral("Server.CreateObject")), 2);
    EXPECT_EQ(server->callCount(QStringLiteral("DBEngine.Workspaces")), 1);
}

TEST(DeferredStart, ExistingSettingsCreateTheEngineWithoutTheCheck)
{
    MainWindowHarness h;
    auto server = fakedao::Server::create();
    server->registerAs(h.registry, QStringLiteral("Fake.Engine"));
    h.writeFile("kelvro.ini", "[DAO]\r\nCLASS=Fake.Engine\r\n");
    TfrmMain& w = h.start();
    h.runDeferredStart();
    EXPECT_TRUE(h.dialogs.shownDialogs.empty());
    EXPECT_TRUE(h.dialogs.messages.empty());
    EXPECT_TRUE(w.Workspace.isObject());
    EXPECT_FALSE(w.tmrDefault->isActive());
}

// Every way the engine cannot be had ends in the same box, then the options dialog.
TEST(DeferredStart, EngineFailuresShowTheBoxThenTheOptionsDialog)
{
    struct Case {
        const char* what;
        QByteArray ini;
        std::function<void(automation::Registry&, fakedao::Server&)> setup;
    };
    const Case cases[] = {
        {"unknown class", "[DAO]\nCLASS=No.Such.Class\n", {}},
        {"empty class", "[DAO]\nCLASS=\n", {}},
        {"no key", "[Other]\nCLASS=Fake.Engine\n", {}},
        {"absurd class", QByteArray("[DAO]\nCLASS=") + QByteArray(5000, '\x7f') + "\n", {}},
        {"factory throws", "[DAO]\nCLASS=Broken\n",
         [](automation::Registry& r, fakedao::Server&) {
             r.add(QStringLiteral("Broken"), []() -> automation::ObjectRef { throw std::runtime_error("no server"); });
         }},
        {"factory returns nothing", "[DAO]\nCLASS=Null\n",
         [](automation::Registry& r, fakedao::Server&) {
             r.add(QStringLiteral("Null"), []() -> automation::ObjectRef { return nullptr; });
         }},
        {"workspace fails", "[DAO]\nCLASS=Fake.Engine\n",
         [](automation::Registry& r, fakedao::Server& s) {
             s.registerAs(r, QStringLiteral("Fake.Engine"));
             s.failAt({QStringLiteral("Workspaces"), 1, QStringLiteral("boom")});
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MainWindowHarness h;
        auto server = fakedao::Server::create();
        if (c.setup)
            c.setup(h.registry, *server);
        h.writeFile("kelvro.ini", c.ini);
        QString optionText;
        h.dialogs.onExec = [&](QDialog& d) {
            if (auto* option = qobject_cast<TfrmOption*>(&d))
                optionText = option->edtDAO->text();
            return int(QDialog::Rejected);
        };
        TfrmMain& w = h.start();
        w.show();
        h.runDeferredStart();
        ASSERT_EQ(h.dialogs.messages.size(), 1u);
        EXPECT_EQ(h.dialogs.messages[0].icon, Dialogs::Icon::Error);
        EXPECT_EQ(h.dialogs.messages[0].caption, QStringLiteral("ｴﾗｰ"));
        EXPECT_EQ(h.dialogs.messages[0].text, kAutomationFailed);
        EXPECT_EQ(h.dialogs.shownDialogs, std::vector<QString>{"frmOption"});
        EXPECT_TRUE(w.isVisible());
        EXPECT_TRUE(w.DBEngine.isEmpty());
        EXPECT_TRUE(w.Workspace.isEmpty());
        EXPECT_EQ(h.readFile("kelvro.ini"), c.ini);   // cancelled: the file is as it was
    }
}

TEST(DeferredStart, UnreadableSettingsAreReportedAndKept)
{
    MainWindowHarness h;
    // A folder in the file's place cannot be read (the tests may run as root).
    ASSERT_TRUE(QDir(h.dir.path()).mkdir(QStringLiteral("kelvro.ini")));
    h.dialogs.onExec = [](QDialog& d) {
        if (auto* option = qobject_cast<TfrmOption*>(&d)) {
            option->edtDAO->setText(QStringLiteral("DAO.DBEngine"));
            return int(QDialog::Accepted);
        }
        return int(QDialog::Rejected);
    };
    TfrmMain& w = h.start();
    w.show();
    h.runDeferredStart();
    ASSERT_EQ(h.dialogs.messages.size(), 3u);
    EXPECT_TRUE(h.dialogs.messages[0].text.contains(QStringLiteral("を読み込めません")));
    EXPECT_EQ(h.dialogs.messages[1].text, kAutomationFailed);
    EXPECT_EQ(h.dialogs.messages[2].text, h.path("kelvro.ini") + QStringLiteral(" に書き込めません"));
    EXPECT_TRUE(QFileInfo(h.path("kelvro.ini")).isDir());
    EXPECT_TRUE(w.isVisible());
}

TEST(DeferredStart, FirstRunWithUnwritableSettingsStillUsesTheClassFound)
{
    MainWindowHarness h;
    auto server = fakedao::Server::create();
    server->registerAs(h.registry, QStringLiteral("DAO.DBEngine.35"));
    h.dialogs.onExec = acknowledgeEngineCheck;
    TfrmMain::Environment env;
    env.dirs.exeDir = h.dir.path() + QStringLiteral("/");
    env.dirs.dataDir = h.dir.path() + QStringLiteral("/missing/folder/");
    env.dialogs = &h.dialogs;
    env.registry = &h.registry;
    h.main = std::make_unique<TfrmMain>(env);
    h.init = std::make_unique<TfrmInit>(h.registry);
    h.init->setPauseMs(0);
    h.main->setInitForm(h.init.get());
    h.runDeferredStart();
    ASSERT_GE(h.dialogs.messages.size(), 1u);
    EXPECT_TRUE(h.dialogs.messages[0].text.endsWith(QStringLiteral(" に書き込めません")));
    EXPECT_TRUE(h.main->Workspace.isObject());
}

TEST(DeferredStart, ClosingClosesTheOpenDatabaseOnlyWhenOneIsOpen)
{
    for (bool open : {false, true}) {
        SCOPED_TRACE(open);
        MainWindowHarness h;
        auto server = fakedao::Server::create();
        server->addDatabase(fakedao::sampleDatabase(QStringLiteral("/s.mdb")));
        server->registerAs(h.registry, QStringLiteral("Fake"));
        h.writeFile("kelvro.ini", "[DAO]\nCLASS=Fake\n");
        TfrmMain& w = h.start();
        h.runDeferredStart();
        ASSERT_TRUE(w.Workspace.isObject());
        if (open) {
            w.Database = automation::call(w.Workspace, QStringLiteral("OpenDatabase"),
                                          {automation::Variant(QStringLiteral("/s.mdb")), automation::Variant::missing(),
                                           automation::Variant(true)});
            w.DatabaseOpen = true;
        }
        h.finish();
        EXPECT_EQ(server->callCount(QStringLiteral("Database.Close")), open ? 1 : 0);
        EXPECT_EQ(server->openDatabases, 0);
        EXPECT_TRUE(QFileInfo::exists(h.path("mdb.dat")));
    }
}
