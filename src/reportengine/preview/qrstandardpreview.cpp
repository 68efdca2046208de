#include "reportengine/preview/qrstandardpreview.h"

#include "reportengine/export/qrexportfilter.h"
#include "reportengine/preview/preview_dialogs.h"
#include "reportengine/preview/preview_glyphs.h"
#include "reportengine/preview/qrpreview.h"
#include "reportengine/preview/qrpreviewimage.h"
#include "reportengine/printer/qrprinter.h"
#include "reportengine/progress/qrgauge.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

#include <exception>

namespace {

const QString kReportFileName = QStringLiteral("ﾚﾎﾟｰﾄ ﾌｧｲﾙ");
const QString kReportExtension = QStringLiteral("QRP");

} // namespace

TQRStandardPreview::TQRStandardPreview(QWidget* owner, TQRPrinter* printer)
    : QWidget(owner, Qt::Window), m_printer(printer)
{
    setObjectName(QStringLiteral("QRStandardPreview"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(571, 472);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    createToolbar();
    QRPreview = new TQRPreview(this);
    QRPreview->setZoom(218);
    QRPreview->OnPageAvailable = [this](QObject* sender, std::int32_t n) { guarded([&] { QRPreviewPageAvailable(sender, n); }); };
    QRPreview->OnProgressUpdate = [this](QObject* sender, std::int32_t q) { QRPreviewProgressUpdate(sender, q); };
    // A page found damaged while painting is told once the paint is over.
    QRPreview->OnPageError = [this](const QString& error) {
        QMetaObject::invokeMethod(this, [this, error] { qrShowError(this, error); }, Qt::QueuedConnection);
    };
    createStatusPanel();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Toolbar);
    layout->addWidget(QRPreview, 1);
    layout->addWidget(StatusPanel);

    setWindowState(Qt::WindowMaximized);
    QRPreview->setQRPrinter(printer);
    if (printer)
        setWindowTitle(printer->Title());
    ZoomToWidth->setChecked(true);
    FormCreate();
}

TQRStandardPreview::~TQRStandardPreview()
{
    // Lets go of the printer object before the control goes (which would do the same).
    if (QRPreview)
        QRPreview->setQRPrinter(nullptr);
}

TQRPrinter* TQRStandardPreview::QRPrinter() const
{
    return m_printer.data();
}

void TQRStandardPreview::createToolbar()
{
    Toolbar = new QFrame(this);
    Toolbar->setObjectName(QStringLiteral("Toolbar"));
    Toolbar->setFrameShape(QFrame::NoFrame);
    Toolbar->setFixedHeight(33);
    struct Button {
        QToolButton** member;
        const char* name;
        int left;
        const char* hint;
        const char* glyph;
        void (TQRStandardPreview::*handler)();
    };
    const Button buttons[] = {
        {&ZoomToFit, "ZoomToFit", 4, "全体を収める", "QRZOOMTOFITBITMAP", &TQRStandardPreview::ZoomToFitClick},
        {&ZoomTo100, "ZoomTo100", 29, "100% に", "QRZOOMTO100BITMAP", &TQRStandardPreview::ZoomTo100Click},
        {&ZoomToWidth, "ZoomToWidth", 54, "幅に合わせる", "QRZOOMTOWIDTHBITMAP", &TQRStandardPreview::ZoomToWidthClick},
        {&FirstPage, "FirstPage", 84, "最初のﾍﾟｰｼﾞ", "QRFIRSTPAGEBITMAP", &TQRStandardPreview::FirstPageClick},
        {&PrevPage, "PrevPage", 109, "前のﾍﾟｰｼﾞ", "QRPREVPAGEBITMAP", &TQRStandardPreview::PrevPageClick},
        {&NextPage, "NextPage", 134, "次のﾍﾟｰｼﾞ", "QRNEXTPAGEBITMAP", &TQRStandardPreview::NextPageClick},
        {&LastPage, "LastPage", 159, "最後のﾍﾟｰｼﾞ", "QRLASTPAGEBITMAP", &TQRStandardPreview::LastPageClick},
        {&PrintSetup, "PrintSetup", 189, "ﾌﾟﾘﾝﾀの設定", "QRPRINTSETUPBITMAP", &TQRStandardPreview::PrintSetupClick},
        {&Print, "Print", 214, "印刷", "QRPRINTBITMAP", &TQRStandardPreview::PrintClick},
        {&Save, "Save", 244, "上書き保存", "QRSAVEBITMAP", &TQRStandardPreview::SaveClick},
        {&Load, "Load", 269, "読み込み", "QROPENBITMAP", &TQRStandardPreview::LoadClick},
    };
    ZoomGroup = new QButtonGroup(this);
    ZoomGroup->setExclusive(true);
    for (const Button& b : buttons) {
        auto* button = new QToolButton(Toolbar);
        button->setObjectName(QLatin1String(b.name));
        button->setGeometry(b.left, 4, 25, 25);
        button->setToolTip(QString::fromUtf8(b.hint));
        button->setIcon(qrglyphs::glyph(QLatin1String(b.glyph)));
        button->setIconSize(QSize(16, 16));
        // Like speed buttons, they never take the focus from the window's keys.
        button->setFocusPolicy(Qt::NoFocus);
        *b.member = button;
        const auto handler = b.handler;
        connect(button, &QToolButton::clicked, this, [this, handler] { guarded([&] { (this->*handler)(); }); });
    }
    for (QToolButton* zoom : {ZoomToFit, ZoomTo100, ZoomToWidth}) {
        zoom->setCheckable(true);
        ZoomGroup->addButton(zoom);
    }
    Exit = new QPushButton(QStringLiteral("閉じる(&C)"), Toolbar);
    Exit->setObjectName(QStringLiteral("Exit"));
    Exit->setGeometry(300, 4, 75, 25);
    Exit->setIcon(qrglyphs::glyph(QStringLiteral("QRCLOSEBITMAP")));
    Exit->setIconSize(QSize(16, 16));
    Exit->setAutoDefault(false);
    connect(Exit, &QPushButton::clicked, this, [this] { guarded([this] { ExitClick(); }); });
}

void TQRStandardPreview::createStatusPanel()
{
    StatusPanel = new QFrame(this);
    StatusPanel->setObjectName(QStringLiteral("StatusPanel"));
    StatusPanel->setFrameShape(QFrame::NoFrame);
    StatusPanel->setFixedHeight(19);
    Panel1 = new QFrame(StatusPanel);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameShape(QFrame::NoFrame);
    Panel1->setFixedWidth(128);
    auto* row = new QHBoxLayout(StatusPanel);
    row->setContentsMargins(0, 0, 0, 0);
    row->addStretch(1);
    row->addWidget(Panel1);
    Status = new QLabel(QStringLiteral("処理中..."), Panel1);
    Status->setObjectName(QStringLiteral("Status"));
    Status->setAttribute(Qt::WA_TranslucentBackground);
    Status->setGeometry(2, 3, 126, 14);
}

void TQRStandardPreview::FormCreate()
{
    ProgressBar = new TQRGauge(StatusPanel);
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setGeometry(2, 2, 100, StatusPanel->height() - 3);
    ProgressBar->setVisible(false);
    qApp->installEventFilter(this);
    updateCommands();
}

void TQRStandardPreview::CloseAll()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* preview = qobject_cast<TQRStandardPreview*>(w))
            preview->close();
    }
}

