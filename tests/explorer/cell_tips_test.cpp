// Whole texts as tooltips: a description broken into lines in the field list, a value too long
// for its cell in the data grid. A cell that shows its whole text has no tooltip.

#include "explorer_fixture.h"

#include "explorer/full_text_tips.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QTabWidget>
#include <QTest>
#include <QToolTip>

using namespace explorertest;
using fakedao::FieldDef;

namespace {

const QString kTwoLines = QStringLiteral("一行目\r\n二行目");
const QString kLongValue = QStringLiteral("とても長い備考です。").repeated(12);

// What a tooltip shows, as plain text.
QString plain(const QString& tip)
{
    QTextDocument doc;
    doc.setHtml(tip);
    return doc.toPlainText();
}

fakedao::DatabaseDef describedDatabase()
{
    fakedao::DatabaseDef db = sampleDatabase();
    fakedao::TableDef t;
    t.name = QStringLiteral("Notes");
    t.fields = {FieldDef::make(QStringLiteral("ID"), fakedao::dbLong, QStringLiteral("番号")),
                FieldDef::make(QStringLiteral("Body"), fakedao::dbMemo, kTwoLines),
                FieldDef::make(QStringLiteral("Remark"), fakedao::dbText, kLongValue)};
    t.rows.push_back({automation::Variant(std::int32_t{1}), automation::Variant(kLongValue), automation::Variant("短い")});
    db.tables.insert(db.tables.begin(), t);
    return db;
}

// The tooltip that comes up when the mouse rests on a cell of a view; empty when none does.
QString tipAt(QAbstractItemView* view, const QModelIndex& index)
{
    QToolTip::hideText();
    (void)QTest::qWaitFor([] { return !QToolTip::isVisible(); }, 2000);
    const QRect cell = view->visualRect(index);
    const QPoint at = cell.topLeft() + QPoint(4, cell.height() / 2);
    QHelpEvent help(QEvent::ToolTip, at, view->viewport()->mapToGlobal(at));
    QApplication::sendEvent(view->viewport(), &help);
    return QToolTip::isVisible() ? plain(QToolTip::text()) : QString();
}

struct Window {
    Explorer e{{describedDatabase()}};
    Window()
    {
        e.w->resize(900, 600);
        e.w->show();
        QApplication::setActiveWindow(e.w);
        (void)QTest::qWaitForWindowExposed(e.w);
        e.open();
        QApplication::processEvents();
    }
};

} // namespace

TEST(CellTips, TipTextRules)
{
    const QFontMetrics fm(QApplication::font());
    const QString word = QStringLiteral("Description");
    const int w = fm.horizontalAdvance(word);
    // Fits exactly: no tip; one pixel short: the whole text.
    EXPECT_EQ(FullTextTips::tipFor(word, fm, w), QString());
    EXPECT_EQ(plain(FullTextTips::tipFor(word, fm, w - 1)), word);
    EXPECT_EQ(FullTextTips::tipFor(QString(), fm, 0), QString());
    // A line break always hides the rest: a tip however wide the cell; CR LF and CR are one break.
    EXPECT_EQ(plain(FullTextTips::tipFor(kTwoLines, fm, 10000)), QStringLiteral("一行目\n二行目"));
    EXPECT_EQ(plain(FullTextTips::tipFor(QStringLiteral("a\rb\nc"), fm, 10000)), QStringLiteral("a\nb\nc"));
    // Markup in the text is shown as written.
    EXPECT_EQ(plain(FullTextTips::tipFor(QStringLiteral("<b>x</b>\n&amp;"), fm, 10000)), QStringLiteral("<b>x</b>\n&amp;"));
    // A huge value is cut, and says so.
    const QString huge = QString(FullTextTips::kMaxTipChars + 10, QLatin1Char('x'));
    const QString cut = plain(FullTextTips::tipFor(huge, fm, 100));
    EXPECT_EQ(cut, QString(FullTextTips::kMaxTipChars, QLatin1Char('x')) + QChar(0x2026));
    const QString many = QStringLiteral("line\n").repeated(FullTextTips::kMaxTipLines + 5);
    EXPECT_EQ(plain(FullTextTips::tipFor(many, fm, 10000)).count(QLatin1Char('\n')), FullTextTips::kMaxTipLines);
}

TEST(CellTips, AMultiLineDescriptionShowsWholeInTheFieldList)
{
    Window win;
    QTreeWidget* list = win.e.w->lsvFields;
    ASSERT_EQ(list->topLevelItem(1)->text(3), kTwoLines);
    const QAbstractItemModel* model = list->model();
    EXPECT_EQ(tipAt(list, model->index(1, 3)), QStringLiteral("一行目\n二行目"));
    // A short description and a name are shown whole: no tooltip.
    EXPECT_EQ(tipAt(list, model->index(0, 3)), QString());
    EXPECT_EQ(tipAt(list, model->index(0, 0)), QString());
    // A long one-line description cut at the window's edge.
    EXPECT_EQ(tipAt(list, model->index(2, 3)), kLongValue);
}

TEST(CellTips, ALongValueShowsWholeInTheDataGrid)
{
    Window win;
    win.e.showDataPage();
    QApplication::processEvents();
    QTableWidget* grid = win.e.w->grdData;
    ASSERT_EQ(datagrid::cell(*grid, 1, 1), kLongValue);
    const QAbstractItemModel* model = grid->model();
    EXPECT_EQ(tipAt(grid, model->index(0, 1)), kLongValue);
    EXPECT_EQ(tipAt(grid, model->index(0, 0)), QString());
    EXPECT_EQ(tipAt(grid, model->index(0, 2)), QString());
    // Wide enough for the whole value: no tooltip any more.
    grid->horizontalHeader()->resizeSection(1, 2000);
    EXPECT_EQ(tipAt(grid, model->index(0, 1)), QString());
}
