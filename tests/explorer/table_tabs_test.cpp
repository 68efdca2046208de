// The table tab bar: one row with scroll arrows, or as many rows as the tabs need; whole captions.

#include "explorer/table_tabs.h"

#include "explorer_fixture.h"

#include <QSplitter>
#include <QTabWidget>

#include <QApplication>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

struct Bar {
    QWidget page;
    TableTabs tabs;
    Bar(int width, int count)
    {
        tabs.setPage(new QLabel(QStringLiteral("page")));
        for (int i = 0; i < count; ++i)
            tabs.addTab(QStringLiteral("Table number %1").arg(i));
        tabs.resize(width, 300);
        tabs.show();
        (void)QTest::qWaitForWindowExposed(&tabs);
    }
    QList<QToolButton*> arrows() const { return tabs.findChildren<QToolButton*>(); }
    bool arrowsShown() const
    {
        for (QToolButton* b : arrows()) {
            if (b->isVisible())
                return true;
        }
        return false;
    }
};

} // namespace

TEST(TableTabBar, OneRowScrollsAndManyRowsWrap)
{
    Bar bar(400, 30);
    EXPECT_FALSE(bar.tabs.multiLine());
    EXPECT_TRUE(bar.arrowsShown());
    EXPECT_FALSE(bar.tabs.tabRect(29).isValid());          // out of view in one row
    const int oneRowTop = bar.tabs.tabRect(0).top();

    // Choosing a tab out of view scrolls it in.
    bar.tabs.setCurrentIndex(29);
    EXPECT_TRUE(bar.tabs.tabRect(29).isValid());
    EXPECT_LE(bar.tabs.tabRect(29).right(), 400);

    bar.tabs.setMultiLine(true);
    EXPECT_FALSE(bar.arrowsShown());
    int maxBottom = 0;
    for (int i = 0; i < 30; ++i) {
        const QRect r = bar.tabs.tabRect(i);
        ASSERT_TRUE(r.isValid()) << i;
        EXPECT_LE(r.right(), 400) << i;
        maxBottom = std::max(maxBottom, r.bottom());
    }
    EXPECT_GT(maxBottom - oneRowTop, 3 * bar.tabs.tabRect(0).height());

    // Back to one row: the current tab stays in view.
    bar.tabs.setMultiLine(false);
    EXPECT_TRUE(bar.arrowsShown());
    EXPECT_TRUE(bar.tabs.tabRect(29).isValid());
}

TEST(TableTabBar, FewTabsNeedNoArrowsAndCaptionsAreWhole)
{
    Bar bar(800, 3);
    EXPECT_FALSE(bar.arrowsShown());
    const QFontMetrics fm(bar.tabs.font());
    for (int i = 0; i < 3; ++i)
        EXPECT_GT(bar.tabs.tabRect(i).width(), fm.horizontalAdvance(bar.tabs.tabText(i)) + 8);
}

TEST(TableTabBar, AUserClickSignalsAChangeAndAProgramChoiceDoesNot)
{
    Bar bar(800, 3);
    QSignalSpy spy(&bar.tabs, &TableTabs::changed);
    bar.tabs.setCurrentIndex(2);
    EXPECT_EQ(spy.count(), 0);
    QWidget* strip = bar.tabs.childAt(bar.tabs.tabRect(1).center());
    ASSERT_NE(strip, nullptr);
    QTest::mouseClick(strip, Qt::LeftButton, {}, strip->mapFrom(&bar.tabs, bar.tabs.tabRect(1).center()));
    EXPECT_EQ(bar.tabs.currentIndex(), 1);
    EXPECT_EQ(spy.count(), 1);
    // Clicking the current tab changes nothing.
    QTest::mouseClick(strip, Qt::LeftButton, {}, strip->mapFrom(&bar.tabs, bar.tabs.tabRect(1).center()));
    EXPECT_EQ(spy.count(), 1);
    bar.tabs.clear();
    EXPECT_EQ(bar.tabs.currentIndex(), -1);
    EXPECT_EQ(bar.tabs.tabText(0), QString());
}

