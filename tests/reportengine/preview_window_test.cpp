// The preview window: its toolbar and status line, the page picture's paper, outline and shadow,
// the messages of a run (status, first page fitted to the width, the page waited for), paging
// and its keys, the progress bar, print and setup during a run, closing during a run.

#include "preview_helpers.h"

#include "reportengine/preview/preview_glyphs.h"
#include "reportengine/progress/qrgauge.h"

#include <QButtonGroup>
#include <QDialog>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

// Calls act from inside the data callback when the row count served reaches row.
void atRow(BandReport& r, int row, std::function<void()> act)
{
    auto base = r.report.OnNeedData;
    r.report.OnNeedData = [&r, base, row, act](QObject* s, bool& more) {
        base(s, more);
        if (r.served == row && more)
            act();
    };
}

int fitWidthZoom(const TQRPreview& p)
{
    return int(std::lround(p.width() / double(kA4WidthAt96) * 90));
}

int imageWidthAt(int zoom)
{
    return int(std::nearbyint(2100.0 * zoom / 100 * 96 / 254)) + 4;
}

} // namespace

TEST(PreviewWindow, ToolbarButtonsHintsGlyphsAndStatusLineAsLaidOut)
{
    PrinterScope scope({pdfTo(QString())});
    TQRPrinter printer;
    auto* w = new TQRStandardPreview(nullptr, &printer);
    w->show();
    const struct {
        QToolButton* button;
        const char* name;
        int left;
        const char* hint;
    } buttons[] = {
        {w->ZoomToFit, "ZoomToFit", 4, "全体を収める"},     {w->ZoomTo100, "ZoomTo100", 29, "100% に"},
        {w->ZoomToWidth, "ZoomToWidth", 54, "幅に合わせる"}, {w->FirstPage, "FirstPage", 84, "最初のﾍﾟｰｼﾞ"},
        {w->PrevPage, "PrevPage", 109, "前のﾍﾟｰｼﾞ"},         {w->NextPage, "NextPage", 134, "次のﾍﾟｰｼﾞ"},
        {w->LastPage, "LastPage", 159, "最後のﾍﾟｰｼﾞ"},       {w->PrintSetup, "PrintSetup", 189, "ﾌﾟﾘﾝﾀの設定"},
        {w->Print, "Print", 214, "印刷"},                    {w->Save, "Save", 244, "上書き保存"},
        {w->Load, "Load", 269, "読み込み"},
    };
    for (const auto& b : buttons) {
        SCOPED_TRACE(b.name);
        EXPECT_EQ(b.button->objectName(), QLatin1String(b.name));
        EXPECT_EQ(b.button->geometry(), QRect(b.left, 4, 25, 25));
        EXPECT_EQ(b.button->toolTip(), QString::fromUtf8(b.hint));
        EXPECT_FALSE(b.button->icon().isNull());
    }
    EXPECT_EQ(qrglyphs::names().size(), 12);
    for (const QString& name : qrglyphs::names())
        EXPECT_FALSE(qrglyphs::glyph(name).pixmap(16, 16).toImage().isNull()) << name.toStdString();
    EXPECT_TRUE(qrglyphs::glyph(QStringLiteral("NOSUCHBITMAP")).isNull());

    EXPECT_TRUE(w->ZoomGroup->exclusive());
    EXPECT_TRUE(w->ZoomToWidth->isChecked());
    w->ZoomToFit->click();
    EXPECT_TRUE(w->ZoomToFit->isChecked());
    EXPECT_FALSE(w->ZoomToWidth->isChecked());
    EXPECT_EQ(w->QRPreview->ZoomMode(), TQRZoomMode::Fit);

    EXPECT_EQ(w->Exit->text(), QStringLiteral("閉じる(&C)"));
    EXPECT_EQ(w->Exit->geometry(), QRect(300, 4, 75, 25));
    EXPECT_FALSE(w->Exit->icon().isNull());
    EXPECT_EQ(w->Toolbar->height(), 33);
    EXPECT_EQ(w->StatusPanel->height(), 19);
    EXPECT_EQ(w->Panel1->width(), 128);
    EXPECT_EQ(w->Panel1->geometry().right(), w->StatusPanel->width() - 1);
    EXPECT_EQ(w->Status->text(), QStringLiteral("処理中..."));
    EXPECT_EQ(w->ProgressBar->geometry(), QRect(2, 2, 100, 16));
    EXPECT_FALSE(w->ProgressBar->isVisible());
    EXPECT_TRUE(w->windowState() & Qt::WindowMaximized);
    EXPECT_TRUE(w->testAttribute(Qt::WA_DeleteOnClose));
    // The window attached itself to the printer object.
    EXPECT_TRUE(printer.ShowingPreview());
    EXPECT_EQ(printer.ProgressWindow(), w->QRPreview);
    w->close();
    EXPECT_FALSE(printer.ShowingPreview());
    EXPECT_EQ(printer.ProgressWindow(), nullptr);
    flushClosedWindows();
}

