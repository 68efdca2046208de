#pragma once
// The table tabs above the field and data pages: one row with scroll arrows, or as many rows as
// the tabs need. QTabBar has no multi-row mode, hence this small bar of our own.

#include <QStringList>
#include <QWidget>

class QToolButton;
class QVBoxLayout;

class TableTabStrip;

class TableTabs : public QWidget {
    Q_OBJECT

public:
    explicit TableTabs(QWidget* parent = nullptr);

    int addTab(const QString& caption);
    void clear();
    int count() const { return static_cast<int>(m_captions.size()); }
    QString tabText(int index) const;
    int currentIndex() const { return m_current; }
    // Selecting by program does not emit changed(), like a user's click does.
    void setCurrentIndex(int index);

    bool multiLine() const { return m_multiLine; }
    void setMultiLine(bool on);

    // The widget shown under the tabs (the page control).
    void setPage(QWidget* page);

    // The rectangle of a tab in this widget's coordinates (empty when scrolled out of view).
    QRect tabRect(int index) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // The user chose another tab (click or arrow keys).
    void changed();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    friend class TableTabStrip;
    void userSelect(int index);
    void scrollBy(int delta);
    void relayout();
    void scrollToCurrent();     // one-row mode: the current tab in view

    QStringList m_captions;
    int m_current = -1;
    bool m_multiLine = false;
    int m_firstVisible = 0;     // one-row mode: the leftmost tab shown
    bool m_inRelayout = false;
    TableTabStrip* m_strip = nullptr;
    QToolButton* m_left = nullptr;
    QToolButton* m_right = nullptr;
    QWidget* m_pageFrame = nullptr;
    QVBoxLayout* m_pageLayout = nullptr;
};
