// Selecting rows in the task list with the mouse: clicks with Shift and Ctrl, the right
// button, and the rubber band dragged from below the last row.

#include "controls/ShowTaskListCtrl.h"

#include "controls/ControlId.h"

#include <QMouseEvent>

void CShowTaskListCtrl::ClickSelect(QPoint point, Qt::KeyboardModifiers modifiers)
{
    const int row = RowAt(point);
    if (row == -1) {
        DeselectAll();
        RepaintItemArea();
        bRubberBand = 1;
        nBandX = point.x();
        nBandY = point.y();
        return;
    }
    bRubberBand = 0;
    if (modifiers & Qt::ShiftModifier) {
        // An anchor lost with its row starts the range afresh.
        if (nAnchorItem == -1 || nAnchorItem >= GetItemCount())
            nAnchorItem = row;
        DeselectAll();
        SelectRange(row, nAnchorItem);
    } else if (modifiers & Qt::ControlModifier) {
        SetItemSelected(row, !IsItemSelected(row));
        nAnchorItem = row;
    } else {
        SelectOnly(row);
        nAnchorItem = row;
    }
    RepaintItemArea();
}

void CShowTaskListCtrl::RightPressSelect(QPoint point, Qt::KeyboardModifiers modifiers)
{
    if (modifiers & (Qt::ShiftModifier | Qt::ControlModifier))
        return;
    const int row = RowAt(point);
    if (IsItemSelected(row))
        return;
    SelectOnly(row);
    RepaintItemArea();
}

void CShowTaskListCtrl::FinishRubberBand(QPoint point)
{
    bRubberBand = 0;
    const QRect band = BandRect(point);
    const TaskRowRange rows =
        RowsUnderBand(RowHeights(), GetItemCount(), ScrollY(), band.top(), band.top() + band.height());
    if (rows.end > rows.first)
        SelectRange(rows.first, rows.end - 1);
    RepaintItemArea();
}

void CShowTaskListCtrl::mousePressEvent(QMouseEvent* event)
{
    const QPoint point = event->position().toPoint();
    // The band runs from the press to the latest mouse position, which is here for now.
    nMouseX = point.x();
    nMouseY = point.y();
    if (event->button() == Qt::LeftButton)
        ClickSelect(point, event->modifiers());
    else if (event->button() == Qt::RightButton)
        RightPressSelect(point, event->modifiers());
    event->accept();
}

void CShowTaskListCtrl::mouseDoubleClickEvent(QMouseEvent* event)
{
    // A second press selects as the first did.
    mousePressEvent(event);
}

void CShowTaskListCtrl::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && bRubberBand)
        FinishRubberBand(event->position().toPoint());
    else if (event->button() == Qt::RightButton)
        emit taskListRButtonUp(GetDlgCtrlID(*this));
    event->accept();
}

void CShowTaskListCtrl::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint point = event->position().toPoint();
    nMouseX = point.x();
    nMouseY = point.y();
    bMouseIn = 1;
    TrackHover(point);
    RepaintItemArea();
    event->accept();
}

void CShowTaskListCtrl::OnMouseLeave()
{
    nMouseX = nMouseY = -1;
    nTipX = nTipY = -1;
    bMouseIn = 0;
    RepaintItemArea();
}

bool CShowTaskListCtrl::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::Leave)
        OnMouseLeave();
    return CBasicDrawListCtrl::viewportEvent(event);
}