void TQRStandardPreview::guarded(const std::function<void()>& handler)
{
    try {
        handler();
    } catch (const std::exception& e) {
        qrShowError(this, QString::fromUtf8(e.what()));
    } catch (...) {
        qrShowError(this, QStringLiteral("unknown error"));
    }
}

void TQRStandardPreview::regainKeyboard()
{
    // A window manager may give the focus elsewhere when a dialog closes; the page keys belong here.
    if (isVisible())
        activateWindow();
}

void TQRStandardPreview::updateCommands()
{
    // Saving writes only a finished store: until then the command would do nothing.
    Save->setEnabled(m_printer && m_printer->Status() == TQRPrinterStatus::Finished);
}

void TQRStandardPreview::UpdateStatus()
{
    const int count = m_printer ? m_printer->PageCount() : 0;
    Status->setText(QStringLiteral("ﾍﾟｰｼﾞ:") + QLatin1Char(' ') + QString::number(QRPreview->PageNumber()) + QLatin1Char(' ')
                    + QLatin1Char('/') + QLatin1Char(' ') + QString::number(count));
}

void TQRStandardPreview::zoomAfterPendingMessages(QToolButton* button, const std::function<void()>& zoom)
{
    // Pages announced meanwhile arrive first, so the zoom applies to what they bring.
    const QPointer<TQRStandardPreview> self(this);
    QCoreApplication::processEvents();
    if (!self)
        return;
    button->setChecked(true);
    zoom();
}

void TQRStandardPreview::ZoomToFitClick()
{
    zoomAfterPendingMessages(ZoomToFit, [this] { QRPreview->ZoomToFitPage(); });
}

void TQRStandardPreview::ZoomTo100Click()
{
    zoomAfterPendingMessages(ZoomTo100, [this] { QRPreview->setZoom(100); });
}

void TQRStandardPreview::ZoomToWidthClick()
{
    zoomAfterPendingMessages(ZoomToWidth, [this] { QRPreview->ZoomToPageWidth(); });
}

void TQRStandardPreview::FirstPageClick()
{
    QRPreview->setPageNumber(1);
    UpdateStatus();
}

void TQRStandardPreview::PrevPageClick()
{
    QRPreview->setPageNumber(QRPreview->PageNumber() - 1);
    UpdateStatus();
}

void TQRStandardPreview::NextPageClick()
{
    QRPreview->setPageNumber(QRPreview->PageNumber() + 1);
    UpdateStatus();
}

void TQRStandardPreview::LastPageClick()
{
    if (m_printer)
        QRPreview->setPageNumber(m_printer->PageCount());
    UpdateStatus();
}

