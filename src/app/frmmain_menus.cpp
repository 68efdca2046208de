// The main window's menus, popup menus and shortcuts, and which handler each command runs.

#include "app/frmmain.h"

#include "explorer/table_tabs.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>
#include <QTabWidget>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

namespace {

QAction* item(QMenu* menu, const char* name, const char* caption, const QKeySequence& shortcut = {})
{
    auto* action = menu->addAction(QString::fromUtf8(caption));
    action->setObjectName(QLatin1String(name));
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    return action;
}

QAction* separator(QMenu* menu, const char* name = nullptr)
{
    QAction* action = menu->addSeparator();
    if (name)
        action->setObjectName(QLatin1String(name));
    return action;
}

} // namespace

void TfrmMain::createMenus()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));

    File1 = bar->addMenu(QStringLiteral("ﾌｧｲﾙ(&F)"));
    File1->setObjectName(QStringLiteral("File1"));
    Open1 = item(File1, "Open1", "開く(&O)...", QKeySequence(Qt::CTRL | Qt::Key_O));
    PrintPreview1 = item(File1, "PrintPreview1", "印刷ﾌﾟﾚﾋﾞｭｰ...");
    Print1 = item(File1, "Print1", "印刷(&P)");
    separator(File1);
    Delete2 = item(File1, "Delete2", "削除(&D)", QKeySequence(Qt::CTRL | Qt::Key_Delete));
    separator(File1);
    Close1 = item(File1, "Close1", "閉じる(&X)", QKeySequence(Qt::SHIFT | Qt::Key_F4));

    Edit1 = bar->addMenu(QStringLiteral("編集(&E)"));
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Copy4 = item(Edit1, "Copy4", "ﾌｧｲﾙ名のｺﾋﾟｰ(&C)");
    Copy5 = item(Edit1, "Copy5", "ﾌｧｲﾙ名をﾌﾙﾊﾟｽでｺﾋﾟｰ(&F)");
    separator(Edit1);
    Copy6 = item(Edit1, "Copy6", "ﾌｨｰﾙﾄﾞ名をｺﾋﾟｰ", QKeySequence(Qt::CTRL | Qt::Key_C));
    separator(Edit1);
    Next2 = item(Edit1, "Next2", "次ﾍﾟｰｼﾞへ", QKeySequence(Qt::CTRL | Qt::Key_N));
    Prev2 = item(Edit1, "Prev2", "前ﾍﾟｰｼﾞへ", QKeySequence(Qt::CTRL | Qt::Key_P));
    separator(Edit1);
    Option1 = item(Edit1, "Option1", "環境設定(&O)...");

    Help1 = bar->addMenu(QStringLiteral("ﾍﾙﾌﾟ(&H)"));
    Help1->setObjectName(QStringLiteral("Help1"));
    T1 = item(Help1, "T1", "使い方(&T)..");
    N10 = separator(Help1, "N10");
    About1 = item(Help1, "About1", "ﾊﾞｰｼﾞｮﾝ情報(&A)...");

    // Popup menus are never attached to a window, so their shortcut texts are shown but the
    // keys are handled by the main menu (Ctrl+C runs the same command) or by the console itself.
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    Add1 = item(PopupMenu1, "Add1", "追加(&A)...");
    Delete1 = item(PopupMenu1, "Delete1", "削除(&D)");
    separator(PopupMenu1);
    Copy1 = item(PopupMenu1, "Copy1", "ﾌｧｲﾙ名をｺﾋﾟｰ(&C)");
    Copy2 = item(PopupMenu1, "Copy2", "ﾌｧｲﾙ名をﾌﾙﾊﾟｽでｺﾋﾟｰ(&F)");

    PopupMenu2 = new QMenu(this);
    PopupMenu2->setObjectName(QStringLiteral("PopupMenu2"));
    Copy3 = item(PopupMenu2, "Copy3", "ｺﾋﾟｰ(&C)", QKeySequence(Qt::CTRL | Qt::Key_C));
    separator(PopupMenu2);
    Next1 = item(PopupMenu2, "Next1", "次のﾍﾟｰｼﾞ(&N)");
    Prev1 = item(PopupMenu2, "Prev1", "前のﾍﾟｰｼﾞ(&P)");

    PopupMenu3 = new QMenu(this);
    PopupMenu3->setObjectName(QStringLiteral("PopupMenu3"));
    Copy7 = item(PopupMenu3, "Copy7", "ｺﾋﾟｰ(&C)", QKeySequence(Qt::CTRL | Qt::Key_C));
    Paste1 = item(PopupMenu3, "Paste1", "貼り付け(&V)", QKeySequence(Qt::CTRL | Qt::Key_V));
    N8 = separator(PopupMenu3, "N8");
    SELECT1 = item(PopupMenu3, "SELECT1", "&SELECT");
    Ast1 = item(PopupMenu3, "Ast1", "&*");
    FROM1 = item(PopupMenu3, "FROM1", "&FROM");
    WHERE1 = item(PopupMenu3, "WHERE1", "&WHERE");
    LIKE1 = item(PopupMenu3, "LIKE1", "&LIKE");
    AND1 = item(PopupMenu3, "AND1", "&AND");
    OR1 = item(PopupMenu3, "OR1", "&OR");
    NOT1 = item(PopupMenu3, "NOT1", "&NOT");
    for (QAction* a : PopupMenu3->actions())
        a->setShortcutContext(Qt::WidgetShortcut);
    for (QAction* a : PopupMenu2->actions())
        a->setShortcutContext(Qt::WidgetShortcut);
}

