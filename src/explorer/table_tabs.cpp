#include "explorer/table_tabs.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionTab>
#include <QStylePainter>
#include <QToolButton>
#include <QVBoxLayout>

#include <vector>

namespace {
constexpr int kTabHeight = 21;
constexpr int kTabPadding = 14;
constexpr int kArrowWidth = 17;
constexpr int kMargin = 2;     // above and beside the tabs
} // namespace

class TableTabStrip : public QWidget {
public:
    explicit TableTabStrip(TableTabs* owner) : QWidget(owner), m_owner(owner)
    {
        setFocusPolicy(Qt::StrongFocus);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }

    // A caption as the style draws it: '&' would otherwise become a mnemonic.
    static QString displayText(const QString& caption)
    {
        QString text = caption;
        return text.replace(QLatin1Char('&'), QLatin1String("&&"));
    }

    // The width the style needs for a tab, so that its caption is never cut.
    int tabWidth(int index) const
    {
        QStyleOptionTab opt;
        opt.initFrom(this);
        opt.shape = QTabBar::RoundedNorth;
        opt.text = displayText(m_owner->m_captions[index]);
        const QFontMetrics fm = fontMetrics();
        const int hframe = style()->pixelMetric(QStyle::PM_TabBarTabHSpace, &opt, this);
        const QSize contents(fm.size(Qt::TextShowMnemonic, opt.text).width() + hframe, fm.height());
        return std::max(style()->sizeFromContents(QStyle::CT_TabBarTab, &opt, contents, this).width(),
                        fm.horizontalAdvance(m_owner->m_captions[index]) + kTabPadding);
    }

    // Tab rectangles for the given width; one row is laid out from m_firstVisible.
    std::vector<QRect> layoutTabs(int width, int* rows) const
    {
        std::vector<QRect> rects(static_cast<std::size_t>(m_owner->count()));
        int x = 0, row = 0;
        for (int i = 0; i < m_owner->count(); ++i) {
            const int w = tabWidth(i);
            if (m_owner->m_multiLine) {
                if (x > 0 && x + w > width) {
                    x = 0;
                    ++row;
                }
                rects[static_cast<std::size_t>(i)] = QRect(x, row * kTabHeight, w, kTabHeight);
                x += w;
            } else if (i >= m_owner->m_firstVisible) {
                rects[static_cast<std::size_t>(i)] = QRect(x, 0, w, kTabHeight);
                x += w;
            }
        }
        *rows = m_owner->count() == 0 ? 0 : row + 1;
        return rects;
    }

    int totalWidth() const
    {
        int w = 0;
        for (int i = 0; i < m_owner->count(); ++i)
            w += tabWidth(i);
        return w;
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QStylePainter p(this);
        int rows = 0;
        const auto rects = layoutTabs(width(), &rows);
        for (int i = 0; i < m_owner->count(); ++i) {
            const QRect r = rects[static_cast<std::size_t>(i)];
            if (r.isEmpty() || r.left() > width())
                continue;
            QStyleOptionTab opt;
            opt.initFrom(this);
            opt.shape = QTabBar::RoundedNorth;
            opt.rect = r;
            opt.text = displayText(m_owner->m_captions[i]);
            opt.position = QStyleOptionTab::Middle;
            if (i == m_owner->m_current) {
                opt.state |= QStyle::State_Selected;
                if (hasFocus())
                    opt.state |= QStyle::State_HasFocus;
            } else {
                opt.state &= ~QStyle::State_HasFocus;
            }
            p.drawControl(QStyle::CE_TabBarTab, opt);
        }
    }

    void mousePressEvent(QMouseEvent* e) override
    {
        int rows = 0;
        const auto rects = layoutTabs(width(), &rows);
        for (int i = 0; i < m_owner->count(); ++i) {
            if (rects[static_cast<std::size_t>(i)].contains(e->position().toPoint())) {
                m_owner->userSelect(i);
                return;
            }
        }
    }

    void keyPressEvent(QKeyEvent* e) override
    {
        const int n = m_owner->count();
        if (n > 0 && (e->key() == Qt::Key_Left || e->key() == Qt::Key_Right)) {
            const int next = m_owner->m_current + (e->key() == Qt::Key_Left ? -1 : 1);
            if (next >= 0 && next < n)
                m_owner->userSelect(next);
            return;
        }
        QWidget::keyPressEvent(e);
    }

private:
    TableTabs* m_owner;
};

