// The task list's own scroll bars: their ranges from the row and column totals, their
// places, and scrolling by bar and wheel.

#include "controls/ShowTaskListCtrl.h"

#include "controls/ControlId.h"

#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <numeric>

void CShowTaskListCtrl::CreateScrollBars()
{
    for (QScrollBar* bar : {vScroll, hScroll}) {
        bar->setSingleStep(1);
        bar->setRange(0, 0);
        bar->hide();
    }
    UsePlainScrollBars({vScroll, hScroll});
    SetDlgCtrlID(*vScroll, kTaskListVScrollId);
    SetDlgCtrlID(*hScroll, kTaskListHScrollId);
    vScroll->setGeometry(ClientRect().width() - nVScrollWidth, 0, nVScrollWidth, ClientRect().height());
    hScroll->setGeometry(0, ClientRect().height() - nHScrollHeight, ClientRect().width(), nHScrollHeight);
    connect(vScroll, &QScrollBar::valueChanged, this, [this] { RepaintItemArea(); });
    connect(hScroll, &QScrollBar::valueChanged, this, [this] { OnHorizontalMoved(); });
}

void CShowTaskListCtrl::OnSizeChanged(int type, int cx, int cy)
{
    UpdateScrollBars(true);
    CBasicDrawListCtrl::OnSizeChanged(type, cx, cy);
}

void CShowTaskListCtrl::UpdateScrollBars(bool toTopLeft)
{
    const QRect client = ClientRect();
    const int count = GetItemCount();
    nRowsTotal = RowsHeight(RowHeights(), count, GetOnlySelectedItem());
    const std::vector<int> widths = VisibleSectionWidths(*pHeader);
    nColumnsTotal = std::accumulate(widths.begin(), widths.end(), 0);

    ScrollBarsShown shown;
    if (count > 0) {
        shown = ScrollBarVisibility(VerticalNeed(client.height(), nHeaderHeight, nHScrollHeight, nRowsTotal),
                                    HorizontalNeed(client.width(), nVScrollWidth, nColumnsTotal));
    }
    const auto setBar = [toTopLeft](QScrollBar& bar, int total, int page, bool visible) {
        page = std::max(page, 0);
        bar.setPageStep(page);
        bar.setRange(0, visible ? std::max(total - page, 0) : 0);
        if (toTopLeft)
            bar.setValue(0);
    };
    setBar(*vScroll, nRowsTotal, client.height() - nHScrollHeight - nHeaderHeight, shown.vertical);
    setBar(*hScroll, nColumnsTotal, client.width() - nVScrollWidth, shown.horizontal);
    PlaceScrollBars(shown.vertical, shown.horizontal);
    OnHorizontalMoved();
}

void CShowTaskListCtrl::PlaceScrollBars(bool verticalShown, bool horizontalShown)
{
    const QRect client = ClientRect();
    const int barsBottom = client.bottom() + 1 - (horizontalShown ? nHScrollHeight : 0);
    vScroll->setGeometry(client.right() + 1 - nVScrollWidth, nHeaderHeight, nVScrollWidth,
                         barsBottom - nHeaderHeight);
    hScroll->setGeometry(client.left(), client.bottom() + 1 - nHScrollHeight,
                         client.width() - (verticalShown ? nVScrollWidth : 0), nHScrollHeight);
    vScroll->setVisible(verticalShown);
    hScroll->setVisible(horizontalShown);
}

CShowTaskListCtrl::ScrollInfo CShowTaskListCtrl::GetScrollInfo(Qt::Orientation orientation) const
{
    const QScrollBar& bar = orientation == Qt::Vertical ? *vScroll : *hScroll;
    const int total = orientation == Qt::Vertical ? nRowsTotal : nColumnsTotal;
    return {bar.minimum(), total, bar.pageStep(), bar.value()};
}

void CShowTaskListCtrl::ScrollBy(Qt::Orientation orientation, int delta)
{
    QScrollBar& bar = orientation == Qt::Vertical ? *vScroll : *hScroll;
    // The bar's range already ends at the full extent less one page.
    bar.setValue(std::clamp(bar.value() + delta, bar.minimum(), bar.maximum()));
}

void CShowTaskListCtrl::OnHorizontalMoved()
{
    // Titles and separators move with the columns.
    if (pHeader->nScrollX != ScrollX()) {
        pHeader->nScrollX = ScrollX();
        pHeader->viewport()->update();
    }
    RepaintItemArea();
}

void CShowTaskListCtrl::wheelEvent(QWheelEvent* event)
{
    const int delta = event->angleDelta().y();
    if (!vScroll->isHidden())
        ScrollBy(Qt::Vertical, -delta);
    else if (!hScroll->isHidden())
        ScrollBy(Qt::Horizontal, -delta);
    HideTip();
    event->accept();
}
