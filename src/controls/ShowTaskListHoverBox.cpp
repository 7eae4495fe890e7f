// The hover box: a cell's full text, shown when the mouse rests on a cell whose text needs
// more than one line, hidden after a while or once the cursor is over no row.

#include "controls/ShowTaskListCtrl.h"

#include "controls/ControlId.h"
#include "controls/ShowTextCtrl.h"
#include "controls/TaskCellText.h"

#include <QCursor>
#include <QTimerEvent>

namespace {

constexpr int kTipDelayMs = 500;
constexpr int kTipLifeMs = 5000;
constexpr int kTipWatchMs = 100;
constexpr int kTipTextOffset = 3;
constexpr int kTipBelowCursor = 21;

} // namespace

void CShowTaskListCtrl::SetUpTipBox()
{
    // A bordered, filled box in the hover colours; its border keeps the skin's default.
    tipBox->nPaintMode = kPaintBorder | kPaintBackColor;
    tipBox->clrBack = clrTipBack;
    tipBox->clrText = clrTipText | 0xFF000000u;
    tipBox->setGeometry(0, 0, 10, 10);
    SetDlgCtrlID(*tipBox, kTaskListTipBoxId);
    tipBox->hide();
}

void CShowTaskListCtrl::TrackHover(QPoint point)
{
    const int row = RowAt(point);
    const int column = ColumnAt(point.x());
    if (row == -1 || column == -1) {
        if (bTipShown) {
            bTipDone = 0;
            HideTip();
        }
        return;
    }
    if (row != nTipRow || column != nTipCol) {
        nTipRow = row;
        nTipCol = column;
        bTipDone = 0;
        HideTip();
    }
    if (bTipShown) {
        tipLife.start(kTipLifeMs, this);
    } else {
        nTipX = point.x();
        nTipY = point.y();
        tipDelay.start(kTipDelayMs, this);
    }
}

QPoint CShowTaskListCtrl::CursorPos() const
{
    return viewport()->mapFromGlobal(QCursor::pos());
}

void CShowTaskListCtrl::timerEvent(QTimerEvent* event)
{
    const int id = event->timerId();
    if (id == tipDelay.timerId())
        OnTimer(kTipDelayTimer);
    else if (id == tipLife.timerId())
        OnTimer(kTipLifeTimer);
    else if (id == tipWatch.timerId())
        OnTimer(kTipWatchTimer);
    else
        CBasicDrawListCtrl::timerEvent(event);
}

void CShowTaskListCtrl::OnTimer(int id)
{
    switch (id) {
    case kTipDelayTimer: {
        tipDelay.stop();
        const QPoint cursor = CursorPos();
        if (cursor != QPoint(nTipX, nTipY) || bTipDone)
            return;
        bTipShown = 1;
        bTipDone = 1;
        ShowTip(cursor);
        tipLife.start(kTipLifeMs, this);
        tipWatch.start(kTipWatchMs, this);
        break;
    }
    case kTipLifeTimer:
        HideTip();
        break;
    case kTipWatchTimer:
        if (RowAt(CursorPos()) == -1)
            HideTip();
        break;
    default:
        break;
    }
}

void CShowTaskListCtrl::ShowTip(QPoint point)
{
    const int row = RowAt(point);
    const int column = ColumnAt(point.x());
    if (row == -1 || column == -1 || !pFont)
        return;
    const QString text = GetItemText(row, column);
    // A text that fits on one line is already seen whole in its cell.
    if (!NeedsMoreThanOneLine(*pFont, text, pHeader->sectionSize(column)))
        return;
    tipBox->SetDrawText(text, kTipTextOffset, kTipTextOffset);
    tipBox->setGeometry(QRect(QPoint(point.x(), point.y() + kTipBelowCursor), tipBox->MeasureTextBox()));
    tipBox->show();
    tipBox->raise();
    tipBox->update();
}

void CShowTaskListCtrl::HideTip()
{
    bTipShown = 0;
    tipWatch.stop();
    tipLife.stop();
    tipBox->hide();
    RepaintItemArea();
}