TEST(PreviewWindow, ThePicturePaintsPaperOutlineAndShadowAndNothingWithoutAPage)
{
    PrinterScope scope({pdfTo(QString())});
    TQRPrinter printer;
    printer.BeginDoc();
    printer.NewPage();   // begun, not stored
    printer.Canvas()->drawText(QPointF(printer.XPos(300), printer.YPos(300)), QStringLiteral("Wide46"));
    TQRPreview p;
    p.resize(900, 700);
    p.show();
    p.setQRPrinter(&printer);
    p.setZoom(50);
    TQRPreviewImage* image = p.PreviewImage();
    EXPECT_FALSE(image->HasPage());
    EXPECT_TRUE(blank(image->Picture()));

    printer.EndDoc();
    image->LoadPageImage(1);
    ASSERT_TRUE(image->HasPage());
    const QImage pic = image->Picture();
    const int w = pic.width(), h = pic.height();
    ASSERT_EQ(w, 397 + 4);
    auto rgb = [&](int x, int y) { return pic.pixel(x, y); };
    const QRgb black = qRgb(0, 0, 0), white = qRgb(255, 255, 255);
    // One-pixel outline through (0,0) .. (w-3,h-3).
    for (const QPoint pt : {QPoint(0, 0), QPoint(0, h - 3), QPoint(w - 3, h - 3), QPoint(w - 3, 0), QPoint(w / 2, 0),
                            QPoint(0, h / 2), QPoint(w / 2, h - 3), QPoint(w - 3, h / 2)})
        EXPECT_EQ(rgb(pt.x(), pt.y()), black) << pt.x() << "," << pt.y();
    // White paper just inside it.
    EXPECT_EQ(rgb(1, 1), white);
    EXPECT_EQ(rgb(w - 4, h - 4), white);
    EXPECT_EQ(rgb(w / 2, h / 2), white);
    // Shadow: two columns on the right from row 2, two rows at the bottom from column 2.
    for (const QPoint pt : {QPoint(w - 2, 2), QPoint(w - 1, h - 1), QPoint(w - 1, h / 2), QPoint(2, h - 2), QPoint(w / 2, h - 1)})
        EXPECT_EQ(rgb(pt.x(), pt.y()), black) << pt.x() << "," << pt.y();
    // Its corners are left unpainted.
    for (const QPoint pt : {QPoint(w - 1, 0), QPoint(w - 2, 1), QPoint(0, h - 1), QPoint(1, h - 2)})
        EXPECT_EQ(qAlpha(pic.pixel(pt)), 0) << pt.x() << "," << pt.y();
    // And the page's own text is drawn on the paper.
    int dark = 0;
    for (int y = 1; y < h - 4; ++y)
        for (int x = 1; x < w - 4; ++x)
            dark += qGray(rgb(x, y)) < 128;
    EXPECT_GT(dark, 0);
}

TEST(PreviewWindow, OnePageReportShowsProcessingThenPageOneOfOneFittedToTheWidth)
{
    PrinterScope scope({pdfTo(QString())});
    ScriptedPreview dialogs;
    BandReport r(3);
    QString statusDuringRun;
    r.report.BeforePrint = [&](TQRReport*, bool&) {
        r.served = 0;
        if (TQRStandardPreview* w = openPreview())
            statusDuringRun = w->Status->text();
    };
    QString statusAfter;
    int zoom = 0, expectedZoom = -1, imageWidth = 0;
    TQRZoomMode mode = TQRZoomMode::Custom;
    bool widthDown = false;
    previewThen(r.report, [&](TQRStandardPreview& w) {
        statusAfter = w.Status->text();
        zoom = w.QRPreview->Zoom();
        expectedZoom = fitWidthZoom(*w.QRPreview);
        mode = w.QRPreview->ZoomMode();
        imageWidth = w.QRPreview->PreviewImage()->width();
        widthDown = w.ZoomToWidth->isChecked();
    });
    EXPECT_EQ(statusDuringRun, QStringLiteral("処理中..."));
    EXPECT_EQ(statusAfter, QStringLiteral("ﾍﾟｰｼﾞ: 1 / 1"));
    EXPECT_EQ(zoom, expectedZoom);
    EXPECT_EQ(mode, TQRZoomMode::Width);
    EXPECT_EQ(imageWidth, imageWidthAt(expectedZoom));
    EXPECT_TRUE(widthDown);
    EXPECT_TRUE(dialogs.errors.empty());
    EXPECT_TRUE(r.report.Available);
    EXPECT_EQ(r.report.PrinterObject(), nullptr);
    EXPECT_EQ(TQRReport::PreviewPageCount, -1);
}

