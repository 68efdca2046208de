#include "explorer/table_tabs.h"

#include <QHBoxLayout>
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

    QSize sizeHint() const override
    {
        int rows = 0;
        layoutTabs(std::max(width(), 1), &rows);
        return {200, std::max(rows, 1) * kTabHeight};
    }
    QSize minimumSizeHint() const override { return {0, sizeHint().height()}; }

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

    void resizeEvent(QResizeEvent*) override { m_owner->relayout(); }

private:
    TableTabs* m_owner;
};

TableTabs::TableTabs(QWidget* parent) : QWidget(parent)
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    auto* top = new QHBoxLayout;
    top->setContentsMargins(2, 2, 2, 0);
    top->setSpacing(0);
    m_strip = new TableTabStrip(this);
    m_left = new QToolButton(this);
    m_right = new QToolButton(this);
    m_left->setArrowType(Qt::LeftArrow);
    m_right->setArrowType(Qt::RightArrow);
    for (QToolButton* b : {m_left, m_right}) {
        b->setAutoRaise(true);
        b->setFixedSize(17, kTabHeight - 2);
        b->setFocusPolicy(Qt::NoFocus);
    }
    connect(m_left, &QToolButton::clicked, this, [this] { scrollBy(-1); });
    connect(m_right, &QToolButton::clicked, this, [this] { scrollBy(1); });
    top->addWidget(m_strip, 1);
    top->addWidget(m_left, 0, Qt::AlignTop);
    top->addWidget(m_right, 0, Qt::AlignTop);
    outer->addLayout(top);
    m_pageFrame = new QWidget(this);
    m_pageLayout = new QVBoxLayout(m_pageFrame);
    m_pageLayout->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(m_pageFrame, 1);
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
    const bool overflow = !m_multiLine && count() > 0 && m_strip->totalWidth() > m_strip->width();
    m_left->setVisible(overflow || (!m_multiLine && m_firstVisible > 0));
    m_right->setVisible(m_left->isVisible());
    // The strip's width decides which tabs are in view: bring it up to date now.
    if (layout() && !m_inRelayout) {
        m_inRelayout = true;
        layout()->activate();
        m_inRelayout = false;
    }
    m_left->setEnabled(m_firstVisible > 0);
    int rows = 0;
    const auto rects = m_strip->layoutTabs(m_strip->width(), &rows);
    m_right->setEnabled(!rects.empty() && rects.back().right() >= m_strip->width());
    m_strip->setFixedHeight(std::max(rows, 1) * kTabHeight);
    m_strip->update();
}
