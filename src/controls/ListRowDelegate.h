#pragma once

// Draws the cells of a report list: selection fill, then the cell text on one line, aligned as
// its column asks, centred vertically and cut with an ellipsis when it does not fit. The laid
// out text of each cell is kept between paints, so a repaint only blits glyphs.

#include <QHash>
#include <QStaticText>
#include <QStyledItemDelegate>

class CListRowDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

    // Forgets the laid out texts (the font changed).
    void ClearCache() const { cache.clear(); }

private:
    const QStaticText& Prepared(const QString& text, const QFont& font) const;

    mutable QHash<QString, QStaticText> cache;
    mutable QString cachedFontKey;
};