TEST(PreviewWindow, LastPageDuringTheRunWaitsBlankThenShowsThePageFittedToTheWidth)
{
    PrinterScope scope({pdfTo(QString())});
    ScriptedPreview dialogs;
    BandReport r(100);   // 45, 45 and 10 rows
    bool blankWhileWaiting = false, shownLater = false;
    int pageWaited = 0, zoomWhileWaiting = 0, zoomLater = 0, expectedZoom = -1;
    TQRZoomMode modeLater = TQRZoomMode::Custom;
    atRow(r, 50, [&] {   // page 2 begun, page 1 stored
        TQRStandardPreview* w = openPreview();
        w->QRPreview->setZoom(40);
        w->LastPage->click();
        pageWaited = w->QRPreview->PageNumber();
        blankWhileWaiting = !w->QRPreview->PreviewImage()->HasPage() && blank(shownPicture(*w));
        zoomWhileWaiting = w->QRPreview->Zoom();
    });
    atRow(r, 95, [&] {   // page 3 begun: page 2 stored and announced
        TQRStandardPreview* w = openPreview();
        shownLater = w->QRPreview->PreviewImage()->HasPage() && !blank(shownPicture(*w));
        zoomLater = w->QRPreview->Zoom();
        expectedZoom = fitWidthZoom(*w->QRPreview);
        modeLater = w->QRPreview->ZoomMode();
    });
    QString status;
    previewThen(r.report, [&](TQRStandardPreview& w) { status = w.Status->text(); });
    EXPECT_EQ(pageWaited, 2);
    EXPECT_TRUE(blankWhileWaiting);
    EXPECT_EQ(zoomWhileWaiting, 40);
    EXPECT_TRUE(shownLater);
    EXPECT_EQ(zoomLater, expectedZoom);
    EXPECT_EQ(modeLater, TQRZoomMode::Width);
    EXPECT_EQ(status, QStringLiteral("ﾍﾟｰｼﾞ: 2 / 3"));
}

TEST(PreviewWindow, PagingAtTheEndsChangesNothingButTheStatusIsWrittenAgain)
{
    PrinterScope scope({pdfTo(QString())});
    ScriptedPreview dialogs;
    BandReport r(100);
    std::vector<QString> seen;
    std::vector<int> pages;
    previewThen(r.report, [&](TQRStandardPreview& w) {
        w.Status->setText(QString());
        w.PrevPage->click();   // on page 1
        seen.push_back(w.Status->text());
        pages.push_back(w.QRPreview->PageNumber());
        w.NextPage->click();
        w.NextPage->click();
        w.Status->setText(QString());
        w.NextPage->click();   // on page 3 of 3
        seen.push_back(w.Status->text());
        pages.push_back(w.QRPreview->PageNumber());
        w.FirstPage->click();
        pages.push_back(w.QRPreview->PageNumber());
        w.LastPage->click();
        pages.push_back(w.QRPreview->PageNumber());
    });
    EXPECT_EQ(seen, (std::vector<QString>{QStringLiteral("ﾍﾟｰｼﾞ: 1 / 3"), QStringLiteral("ﾍﾟｰｼﾞ: 3 / 3")}));
    EXPECT_EQ(pages, (std::vector<int>{1, 3, 1, 3}));
}