TableTabs::TableTabs(QWidget* parent) : QWidget(parent)
{
    // Placed by hand (relayout): rows of tabs must take their room from the page, and a layout
    // would pass the rows' height on to the window's minimum size.
    m_strip = new TableTabStrip(this);
    m_left = new QToolButton(this);
    m_right = new QToolButton(this);
    m_left->setArrowType(Qt::LeftArrow);
    m_right->setArrowType(Qt::RightArrow);
    for (QToolButton* b : {m_left, m_right}) {
        b->setAutoRaise(true);
        b->setFixedSize(kArrowWidth, kTabHeight - 2);
        b->setFocusPolicy(Qt::NoFocus);
    }
    connect(m_left, &QToolButton::clicked, this, [this] { scrollBy(-1); });
    connect(m_right, &QToolButton::clicked, this, [this] { scrollBy(1); });
    m_pageFrame = new QWidget(this);
    m_pageLayout = new QVBoxLayout(m_pageFrame);
    m_pageLayout->setContentsMargins(0, 0, 0, 0);
    relayout();
}

QSize TableTabs::sizeHint() const
{
    const QSize page = m_pageFrame->sizeHint();
    return {std::max(page.width(), 200), kMargin + kTabHeight + std::max(page.height(), 0)};
}

QSize TableTabs::minimumSizeHint() const
{
    // One row of tabs over the page, however many rows are shown.
    const QSize page = m_pageFrame->minimumSizeHint();
    return {std::max(page.width(), 2 * kMargin + 2 * kArrowWidth), kMargin + kTabHeight + std::max(page.height(), 0)};
}

void TableTabs::resizeEvent(QResizeEvent*)
{
    relayout();
}

int TableTabs::addTab(const QString& caption)
{
    m_captions << caption;
    if (m_current < 0)
        m_current = 0;
    relayout();
    return count() - 1;
}

void TableTabs::clear()
{
    m_captions.clear();
    m_current = -1;
    m_firstVisible = 0;
    relayout();
}

QString TableTabs::tabText(int index) const
{
    return index >= 0 && index < count() ? m_captions[index] : QString();
}

void TableTabs::setCurrentIndex(int index)
{
    if (index < 0 || index >= count() || index == m_current)
        return;
    m_current = index;
    scrollToCurrent();
}

void TableTabs::scrollToCurrent()
{
    relayout();   // the arrows take their room first
    if (!m_multiLine && m_current >= 0) {
        if (m_current < m_firstVisible)
            m_firstVisible = m_current;
        while (m_firstVisible < m_current && !tabRect(m_current).isValid())
            ++m_firstVisible;
        relayout();
    }
}

void TableTabs::setMultiLine(bool on)
{
    if (m_multiLine == on)
        return;
    m_multiLine = on;
    m_firstVisible = 0;
    scrollToCurrent();
}

void TableTabs::setPage(QWidget* page)
{
    m_pageLayout->addWidget(page);
}

QRect TableTabs::tabRect(int index) const
{
    if (index < 0 || index >= count())
        return {};
    int rows = 0;
    const auto rects = m_strip->layoutTabs(m_strip->width(), &rows);
    QRect r = rects[static_cast<std::size_t>(index)];
    if (r.isEmpty() || r.right() >= m_strip->width())
        return {};
    return r.translated(m_strip->pos());
}

void TableTabs::userSelect(int index)
{
    if (index == m_current)
        return;
    setCurrentIndex(index);
    emit changed();
}

void TableTabs::scrollBy(int delta)
{
    m_firstVisible = std::clamp(m_firstVisible + delta, 0, std::max(0, count() - 1));
    relayout();
}

void TableTabs::relayout()
{
    if (m_inRelayout)
        return;
    m_inRelayout = true;
    const int fullWidth = std::max(width() - 2 * kMargin, 0);
    const bool arrows = !m_multiLine && count() > 0 && (m_strip->totalWidth() > fullWidth || m_firstVisible > 0);
    const int stripWidth = std::max(fullWidth - (arrows ? 2 * kArrowWidth : 0), 0);
    int rows = 0;
    const auto rects = m_strip->layoutTabs(stripWidth, &rows);
    // The rows come out of the page; beyond the widget's height they are cut off.
    const int stripHeight = std::min(std::max(rows, 1) * kTabHeight, std::max(height() - kMargin, 0));
    m_strip->setGeometry(kMargin, kMargin, stripWidth, stripHeight);
    m_left->setVisible(arrows);
    m_right->setVisible(arrows);
    m_left->move(kMargin + stripWidth, kMargin);
    m_right->move(kMargin + stripWidth + kArrowWidth, kMargin);
    m_left->setEnabled(m_firstVisible > 0);
    m_right->setEnabled(!rects.empty() && rects.back().right() >= stripWidth);
    const int pageTop = kMargin + stripHeight;
    m_pageFrame->setGeometry(0, pageTop, width(), std::max(height() - pageTop, 0));
    m_strip->update();
    m_inRelayout = false;
}
