#include "explorer/full_text_tips.h"

#include <QAbstractItemView>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QToolTip>

namespace {

bool hasLineBreak(const QString& text)
{
    for (QChar c : text) {
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QChar::LineSeparator
            || c == QChar::ParagraphSeparator)
            return true;
    }
    return false;
}

} // namespace

QString FullTextTips::tipFor(const QString& text, const QFontMetrics& metrics, int width)
{
    if (text.isEmpty())
        return {};
    if (!hasLineBreak(text) && metrics.horizontalAdvance(text) <= width)
        return {};
    QString whole = text;
    whole.replace(QLatin1String("\r\n"), QLatin1String("\n"))
        .replace(QLatin1Char('\r'), QLatin1Char('\n'))
        .replace(QChar::LineSeparator, QLatin1Char('\n'))
        .replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    bool cut = false;
    if (whole.size() > kMaxTipChars) {
        whole.truncate(kMaxTipChars);
        if (whole.back().isHighSurrogate())
            whole.chop(1);
        cut = true;
    }
    qsizetype at = -1;
    for (int line = 0; line < kMaxTipLines; ++line) {
        at = whole.indexOf(QLatin1Char('\n'), at + 1);
        if (at < 0)
            break;
    }
    if (at >= 0 && at < whole.size() - 1) {
        whole.truncate(at + 1);
        cut = true;
    }
    if (cut)
        whole += QChar(0x2026);
    // Rich text wraps long lines; pre-wrap keeps the value's own breaks and blanks.
    return QStringLiteral("<p style=\"white-space:pre-wrap\">") + whole.toHtmlEscaped() + QStringLiteral("</p>");
}

bool FullTextTips::helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                             const QModelIndex& index)
{
    if (event->type() != QEvent::ToolTip || !view || !index.isValid())
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QWidget* widget = opt.widget ? opt.widget : view;
    const QRect textRect = widget->style()->subElementRect(QStyle::SE_ItemViewItemText, &opt, widget);
    // The style keeps a margin on both sides of the text.
    const int margin = widget->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    const QString tip = tipFor(index.data(Qt::DisplayRole).toString(), opt.fontMetrics, textRect.width() - 2 * margin);
    if (tip.isEmpty())
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    QToolTip::showText(event->globalPos(), tip, view->viewport(), option.rect);
    return true;
}
