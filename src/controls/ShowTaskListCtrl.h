#pragma once

// The list of layout class "ShowTaskListCtrl": one row per task, drawn entirely by the list.
// Each row shows a status icon, its column texts cut after the last whole word that fits,
// and a progress bar in column 6. The list has its own scroll bars, selects with clicks
// (Shift for a range from the anchor, Ctrl to toggle) and with a translucent rubber band
// dragged from below the last row, and shows a cell's full text in a hover box when the
// mouse rests on a cell whose text needs more than one line.
//
// Columns are fixed by position: sub-item 2 holds the one-letter status code, 5 a
// percentage number, 6 the progress column, 14 and 16 two flags that refine the status icon.

#include "controls/BasicDrawListCtrl.h"
#include "controls/ShowTaskHeaderCtrl.h"
#include "controls/TaskListGeometry.h"

#include <QBasicTimer>

#include <vector>

class CShowTextCtrl;
class QScrollBar;

// The notification number of a right-button release in the list.
inline constexpr int WM_TASKLIST_RBUTTONUP = 2046;

// Identifiers of the list's own child windows.
inline constexpr int kTaskListVScrollId = 1001;
inline constexpr int kTaskListHScrollId = 1002;
inline constexpr int kTaskListTipBoxId = 1003;

// Numbered timers of the hover box.
enum TaskListTimer : int
{
    kTipDelayTimer = 1, // the mouse rested long enough: show the box
    kTipLifeTimer = 2,  // the box has been shown long enough: hide it
    kTipWatchTimer = 3, // hide the box once the cursor is over no row
};

class CShowTaskListCtrl : public CBasicDrawListCtrl
{
    Q_OBJECT

public:
    explicit CShowTaskListCtrl(QWidget* parent = nullptr);
    ~CShowTaskListCtrl() override;

    // The list's skin background, the rows, then a capture of the result for the header's
    // see-through layer.
    void DrawList(QPainter& painter) override;
    void DrawItems(QPainter& painter) override;
    // Lays the scroll bars out afresh, back at the top-left.
    void OnSizeChanged(int type, int cx, int cy) override;

    CShowTaskHeaderCtrl& Header() { return *pHeader; }
    QScrollBar& VerticalBar() { return *vScroll; }
    QScrollBar& HorizontalBar() { return *hScroll; }
    CShowTextCtrl& TipBox() { return *tipBox; }

    // Row, selected-row and header heights; a row is at least one pixel high.
    void SetRowHeights(int rowHeight, int selRowHeight, int headerHeight);
    // Progress bar pictures: the back is drawn across the bar, the fill across its share.
    // A null picture is not drawn.
    void SetProgressImages(const QImage& back, const QImage& fill);
    void SetProgressImages(const QString& backPath, const QString& fillPath);
    // Where the bar lies inside its cell. Without a size, the percentage text is centred in
    // the cell as the other texts are.
    void SetProgressPlacement(int x, int y, int width, int height);

    // Selection states, kept by the list's store.
    bool IsItemSelected(int row) const;
    void SetItemSelected(int row, bool selected);
    std::vector<int> GetSelectedItems() const;
    // The only selected row, or -1 when none or several are selected.
    int GetOnlySelectedItem() const;

    // The row's rectangle in client coordinates (the client's full width).
    QRect GetRowRect(int row) const;
    // The row under a client point, or -1.
    int RowAt(QPoint point) const;
    // The column under client x, or -1.
    int ColumnAt(int x) const;

    // A scroll bar's state as the list sees it: nMax is the content's full extent and the
    // position runs from nMin to nMax - nPage.
    struct ScrollInfo
    {
        int nMin = 0;
        int nMax = 0;
        int nPage = 0;
        int nPos = 0;
    };
    ScrollInfo GetScrollInfo(Qt::Orientation orientation) const;
    // Moves a bar by `delta` pixels within its range and repaints what moved.
    void ScrollBy(Qt::Orientation orientation, int delta);
    // Nothing: the view never scrolls by itself to an item.
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

    CShowTaskHeaderCtrl* pHeader; // the column header; owned by the view
    CShowTextCtrl* tipBox;        // child of the client area
    int bTipShown = 0;
    int bTipDone = 0;
    int nTipRow = -1;
    int nTipCol = -1;
    int nTipX = -1;
    int nTipY = -1;
    QScrollBar* vScroll; // children of the client area
    QScrollBar* hScroll;
    int nRowHeight = 30;
    int nSelRowHeight = 30;
    int nHeaderHeight = 20;
    int nVScrollWidth = 16;
    int nHScrollHeight = 16;
    int nMouseX = -1;
    int nMouseY = -1;
    int bMouseIn = 0;
    QFont pProgressFont;
    QImage pProgressBack;
    QImage pProgressFill;
    int nProgressX = 0;
    int nProgressY = 0;
    int nProgressWidth = 0;
    int nProgressHeight = 0;
    QRgb clrSelRow = 0xFFE8F5FF;
    QRgb clrGrid = 0xFFF4F4F6;
    QRgb clrBandFill = 0x96DAE9FD;
    QRgb clrBandBorder = 0x96ADCFF8;
    QRgb clrTipBack = 0xFFFEF5BD;
    QRgb clrTipText = 0xFF9B6912;
    int bShowItems = 1;
    int nAnchorItem = -1;
    int nBandX = -1;
    int nBandY = -1;
    int bRubberBand = 0;

signals:
    // A right-button release in the list (WM_TASKLIST_RBUTTONUP), with the list's control
    // identifier.
    void taskListRButtonUp(int ctrlId);

protected:
    // The hover box's numbered timers.
    void OnTimer(int id);
    // Where the cursor is, in client coordinates.
    virtual QPoint CursorPos() const;

    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    // The header lies over the client's top nHeaderHeight pixels instead of above them.
    void updateGeometries() override;
    // The rows move by the list's own scroll bars only.
    void scrollContentsBy(int dx, int dy) override;

private:
    void CreateScrollBars();
    void SetUpTipBox();
    void WatchContent();

    TaskRowHeights RowHeights() const;
    int ScrollY() const;
    int ScrollX() const;

    // Scroll bars from the row and column totals. A fresh layout starts at the top-left;
    // a change of the content keeps the positions where they are still in range.
    void UpdateScrollBars(bool toTopLeft);
    void PlaceScrollBars(bool verticalShown, bool horizontalShown);
    void OnHorizontalMoved();

    // The client area below the header, less the visible bars; repainted after changes.
    QRect ItemArea() const;
    void RepaintItemArea();

    struct RowPaint;
    void DrawRow(QPainter& painter, const RowPaint& context, int row);
    void DrawCells(QPainter& painter, const RowPaint& context, int row, const QRect& rowRect);
    void DrawProgressCell(QPainter& painter, const QString& text, int x, int width, int top);
    void DrawStatusIcon(QPainter& painter, int row, const QRect& rowRect);
    void DrawRubberBand(QPainter& painter);
    QRect BandRect(QPoint current) const;

    void SelectOnly(int row);
    void SelectRange(int from, int to);
    void DeselectAll();
    void ClickSelect(QPoint point, Qt::KeyboardModifiers modifiers);
    void RightPressSelect(QPoint point, Qt::KeyboardModifiers modifiers);
    void FinishRubberBand(QPoint point);

    void TrackHover(QPoint point);
    void ShowTip(QPoint point);
    void HideTip();
    void OnMouseLeave();

    QBasicTimer tipDelay;
    QBasicTimer tipLife;
    QBasicTimer tipWatch;
    int nRowsTotal = 0;
    int nColumnsTotal = 0;
};
