// Painting the task list: the skin background, then each row that can show anything (the
// selection fill, grid line, cell texts, progress bar and status icon), then the rubber band.

#include "controls/ShowTaskListCtrl.h"

#include "controls/TaskCellText.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <optional>

namespace {

// Columns fixed by position.
constexpr int kStatusColumn = 2;
constexpr int kPercentColumn = 5;
constexpr int kProgressColumn = 6;
constexpr int kFlagColumn14 = 14;
constexpr int kFlagColumn16 = 16;
const QString kJobStatus = QStringLiteral("J");

// Where a cell's text and the status icon sit inside a row.
constexpr int kTextDy = 8;
constexpr int kTextHeight = 16;
constexpr int kIconDx = 10;
constexpr int kIconDy = 6;

constexpr int kCellTextFlags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;

} // namespace

// What every row of one paint shares.
struct CShowTaskListCtrl::RowPaint
{
    QRect client;
    int onlySelected = -1;
    int scrollY = 0;
    int scrollX = 0;
    std::vector<int> columnWidths;
    std::optional<QFontMetrics> metrics;
};

void CShowTaskListCtrl::DrawList(QPainter& painter)
{
    PaintBackground(parentWidget(), viewport(), painter);
    DrawItems(painter);
    // The header's see-through layer shows the list as just drawn.
    if (const auto* surface = dynamic_cast<const QImage*>(painter.device()))
        pHeader->CaptureParentBackground(*surface, pHeader, viewport());
}

void CShowTaskListCtrl::DrawItems(QPainter& painter)
{
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QRect client = ClientRect();
    painter.fillRect(
        QRect(client.left(), client.top() + nHeaderHeight, client.width(), client.height() - nHeaderHeight),
        QColor::fromRgba(clrBack));
    if (bShowItems) {
        RowPaint context;
        context.client = client;
        context.onlySelected = GetOnlySelectedItem();
        context.scrollY = ScrollY();
        context.scrollX = ScrollX();
        context.columnWidths = VisibleSectionWidths(*pHeader);
        if (pFont)
            context.metrics.emplace(*pFont);

        // Only rows that can show anything are drawn: the grid line one pixel above the
        // row, the texts, the progress bar and the icon may reach past the row's own span.
        if (nStateWidth == 0 || nImageHeight == 0)
            MeasureImage();
        const int reachAbove = std::max({1, -(nImageY + kIconDy), -nProgressY});
        const int reachBelow =
            std::max({kTextDy + kTextHeight, nImageY + kIconDy + nImageHeight, nProgressY + nProgressHeight});
        const TaskRowRange rows =
            RowsTouchingClient(RowHeights(), GetItemCount(), context.onlySelected, context.scrollY,
                               client.height(), reachAbove, reachBelow);
        for (int row = rows.first; row < rows.end; ++row)
            DrawRow(painter, context, row);
    }
    if (bRubberBand)
        DrawRubberBand(painter);
}

void CShowTaskListCtrl::DrawRow(QPainter& painter, const RowPaint& context, int row)
{
    const TaskRowSpan span = RowSpanOf(RowHeights(), row, context.onlySelected, context.scrollY);
    const QRect rowRect(context.client.left(), span.top, context.client.width(), span.height);
    if (IsItemSelected(row))
        painter.fillRect(rowRect, QColor::fromRgba(clrSelRow));
    painter.setPen(QColor::fromRgba(clrGrid));
    painter.drawLine(rowRect.left(), rowRect.top() - 1, rowRect.right(), rowRect.top() - 1);
    DrawCells(painter, context, row, rowRect);
    DrawStatusIcon(painter, row, rowRect);
}

void CShowTaskListCtrl::DrawCells(QPainter& painter, const RowPaint& context, int row, const QRect& rowRect)
{
    const QTreeWidgetItem* item = topLevelItem(row);
    if (!item)
        return;
    const bool job = item->text(kStatusColumn) == kJobStatus;
    int x = rowRect.left();
    for (int column = 0; column < static_cast<int>(context.columnWidths.size()); ++column) {
        const int width = context.columnWidths[static_cast<std::size_t>(column)];
        if (width == 0)
            continue;
        const QString text = (job && column == kProgressColumn)
                                 ? item->text(kPercentColumn) + QLatin1Char('%')
                                 : item->text(column);
        if (column == kProgressColumn && text.endsWith(QLatin1Char('%'))) {
            DrawProgressCell(painter, text, x, width, rowRect.top());
        } else if (context.metrics && !text.isEmpty()) {
            QString line = text;
            line.replace(QLatin1Char('\n'), QLatin1Char(' '));
            painter.setFont(*pFont);
            painter.setPen(QColor::fromRgba(clrText));
            painter.drawText(QRect(x - context.scrollX, rowRect.top() + kTextDy, width, kTextHeight),
                             kCellTextFlags, ElideAtWord(*context.metrics, line, width));
        }
        x += width;
    }
}

void CShowTaskListCtrl::DrawProgressCell(QPainter& painter, const QString& text, int x, int width, int top)
{
    if (nProgressX >= width)
        return;
    const QPoint at(x + nProgressX - ScrollX(), top + nProgressY);
    const int bar = std::min(nProgressWidth, width - nProgressX);
    if (!pProgressBack.isNull() && bar > 0 && nProgressHeight > 0)
        painter.drawImage(at, pProgressBack, QRect(0, 0, bar, nProgressHeight));
    // A share outside 0..100 % fills the bar not at all or completely.
    const int filled =
        std::clamp(ScaleRounded(LeadingInteger(text), nProgressWidth, 100), 0, std::max(bar, 0));
    if (!pProgressFill.isNull() && filled > 0 && nProgressHeight > 0)
        painter.drawImage(at, pProgressFill, QRect(0, 0, filled, nProgressHeight));

    const bool placed = nProgressWidth > 0 && nProgressHeight > 0;
    const QRect textRect = placed ? QRect(at, QSize(nProgressWidth, nProgressHeight))
                                  : QRect(x - ScrollX(), top + kTextDy, width, kTextHeight);
    painter.setFont(pProgressFont);
    painter.setPen(QColor::fromRgba(clrText));
    painter.drawText(textRect, Qt::AlignCenter | Qt::TextSingleLine, text);
}

void CShowTaskListCtrl::DrawStatusIcon(QPainter& painter, int row, const QRect& rowRect)
{
    const QTreeWidgetItem* item = topLevelItem(row);
    if (!item)
        return;
    const int icon =
        StatusIconIndex(item->text(kStatusColumn), item->text(kFlagColumn14), item->text(kFlagColumn16));
    // A status without a picture of its own is skipped.
    if (icon < 0 || icon >= nStateCount)
        return;
    DrawStateSlice(painter, icon,
                   QPoint(nImageX + rowRect.left() - ScrollX() + kIconDx, nImageY + rowRect.top() + kIconDy));
}

QRect CShowTaskListCtrl::BandRect(QPoint current) const
{
    const QRect client = ClientRect();
    const int x = std::clamp(current.x(), 0, client.width());
    const int y = std::clamp(current.y(), std::min(nHeaderHeight, client.height()), client.height());
    const int left = std::min(nBandX, x);
    const int top = std::min(nBandY, y);
    return {left, top, std::max(nBandX, x) - left, std::max(nBandY, y) - top};
}

void CShowTaskListCtrl::DrawRubberBand(QPainter& painter)
{
    const QRect band = BandRect(QPoint(nMouseX, nMouseY));
    painter.fillRect(band, QColor::fromRgba(clrBandFill));
    painter.setPen(QPen(QColor::fromRgba(clrBandBorder), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(band);
}
