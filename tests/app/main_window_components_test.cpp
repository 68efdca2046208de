// The names, captions, tooltips and shortcuts of the main window: handlers tell commands apart by
// these names and users know the window by these texts.

#include "explorer/table_tabs.h"
#include "support/main_window_harness.h"

#include <QAction>
#include <QCoreApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

struct ButtonCase {
    const char* name;
    int x;
    const char* tip;
    bool checkable;
};

struct ItemCase {
    const char* menu;      // objectName of the menu the item is in
    const char* name;      // "-" for a separator
    const char* caption;
    const char* shortcut;  // portable text, empty for none
};

const ButtonCase kButtons[] = {
    {"btnOpen", 4, "MDBを開く", false},
    {"btnDelete", 29, "一覧から削除する", false},
    {"btnCopy1", 60, "ﾌｧｲﾙ名をｺﾋﾟｰする", false},
    {"btnCopy2", 85, "ﾌｧｲﾙ名をﾌﾙﾊﾟｽでｺﾋﾟｰする", false},
    {"btnPrint", 116, "印刷します", false},
    {"btnPreview", 141, "印刷ﾌﾟﾚﾋﾞｭｰを表示します", false},
    {"btnCopy3", 172, "ﾌｨｰﾙﾄﾞ名をｺﾋﾟｰする", false},
    {"btnPrev", 197, "前のページ", false},
    {"btnNext", 222, "次のﾍﾟｰｼﾞへ", false},
    {"btnStyle", 254, "ﾃｰﾌﾞﾙの表示方法を変更する", true},
    {"btnField", 287, "フィールド表示", true},
    {"btnData", 313, "データ表示", true},
    {"btnHelp", 348, "ﾊﾞｰｼﾞｮﾝ情報", false},
};

const ItemCase kItems[] = {
    {"File1", "Open1", "開く(&O)...", "Ctrl+O"},
    {"File1", "PrintPreview1", "印刷ﾌﾟﾚﾋﾞｭｰ...", ""},
    {"File1", "Print1", "印刷(&P)", ""},
    {"File1", "-", "", ""},
    {"File1", "Delete2", "削除(&D)", "Ctrl+Del"},
    {"File1", "-", "", ""},
    {"File1", "Close1", "閉じる(&X)", "Shift+F4"},
    {"Edit1", "Copy4", "ﾌｧｲﾙ名のｺﾋﾟｰ(&C)", ""},
    {"Edit1", "Copy5", "ﾌｧｲﾙ名をﾌﾙﾊﾟｽでｺﾋﾟｰ(&F)", ""},
    {"Edit1", "-", "", ""},
    {"Edit1", "Copy6", "ﾌｨｰﾙﾄﾞ名をｺﾋﾟｰ", "Ctrl+C"},
    {"Edit1", "-", "", ""},
    {"Edit1", "Next2", "次ﾍﾟｰｼﾞへ", "Ctrl+N"},
    {"Edit1", "Prev2", "前ﾍﾟｰｼﾞへ", "Ctrl+P"},
    {"Edit1", "-", "", ""},
    {"Edit1", "Option1", "環境設定(&O)...", ""},
    {"Help1", "T1", "使い方(&T)..", ""},
    {"Help1", "-", "", ""},
    {"Help1", "About1", "ﾊﾞｰｼﾞｮﾝ情報(&A)...", ""},
    {"PopupMenu1", "Add1", "追加(&A)...", ""},
    {"PopupMenu1", "Delete1", "削除(&D)", ""},
    {"PopupMenu1", "-", "", ""},
    {"PopupMenu1", "Copy1", "ﾌｧｲﾙ名をｺﾋﾟｰ(&C)", ""},
    {"PopupMenu1", "Copy2", "ﾌｧｲﾙ名をﾌﾙﾊﾟｽでｺﾋﾟｰ(&F)", ""},
    {"PopupMenu2", "Copy3", "ｺﾋﾟｰ(&C)", "Ctrl+C"},
    {"PopupMenu2", "-", "", ""},
    {"PopupMenu2", "Next1", "次のﾍﾟｰｼﾞ(&N)", ""},
    {"PopupMenu2", "Prev1", "前のﾍﾟｰｼﾞ(&P)", ""},
    {"PopupMenu3", "Copy7", "ｺﾋﾟｰ(&C)", "Ctrl+C"},
    {"PopupMenu3", "Paste1", "貼り付け(&V)", "Ctrl+V"},
    {"PopupMenu3", "N8", "", ""},
    {"PopupMenu3", "SELECT1", "&SELECT", ""},
    {"PopupMenu3", "Ast1", "&*", ""},
    {"PopupMenu3", "FROM1", "&FROM", ""},
    {"PopupMenu3", "WHERE1", "&WHERE", ""},
    {"PopupMenu3", "LIKE1", "&LIKE", ""},
    {"PopupMenu3", "AND1", "&AND", ""},
    {"PopupMenu3", "OR1", "&OR", ""},
    {"PopupMenu3", "NOT1", "&NOT", ""},
};

} // namespace

