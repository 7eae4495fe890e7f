#include "controls/BasicHeaderCtrl.h"

#include <QPainter>

namespace {
// Titles are cut where a fixed 256-character buffer with its terminator would cut them.
constexpr int kMaxTitleLength = 255;
} // namespace

CBasicHeaderCtrl::CBasicHeaderCtrl(Qt::Orientation orientation, QWidget* parent)
    : QHeaderView(orientation, parent)
{
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAutoFillBackground(false);
}

void CBasicHeaderCtrl::SetHeightScale(float scale)
{
    fHeightScale = scale;
    updateGeometry();
    emit geometriesChanged();  // the owning view re-reads the height and moves its rows
}

QSize CBasicHeaderCtrl::sizeHint() const
{
    QSize hint = QHeaderView::sizeHint();
    hint.setHeight(static_cast<int>(fHeightScale * static_cast<float>(hint.height())));
    return hint;
}

void CBasicHeaderCtrl::DrawHeader(QPainter& painter)
{
    PaintBackground(parentWidget(), this, painter);
    DrawHeaderItems(painter);
}

void CBasicHeaderCtrl::DrawHeaderItems(QPainter& /*painter*/)
{
}

void CBasicHeaderCtrl::DrawSeparatorsAndTitles(QPainter& painter, const QImage& separator,
                                               int scrollX, int separatorDy) const
{
    if (pFont) {
        painter.setFont(*pFont);
        painter.setPen(QColor::fromRgba(clrText));
    }
    const int top = 0;
    const int itemHeight = viewport()->height();
    for (int section = 0; section < count(); ++section) {
        const int itemWidth = isSectionHidden(section) ? 0 : sectionSize(section);
        if (itemWidth == 0)
            continue;
        const int left = sectionViewportPosition(section);
        if (!separator.isNull())
            painter.drawImage(QPoint(left + itemWidth - scrollX, top + separatorDy), separator);
        if (!pFont)
            continue;
        const QString title =
            model() ? model()->headerData(section, orientation(), Qt::DisplayRole).toString() : QString();
        painter.drawText(QRect(left - scrollX, top + 3, itemWidth, itemHeight - 3),
                         Qt::AlignCenter, title.left(kMaxTitleLength));
    }
}

void CBasicHeaderCtrl::paintEvent(QPaintEvent* /*event*/)
{
    buffer.Paint(*viewport(), [this](QPainter& painter) { DrawHeader(painter); });
}
