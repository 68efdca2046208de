#include "app/path_panel.h"

#include <QHelpEvent>
#include <QPainter>
#include <QStyle>
#include <QToolTip>

namespace {
constexpr int kDesignWidth = 200;   // the panel's width at 96 dpi when nothing else asks
} // namespace

PathPanel::PathPanel(QWidget* parent) : QLabel(parent)
{
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

QString PathPanel::shownText() const
{
    return fontMetrics().elidedText(text(), Qt::ElideMiddle, contentsRect().width());
}

QSize PathPanel::sizeHint() const
{
    return {kDesignWidth, QLabel::sizeHint().height()};
}

QSize PathPanel::minimumSizeHint() const
{
    // However long the path, it never holds the window wide.
    return {0, QLabel::minimumSizeHint().height()};
}

void PathPanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    drawFrame(&painter);
    style()->drawItemText(&painter, contentsRect(), QStyle::visualAlignment(layoutDirection(), alignment()),
                          palette(), isEnabled(), shownText(), foregroundRole());
}

bool PathPanel::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        if (text().isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), text(), this, rect());
        return true;
    }
    return QLabel::event(event);
}
