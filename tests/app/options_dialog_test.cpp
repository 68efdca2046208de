// The options dialog: the class name read with its default, written only on OK.

#include "app/frmoption.h"
#include "support/main_window_harness.h"

#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// Answers the options dialog: sets the text (when given), then OK or Cancel.
std::function<int(QDialog&)> answerOptions(std::optional<QString> text, bool ok, QString* shown = nullptr)
{
    return [=](QDialog& d) {
        auto* option = qobject_cast<TfrmOption*>(&d);
        if (!option)
            return int(QDialog::Rejected);
        if (shown)
            *shown = option->edtDAO->text();
        if (text)
            option->edtDAO->setText(*text);
        (ok ? option->BitBtn1 : option->BitBtn2)->click();
        return option->result();
    };
}

} // namespace

TEST(OptionsDialog, WithoutSettingsShowsTheDefaultAndOkCreatesTheFile)
{
    MainWindowHarness h;
    QString shown;
    h.dialogs.onExec = answerOptions(std::nullopt, true, &shown);
    TfrmMain& w = h.start();
    w.tmrDefault->stop();
    w.Option1->trigger();
    EXPECT_EQ(shown, QStringLiteral("DAO.DBEngine.35"));
    EXPECT_EQ(h.readFile("kelvro.ini"), QByteArray("[DAO]\nCLASS=DAO.DBEngine.35\n"));
}

TEST(OptionsDialog, OkWritesTheTextUnchangedAndCancelWritesNothing)
{
    struct Case {
        const char* what;
        std::optional<QString> text;
        bool ok;
        QByteArray after;
    };
    const QByteArray before = "; mine\r\n[DAO]\r\nCLASS=Old\r\n";
    const Case cases[] = {
        {"ok", QStringLiteral("New.Engine"), true, "; mine\r\n[DAO]\r\nCLASS=New.Engine\r\n"},
        {"ok with blanks", QStringLiteral(" spaced "), true, "; mine\r\n[DAO]\r\nCLASS= spaced \r\n"},
        {"ok with empty text", QString(), true, "; mine\r\n[DAO]\r\nCLASS=\r\n"},
        {"cancel after editing", QStringLiteral("Changed"), false, before},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MainWindowHarness h;
        h.writeFile("kelvro.ini", before);
        QString shown;
        h.dialogs.onExec = answerOptions(c.text, c.ok, &shown);
        TfrmMain& w = h.start();
        w.tmrDefault->stop();
        w.Option1->trigger();
        EXPECT_EQ(shown, QStringLiteral("Old"));
        EXPECT_EQ(h.readFile("kelvro.ini"), c.after);
        EXPECT_TRUE(h.dialogs.messages.empty());
    }
}

TEST(OptionsDialog, AWriteFailureIsReportedAndNothingElseChanges)
{
    MainWindowHarness h;
    ASSERT_TRUE(QDir(h.dir.path()).mkdir(QStringLiteral("kelvro.ini")));
    h.dialogs.onExec = answerOptions(QStringLiteral("X"), true);
    TfrmMain& w = h.start();
    w.tmrDefault->stop();
    w.Option1->trigger();
    ASSERT_EQ(h.dialogs.messages.size(), 1u);
    EXPECT_EQ(h.dialogs.messages[0].icon, Dialogs::Icon::Error);
    EXPECT_EQ(h.dialogs.messages[0].text, h.path("kelvro.ini") + QStringLiteral(" に書き込めません"));
    EXPECT_TRUE(QFileInfo(h.path("kelvro.ini")).isDir());
}

TEST(OptionsDialog, ChangingTheClassLeavesTheRunningEngineAlone)
{
    MainWindowHarness h;
    h.writeFile("kelvro.ini", "[DAO]\nCLASS=Fake\n");
    h.registry.add(QStringLiteral("Fake"), [] {
        struct Engine : automation::DispatchObject {
            Engine()
            {
                addMember(QStringLiteral("Workspaces"), [](automation::Invoke, std::span<const automation::Variant>) {
                    return automation::Variant(QStringLiteral("workspace"));
                });
            }
        };
        return automation::ObjectRef(std::make_shared<Engine>());
    });
    h.dialogs.onExec = answerOptions(QStringLiteral("Other"), true);
    TfrmMain& w = h.start();
    h.runDeferredStart();
    const automation::Variant engine = w.DBEngine;
    ASSERT_TRUE(engine.isObject());
    w.Option1->trigger();
    EXPECT_EQ(w.DBEngine, engine);
    EXPECT_EQ(h.readFile("kelvro.ini"), QByteArray("[DAO]\nCLASS=Other\n"));
}

TEST(OptionsDialog, LayoutAndKeys)
{
    TfrmOption d;
    EXPECT_EQ(d.windowTitle(), QStringLiteral("環境設定"));
    EXPECT_EQ(d.size(), QSize(309, 239));
    EXPECT_EQ(d.PageControl1->tabText(0), QStringLiteral("ＤＡＯ"));
    EXPECT_EQ(d.GroupBox1->title(), QStringLiteral("DAOのクラス名"));
    EXPECT_EQ(d.BitBtn1->text(), QStringLiteral("OK"));
    EXPECT_EQ(d.BitBtn2->text(), QStringLiteral("ｷｬﾝｾﾙ"));
    EXPECT_TRUE(d.BitBtn1->isDefault());
    EXPECT_EQ(d.edtDAO->geometry(), QRect(16, 24, 261, 20));
    d.show();
    QTest::keyClick(&d, Qt::Key_Escape);
    EXPECT_EQ(d.result(), QDialog::Rejected);
    EXPECT_FALSE(d.isVisible());
    d.show();
    QTest::keyClick(&d, Qt::Key_Return);
    EXPECT_EQ(d.result(), QDialog::Accepted);
}
