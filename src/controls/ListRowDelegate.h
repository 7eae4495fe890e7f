#pragma once

// Draws the cells of a report list: selection fill, then the cell text on one line, aligned as
// its column asks, centred vertically and cut with an ellipsis when it does not fit. The laid
// out text of each cell is kept between paints, so a repaint only blits glyphs.

#include "controls/TextLayoutCache.h"

#include <QStyledItemDelegate>

class CListRowDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

private:
    // Laid out texts kept at most; a list of devices stays far below it.
    static constexpr qsizetype kMaxCached = 1024;
    mutable CTextLayoutCache cache{kMaxCached};
};
