// Report files in the preview: save and load back (pixel for pixel), saving over the file that
// is loaded, the missing-file message, damaged files, pages other programs drew, the text
// export, printing the loaded pages.

#include "emf_bodies.h"
#include "preview_helpers.h"
#include "store_helpers.h"

#include "reportengine/controls/label.h"
#include "reportengine/export/page_text.h"
#include "reportengine/export/qrexportfilter.h"
#include "reportengine/store/qrpagelist.h"
#include "reportengine/store/qrstream.h"

#include <QDialog>
#include <QFile>
#include <QPushButton>
#include <QToolButton>

#include <gtest/gtest.h>

#include <cstring>

namespace {

QByteArray fileBytes(const QString& name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A report file holding these page images.
void writeReportFile(const QString& name, const std::vector<QRMetafile>& pages)
{
    TQRStream stream(kQRMemoryLimit);
    TQRPageList list;
    list.SetStream(&stream);
    for (const QRMetafile& page : pages)
        list.AddPage(page);
    list.WriteHeader();
    list.SaveToFile(name);
}

// Every page of the shown store, as the preview draws it at the current zoom.
std::vector<QImage> allPictures(TQRStandardPreview& w)
{
    std::vector<QImage> out;
    for (int n = 1; n <= w.QRPrinter()->PageCount(); ++n) {
        w.QRPreview->setPageNumber(n);
        out.push_back(shownPicture(w));
    }
    w.QRPreview->setPageNumber(1);
    return out;
}

// A report with a title and two texts a row, the right one placed before the left one.
struct TextReport {
    BandReport r;
    TQRLabel* right;
    TQRLabel* left;
    explicit TextReport(int rows) : r(rows)
    {
        auto* title = new TQRLabel(r.header);
        title->setFont(reportFont(proportionalFaceName(), 12));
        title->setBounds(100, 10, 500, 44.097L);
        title->setCaption(QStringLiteral("見出し"));
        right = new TQRLabel(r.detail);
        right->setFont(reportFont(proportionalFaceName(), 9));
        right->setBounds(1000, 10, 400, 33.073L);
        left = new TQRLabel(r.detail);
        left->setFont(reportFont(proportionalFaceName(), 9));
        left->setBounds(200, 10, 400, 33.073L);
        auto base = r.report.OnNeedData;
        r.report.OnNeedData = [this, base](QObject* s, bool& more) {
            base(s, more);
            left->setCaption(QStringLiteral("row %1").arg(r.served));
            right->setCaption(QStringLiteral("値 %1").arg(r.served));
        };
    }
};

// A page another printing system drew: a world transform, a 16-bit polygon, a bitmap, text
// placed by a dx array and a clip region, on a 100 x 100 mm frame.
QRMetafile foreignPage()
{
    EmfBuilder b;
    b.rec(rec::CREATEBRUSHINDIRECT, {1, 0, rec::RED, 0}).rec(rec::SELECTOBJECT, {1}).rec(rec::SELECTOBJECT, {rec::NULL_PEN});
    b.rec(rec::SAVEDC, {});
    b.rec(rec::SETWORLDTRANSFORM, {0x40000000, 0, 0, 0x40000000, 0x41200000, 0});   // scale 2, x + 10
    b.rec(rec::RECTANGLE, {0, 0, 10, 10});                                           // 10..30, 0..20
    b.rec(rec::RESTOREDC, {-1});
    b.rec(rec::CREATEBRUSHINDIRECT, {2, 0, rec::BLUE, 0}).rec(rec::SELECTOBJECT, {2});
    b.raw(rec::POLYGON16, points16({40, 0, 60, 0, 40, 20}));
    QByteArray bits;
    const QByteArray bmi = dib2x2(2, qRgb(0, 255, 0), qRgb(0, 255, 0), qRgb(0, 255, 0), qRgb(0, 255, 0), &bits);
    b.raw(rec::STRETCHDIBITS, stretchDibits(70, 0, 20, 20, 0, 0, 2, 2, bmi, bits));
    b.raw(rec::EXTCREATEFONTINDIRECTW, fontBody(3, -12, QStringLiteral("ＭＳ Ｐゴシック")));
    b.rec(rec::SELECTOBJECT, {3}).rec(rec::SETBKMODE, {1});
    b.raw(rec::EXTTEXTOUTW, textBody(50, 40, QStringLiteral("■■"), {20, 20}));
    QByteArray rgn;
    EmfBuilder::put32(rgn, 32 + 16);
    EmfBuilder::put32(rgn, 5);   // RGN_COPY
    for (int v : {32, 1, 1, 16, 10, 60, 30, 80, 10, 60, 30, 80})
        EmfBuilder::put32(rgn, static_cast<std::uint32_t>(v));
    b.raw(rec::EXTSELECTCLIPRGN, rgn);
    b.rec(rec::SELECTOBJECT, {rec::BLACK_BRUSH}).rec(rec::RECTANGLE, {0, 50, 100, 100});
    b.eof();
    return QRMetafile(b.image());
}

QColor colourAt(const QImage& picture, double mmX, double mmY)
{
    // The page is stretched over the whole picture.
    return picture.pixelColor(int(mmX / 100 * picture.width()), int(mmY / 100 * picture.height()));
}

} // namespace

TEST(PreviewFiles, SavedThenLoadedPagesAreTheSamePixels)
{
    PrinterScope scope({pdfTo(QString())});
    ScriptedPreview dialogs;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("report.QRP"));
    TextReport t(60);
    heavyPages(t.r, 60);
    std::vector<QImage> before, after;
    int pagesAfter = 0;
    QString status;
    previewThen(t.r.report, [&](TQRStandardPreview& w) {
        before = allPictures(w);
        dialogs.saveAnswers.push_back({file, 1});
        w.Save->click();
        // Another run's pages would differ (no date here, but the rows would): load into a fresh
        // state by showing the last page first.
        w.LastPage->click();
        dialogs.openAnswers.push_back(file);
        w.Load->click();
        pagesAfter = w.QRPrinter()->PageCount();
        status = w.Status->text();
        after = allPictures(w);
    });
    ASSERT_EQ(before.size(), 2u);
    ASSERT_EQ(pagesAfter, 2);
    EXPECT_EQ(status, QStringLiteral("ﾍﾟｰｼﾞ: 1 / 2"));
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < before.size(); ++i) {
        EXPECT_EQ(after[i].size(), before[i].size()) << i;
        EXPECT_TRUE(after[i] == before[i]) << "page " << i + 1 << " differs";
    }
    EXPECT_EQ(dialogs.saveFilters,
              (std::vector<QString>{QStringLiteral("ﾚﾎﾟｰﾄ ﾌｧｲﾙ(*.QRP)|*.QRP|ﾃｷｽﾄ ﾌｧｲﾙ (*.TXT)|*.TXT / QRP")}));
    EXPECT_EQ(dialogs.openFilters, (std::vector<QString>{QStringLiteral("ﾚﾎﾟｰﾄ ﾌｧｲﾙ(*.QRP)|*.QRP")}));
    EXPECT_TRUE(dialogs.errors.empty());
    // The file is the store byte for byte: it starts with the format words 3 and 207.
    const QByteArray bytes = fileBytes(file);
    ASSERT_GE(bytes.size(), 124);
    EXPECT_EQ(bytes.left(4), QByteArray("\x03\x00\xCF\x00", 4));
}

