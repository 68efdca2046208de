// The engine check at the first start: which class works, and that only the enabled button ends it.

#include "app/frminit.h"
#include "support/fake_dao.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

struct Checked {
    automation::Registry registry;
    std::shared_ptr<fakedao::Server> server = fakedao::Server::create();
    TfrmInit dialog{registry};

    explicit Checked(const QStringList& available)
    {
        for (const QString& name : available)
            server->registerAs(registry, name);
        dialog.setPauseMs(0);
        dialog.FormActivate();
    }
};

} // namespace

TEST(EngineCheck, FindsTheFirstWorkingClassInOrder)
{
    struct Case {
        QStringList available;
        QString found;
    };
    const Case cases[] = {
        {{"DAO.DBEngine.35", "DAO.DBEngine", "DAO.Private.DBEngine"}, "DAO.DBEngine.35"},
        {{"DAO.DBEngine"}, "DAO.DBEngine"},
        {{"DAO.Private.DBEngine", "DAO.DBEngine"}, "DAO.DBEngine"},
        {{"dao.private.dbengine"}, "DAO.Private.DBEngine"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.available.join(',').toStdString());
        Checked check(c.available);
        EXPECT_EQ(check.dialog.EngineClassName, c.found);
        EXPECT_TRUE(check.dialog.btnOk->isEnabled());
        EXPECT_FALSE(check.dialog.btnCancel->isEnabled());
        EXPECT_EQ(check.dialog.lblMsg->text(), QStringLiteral("この環境で Norvik Tabulonは正常に動作します。"));
    }
    EXPECT_EQ(TfrmInit::classNames(),
              (QStringList{"DAO.DBEngine.35", "DAO.DBEngine", "DAO.Private.DBEngine"}));
}

TEST(EngineCheck, NoWorkingClassLeavesOnlyCancel)
{
    Checked check({"Something.Else"});
    EXPECT_TRUE(check.dialog.EngineClassName.isEmpty());
    EXPECT_FALSE(check.dialog.btnOk->isEnabled());
    EXPECT_TRUE(check.dialog.btnCancel->isEnabled());
    EXPECT_EQ(check.dialog.lblMsg->text(), QStringLiteral("この環境で Norvik Tabulonはご使用できません。\n"
                                                          "DAO3032.DLLを正しくセットアップしてください。"));
}

TEST(EngineCheck, AFactoryThatThrowsCountsAsNotWorking)
{
    automation::Registry registry;
    registry.add(QStringLiteral("DAO.DBEngine.35"), []() -> automation::ObjectRef { throw std::runtime_error("x"); });
    auto server = fakedao::Server::create();
    server->registerAs(registry, QStringLiteral("DAO.Private.DBEngine"));
    TfrmInit dialog(registry);
    dialog.setPauseMs(0);
    dialog.FormActivate();
    EXPECT_EQ(dialog.EngineClassName, QStringLiteral("DAO.Private.DBEngine"));
}

TEST(EngineCheck, OnlyTheEnabledButtonEndsTheDialog)
{
    // Esc and Return act only through an enabled button; the close request is ignored.
    for (bool works : {true, false}) {
        SCOPED_TRACE(works);
        automation::Registry registry;
        auto server = fakedao::Server::create();
        if (works)
            server->registerAs(registry, QStringLiteral("DAO.DBEngine"));
        TfrmInit dialog(registry);
        dialog.setPauseMs(0);
        EXPECT_FALSE(dialog.windowFlags() & Qt::WindowCloseButtonHint);
        dialog.show();
        // The check runs once the dialog is shown.
        ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.btnOk->isEnabled() || dialog.btnCancel->isEnabled(); }, 3000));
        ASSERT_TRUE(dialog.btnOk->isEnabled() == works && dialog.btnCancel->isEnabled() == !works);

        QTest::keyClick(&dialog, works ? Qt::Key_Escape : Qt::Key_Return);
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_FALSE(dialog.close());
        EXPECT_TRUE(dialog.isVisible());

        QTest::keyClick(&dialog, works ? Qt::Key_Return : Qt::Key_Escape);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(dialog.result(), works ? QDialog::Accepted : QDialog::Rejected);
    }
}

TEST(EngineCheck, BeforeTheCheckBothButtonsAreDisabled)
{
    automation::Registry registry;
    TfrmInit dialog(registry);
    EXPECT_FALSE(dialog.btnOk->isEnabled());
    EXPECT_FALSE(dialog.btnCancel->isEnabled());
    EXPECT_TRUE(dialog.lblMsg->text().isEmpty());
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("初期化"));
    EXPECT_EQ(dialog.size(), QSize(373, 188));
}