void TQRStandardPreview::PrintSetupClick()
{
    const QPointer<TQRStandardPreview> self(this);
    if (m_printer)
        m_printer->PrintSetup(PrintSetup);
    if (self)
        regainKeyboard();
}

void TQRStandardPreview::PrintClick()
{
    const QPointer<TQRStandardPreview> self(this);
    if (m_printer)
        m_printer->Print(Print);
    if (self)
        regainKeyboard();
}

QString TQRStandardPreview::LoadFilter()
{
    return kReportFileName + QStringLiteral("(*.") + kReportExtension + QStringLiteral(")|*.") + kReportExtension;
}

QString TQRStandardPreview::SaveFilter()
{
    QString filter = LoadFilter();
    for (const TQRExportFilterEntry& f : TQRExportFilterLibrary::Filters())
        filter += QLatin1Char('|') + f.Name + QStringLiteral(" (*.") + f.Extension + QStringLiteral(")|*.") + f.Extension;
    return filter;
}

void TQRStandardPreview::SaveClick()
{
    const QRFileChoice choice = qrSaveFileDialog(this, SaveFilter(), kReportExtension);
    regainKeyboard();
    if (choice.fileName.isEmpty() || !m_printer)
        return;
    if (choice.filterIndex <= 1) {
        m_printer->Save(choice.fileName);
        return;
    }
    const auto& filters = TQRExportFilterLibrary::Filters();
    const std::size_t k = std::size_t(choice.filterIndex - 2);
    if (k >= filters.size())
        return;
    const std::unique_ptr<TQRExportFilter> filter = filters[k].Create(choice.fileName);
    m_printer->ExportToFilter(filter.get());
}

void TQRStandardPreview::LoadClick()
{
    const QString fileName = qrOpenFileDialog(this, LoadFilter());
    regainKeyboard();
    if (fileName.isEmpty())
        return;
    const QFileInfo file(fileName);
    if (!file.exists() || file.isDir()) {
        qrShowError(this, QStringLiteral("ﾌｧｲﾙが存在しません"));
        return;
    }
    if (!m_printer)
        return;
    m_printer->Load(fileName);
    QRPreview->setPageNumber(1);
    QRPreview->PreviewImage()->LoadPageImage(1);
    // The file's pages may be of another paper: the zoom mode fits them again.
    if (QRPreview->ZoomMode() == TQRZoomMode::Fit)
        QRPreview->ZoomToFitPage();
    else if (QRPreview->ZoomMode() == TQRZoomMode::Width)
        QRPreview->ZoomToPageWidth();
    QRPreview->UpdateZoom();
    UpdateStatus();
    updateCommands();
}

void TQRStandardPreview::ExitClick()
{
    close();
}

void TQRStandardPreview::QRPreviewPageAvailable(QObject*, int)
{
    UpdateStatus();
    // The first page comes fitted to the width: the zoom buttons say so.
    if (QRPreview->ZoomMode() == TQRZoomMode::Width)
        ZoomToWidth->setChecked(true);
    updateCommands();
}

void TQRStandardPreview::QRPreviewProgressUpdate(QObject*, int progress)
{
    ProgressBar->setValue(std::clamp(progress, 0, 100));
    ProgressBar->setVisible(progress > 0 && progress < 100);
}

bool TQRStandardPreview::FormKeyDown(int key, Qt::KeyboardModifiers shift)
{
    const Qt::KeyboardModifiers mods = shift & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    const bool exactlyCtrl = mods == Qt::ControlModifier;
    switch (key) {
    case Qt::Key_PageUp: exactlyCtrl ? FirstPageClick() : PrevPageClick(); return true;
    case Qt::Key_PageDown: exactlyCtrl ? LastPageClick() : NextPageClick(); return true;
    case Qt::Key_End: LastPageClick(); return true;
    case Qt::Key_Home: FirstPageClick(); return true;
    case Qt::Key_Escape: Exit->click(); return true;
    default: return false;
    }
}

bool TQRStandardPreview::eventFilter(QObject* watched, QEvent* e)
{
    // The window sees its keys before the focused control does (only on the key's first
    // delivery, not again as it travels up to the parents); the control still gets them.
    if (e->type() == QEvent::KeyPress && watched->isWidgetType()) {
        QWidget* first = QApplication::focusWidget();
        if (!first || first->window() != this)
            first = focusWidget() ? focusWidget() : this;
        if (watched == first) {
            const auto* key = static_cast<QKeyEvent*>(e);
            guarded([&] { FormKeyDown(key->key(), key->modifiers()); });
        }
    }
    return QWidget::eventFilter(watched, e);
}

void TQRStandardPreview::FormResize()
{
    QRPreview->UpdateZoom();
}

void TQRStandardPreview::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    FormResize();
}

void TQRStandardPreview::closeEvent(QCloseEvent* e)
{
    // Letting go of the printer object cancels a run still in progress.
    QRPreview->setQRPrinter(nullptr);
    qApp->removeEventFilter(this);
    e->accept();
}