TEST(MainWindowComponents, NamesCaptionsTooltipsAndShortcutsAreTheKnownOnes)
{
    MainWindowHarness h;
    TfrmMain& w = h.start();

    EXPECT_EQ(w.windowTitle(), QStringLiteral("Norvik Tabulon"));

    // Toolbar: 13 buttons of 25 x 25 at y = 5, left to right.
    const auto buttons = w.Panel1->findChildren<QToolButton*>(Qt::FindDirectChildrenOnly);
    ASSERT_EQ(buttons.size(), static_cast<qsizetype>(std::size(kButtons)));
    for (std::size_t i = 0; i < std::size(kButtons); ++i) {
        const ButtonCase& c = kButtons[i];
        SCOPED_TRACE(c.name);
        auto* b = w.findChild<QToolButton*>(QLatin1String(c.name));
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b, buttons[static_cast<qsizetype>(i)]);
        EXPECT_EQ(b->geometry(), QRect(c.x, 5, 25, 25));
        EXPECT_EQ(b->toolTip(), QString::fromUtf8(c.tip));
        EXPECT_EQ(b->isCheckable(), c.checkable);
        EXPECT_FALSE(b->icon().isNull());
    }

    // Menus and popup menus: every item in order, separators included.
    const QStringList menus{"File1", "Edit1", "Help1", "PopupMenu1", "PopupMenu2", "PopupMenu3"};
    for (const QString& menuName : menus) {
        SCOPED_TRACE(menuName.toStdString());
        auto* menu = w.findChild<QMenu*>(menuName);
        ASSERT_NE(menu, nullptr);
        std::vector<const ItemCase*> expected;
        for (const ItemCase& c : kItems) {
            if (menuName == QLatin1String(c.menu))
                expected.push_back(&c);
        }
        const QList<QAction*> actions = menu->actions();
        ASSERT_EQ(actions.size(), static_cast<qsizetype>(expected.size()));
        for (std::size_t i = 0; i < expected.size(); ++i) {
            const ItemCase& c = *expected[i];
            QAction* a = actions[static_cast<qsizetype>(i)];
            SCOPED_TRACE(c.name);
            if (QLatin1String(c.name) == QLatin1String("-") || QLatin1String(c.name) == QLatin1String("N8")) {
                EXPECT_TRUE(a->isSeparator());
                if (QLatin1String(c.name) == QLatin1String("N8")) {
                    EXPECT_EQ(a->objectName(), QStringLiteral("N8"));
                }
                continue;
            }
            EXPECT_EQ(a->objectName(), QLatin1String(c.name));
            EXPECT_EQ(a->text(), QString::fromUtf8(c.caption));
            EXPECT_EQ(a->shortcut(), QKeySequence(QString::fromLatin1(c.shortcut), QKeySequence::PortableText));
        }
    }
    EXPECT_EQ(w.N10->objectName(), QStringLiteral("N10"));
    EXPECT_TRUE(w.N10->isSeparator());

    // The main menu bar holds the three menus in order.
    const QList<QAction*> top = w.menuBar()->actions();
    ASSERT_EQ(top.size(), 3);
    EXPECT_EQ(top[0]->text(), QStringLiteral("ﾌｧｲﾙ(&F)"));
    EXPECT_EQ(top[1]->text(), QStringLiteral("編集(&E)"));
    EXPECT_EQ(top[2]->text(), QStringLiteral("ﾍﾙﾌﾟ(&H)"));

    // Every named area exists under its name.
    const QStringList areas{"Panel1", "pnlLeft", "lsvDatabases", "Splitter1", "pnlDatabase", "Panel5",
                            "tabTables", "PageControl1", "TabSheet1", "TabSheet2", "lsvFields", "grdData",
                            "Panel6", "Label1", "Splitter2", "Panel3", "Splitter3", "Splitter4", "memLog",
                            "lstTables", "lstFields", "StatusBar1"};
    for (const QString& name : areas) {
        SCOPED_TRACE(name.toStdString());
        EXPECT_NE(w.findChild<QWidget*>(name), nullptr);
    }
    EXPECT_NE(w.findChild<QTimer*>(QStringLiteral("tmrDefault")), nullptr);
    EXPECT_EQ(w.tmrDefault->interval(), 100);
    EXPECT_EQ(w.PageControl1->tabText(0), QStringLiteral("フィールド"));
    EXPECT_EQ(w.PageControl1->tabText(1), QStringLiteral("データ"));
    EXPECT_EQ(w.PageControl1->tabPosition(), QTabWidget::South);
    EXPECT_EQ(w.Label1->text(), QStringLiteral("SQL実行ログ"));
    EXPECT_EQ(w.ImageList1.size(), 3);
    EXPECT_EQ(w.lsvFields->headerItem()->text(0), QStringLiteral("フィールド名"));
    EXPECT_EQ(w.lsvFields->headerItem()->text(1), QStringLiteral("型"));
    EXPECT_EQ(w.lsvFields->headerItem()->text(2), QStringLiteral("サイズ"));
    EXPECT_EQ(w.lsvFields->headerItem()->text(3), QStringLiteral("コメント"));
    EXPECT_EQ(w.lsvDatabases->headerItem()->text(0), QStringLiteral("DBName"));
    EXPECT_EQ(w.lsvDatabases->columnWidth(0), 185);
    EXPECT_TRUE(w.lsvDatabases->isColumnHidden(1));
}

