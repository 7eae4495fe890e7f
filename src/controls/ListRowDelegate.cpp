#include "controls/ListRowDelegate.h"

#include <QPainter>

namespace {
// Space between a cell's edges and its text, as the list view leaves it.
constexpr int kTextMargin = 6;
} // namespace

void CListRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const
{
    const bool selected = option.state & QStyle::State_Selected;
    if (selected)
        painter->fillRect(option.rect, option.palette.brush(QPalette::Highlight));

    const QString text = index.data(Qt::DisplayRole).toString();
    if (text.isEmpty())
        return;
    const QRect area = option.rect.adjusted(kTextMargin, 0, -kTextMargin, 0);
    if (area.width() <= 0)
        return;
    painter->setFont(option.font);
    painter->setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));

    const auto alignment = static_cast<Qt::Alignment>(index.data(Qt::TextAlignmentRole).toInt());
    const QStaticText& prepared = cache.Layout(text, option.font, 0);
    const QSizeF size = prepared.size();
    if (size.width() > area.width()) {
        // Rare: a text too wide for its column is cut, laid out afresh each time.
        const QString cut = option.fontMetrics.elidedText(text, Qt::ElideRight, area.width());
        painter->drawText(area, Qt::AlignLeft | Qt::AlignVCenter, cut);
        return;
    }
    qreal x = area.left();
    if (alignment & Qt::AlignHCenter)
        x += (area.width() - size.width()) / 2;
    else if (alignment & Qt::AlignRight)
        x += area.width() - size.width();
    const qreal y = area.top() + (area.height() - size.height()) / 2;
    painter->drawStaticText(QPointF(x, y), prepared);
}