TEST(PreviewWindow, PageKeysFollowTheExactModifierRules)
{
    PrinterScope scope({pdfTo(QString())});
    ScriptedPreview dialogs;
    BandReport r(300);   // 7 pages
    std::vector<int> pages;
    bool closedByEscape = false;
    previewThen(r.report, [&](TQRStandardPreview& w) {
        TQRPreview& p = *w.QRPreview;
        auto key = [&](int k, Qt::KeyboardModifiers m = Qt::NoModifier) {
            pressKey(&w, k, m);
            pages.push_back(p.PageNumber());
        };
        key(Qt::Key_End);                                              // 7
        key(Qt::Key_PageUp, Qt::ControlModifier | Qt::ShiftModifier);   // previous, not first: 6
        key(Qt::Key_PageUp, Qt::ShiftModifier);                         // 5
        key(Qt::Key_PageUp, Qt::AltModifier | Qt::ControlModifier);     // 4
        key(Qt::Key_PageUp, Qt::ControlModifier | Qt::KeypadModifier);  // the keypad's is still exactly Ctrl: 1
        key(Qt::Key_PageDown);                                          // 2
        key(Qt::Key_PageDown, Qt::ControlModifier | Qt::ShiftModifier); // 3
        key(Qt::Key_PageDown, Qt::ControlModifier);                     // last: 7
        key(Qt::Key_Home, Qt::ShiftModifier);                           // 1
        key(Qt::Key_PageUp, Qt::ControlModifier);                       // first, stays 1
        key(Qt::Key_Right);                                             // no binding: 1
        key(Qt::Key_Plus);                                              // 1
        QPointer<TQRStandardPreview> alive(&w);
        pressKey(&w, Qt::Key_Escape);
        closedByEscape = !alive || !alive->isVisible();
    });
    EXPECT_EQ(pages, (std::vector<int>{7, 6, 5, 4, 1, 2, 3, 7, 1, 1, 1, 1}));
    EXPECT_TRUE(closedByEscape);
}

TEST(PreviewWindow, TheProgressBarShowsOnlyBetweenNoneAndAll)
{
    PrinterScope scope({pdfTo(QString())});
    TQRPrinter printer;
    auto* w = new TQRStandardPreview(nullptr, &printer);
    w->show();
    std::vector<std::pair<int, bool>> seen;
    for (int q : {0, 1, 5, 99, 100, 7}) {
        printer.setProgress(q);
        QCoreApplication::processEvents();
        seen.push_back({w->ProgressBar->value(), w->ProgressBar->isVisible()});
    }
    EXPECT_EQ(seen, (std::vector<std::pair<int, bool>>{{0, false}, {1, true}, {5, true}, {99, true}, {100, false}, {7, true}}));
    w->close();
    flushClosedWindows();
}

TEST(PreviewWindow, ARunReportsItsProgressToThePreviewInStepsOfFive)
{
    PrinterScope scope({pdfTo(QString())});
    ScriptedPreview dialogs;
    BandReport r(60);
    r.report.RecordCount = [&r] { return r.rows; };
    std::vector<int> bar;
    atRow(r, 30, [&] { bar.push_back(openPreview()->ProgressBar->value()); });
    bool barVisibleMidway = false;
    atRow(r, 31, [&] { barVisibleMidway = openPreview()->ProgressBar->isVisible(); });
    bool barHiddenAtEnd = false;
    previewThen(r.report, [&](TQRStandardPreview& w) {
        bar.push_back(w.ProgressBar->value());
        barHiddenAtEnd = !w.ProgressBar->isVisible();
    });
    // 27 to 29 rows of 60 printed: the 45 % step; at the end 100.
    EXPECT_EQ(bar, (std::vector<int>{45, 100}));
    EXPECT_TRUE(barVisibleMidway);
    EXPECT_TRUE(barHiddenAtEnd);
}

TEST(PreviewWindow, PrintAndPrinterSetupDoNothingWhileTheRunGoesOn)
{
    auto fake = std::make_shared<FakePrinter>();
    PrinterScope scope({fake});
    ScriptedPreview dialogs;
    BandReport r(100);
    int setupDialogs = 0;
    TQRReport::execDialog = [&](QDialog&) {
        ++setupDialogs;
        return int(QDialog::Rejected);
    };
    // Only in the preview's run (printing runs the report, and passes these rows, again).
    bool inPreviewRun = true;
    atRow(r, 20, [&] {
        if (!inPreviewRun)
            return;
        TQRStandardPreview* w = openPreview();
        w->Print->click();
        w->PrintSetup->click();
    });
    int jobsDuringRun = -1, setupsDuringRun = -1;
    atRow(r, 21, [&] {
        if (!inPreviewRun)
            return;
        jobsDuringRun = fake->jobsBegun;
        setupsDuringRun = setupDialogs;
    });
    previewThen(r.report, [&](TQRStandardPreview& w) {
        inPreviewRun = false;
        w.PrintSetup->click();
        w.Print->click();
    });
    TQRReport::execDialog = [](QDialog& d) { return d.exec(); };
    EXPECT_EQ(jobsDuringRun, 0);
    EXPECT_EQ(setupsDuringRun, 0);
    EXPECT_EQ(setupDialogs, 1);
    EXPECT_EQ(fake->jobsBegun, 1);       // printing from the preview runs the report again
    EXPECT_EQ(fake->jobsEnded, 1);
    EXPECT_EQ(fake->lastSheets, 3);
    EXPECT_EQ(r.served, 100);
}

