// The main window's frame: creation, the deferred start that connects to the engine, the page
// switch, and the end of the program.

#include "app/frmmain.h"

#include "app/frminit.h"
#include "app/frmoption.h"
#include "app/profile.h"
#include "automation/object.h"
#include "explorer/table_tabs.h"

#include <QAction>
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMimeData>
#include <QSplitter>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>

namespace {

// The hourglass for work that calls the engine, restored however the work ends.
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { restore(); }
    void restore()
    {
        if (m_active) {
            QApplication::restoreOverrideCursor();
            m_active = false;
        }
    }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

private:
    bool m_active = true;
};

} // namespace

TfrmMain::TfrmMain(const Environment& env, QWidget* parent)
    : QMainWindow(parent), m_dialogs(env.dialogs), m_registry(env.registry)
{
    Q_ASSERT(m_dialogs);
    if (!m_registry)
        m_registry = &automation::Registry::global();
    ExeDir = env.dirs.exeDir;
    DataDir = env.dirs.dataDir.isEmpty() ? env.dirs.exeDir : env.dirs.dataDir;
    createComponents();
    createMenus();
    connectHandlers();
    FormCreate();
}

TfrmMain::~TfrmMain()
{
    try {
        FormDestroy();
    } catch (...) {
        // Nothing may escape a destructor; FormDestroy reports its own failures.
    }
}

void TfrmMain::runHandler(const std::function<void()>& handler)
{
    try {
        handler();
    } catch (const automation::Error& e) {
        showException(e.description());
    } catch (const std::exception& e) {
        showException(QString::fromUtf8(e.what()));
    }
}

void TfrmMain::showException(const QString& text)
{
    m_dialogs->message(isVisible() ? this : nullptr, Dialogs::Icon::Error, QStringLiteral("Norvik Tabulon"), text);
}

void TfrmMain::FormCreate()
{
    DatabaseOpen = false;
    ShownTable.clear();
    loadDatabaseList();
    // Dropped files are accepted by the window (setAcceptDrops in createComponents).
    tmrDefault->start();
}

void TfrmMain::tmrDefaultTimer()
{
    tmrDefault->stop();
    const QString ini = settingsPath();
    QString written;
    if (!QFileInfo::exists(ini)) {
        // First run: find an engine class that works on this machine.
        if (!m_frmInit || m_dialogs->exec(*m_frmInit) != QDialog::Accepted) {
            close();
            return;
        }
        written = m_frmInit->EngineClassName;
        if (!profile::writeString(ini, QStringLiteral("DAO"), QStringLiteral("CLASS"), written))
            showException(profile::writeErrorText(ini));
    } else if (QFile probe(ini); !probe.open(QIODevice::ReadOnly)) {
        showException(QStringLiteral("%1 を読み込めません").arg(ini));
    }
    const QString className = profile::getString(ini, QStringLiteral("DAO"), QStringLiteral("CLASS"), written);

    BusyCursor busy;
    try {
        DBEngine = m_registry->create(className);
        Workspace = automation::get(DBEngine, QStringLiteral("Workspaces"), automation::Variant(std::int32_t{0}));
    } catch (...) {
        DBEngine = automation::Variant();
        Workspace = automation::Variant();
        busy.restore();
        m_dialogs->message(this, Dialogs::Icon::Error, QStringLiteral("ｴﾗｰ"),
                           QStringLiteral("オートメーション通信に失敗しました。\r環境設定で正しい設定をしてください。"));
        Option1->trigger();
    }
}

void TfrmMain::FormDestroy()
{
    if (m_destroyed)
        return;
    m_destroyed = true;
    tmrDefault->stop();
    if (DatabaseOpen) {
        runHandler([this] { automation::call(Database, QStringLiteral("Close")); });
        DatabaseOpen = false;
    }
    runHandler([this] { saveDatabaseList(); });
    // The window owns the engine objects; release them before the engine's registry goes away.
    Index = FieldProperty = Field = TableDef = Database = Workspace = DBEngine = automation::Variant();
}

void TfrmMain::Close1Click(QObject*)
{
    close();
}

void TfrmMain::Splitter1Moved()
{
    lsvDatabases->setColumnWidth(0, lsvDatabases->width() - 2 * Splitter1->handleWidth());
}

void TfrmMain::btnStyleClick(QObject*)
{
    tabTables->setMultiLine(btnStyle->isChecked());
}

void TfrmMain::btnFieldClick(QObject*)
{
    const bool fieldDown = btnField->isChecked();
    QWidget* page = PageControl1->currentWidget();
    if ((fieldDown && page != TabSheet1) || (!fieldDown && page != TabSheet2))
        PageControl1->setCurrentWidget(fieldDown ? TabSheet1 : TabSheet2);   // runs PageControl1Change
}

void TfrmMain::PageControl1Change()
{
    if (PageControl1->currentWidget() == TabSheet1) {
        btnField->setChecked(true);
        return;
    }
    btnData->setChecked(true);
    const QString caption = tabTables->tabText(tabTables->currentIndex());
    if (DatabaseOpen && ShownTable != caption)
        ShowTableData(caption);
}

void TfrmMain::Option1Click(QObject*)
{
    const QString ini = settingsPath();
    TfrmOption dialog(this);
    dialog.edtDAO->setText(profile::getString(ini, QStringLiteral("DAO"), QStringLiteral("CLASS"),
                                              QStringLiteral("DAO.DBEngine.35")));
    if (m_dialogs->exec(dialog) == QDialog::Accepted) {
        if (!profile::writeString(ini, QStringLiteral("DAO"), QStringLiteral("CLASS"), dialog.edtDAO->text()))
            throw std::runtime_error(profile::writeErrorText(ini).toStdString());
    }
}

void TfrmMain::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls()) {
        for (const QUrl& url : event->mimeData()->urls()) {
            if (url.isLocalFile()) {
                event->acceptProposedAction();
                return;
            }
        }
    }
    QMainWindow::dragEnterEvent(event);
}

void TfrmMain::dropEvent(QDropEvent* event)
{
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile())
            paths << url.toLocalFile();
    }
    if (paths.isEmpty()) {
        QMainWindow::dropEvent(event);
        return;
    }
    event->acceptProposedAction();
    runHandler([&] { dropFiles(paths); });
}
