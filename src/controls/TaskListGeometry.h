#pragma once

// The arithmetic of the task list's rows and scroll bars, apart from any window: where a row
// lies, which row a point falls on, which rows a rubber band spans, and when each scroll bar
// is needed. Positions are client pixels; scrollY is the vertical scroll position.

// Heights that place the rows: every row is nRowHeight high except the only selected row,
// which is nSelRowHeight high; the first nHeaderHeight pixels are left for the header.
struct TaskRowHeights
{
    int nRowHeight = 30;
    int nSelRowHeight = 30;
    int nHeaderHeight = 20;
};

struct TaskRowSpan
{
    int top = 0;
    int height = 0;
    int Bottom() const { return top + height - 1; }
};

// `onlySelected` is the index of the only selected row, or -1 when none or several are.
TaskRowSpan RowSpanOf(const TaskRowHeights& heights, int row, int onlySelected, int scrollY);

// The row under client y, or -1 when the point lies past the last row (or above the first).
int RowAtY(const TaskRowHeights& heights, int y, int onlySelected, int scrollY, int itemCount);

// The height of all rows together.
int RowsHeight(const TaskRowHeights& heights, int itemCount, int onlySelected);

// The first row that a drawing reaching from `reachAbove` pixels above a row's top to
// `reachBelow` pixels below it can still show inside [0, clientHeight), and one past the last.
struct TaskRowRange
{
    int first = 0;
    int end = 0;
};
TaskRowRange RowsTouchingClient(const TaskRowHeights& heights, int itemCount, int onlySelected, int scrollY,
                                int clientHeight, int reachAbove, int reachBelow);

// Rows that a rubber band spanning client y from bandTop to bandBottom (both included) covers.
// Rows are taken as nRowHeight high each here, whatever is selected.
TaskRowRange RowsUnderBand(const TaskRowHeights& heights, int itemCount, int scrollY, int bandTop,
                           int bandBottom);

// How much a scroll bar is needed: 1 the content does not fit even without the other bar,
// 2 it fits only without the other bar, 3 it fits with the other bar shown.
int VerticalNeed(int clientHeight, int headerHeight, int hScrollHeight, int rowsHeight);
int HorizontalNeed(int clientWidth, int vScrollWidth, int columnsWidth);

struct ScrollBarsShown
{
    bool vertical = false;
    bool horizontal = false;
};
ScrollBarsShown ScrollBarVisibility(int verticalNeed, int horizontalNeed);