namespace {

// A narrow main window on the data page of a database with `extra` more tables named by `name`.
struct NarrowWindow {
    explorertest::Explorer e;
    TfrmMain& w;
    NarrowWindow(int extra, const char* name)
        : e({withTables(extra, name)}), w(*e.w)
    {
        w.resize(450, 529);
        w.show();
        QApplication::setActiveWindow(&w);
        (void)QTest::qWaitForWindowExposed(&w);
        e.open();
        e.showDataPage();
        QTest::qWait(50);
    }
    static fakedao::DatabaseDef withTables(int extra, const char* name)
    {
        fakedao::DatabaseDef db = explorertest::sampleDatabase();
        for (int i = 0; i < extra; ++i)
            db.tables.push_back(explorertest::numberedTable(QString::fromLatin1(name).arg(i), 1));
        return db;
    }
    // Clicks btnStyle and lets every layout request that follows be handled.
    void toggleStyle()
    {
        QTest::mouseClick(w.btnStyle, Qt::LeftButton);
        QTest::qWait(50);
    }
    int rows() const
    {
        const int oneRow = w.tabTables->tabRect(0).height();
        int n = 0;
        for (int i = 0; i < w.tabTables->count(); ++i)
            n = std::max(n, (w.tabTables->tabRect(i).bottom() - w.tabTables->tabRect(0).top()) / oneRow + 1);
        return n;
    }
};

} // namespace

// Rows of tabs come out of the pages: the window keeps its size and its minimum.
TEST(TableTabBar, ExtraRowsTakeTheirRoomFromThePagesNotTheScreen)
{
    NarrowWindow n(30, "T%1");
    TfrmMain& w = n.w;
    const QSize window = w.size();
    const int minimumHeight = w.minimumSizeHint().height();
    const int pageHeight = w.PageControl1->height();
    const int oneRow = w.tabTables->tabRect(0).height();
    ASSERT_EQ(n.rows(), 1);

    n.toggleStyle();
    ASSERT_TRUE(w.tabTables->multiLine());
    const int rows = n.rows();
    ASSERT_GE(rows, 3);
    EXPECT_EQ(w.size(), window);
    EXPECT_EQ(w.minimumSizeHint().height(), minimumHeight);
    EXPECT_EQ(w.PageControl1->height(), pageHeight - (rows - 1) * oneRow);
    // The last row sits right on the pages.
    const QRect last = w.tabTables->tabRect(w.tabTables->count() - 1);
    EXPECT_EQ(w.tabTables->mapTo(&w, last.bottomLeft()).y() + 1, w.PageControl1->mapTo(&w, QPoint(0, 0)).y());

    // Back to one row: the pages get their room back.
    n.toggleStyle();
    EXPECT_FALSE(w.tabTables->multiLine());
    EXPECT_EQ(w.size(), window);
    EXPECT_EQ(w.PageControl1->height(), pageHeight);
}

// More rows than the window can hold: the pages shrink to nothing, the window still keeps its size.
TEST(TableTabBar, RowsBeyondTheWindowNeverGrowIt)
{
    NarrowWindow n(60, "Customer table %1");
    TfrmMain& w = n.w;
    const QSize window = w.size();
    n.toggleStyle();
    ASSERT_GT(n.rows() * w.tabTables->tabRect(0).height(), window.height());
    EXPECT_EQ(w.size(), window);
    EXPECT_LE(w.minimumSize().height(), window.height());
    EXPECT_EQ(w.PageControl1->height(), 0);
    EXPECT_LE(w.tabTables->geometry().bottom(), w.centralWidget()->height());
    n.toggleStyle();
    EXPECT_EQ(w.size(), window);
    EXPECT_GT(w.PageControl1->height(), 100);
}
