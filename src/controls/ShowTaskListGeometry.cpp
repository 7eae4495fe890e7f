// Where the task list's rows, columns and item area lie in its client area.

#include "controls/ShowTaskListCtrl.h"

#include <QScrollBar>

TaskRowHeights CShowTaskListCtrl::RowHeights() const
{
    return {nRowHeight, nSelRowHeight, nHeaderHeight};
}

int CShowTaskListCtrl::ScrollY() const
{
    return vScroll->value();
}

int CShowTaskListCtrl::ScrollX() const
{
    return hScroll->value();
}

QRect CShowTaskListCtrl::GetRowRect(int row) const
{
    const TaskRowSpan span = RowSpanOf(RowHeights(), row, GetOnlySelectedItem(), ScrollY());
    const QRect client = ClientRect();
    return {client.left(), span.top, client.width(), span.height};
}

int CShowTaskListCtrl::RowAt(QPoint point) const
{
    return RowAtY(RowHeights(), point.y(), GetOnlySelectedItem(), ScrollY(), GetItemCount());
}

int CShowTaskListCtrl::ColumnAt(int x) const
{
    int start = -ScrollX();
    const std::vector<int> widths = VisibleSectionWidths(*pHeader);
    for (int column = 0; column < static_cast<int>(widths.size()); ++column) {
        const int width = widths[static_cast<std::size_t>(column)];
        if (x >= start && x < start + width)
            return column;
        start += width;
    }
    return -1;
}

void CShowTaskListCtrl::updateGeometries()
{
    setViewportMargins(0, 0, 0, 0);
    const QRect client = viewport()->geometry();
    pHeader->setGeometry(client.left(), client.top(), client.width(), nHeaderHeight);
    QAbstractItemView::updateGeometries();
}

void CShowTaskListCtrl::scrollContentsBy(int /*dx*/, int /*dy*/) {}

void CShowTaskListCtrl::scrollTo(const QModelIndex& /*index*/, ScrollHint /*hint*/) {}

QRect CShowTaskListCtrl::ItemArea() const
{
    const QRect client = ClientRect();
    const int right = client.width() - (vScroll->isHidden() ? 0 : nVScrollWidth);
    const int bottom = client.height() - (hScroll->isHidden() ? 0 : nHScrollHeight);
    return QRect(QPoint(client.left(), nHeaderHeight), QPoint(right - 1, bottom - 1));
}

void CShowTaskListCtrl::RepaintItemArea()
{
    viewport()->update(ItemArea());
}
