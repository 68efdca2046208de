#pragma once
// The main window: database list on the left, table tabs with the field and data pages on the
// right, toolbar, menus and status bar. Its handlers live in the files of the subsystem that owns
// them: the frame's in src/app, the explorer's in src/explorer.

#include "app/dialogs.h"
#include "app/path_panel.h"
#include "app/program_dirs.h"
#include "automation/registry.h"
#include "automation/variant.h"

#include <QIcon>
#include <QList>
#include <QMainWindow>
#include <QString>

#include <functional>

class QAction;
class QCloseEvent;
class QDragEnterEvent;
class QDropEvent;
class QFrame;
class QLabel;
class QListWidget;
class QMenu;
class QSplitter;
class QStatusBar;
class QTabWidget;
class QTableWidget;
class QTextEdit;
class QTimer;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;
class TableTabs;
class TfrmInit;
class TfrmReport;

class TfrmMain : public QMainWindow {
    Q_OBJECT

public:
    struct Environment {
        ProgramDirs dirs;                                  // ExeDir and where the two files live
        Dialogs* dialogs = nullptr;                        // modal boxes and dialogs
        automation::Registry* registry = nullptr;          // engine classes by name
    };

    explicit TfrmMain(const Environment& env, QWidget* parent = nullptr);
    ~TfrmMain() override;

    // The engine check is created after this window; the deferred start needs it.
    void setInitForm(TfrmInit* form) { m_frmInit = form; }
    // The report form is created after this window too; the print commands use it.
    void setReportForm(TfrmReport* form) { m_frmReport = form; }

    // --- window-wide state ---
    bool DatabaseOpen = false;
    QString ExeDir;            // the program's directory, trailing separator included
    QString DataDir;           // where "mdb.dat" and "kelvro.ini" are kept (ExeDir when writable)
    QString ShownTable;

    QString databaseListPath() const { return DataDir + QStringLiteral("mdb.dat"); }
    QString settingsPath() const { return DataDir + QStringLiteral("kelvro.ini"); }
    Dialogs& dialogs() const { return *m_dialogs; }
    automation::Registry& registry() const { return *m_registry; }

    // --- components (objectName = member name) ---
    // toolbar
    QFrame* Panel1 = nullptr;
    QFrame* Bevel1 = nullptr;     // lowered line along the toolbar's top edge
    QFrame* Bevel2 = nullptr;     // lowered vertical line at x = 380
    QToolButton* btnOpen = nullptr;
    QToolButton* btnDelete = nullptr;
    QToolButton* btnCopy1 = nullptr;
    QToolButton* btnCopy2 = nullptr;
    QToolButton* btnPrint = nullptr;
    QToolButton* btnPreview = nullptr;
    QToolButton* btnCopy3 = nullptr;
    QToolButton* btnPrev = nullptr;
    QToolButton* btnNext = nullptr;
    QToolButton* btnStyle = nullptr;
    QToolButton* btnField = nullptr;
    QToolButton* btnData = nullptr;
    QToolButton* btnHelp = nullptr;
    // left pane
    QSplitter* Splitter1 = nullptr;
    QWidget* pnlLeft = nullptr;
    QTreeWidget* lsvDatabases = nullptr;
    // right pane
    QWidget* pnlRight = nullptr;
    QLabel* pnlDatabase = nullptr;
    QWidget* Panel5 = nullptr;
    TableTabs* tabTables = nullptr;
    QTabWidget* PageControl1 = nullptr;
    QWidget* TabSheet1 = nullptr;
    QTreeWidget* lsvFields = nullptr;
    QWidget* TabSheet2 = nullptr;
    QSplitter* Splitter2 = nullptr;     // between the grid with its caption strip and the console
    QTableWidget* grdData = nullptr;
    QWidget* Panel6 = nullptr;
    QLabel* Label1 = nullptr;           // "SQL実行ログ"
    QWidget* Panel3 = nullptr;
    QSplitter* Splitter4 = nullptr;     // memLog | (lstTables | lstFields)
    QSplitter* Splitter3 = nullptr;     // lstTables | lstFields
    QTextEdit* memLog = nullptr;
    QListWidget* lstTables = nullptr;
    QListWidget* lstFields = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    PathPanel* StatusPanel = nullptr;  // the status bar's one panel: the open database's path
    QTimer* tmrDefault = nullptr;
    QList<QIcon> ImageList1;            // 0 key, 1 grey dot, 2 green diamond