TEST(PreviewWindow, ClosingDuringTheRunCancelsItAndTheNextPreviewRunsComplete)
{
    PrinterScope scope({pdfTo(QString())});
    ScriptedPreview dialogs;
    TempDirScope tmp;
    BandReport r(300);
    heavyPages(r);   // the store spills to a temporary file on the first page
    int afterPreviews = 0;
    bool spilled = false;
    r.report.AfterPreview = [&](QObject*) { ++afterPreviews; };
    atRow(r, 100, [&] {
        spilled = !spillFiles(tmp.path()).isEmpty();
        openPreview()->close();
    });
    r.report.Preview();
    flushClosedWindows();
    EXPECT_TRUE(spilled);
    EXPECT_LT(r.served, 110);             // stopped before its next row, not at the end
    EXPECT_EQ(afterPreviews, 1);
    EXPECT_TRUE(r.report.Available);
    EXPECT_EQ(r.report.PrinterObject(), nullptr);
    EXPECT_TRUE(spillFiles(tmp.path()).isEmpty());
    EXPECT_TRUE(openPreviews().empty());

    // The same rows, without closing this time.
    r.report.OnNeedData = [&r](QObject*, bool& more) {
        more = r.served < r.rows;
        if (more)
            ++r.served;
    };
    QString status;
    previewThen(r.report, [&](TQRStandardPreview& w) { status = w.Status->text(); });
    EXPECT_EQ(r.served, 300);
    EXPECT_EQ(status, QStringLiteral("ﾍﾟｰｼﾞ: 1 / 7"));
    EXPECT_EQ(afterPreviews, 2);
    EXPECT_TRUE(spillFiles(tmp.path()).isEmpty());
}

TEST(PreviewWindow, ARunThatFailsClosesItsWindowAndPassesTheErrorOn)
{
    PrinterScope scope({pdfTo(QString())});
    ScriptedPreview dialogs;
    TempDirScope tmp;
    BandReport r(100);
    heavyPages(r);
    r.failAtRow = 60;
    bool windowDuringRun = false;
    atRow(r, 50, [&] { windowDuringRun = openPreview() != nullptr; });
    EXPECT_THROW(r.report.Preview(), std::runtime_error);
    flushClosedWindows();
    EXPECT_TRUE(windowDuringRun);
    EXPECT_TRUE(openPreviews().empty());
    EXPECT_TRUE(r.report.Available);
    EXPECT_TRUE(spillFiles(tmp.path()).isEmpty());
}

TEST(PreviewWindow, TheZoomButtonsOfAnA4Report)
{
    PrinterScope scope({pdfTo(QString())});
    ScriptedPreview dialogs;
    BandReport r(3);
    QSize at100;
    QPoint placed;
    int controlWidth = 0, widthZoom = 0, expectedWidthZoom = -1;
    TQRZoomMode fitMode = TQRZoomMode::Custom;
    previewThen(r.report, [&](TQRStandardPreview& w) {
        w.ZoomTo100->click();
        at100 = w.QRPreview->PreviewImage()->size();
        placed = w.QRPreview->ImagePosition();
        controlWidth = w.QRPreview->width();
        w.ZoomToFit->click();
        fitMode = w.QRPreview->ZoomMode();
        w.ZoomToWidth->click();
        widthZoom = w.QRPreview->Zoom();
        expectedWidthZoom = fitWidthZoom(*w.QRPreview);
    });
    EXPECT_EQ(at100, QSize(798, 1127));
    EXPECT_EQ(placed.x(), controlWidth > 798 ? (controlWidth - 798) / 2 : 0);
    EXPECT_EQ(fitMode, TQRZoomMode::Fit);
    EXPECT_EQ(widthZoom, expectedWidthZoom);
}
