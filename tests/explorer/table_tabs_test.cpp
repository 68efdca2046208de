// The table tab bar: one row with scroll arrows, or as many rows as the tabs need; whole captions.

#include "explorer/table_tabs.h"

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