    // main menu
    QMenu* File1 = nullptr;
    QAction* Open1 = nullptr;
    QAction* PrintPreview1 = nullptr;
    QAction* Print1 = nullptr;
    QAction* Delete2 = nullptr;
    QAction* Close1 = nullptr;
    QMenu* Edit1 = nullptr;
    QAction* Copy4 = nullptr;
    QAction* Copy5 = nullptr;
    QAction* Copy6 = nullptr;
    QAction* Next2 = nullptr;
    QAction* Prev2 = nullptr;
    QAction* Option1 = nullptr;
    QMenu* Help1 = nullptr;
    QAction* T1 = nullptr;
    QAction* N10 = nullptr;
    QAction* About1 = nullptr;
    // popup menus
    QMenu* PopupMenu1 = nullptr;        // lsvDatabases
    QAction* Add1 = nullptr;
    QAction* Delete1 = nullptr;
    QAction* Copy1 = nullptr;
    QAction* Copy2 = nullptr;
    QMenu* PopupMenu2 = nullptr;        // lsvFields
    QAction* Copy3 = nullptr;
    QAction* Next1 = nullptr;
    QAction* Prev1 = nullptr;
    QMenu* PopupMenu3 = nullptr;        // memLog
    QAction* Copy7 = nullptr;
    QAction* Paste1 = nullptr;
    QAction* N8 = nullptr;
    QAction* SELECT1 = nullptr;
    QAction* Ast1 = nullptr;
    QAction* FROM1 = nullptr;
    QAction* WHERE1 = nullptr;
    QAction* LIKE1 = nullptr;
    QAction* AND1 = nullptr;
    QAction* OR1 = nullptr;
    QAction* NOT1 = nullptr;

    // --- automation references, released with the window ---
    automation::Variant DBEngine;
    automation::Variant Workspace;
    automation::Variant Database;
    automation::Variant TableDef;
    automation::Variant Field;
    automation::Variant FieldProperty;
    automation::Variant Index;

    // Runs a handler as an event of its own: an exception ends it and shows the general error box.
    void runHandler(const std::function<void()>& handler);
    void showException(const QString& text);

public slots:
    // frame (src/app/frmmain.cpp)
    void FormCreate();
    void tmrDefaultTimer();
    void FormDestroy();
    void Close1Click(QObject* sender);
    void Splitter1Moved();
    void btnStyleClick(QObject* sender);
    void btnFieldClick(QObject* sender);
    void PageControl1Change();
    void Option1Click(QObject* sender);

    // database list (src/explorer/frmmain_databases.cpp)
    void btnOpenClick(QObject* sender);
    void btnDeleteClick(QObject* sender);
    void Copy1Click(QObject* sender);
    void lsvDatabasesDblClick(QObject* sender);
    void dropFiles(const QStringList& paths);
    void loadDatabaseList();
    void saveDatabaseList();
    void addDatabaseEntry(const QString& path);
    QString databaseEntryPath(const QTreeWidgetItem* item) const;

    // help and about box (src/explorer/frmmain_help.cpp)
    void T1Click(QObject* sender);
    void btnHelpClick(QObject* sender);

    // table tabs and field list (src/explorer)
    void tabTablesChange(QObject* sender);
    void Next1Click(QObject* sender);
    void Copy3Click(QObject* sender);
    // data page and console (src/explorer)
    void ShowTableData(const QString& tableName);
    void FillGridFromSql(const QString& title, const QString& sqlText);
    void memLogKeyDown(int key, Qt::KeyboardModifiers shift);
    void SELECT1Click(QObject* sender);
    void Copy7Click(QObject* sender);
    void Paste1Click(QObject* sender);
    void lstTablesClick(QObject* sender);
    void lstTablesDblClick(QObject* sender);
    void lstFieldsDblClick(QObject* sender);
    // field-definition report
    void Print1Click(QObject* sender);
    void btnPreviewClick(QObject* sender);

protected:
    // Closing the main window ends the program: open preview windows close with it
    // (src/report/frmmain_report.cpp).
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void createComponents();           // src/app/frmmain_layout.cpp
    void createMenus();                // src/app/frmmain_menus.cpp
    void connectHandlers();            // src/app/frmmain_menus.cpp
    void connectExplorerHandlers();    // src/explorer/sql_console.cpp
    void showNoTable();                // src/explorer/table_view.cpp

    Dialogs* m_dialogs = nullptr;
    automation::Registry* m_registry = nullptr;
    TfrmInit* m_frmInit = nullptr;
    TfrmReport* m_frmReport = nullptr;
    bool m_destroyed = false;
    bool m_listLoadFailed = false;     // a list that could not be read is never overwritten
};