TEST(PreviewFiles, SavingOverTheLoadedFileKeepsItWhole)
{
    PrinterScope scope({pdfTo(QString())});
    ScriptedPreview dialogs;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("a.QRP"));
    writeReportFile(file, {samplePage(1, 30000), samplePage(2, 30000), samplePage(3, 30000)});   // past 10240 bytes a chunk
    const QByteArray original = fileBytes(file);
    ASSERT_GT(original.size(), 3 * 10240);
    BandReport r(1);
    bool stillShows = false;
    previewThen(r.report, [&](TQRStandardPreview& w) {
        dialogs.openAnswers.push_back(file);
        w.Load->click();
        dialogs.saveAnswers.push_back({file, 1});
        w.Save->click();
        w.LastPage->click();
        stillShows = w.QRPreview->PreviewImage()->HasPage() && w.QRPreview->PageNumber() == 3;
    });
    EXPECT_TRUE(dialogs.errors.empty()) << dialogs.errors.front().toStdString();
    EXPECT_EQ(fileBytes(file), original);
    EXPECT_TRUE(stillShows);
}

TEST(PreviewFiles, AMissingFileIsSaidSoAndNothingChanges)
{
    PrinterScope scope({pdfTo(QString())});
    ScriptedPreview dialogs;
    QTemporaryDir dir;
    BandReport r(100);
    int pagesBefore = 0, pagesAfter = 0;
    QString statusBefore, statusAfter;
    previewThen(r.report, [&](TQRStandardPreview& w) {
        w.NextPage->click();
        pagesBefore = w.QRPrinter()->PageCount();
        statusBefore = w.Status->text();
        dialogs.openAnswers.push_back(dir.filePath(QStringLiteral("typed-but-missing.QRP")));
        w.Load->click();
        dialogs.openAnswers.push_back(dir.path());   // a folder is no file either
        w.Load->click();
        dialogs.openAnswers.push_back(QString());    // cancelled: nothing at all
        w.Load->click();
        pagesAfter = w.QRPrinter()->PageCount();
        statusAfter = w.Status->text();
    });
    EXPECT_EQ(dialogs.errors, (std::vector<QString>{QStringLiteral("ﾌｧｲﾙが存在しません"), QStringLiteral("ﾌｧｲﾙが存在しません")}));
    EXPECT_EQ(pagesAfter, pagesBefore);
    EXPECT_EQ(statusAfter, statusBefore);
    EXPECT_EQ(statusAfter, QStringLiteral("ﾍﾟｰｼﾞ: 2 / 3"));
}

