#pragma once
// The preview window: a toolbar (zoom, paging, printer setup, print, save, load, close), the
// preview control, and a status line with the page number and a progress bar. Modeless and
// maximised; it frees itself when closed, which lets go of its printer object and so cancels a
// run still producing pages.

#include <QPointer>
#include <QWidget>

#include <functional>

class QButtonGroup;
class QFrame;
class QLabel;
class QPushButton;
class QToolButton;
class TQRGauge;
class TQRPreview;
class TQRPrinter;

class TQRStandardPreview : public QWidget {
    Q_OBJECT

public:
    // owner: none for a window of the application's own.
    TQRStandardPreview(QWidget* owner, TQRPrinter* printer);
    ~TQRStandardPreview() override;

    // Closes every preview window (the program is ending).
    static void CloseAll();

    // --- components (objectName = member name) ---
    QFrame* Toolbar = nullptr;
    QToolButton* ZoomToFit = nullptr;
    QToolButton* ZoomTo100 = nullptr;
    QToolButton* ZoomToWidth = nullptr;
    QToolButton* FirstPage = nullptr;
    QToolButton* PrevPage = nullptr;
    QToolButton* NextPage = nullptr;
    QToolButton* LastPage = nullptr;
    QToolButton* PrintSetup = nullptr;
    QToolButton* Print = nullptr;
    QToolButton* Save = nullptr;
    QToolButton* Load = nullptr;
    QPushButton* Exit = nullptr;
    QButtonGroup* ZoomGroup = nullptr;
    QFrame* StatusPanel = nullptr;
    QFrame* Panel1 = nullptr;
    QLabel* Status = nullptr;
    TQRGauge* ProgressBar = nullptr;
    TQRPreview* QRPreview = nullptr;

    TQRPrinter* QRPrinter() const;

    // --- handlers ---
    void FormCreate();
    // True when the key was one of the window's; it goes on to the focused control either way.
    bool FormKeyDown(int key, Qt::KeyboardModifiers shift);
    void FormResize();
    void ZoomToFitClick();
    void ZoomTo100Click();
    void ZoomToWidthClick();
    void FirstPageClick();
    void PrevPageClick();
    void NextPageClick();
    void LastPageClick();
    void PrintSetupClick();
    void PrintClick();
    void SaveClick();
    void LoadClick();
    void ExitClick();
    void QRPreviewPageAvailable(QObject* sender, int pageNum);
    void QRPreviewProgressUpdate(QObject* sender, int progress);
    void UpdateStatus();

    // The save filter: the report file, then every registered export filter.
    static QString SaveFilter();
    static QString LoadFilter();

protected:
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void createToolbar();
    void createStatusPanel();
    // Runs a handler; what it throws is shown, never passed into the event loop.
    void guarded(const std::function<void()>& handler);
    void updateCommands();
    void regainKeyboard();
    void zoomAfterPendingMessages(QToolButton* button, const std::function<void()>& zoom);

    QPointer<TQRPrinter> m_printer;
};