void TfrmMain::connectHandlers()
{
    // Each command runs its handler with the component that sent it, as the handlers tell
    // shared commands apart by the sender's name.
    using Handler = void (TfrmMain::*)(QObject*);
    auto onAction = [this](QAction* a, Handler h) {
        connect(a, &QAction::triggered, this, [this, a, h] { runHandler([&] { (this->*h)(a); }); });
    };
    auto onButton = [this](QToolButton* b, Handler h) {
        connect(b, &QToolButton::clicked, this, [this, b, h] { runHandler([&] { (this->*h)(b); }); });
    };

    onButton(btnOpen, &TfrmMain::btnOpenClick);
    onButton(btnDelete, &TfrmMain::btnDeleteClick);
    onButton(btnCopy1, &TfrmMain::Copy1Click);
    onButton(btnCopy2, &TfrmMain::Copy1Click);
    onButton(btnPrint, &TfrmMain::Print1Click);
    onButton(btnPreview, &TfrmMain::btnPreviewClick);
    onButton(btnCopy3, &TfrmMain::Copy3Click);
    onButton(btnPrev, &TfrmMain::Next1Click);
    onButton(btnNext, &TfrmMain::Next1Click);
    onButton(btnStyle, &TfrmMain::btnStyleClick);
    onButton(btnField, &TfrmMain::btnFieldClick);
    onButton(btnData, &TfrmMain::btnFieldClick);
    onButton(btnHelp, &TfrmMain::btnHelpClick);

    onAction(Open1, &TfrmMain::btnOpenClick);
    onAction(PrintPreview1, &TfrmMain::btnPreviewClick);
    onAction(Print1, &TfrmMain::Print1Click);
    onAction(Delete2, &TfrmMain::btnDeleteClick);
    onAction(Close1, &TfrmMain::Close1Click);
    onAction(Copy4, &TfrmMain::Copy1Click);
    onAction(Copy5, &TfrmMain::Copy1Click);
    onAction(Copy6, &TfrmMain::Copy3Click);
    onAction(Next2, &TfrmMain::Next1Click);
    onAction(Prev2, &TfrmMain::Next1Click);
    onAction(Option1, &TfrmMain::Option1Click);
    onAction(T1, &TfrmMain::T1Click);
    onAction(About1, &TfrmMain::btnHelpClick);
    onAction(Add1, &TfrmMain::btnOpenClick);
    onAction(Delete1, &TfrmMain::btnDeleteClick);
    onAction(Copy1, &TfrmMain::Copy1Click);
    onAction(Copy2, &TfrmMain::Copy1Click);
    onAction(Copy3, &TfrmMain::Copy3Click);
    onAction(Next1, &TfrmMain::Next1Click);
    onAction(Prev1, &TfrmMain::Next1Click);

    connect(lsvDatabases, &QTreeWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { PopupMenu1->popup(lsvDatabases->viewport()->mapToGlobal(pos)); });
    connect(lsvFields, &QTreeWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { PopupMenu2->popup(lsvFields->viewport()->mapToGlobal(pos)); });
    connect(memLog, &QTextEdit::customContextMenuRequested, this,
            [this](const QPoint& pos) { PopupMenu3->popup(memLog->viewport()->mapToGlobal(pos)); });
    connect(lsvDatabases, &QTreeWidget::itemDoubleClicked, this,
            [this] { runHandler([this] { lsvDatabasesDblClick(lsvDatabases); }); });
    connect(tabTables, &TableTabs::changed, this, [this] { runHandler([this] { tabTablesChange(tabTables); }); });
    connect(PageControl1, &QTabWidget::currentChanged, this, [this] { runHandler([this] { PageControl1Change(); }); });
    connect(Splitter1, &QSplitter::splitterMoved, this, [this] { runHandler([this] { Splitter1Moved(); }); });
    connect(tmrDefault, &QTimer::timeout, this, [this] { runHandler([this] { tmrDefaultTimer(); }); });
    connectExplorerHandlers();
}
