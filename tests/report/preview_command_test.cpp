// The preview command of the main window: it previews the current table and returns when the
// window closes; printing from the preview prints the previewed table even after the main
// window moved on; the preview's messages are the program's boxes; closing the main window
// closes the previews.

#include "explorer/explorer_fixture.h"
#include "reportengine/preview_helpers.h"

#include "reportengine/export/page_text.h"

#include <QAction>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

class PreviewCommand : public ::testing::Test {
protected:
    QTemporaryDir dir;
    PrinterScope scope{{makePdfPrinter()}};
    explorertest::Explorer e;

    void preview() { e.run([this] { e.w->btnPreviewClick(e.w->btnPreview); }); }

    // The text of a stored page of the open preview.
    static QString pageText(TQRStandardPreview* w, int page)
    {
        const std::optional<QRMetafile> image = w->QRPrinter()->GetPage(page);
        return image ? pageTextLines(*image).join(QLatin1Char('\n')) : QString();
    }
};

} // namespace

TEST_F(PreviewCommand, WithoutADatabaseTheErrorBoxShowsAndNoWindowOpens)
{
    bool opened = false;
    when([] { return openPreview() != nullptr; }, [&] {
        opened = true;
        openPreview()->close();
    });
    preview();
    flushClosedWindows();
    EXPECT_FALSE(opened);
    ASSERT_EQ(e.h.dialogs.messages.size(), 1u);
    EXPECT_EQ(e.h.dialogs.messages[0].icon, Dialogs::Icon::Error);
    EXPECT_TRUE(e.h.report->QRReport1->Available);
}

TEST_F(PreviewCommand, PrintingFromThePreviewPrintsThePreviewedTableAfterTheWindowMovedOn)
{
    e.open();
    e.selectTab(QStringLiteral("FortyTwo"));
    const QString mainPdf = dir.filePath(QStringLiteral("main.pdf"));
    const QString previewPdf = dir.filePath(QStringLiteral("preview.pdf"));
    e.h.dialogs.saveAnswers = {mainPdf, previewPdf};
    QString shown, status;
    bool returnedEarly = true;
    bool done = false;
    when([] { return finished(openPreview()); }, [&] {
        TQRStandardPreview* w = openPreview();
        shown = pageText(w, 1);
        status = w->Status->text();
        // The main window shows and prints another table meanwhile.
        e.selectTab(QStringLiteral("AllTypes"));
        e.run([&] { e.w->Print1Click(e.w->btnPrint); });
        w->Print->click();
        returnedEarly = done;
        w->close();
    });
    preview();
    done = true;
    flushClosedWindows();
    EXPECT_FALSE(returnedEarly);   // the command waited for the window
    EXPECT_TRUE(e.h.dialogs.messages.empty()) << e.h.dialogs.messages.front().text.toStdString();
    EXPECT_TRUE(shown.contains(QStringLiteral("FortyTwo")));
    EXPECT_TRUE(shown.contains(QStringLiteral("( sample.mdb )")));
    EXPECT_EQ(status, QStringLiteral("ﾍﾟｰｼﾞ: 1 / 1"));

    const QString main = pdfText(mainPdf);
    EXPECT_TRUE(main.contains(QStringLiteral("AllTypes")));
    EXPECT_TRUE(main.contains(QStringLiteral("Counter")));
    // Title, file line and rows of one table: the previewed one.
    const QString printed = pdfText(previewPdf);
    EXPECT_TRUE(printed.contains(QStringLiteral("FortyTwo")));
    EXPECT_TRUE(printed.contains(QStringLiteral("( sample.mdb )")));
    EXPECT_TRUE(printed.contains(QStringLiteral("名前")));
    EXPECT_FALSE(printed.contains(QStringLiteral("AllTypes")));
    EXPECT_FALSE(printed.contains(QStringLiteral("Counter")));
    EXPECT_TRUE(e.h.report->QRReport1->Available);
    EXPECT_EQ(e.h.report->QRReport1->PrinterObject(), nullptr);
}

TEST_F(PreviewCommand, TheMenuItemPreviewsAndThePreviewsMessagesAreTheProgramsBoxes)
{
    e.open();
    e.selectTab(QStringLiteral("AllTypes"));
    ScriptedPreview files(false);   // file dialogs answered here; messages go to the program's boxes
    files.openAnswers.push_back(dir.filePath(QStringLiteral("nothing.QRP")));
    QString shown;
    when([] { return finished(openPreview()); }, [&] {
        TQRStandardPreview* w = openPreview();
        shown = pageText(w, 1);
        w->Load->click();
        w->close();
    });
    e.w->PrintPreview1->trigger();
    flushClosedWindows();
    EXPECT_TRUE(shown.contains(QStringLiteral("AllTypes")));
    ASSERT_EQ(e.h.dialogs.messages.size(), 1u);
    EXPECT_EQ(e.h.dialogs.messages[0].text, QStringLiteral("ﾌｧｲﾙが存在しません"));
    EXPECT_EQ(e.h.dialogs.messages[0].caption, QStringLiteral("Norvik Tabulon"));
}

TEST_F(PreviewCommand, ClosingTheMainWindowClosesThePreviews)
{
    e.open();
    e.selectTab(QStringLiteral("FortyTwo"));
    e.w->show();
    bool previewOpenBefore = false;
    when([] { return finished(openPreview()); }, [&] {
        previewOpenBefore = true;
        e.w->close();
    });
    preview();
    flushClosedWindows();
    EXPECT_TRUE(previewOpenBefore);
    EXPECT_TRUE(openPreviews().empty());
    EXPECT_TRUE(e.h.report->QRReport1->Available);
}