TEST(PreviewFiles, ADamagedFileShowsWhatItCanAndSaysWhatItCannot)
{
    PrinterScope scope({pdfTo(QString())});
    ScriptedPreview dialogs;
    QTemporaryDir dir;
    const QString good = dir.filePath(QStringLiteral("good.QRP"));
    writeReportFile(good, {samplePage(1), samplePage(2), samplePage(3)});
    QByteArray bytes = fileBytes(good);
    // Page 2's image loses its EMF signature.
    const qint32 page2 = int32At(bytes, 128);
    putInt32(bytes, page2 + 8 + 40, 0);
    const QString damaged = dir.filePath(QStringLiteral("damaged.QRP"));
    writeFile(damaged, bytes);
    const QString notReport = dir.filePath(QStringLiteral("notes.QRP"));
    writeFile(notReport, QByteArray("just some text, not a report"));

    BandReport r(100);
    std::vector<bool> shown;
    QString statusAfterBadLoad;
    int pagesAfterBadLoad = 0;
    previewThen(r.report, [&](TQRStandardPreview& w) {
        // A file that is no report file: an error, and the run's pages stay.
        dialogs.openAnswers.push_back(notReport);
        w.Load->click();
        statusAfterBadLoad = w.Status->text();
        w.QRPreview->setPageNumber(2);
        pagesAfterBadLoad = w.QRPreview->PreviewImage()->HasPage() ? w.QRPrinter()->PageCount() : -1;
        dialogs.openAnswers.push_back(damaged);
        w.Load->click();
        for (int n = 1; n <= 3; ++n) {
            w.QRPreview->setPageNumber(n);
            shown.push_back(w.QRPreview->PreviewImage()->HasPage() && !blank(shownPicture(w)));
        }
        QCoreApplication::processEvents();   // the page's error is told once the action is over
    });
    EXPECT_EQ(statusAfterBadLoad, QStringLiteral("ﾍﾟｰｼﾞ: 1 / 3"));
    EXPECT_EQ(pagesAfterBadLoad, 3);
    EXPECT_EQ(shown, (std::vector<bool>{true, false, true}));
    ASSERT_EQ(dialogs.errors.size(), 2u);
    EXPECT_TRUE(dialogs.errors[0].contains(QStringLiteral("not a report file"))) << dialogs.errors[0].toStdString();
    EXPECT_TRUE(dialogs.errors[1].contains(QStringLiteral("page 2"))) << dialogs.errors[1].toStdString();
}