TEST(MainWindowComponents, StartsOnTheFieldPageWithEverythingEmpty)
{
    MainWindowHarness h;
    TfrmMain& w = h.start();
    EXPECT_FALSE(w.DatabaseOpen);
    EXPECT_TRUE(w.ShownTable.isEmpty());
    EXPECT_TRUE(w.btnField->isChecked());
    EXPECT_FALSE(w.btnData->isChecked());
    EXPECT_FALSE(w.btnStyle->isChecked());
    EXPECT_EQ(w.PageControl1->currentWidget(), w.TabSheet1);
    EXPECT_EQ(w.tabTables->count(), 0);
    EXPECT_TRUE(w.pnlDatabase->text().isEmpty());
    EXPECT_TRUE(w.StatusPanel->text().isEmpty());
    EXPECT_TRUE(w.lsvFields->isHeaderHidden());
    EXPECT_EQ(w.grdData->columnCount(), 2);
    EXPECT_TRUE(w.DBEngine.isEmpty());
    EXPECT_TRUE(w.tmrDefault->isActive());   // the deferred start is pending
    EXPECT_TRUE(w.acceptDrops());
}

TEST(MainWindowCommands, PageButtonsAndPageTabsStayInStep)
{
    MainWindowHarness h;
    TfrmMain& w = h.start();
    w.btnData->click();
    EXPECT_EQ(w.PageControl1->currentWidget(), w.TabSheet2);
    EXPECT_TRUE(w.btnData->isChecked());
    w.btnField->click();
    EXPECT_EQ(w.PageControl1->currentWidget(), w.TabSheet1);
    EXPECT_TRUE(w.btnField->isChecked());
    EXPECT_FALSE(w.btnData->isChecked());
    // A click on the page tab moves the buttons.
    w.PageControl1->setCurrentWidget(w.TabSheet2);
    EXPECT_TRUE(w.btnData->isChecked());
    w.PageControl1->setCurrentWidget(w.TabSheet1);
    EXPECT_TRUE(w.btnField->isChecked());
    // The field button on the field page does nothing.
    w.btnField->click();
    EXPECT_EQ(w.PageControl1->currentWidget(), w.TabSheet1);
}

TEST(MainWindowCommands, StyleButtonTogglesTabRows)
{
    MainWindowHarness h;
    TfrmMain& w = h.start();
    w.btnStyle->click();
    EXPECT_TRUE(w.tabTables->multiLine());
    w.btnStyle->click();
    EXPECT_FALSE(w.tabTables->multiLine());
}

TEST(MainWindowCommands, SplitterResizesTheNameColumn)
{
    MainWindowHarness h;
    TfrmMain& w = h.start();
    w.resize(800, 600);
    w.show();
    w.Splitter1->setSizes({250, 550});
    QCoreApplication::processEvents();
    const int before = w.lsvDatabases->width();
    emit w.Splitter1->splitterMoved(250, 1);
    EXPECT_EQ(before, w.lsvDatabases->width()) << w.pnlLeft->width();
    EXPECT_EQ(w.lsvDatabases->columnWidth(0), w.lsvDatabases->width() - 6);
}

TEST(MainWindowCommands, DialogCommandsOpenTheirDialogs)
{
    MainWindowHarness h;
    TfrmMain& w = h.start();
    w.tmrDefault->stop();
    w.Option1->trigger();
    w.About1->trigger();
    w.btnHelp->click();
    EXPECT_EQ(h.dialogs.shownDialogs, (std::vector<QString>{"frmOption", "AboutBox", "AboutBox"}));
    w.T1->trigger();
    ASSERT_EQ(h.dialogs.openedUrls.size(), 1u);
    EXPECT_EQ(h.dialogs.openedUrls[0].toLocalFile(), h.path(QStringLiteral("tutor01.htm")));
}

TEST(MainWindowCommands, CloseEndsTheWindow)
{
    MainWindowHarness h;
    TfrmMain& w = h.start();
    w.tmrDefault->stop();
    w.show();
    ASSERT_TRUE(w.isVisible());
    w.Close1->trigger();
    EXPECT_FALSE(w.isVisible());
}
