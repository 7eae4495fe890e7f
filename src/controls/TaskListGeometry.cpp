#include "controls/TaskListGeometry.h"

#include <algorithm>

namespace {

// Division that rounds toward minus infinity, for offsets above the first row.
int FloorDiv(int value, int divisor)
{
    const int quotient = value / divisor;
    return (value % divisor != 0 && value < 0) ? quotient - 1 : quotient;
}

bool Usable(const TaskRowHeights& heights)
{
    return heights.nRowHeight > 0 && heights.nSelRowHeight >= 0;
}

} // namespace

TaskRowSpan RowSpanOf(const TaskRowHeights& heights, int row, int onlySelected, int scrollY)
{
    TaskRowSpan span{row * heights.nRowHeight, heights.nRowHeight};
    if (onlySelected >= 0 && row == onlySelected)
        span.height = heights.nSelRowHeight;
    else if (onlySelected >= 0 && row > onlySelected)
        span.top = heights.nSelRowHeight + (row - 1) * heights.nRowHeight;
    span.top += heights.nHeaderHeight - scrollY;
    return span;
}

int RowAtY(const TaskRowHeights& heights, int y, int onlySelected, int scrollY, int itemCount)
{
    if (!Usable(heights))
        return -1;
    const int offset = y + scrollY - heights.nHeaderHeight;
    const int row = heights.nRowHeight;
    int hit = 0;
    // Integer division truncates toward zero, so the few pixels just above the first row
    // still count as row 0, as the list has always answered.
    if (onlySelected < 0)
        hit = offset / row;
    else if (offset >= heights.nSelRowHeight + row * onlySelected)
        hit = (row + offset - heights.nSelRowHeight) / row;
    else if (offset < row * onlySelected)
        hit = offset / row;
    else
        hit = onlySelected;
    return (hit < 0 || hit >= itemCount) ? -1 : hit;
}

int RowsHeight(const TaskRowHeights& heights, int itemCount, int onlySelected)
{
    if (itemCount <= 0)
        return 0;
    if (onlySelected >= 0)
        return (itemCount - 1) * heights.nRowHeight + heights.nSelRowHeight;
    return itemCount * heights.nRowHeight;
}

TaskRowRange RowsTouchingClient(const TaskRowHeights& heights, int itemCount, int onlySelected, int scrollY,
                                int clientHeight, int reachAbove, int reachBelow)
{
    if (!Usable(heights) || itemCount <= 0)
        return {};
    // Row tops grow with the index, so both ends are found by bisection.
    const auto firstWhere = [&](auto&& holds) {
        int low = 0;
        int high = itemCount;
        while (low < high) {
            const int middle = low + (high - low) / 2;
            if (holds(RowSpanOf(heights, middle, onlySelected, scrollY)))
                high = middle;
            else
                low = middle + 1;
        }
        return low;
    };
    const int tallest = std::max(heights.nRowHeight, heights.nSelRowHeight);
    const int first = firstWhere(
        [&](const TaskRowSpan& span) { return span.top + std::max(reachBelow, tallest - 1) >= 0; });
    const int end =
        firstWhere([&](const TaskRowSpan& span) { return span.top - reachAbove >= clientHeight; });
    return {first, std::max(first, end)};
}

TaskRowRange RowsUnderBand(const TaskRowHeights& heights, int itemCount, int scrollY, int bandTop,
                           int bandBottom)
{
    if (!Usable(heights) || itemCount <= 0 || bandBottom < bandTop)
        return {};
    const int row = heights.nRowHeight;
    const int base = heights.nHeaderHeight - scrollY;
    // Row i covers [base + i * row, base + (i + 1) * row - 1].
    const int first = FloorDiv(bandTop - base, row);
    const int last = FloorDiv(bandBottom - base, row);
    const int from = std::max(first, 0);
    const int to = std::min(last, itemCount - 1);
    return {from, std::max(from, to + 1)};
}

int VerticalNeed(int clientHeight, int headerHeight, int hScrollHeight, int rowsHeight)
{
    if (clientHeight - headerHeight < rowsHeight)
        return 1;
    const int page = clientHeight - hScrollHeight - headerHeight;
    return page < rowsHeight ? 2 : 3;
}

int HorizontalNeed(int clientWidth, int vScrollWidth, int columnsWidth)
{
    if (clientWidth < columnsWidth)
        return 1;
    return clientWidth - vScrollWidth >= columnsWidth ? 3 : 2;
}

ScrollBarsShown ScrollBarVisibility(int verticalNeed, int horizontalNeed)
{
    // A bar that is needed only when the other one shows appears only when the other one is
    // needed on its own account.
    return {verticalNeed == 1 || (verticalNeed == 2 && horizontalNeed == 1),
            horizontalNeed == 1 || (verticalNeed == 1 && horizontalNeed == 2)};
}