TEST(PreviewFiles, PagesOtherProgramsDrewAreShownWithTheirOwnPaper)
{
    PrinterScope scope({pdfTo(QString())});
    ScriptedPreview dialogs;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("foreign.QRP"));
    writeReportFile(file, {foreignPage()});
    BandReport r(1);
    QImage picture;
    QSize imageAt100;
    previewThen(r.report, [&](TQRStandardPreview& w) {
        dialogs.openAnswers.push_back(file);
        w.Load->click();
        w.ZoomTo100->click();
        imageAt100 = w.QRPreview->PreviewImage()->size();
        w.QRPreview->setZoom(200);
        picture = shownPicture(w);
    });
    EXPECT_TRUE(dialogs.errors.empty()) << dialogs.errors.front().toStdString();
    // A 100 mm square page: round(1000 * 96 / 254) = 378, not an A4 sheet.
    EXPECT_EQ(imageAt100, QSize(378 + 4, 378 + 4));
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(colourAt(picture, 20, 10), QColor(Qt::red));      // through the world transform
    EXPECT_EQ(colourAt(picture, 5, 10), QColor(Qt::white));
    EXPECT_EQ(colourAt(picture, 43, 5), QColor(Qt::blue));      // the polygon
    EXPECT_EQ(colourAt(picture, 57, 17), QColor(Qt::white));    // the other side of its edge
    EXPECT_EQ(colourAt(picture, 80, 10), QColor(Qt::green));    // the bitmap
    EXPECT_EQ(colourAt(picture, 20, 70), QColor(Qt::black));    // inside the clip region
    EXPECT_EQ(colourAt(picture, 60, 90), QColor(Qt::white));    // outside it
    int ink = 0;                                                 // the text
    for (int x = int(0.50 * picture.width()); x < int(0.95 * picture.width()); ++x)
        for (int y = int(0.40 * picture.height()); y < int(0.50 * picture.height()); ++y)
            ink += qGray(picture.pixel(x, y)) < 128;
    EXPECT_GT(ink, 50);
}

