// The usage page and the about box.

#include "explorer/aboutbox.h"
#include "support/main_window_harness.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>

#include <gtest/gtest.h>

TEST(HelpPage, OpensThePageBesideTheProgramFromAnyDirectory)
{
    MainWindowHarness h;
    h.writeFile("tutor01.htm", "<html></html>");
    TfrmMain& w = h.start();
    const QString before = QDir::currentPath();
    QDir::setCurrent(QDir::rootPath());
    w.T1->trigger();
    QDir::setCurrent(before);
    ASSERT_EQ(h.dialogs.openedUrls.size(), 1u);
    EXPECT_EQ(h.dialogs.openedUrls[0].toLocalFile(), h.path("tutor01.htm"));
    EXPECT_TRUE(h.dialogs.messages.empty());
}

TEST(HelpPage, InstalledPageIsFoundInTheDataDirectory)
{
    QTemporaryDir root;
    ASSERT_TRUE(QDir(root.path()).mkpath("bin"));
    ASSERT_TRUE(QDir(root.path()).mkpath("share/norvik-tabulon"));
    QFile page(root.path() + "/share/norvik-tabulon/tutor01.htm");
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    page.close();
    ProgramDirs dirs{root.path() + "/bin/", root.path() + "/bin/"};
    EXPECT_EQ(QDir::cleanPath(dirs.helpPage()), root.path() + "/share/norvik-tabulon/tutor01.htm");
}

TEST(AboutBox, AFreshBoxEachTime)
{
    MainWindowHarness h;
    std::vector<const QDialog*> boxes;
    std::vector<QString> versions;
    h.dialogs.onExec = [&](QDialog& d) {
        boxes.push_back(&d);
        auto* box = qobject_cast<TAboutBox*>(&d);
        if (box)
            versions.push_back(box->Version->text());
        return int(QDialog::Accepted);
    };
    TfrmMain& w = h.start();
    w.btnHelp->click();
    w.About1->trigger();
    EXPECT_EQ(h.dialogs.shownDialogs, (std::vector<QString>{"AboutBox", "AboutBox"}));
    EXPECT_EQ(versions, (std::vector<QString>{"Version 1.0", "Version 1.0"}));
    // Released after each use.
    EXPECT_EQ(w.findChildren<TAboutBox*>().size(), 0);
}

TEST(AboutBox, Layout)
{
    TAboutBox box;
    EXPECT_EQ(box.windowTitle(), QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
    EXPECT_EQ(box.size(), QSize(342, 183));
    EXPECT_EQ(box.OKButton->text(), QStringLiteral("OK"));
    EXPECT_TRUE(box.OKButton->isDefault());
    EXPECT_FALSE(box.Image1->pixmap().isNull());
    EXPECT_FALSE(box.Image2->pixmap().isNull());
    box.show();
    box.OKButton->click();
    EXPECT_EQ(box.result(), QDialog::Accepted);
}
