// The status bar's panel with the open database's path: as wide as the window lets it be, cut in
// the middle only when the window is too narrow, the whole path always in its tooltip.

#include "app/path_panel.h"
#include "support/main_window_harness.h"

#include <QApplication>
#include <QHelpEvent>
#include <QStatusBar>
#include <QTest>
#include <QToolTip>

#include <gtest/gtest.h>

namespace {

const QString kPath = QStringLiteral("/home/sato/ドキュメント/業務/2024年度/顧客管理/バックアップ/db/jp_sample.mdb");

struct Shown {
    MainWindowHarness h;
    TfrmMain& w = h.start();
    explicit Shown(int width)
    {
        w.resize(width, 529);
        w.show();
        QApplication::setActiveWindow(&w);
        (void)QTest::qWaitForWindowExposed(&w);
        w.StatusPanel->setText(kPath);
        QApplication::processEvents();
    }
    // The tooltip the panel shows when the mouse rests on it; empty when it shows none.
    QString tooltip()
    {
        QToolTip::hideText();
        (void)QTest::qWaitFor([] { return !QToolTip::isVisible(); }, 2000);
        const QPoint at = w.StatusPanel->rect().center();
        QHelpEvent help(QEvent::ToolTip, at, w.StatusPanel->mapToGlobal(at));
        QApplication::sendEvent(w.StatusPanel, &help);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    }
};

} // namespace

TEST(StatusPanel, AWideWindowShowsTheWholePathUpToItsRightEdge)
{
    Shown s(1280);
    EXPECT_EQ(s.w.StatusPanel->text(), kPath);
    EXPECT_EQ(s.w.StatusPanel->shownText(), kPath);
    // The panel reaches the right edge (only the size grip may sit beside it).
    const int right = s.w.StatusPanel->mapTo(&s.w, QPoint(s.w.StatusPanel->width(), 0)).x();
    EXPECT_GE(right, s.w.width() - 24);
    EXPECT_EQ(s.tooltip(), kPath);
}

TEST(StatusPanel, ANarrowWindowCutsThePathInTheMiddle)
{
    Shown s(450);
    const QString shown = s.w.StatusPanel->shownText();
    ASSERT_NE(shown, kPath);
    ASSERT_TRUE(shown.contains(QChar(0x2026)));
    // Both ends of the path stay: where it starts and the file name.
    EXPECT_TRUE(shown.startsWith(QStringLiteral("/home"))) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith(QStringLiteral("jp_sample.mdb"))) << shown.toStdString();
    EXPECT_LE(s.w.StatusPanel->fontMetrics().horizontalAdvance(shown), s.w.StatusPanel->contentsRect().width());
    EXPECT_EQ(s.tooltip(), kPath);

    // Wider again: the whole path is back.
    s.w.resize(1280, 529);
    QApplication::processEvents();
    EXPECT_EQ(s.w.StatusPanel->shownText(), kPath);
}

TEST(StatusPanel, NoPathNoTooltipAndTheWindowIsNotHeldWide)
{
    Shown s(1280);
    s.w.StatusPanel->setText(QString());
    EXPECT_EQ(s.tooltip(), QString());
    // However long the path, the panel never makes the window wider.
    s.w.StatusPanel->setText(kPath.repeated(10));
    EXPECT_LE(s.w.StatusPanel->minimumSizeHint().width(), 200);
    EXPECT_LE(s.w.minimumSizeHint().width(), 450);
}
