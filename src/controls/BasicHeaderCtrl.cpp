#include "controls/BasicHeaderCtrl.h"

#include <QAbstractItemModel>
#include <QFontMetrics>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionHeader>

#include <algorithm>

namespace {
// Titles are cut where a fixed 256-character buffer with its terminator would cut them.
constexpr int kMaxTitleLength = 255;
// Titles are drawn this many pixels below the header's top.
constexpr int kTitleTop = 3;
} // namespace

std::vector<int> VisibleSectionWidths(const QHeaderView& header)
{
    std::vector<int> widths;
    widths.reserve(static_cast<std::size_t>(header.count()));
    for (int section = 0; section < header.count(); ++section)
        widths.push_back(header.isSectionHidden(section) ? 0 : header.sectionSize(section));
    return widths;
}

CBasicHeaderCtrl::CBasicHeaderCtrl(Qt::Orientation orientation, QWidget* parent)
    : QHeaderView(orientation, parent)
{
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAutoFillBackground(false);
}

void CBasicHeaderCtrl::SetHeightScale(float scale)
{
    fHeightScale = scale;
    TitleFontChanged();
}

void CBasicHeaderCtrl::TitleFontChanged()
{
    updateGeometry();
    emit geometriesChanged(); // the owning view re-reads the height and moves its rows
}

QSize CBasicHeaderCtrl::sizeHint() const
{
    QSize hint = QHeaderView::sizeHint();
    int height = static_cast<int>(fHeightScale * static_cast<float>(hint.height()));
    // The style measures the widget's face, the list's; the titles are drawn in pFont, which a
    // system without the layout's face replaces with one of its own, often taller.
    if (pFont)
        height = std::max(height, kTitleTop + QFontMetrics(*pFont).height());
    hint.setHeight(height);
    return hint;
}

QSize CBasicHeaderCtrl::sectionSizeFromContents(int logicalIndex) const
{
    QStyleOptionHeader option;
    initStyleOption(&option);
    option.section = logicalIndex;
    if (model())
        option.text = model()->headerData(logicalIndex, orientation(), Qt::DisplayRole).toString();
    return style()->sizeFromContents(QStyle::CT_HeaderSection, &option, QSize(), this);
}

void CBasicHeaderCtrl::DrawHeader(QPainter& painter)
{
    PaintBackground(parentWidget(), this, painter);
    DrawHeaderItems(painter);
}

void CBasicHeaderCtrl::DrawHeaderItems(QPainter& /*painter*/) {}

void CBasicHeaderCtrl::DrawSeparatorsAndTitles(QPainter& painter, const QImage& separator, int scrollX,
                                               int separatorDy) const
{
    if (pFont) {
        painter.setFont(*pFont);
        painter.setPen(QColor::fromRgba(clrText));
    }
    const int top = 0;
    const int itemHeight = viewport()->height();
    const std::vector<int> widths = VisibleSectionWidths(*this);
    for (int section = 0; section < static_cast<int>(widths.size()); ++section) {
        const int itemWidth = widths[static_cast<std::size_t>(section)];
        if (itemWidth == 0)
            continue;
        const int left = sectionViewportPosition(section);
        if (!separator.isNull())
            painter.drawImage(QPoint(left + itemWidth - scrollX, top + separatorDy), separator);
        if (!pFont)
            continue;
        const QString title =
            model() ? model()->headerData(section, orientation(), Qt::DisplayRole).toString() : QString();
        painter.drawText(QRect(left - scrollX, top + kTitleTop, itemWidth, itemHeight - kTitleTop),
                         Qt::AlignCenter, title.left(kMaxTitleLength));
    }
}

void CBasicHeaderCtrl::paintEvent(QPaintEvent* /*event*/)
{
    buffer.Paint(*viewport(), [this](QPainter& painter) { DrawHeader(painter); });
}
