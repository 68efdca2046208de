// The main window's components and their layout.

#include "app/frmmain.h"

#include "app/fonts.h"
#include "app/glyphs.h"
#include "app/path_panel.h"
#include "explorer/full_text_tips.h"
#include "explorer/table_tabs.h"

#include <QButtonGroup>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

template <class W>
W* named(W* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

// Selection stays visible when the list loses the focus.
void keepSelectionVisible(QWidget* view)
{
    QPalette pal = view->palette();
    pal.setColor(QPalette::Inactive, QPalette::Highlight, pal.color(QPalette::Active, QPalette::Highlight));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
                 pal.color(QPalette::Active, QPalette::HighlightedText));
    view->setPalette(pal);
}

QTreeWidget* reportList(QWidget* parent, const char* name)
{
    auto* list = named(new QTreeWidget(parent), name);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setAllColumnsShowFocus(true);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setSortingEnabled(false);
    list->setIconSize(QSize(16, 16));
    list->header()->setSectionsClickable(false);
    list->header()->setSectionsMovable(false);
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    keepSelectionVisible(list);
    return list;
}

} // namespace

void TfrmMain::createComponents()
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Norvik Tabulon"));
    setWindowIcon(glyphs::icon(glyphs::Glyph::AppIcon));
    resize(785, 529);

    ImageList1 = {glyphs::icon(glyphs::Glyph::Key), glyphs::icon(glyphs::Glyph::Dot),
                  glyphs::icon(glyphs::Glyph::Diamond)};

    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    setCentralWidget(central);

    // Toolbar: buttons at fixed places, as the user knows them.
    Panel1 = named(new QFrame(central), "Panel1");
    Panel1->setFixedHeight(33);
    Panel1->setMinimumWidth(384);
    Bevel1 = named(new QFrame(Panel1), "Bevel1");
    Bevel1->setFrameShape(QFrame::HLine);
    Bevel1->setFrameShadow(QFrame::Sunken);
    Bevel1->setGeometry(0, 0, 4000, 2);
    Bevel2 = named(new QFrame(Panel1), "Bevel2");
    Bevel2->setFrameShape(QFrame::VLine);
    Bevel2->setFrameShadow(QFrame::Sunken);
    Bevel2->setGeometry(380, 4, 2, 27);

    struct ButtonDef {
        QToolButton** member;
        const char* name;
        int x;
        const char* tip;
        glyphs::Glyph glyph;
    };
    const ButtonDef buttons[] = {
        {&btnOpen, "btnOpen", 4, "MDBを開く", glyphs::Glyph::Open},
        {&btnDelete, "btnDelete", 29, "一覧から削除する", glyphs::Glyph::Delete},
        {&btnCopy1, "btnCopy1", 60, "ﾌｧｲﾙ名をｺﾋﾟｰする", glyphs::Glyph::CopyName},
        {&btnCopy2, "btnCopy2", 85, "ﾌｧｲﾙ名をﾌﾙﾊﾟｽでｺﾋﾟｰする", glyphs::Glyph::CopyPath},
        {&btnPrint, "btnPrint", 116, "印刷します", glyphs::Glyph::Print},
        {&btnPreview, "btnPreview", 141, "印刷ﾌﾟﾚﾋﾞｭｰを表示します", glyphs::Glyph::Preview},
        {&btnCopy3, "btnCopy3", 172, "ﾌｨｰﾙﾄﾞ名をｺﾋﾟｰする", glyphs::Glyph::CopyField},
        {&btnPrev, "btnPrev", 197, "前のページ", glyphs::Glyph::Prev},
        {&btnNext, "btnNext", 222, "次のﾍﾟｰｼﾞへ", glyphs::Glyph::Next},
        {&btnStyle, "btnStyle", 254, "ﾃｰﾌﾞﾙの表示方法を変更する", glyphs::Glyph::Style},
        {&btnField, "btnField", 287, "フィールド表示", glyphs::Glyph::Field},
        {&btnData, "btnData", 313, "データ表示", glyphs::Glyph::Data},
        {&btnHelp, "btnHelp", 348, "ﾊﾞｰｼﾞｮﾝ情報", glyphs::Glyph::About},
    };
    for (const ButtonDef& def : buttons) {
        auto* b = named(new QToolButton(Panel1), def.name);
        b->setGeometry(def.x, 5, 25, 25);
        b->setIcon(glyphs::icon(def.glyph));
        b->setIconSize(QSize(18, 18));
        b->setToolTip(QString::fromUtf8(def.tip));
        b->setAutoRaise(true);
        b->setFocusPolicy(Qt::NoFocus);
        *def.member = b;
    }
    btnStyle->setCheckable(true);
    btnField->setCheckable(true);
    btnData->setCheckable(true);
    auto* pageButtons = new QButtonGroup(this);
    pageButtons->setObjectName(QStringLiteral("btnFieldGroup"));
    pageButtons->setExclusive(true);
    pageButtons->addButton(btnField);
    pageButtons->addButton(btnData);
    btnField->setChecked(true);
    column->addWidget(Panel1);

    Splitter1 = named(new QSplitter(Qt::Horizontal, central), "Splitter1");
    Splitter1->setHandleWidth(3);
    Splitter1->setChildrenCollapsible(false);
    column->addWidget(Splitter1, 1);

    // Left pane: the database list.
    pnlLeft = named(new QWidget(Splitter1), "pnlLeft");
    auto* leftLayout = new QVBoxLayout(pnlLeft);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    lsvDatabases = reportList(pnlLeft, "lsvDatabases");
    lsvDatabases->setHeaderLabels({QStringLiteral("DBName"), QStringLiteral("Path")});
    lsvDatabases->setColumnWidth(0, 185);
    // The directory column is part of the entry but never shown.
    lsvDatabases->header()->setMinimumSectionSize(0);
    lsvDatabases->setColumnWidth(1, 0);
    lsvDatabases->setColumnHidden(1, true);
    lsvDatabases->header()->setStretchLastSection(false);
    leftLayout->addWidget(lsvDatabases);

    // Right pane: banner, spacer, table tabs holding the two pages.
    pnlRight = named(new QWidget(Splitter1), "pnlRight");
    auto* rightLayout = new QVBoxLayout(pnlRight);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->setSpacing(0);
    pnlDatabase = named(new QLabel(pnlRight), "pnlDatabase");
    pnlDatabase->setFixedHeight(20);
    pnlDatabase->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    pnlDatabase->setAlignment(Qt::AlignCenter);
    pnlDatabase->setAutoFillBackground(true);
    {
        QPalette pal = pnlDatabase->palette();
        pal.setColor(QPalette::Window, pal.color(QPalette::Dark));
        pal.setColor(QPalette::WindowText, Qt::white);
        pnlDatabase->setPalette(pal);
        QFont f = font();
        f.setPixelSize(16);
        f.setBold(true);
        pnlDatabase->setFont(f);
    }
    rightLayout->addWidget(pnlDatabase);
    Panel5 = named(new QWidget(pnlRight), "Panel5");
    Panel5->setFixedHeight(12);
    rightLayout->addWidget(Panel5);
    tabTables = named(new TableTabs(pnlRight), "tabTables");
    rightLayout->addWidget(tabTables, 1);
    Splitter1->addWidget(pnlLeft);
    Splitter1->addWidget(pnlRight);
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({189, 593});

    PageControl1 = named(new QTabWidget(tabTables), "PageControl1");
    PageControl1->setTabPosition(QTabWidget::South);
    tabTables->setPage(PageControl1);

    // Field page.
    TabSheet1 = named(new QWidget, "TabSheet1");
    auto* fieldLayout = new QVBoxLayout(TabSheet1);
    fieldLayout->setContentsMargins(0, 0, 0, 0);
    lsvFields = reportList(TabSheet1, "lsvFields");
    lsvFields->setFont(fonts::fixedPitch());
    lsvFields->setHeaderLabels({QStringLiteral("フィールド名"), QStringLiteral("型"), QStringLiteral("サイズ"),
                                QStringLiteral("コメント")});
    lsvFields->setColumnWidth(0, 150);
    lsvFields->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    lsvFields->setColumnWidth(2, 80);
    lsvFields->headerItem()->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    lsvFields->header()->setStretchLastSection(true);
    lsvFields->setHeaderHidden(true);
    lsvFields->setItemDelegate(new FullTextTips(lsvFields));
    fieldLayout->addWidget(lsvFields);
    PageControl1->addTab(TabSheet1, QStringLiteral("フィールド"));

    // Data page: the grid with its caption strip over the console.
    TabSheet2 = named(new QWidget, "TabSheet2");
    auto* dataLayout = new QVBoxLayout(TabSheet2);
    dataLayout->setContentsMargins(0, 0, 0, 0);
    Splitter2 = named(new QSplitter(Qt::Vertical, TabSheet2), "Splitter2");
    Splitter2->setHandleWidth(3);
    Splitter2->setChildrenCollapsible(false);
    dataLayout->addWidget(Splitter2);
    auto* gridArea = new QWidget(Splitter2);
    auto* gridLayout = new QVBoxLayout(gridArea);
    gridLayout->setContentsMargins(0, 0, 0, 0);
    gridLayout->setSpacing(0);
    grdData = named(new QTableWidget(1, 2, gridArea), "grdData");
    grdData->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdData->setSelectionMode(QAbstractItemView::SingleSelection);
    grdData->setShowGrid(true);
    grdData->verticalHeader()->setVisible(false);
    grdData->verticalHeader()->setDefaultSectionSize(18);
    grdData->verticalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    grdData->horizontalHeader()->setDefaultSectionSize(64);
    grdData->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    grdData->horizontalHeader()->setSectionsClickable(false);
    grdData->setHorizontalHeaderLabels({QString(), QString()});
    grdData->setItemDelegate(new FullTextTips(grdData));
    gridLayout->addWidget(grdData, 1);
    Panel6 = named(new QWidget(gridArea), "Panel6");
    Panel6->setFixedHeight(13);
    Label1 = named(new QLabel(QStringLiteral("SQL実行ログ"), Panel6), "Label1");
    Label1->move(4, 0);
    gridLayout->addWidget(Panel6);
    Panel3 = named(new QWidget(Splitter2), "Panel3");
    auto* consoleLayout = new QVBoxLayout(Panel3);
    consoleLayout->setContentsMargins(0, 0, 0, 0);
    Splitter4 = named(new QSplitter(Qt::Horizontal, Panel3), "Splitter4");
    Splitter4->setHandleWidth(3);
    Splitter4->setChildrenCollapsible(false);
    consoleLayout->addWidget(Splitter4);
    memLog = named(new QTextEdit(Splitter4), "memLog");
    memLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memLog->setLineWrapMode(QTextEdit::NoWrap);
    memLog->setAcceptRichText(false);
    memLog->setAcceptDrops(false);     // dropped files belong to the window's list
    memLog->setContextMenuPolicy(Qt::CustomContextMenu);
    Splitter3 = named(new QSplitter(Qt::Horizontal, Splitter4), "Splitter3");
    Splitter3->setHandleWidth(3);
    Splitter3->setChildrenCollapsible(false);
    lstTables = named(new QListWidget(Splitter3), "lstTables");
    lstFields = named(new QListWidget(Splitter3), "lstFields");
    for (QListWidget* list : {lstTables, lstFields})
        list->setUniformItemSizes(true);
    Splitter3->setSizes({121, 121});
    Splitter4->addWidget(memLog);
    Splitter4->addWidget(Splitter3);
    Splitter4->setStretchFactor(0, 1);
    Splitter4->setStretchFactor(1, 0);
    Splitter4->setSizes({300, 245});
    Splitter2->addWidget(gridArea);
    Splitter2->addWidget(Panel3);
    Splitter2->setStretchFactor(0, 1);
    Splitter2->setStretchFactor(1, 0);
    Splitter2->setSizes({250, 100});
    PageControl1->addTab(TabSheet2, QStringLiteral("データ"));
    PageControl1->setCurrentWidget(TabSheet1);

    StatusBar1 = named(new QStatusBar(this), "StatusBar1");
    StatusPanel = named(new PathPanel(StatusBar1), "StatusPanel");
    // The last panel of a status bar reaches the window's right edge.
    StatusBar1->addWidget(StatusPanel, 1);
    StatusBar1->setFixedHeight(19);
    setStatusBar(StatusBar1);

    tmrDefault = named(new QTimer(this), "tmrDefault");
    tmrDefault->setInterval(100);
    tmrDefault->setSingleShot(true);

    setAcceptDrops(true);
}
