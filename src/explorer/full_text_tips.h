#pragma once
// A cell's whole text as its tooltip, for the cells that cannot show it: a text cut at the cell's
// edge or broken into lines (a description of several lines shows only its first). Used by the
// field list and the data grid; a cell that shows its whole text gets no tooltip.

#include <QStyledItemDelegate>

class QFontMetrics;

class FullTextTips : public QStyledItemDelegate {
    Q_OBJECT

public:
    // A tip shows at most this many characters and lines of a value (a memo may hold megabytes).
    static constexpr int kMaxTipChars = 2000;
    static constexpr int kMaxTipLines = 30;

    using QStyledItemDelegate::QStyledItemDelegate;

    // The tooltip (rich text) for a text shown in `width` pixels; empty when the text fits.
    static QString tipFor(const QString& text, const QFontMetrics& metrics, int width);

    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;
};