TEST(PreviewFiles, TheTextExportWritesEveryPageInReadingOrder)
{
    PrinterScope scope({pdfTo(QString())});
    ScriptedPreview dialogs;
    QTemporaryDir dir;
    const QString txt = dir.filePath(QStringLiteral("report.TXT"));
    TextReport t(50);   // 45 rows, then 5
    previewThen(t.r.report, [&](TQRStandardPreview& w) {
        dialogs.saveAnswers.push_back({txt, 2});
        w.Save->click();
    });
    EXPECT_TRUE(dialogs.errors.empty()) << dialogs.errors.front().toStdString();
    const QString text = QString::fromUtf8(fileBytes(txt));
    QStringList expected{QStringLiteral("見出し")};
    for (int i = 1; i <= 45; ++i)
        expected << QStringLiteral("row %1\t値 %1").arg(i);
    expected << QString() << TQRTextExportFilter::PageSeparator() << QStringLiteral("見出し");
    for (int i = 46; i <= 50; ++i)
        expected << QStringLiteral("row %1\t値 %1").arg(i);
    EXPECT_EQ(text, expected.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
}

TEST(PreviewFiles, TheTextExportOfALoadedFileNamesThePageItCouldNotRead)
{
    PrinterScope scope({pdfTo(QString())});
    ScriptedPreview dialogs;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("three.QRP"));
    writeReportFile(file, {samplePage(1), samplePage(2), samplePage(3)});
    QByteArray bytes = fileBytes(file);
    putInt32(bytes, int32At(bytes, 128) + 8 + 40, 0);
    writeFile(file, bytes);
    const QString txt = dir.filePath(QStringLiteral("three.TXT"));
    BandReport r(1);
    previewThen(r.report, [&](TQRStandardPreview& w) {
        dialogs.openAnswers.push_back(file);
        w.Load->click();
        dialogs.errors.clear();   // page 1 shows; page 2 is not asked for here
        dialogs.saveAnswers.push_back({txt, 2});
        w.Save->click();
    });
    const QString text = QString::fromUtf8(fileBytes(txt));
    EXPECT_TRUE(text.contains(QStringLiteral("Page 1 ページ"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Page 3 ページ")));
    EXPECT_FALSE(text.contains(QStringLiteral("Page 2")));
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_TRUE(dialogs.errors[0].contains(QStringLiteral("page 2"))) << dialogs.errors[0].toStdString();
}

TEST(PreviewFiles, SaveWaitsForTheEndOfTheRun)
{
    PrinterScope scope({pdfTo(QString())});
    ScriptedPreview dialogs;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("early.QRP"));
    BandReport r(100);
    bool enabledDuringRun = true;
    auto base = r.report.OnNeedData;
    r.report.OnNeedData = [&](QObject* s, bool& more) {
        base(s, more);
        if (r.served == 50) {
            TQRStandardPreview* w = openPreview();
            enabledDuringRun = w->Save->isEnabled();
            dialogs.saveAnswers.push_back({file, 1});
            w->SaveClick();   // as if it were pressed: still nothing before the end
        }
    };
    bool enabledAfter = false;
    previewThen(r.report, [&](TQRStandardPreview& w) { enabledAfter = w.Save->isEnabled(); });
    EXPECT_FALSE(enabledDuringRun);
    EXPECT_TRUE(enabledAfter);
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST(PreviewFiles, PrintAfterLoadPrintsTheLoadedPages)
{
    auto fake = std::make_shared<FakePrinter>();
    PrinterScope scope({fake});
    ScriptedPreview dialogs;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("five.QRP"));
    writeReportFile(file, {samplePage(1), samplePage(2), samplePage(3), samplePage(4), samplePage(5)});
    BandReport r(1);
    int setups = 0;
    TQRReport::execDialog = [&](QDialog&) { return ++setups, int(QDialog::Rejected); };
    previewThen(r.report, [&](TQRStandardPreview& w) {
        dialogs.openAnswers.push_back(file);
        w.Load->click();
        w.PrintSetup->click();   // a loaded file has no report to set up
        w.Print->click();
    });
    TQRReport::execDialog = [](QDialog& d) { return d.exec(); };
    EXPECT_EQ(setups, 0);
    EXPECT_EQ(fake->jobsBegun, 1);
    EXPECT_EQ(fake->lastSheets, 5);
    EXPECT_EQ(r.served, 1);   // the report did not run again
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST(PageText, LinesTopToBottomTextsLeftToRightTabsBetweenColumns)
{
    EmfBuilder b;
    b.raw(rec::EXTCREATEFONTINDIRECTW, fontBody(1, -5, QStringLiteral("Sans"))).rec(rec::SELECTOBJECT, {1});
    b.raw(rec::EXTTEXTOUTW, textBody(60, 20, QStringLiteral("right")));
    b.raw(rec::EXTTEXTOUTW, textBody(10, 50, QStringLiteral("below")));
    b.raw(rec::EXTTEXTOUTW, textBody(10, 21, QStringLiteral("left")));   // a unit lower: same line
    b.raw(rec::EXTTEXTOUTW, textBody(10, 80, QStringLiteral("two\r\nlines")));
    b.raw(rec::EXTTEXTOUTW, textBody(10, 90, QStringLiteral("   ")));      // blanks are no text
    b.eof();
    EXPECT_EQ(pageTextLines(QRMetafile(b.image())),
              (QStringList{QStringLiteral("left\tright"), QStringLiteral("below"), QStringLiteral("two  lines")}));
}
