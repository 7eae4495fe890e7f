// The task list's construction, its skin settings and the selection store. Geometry, scroll
// bars, painting, the mouse and the hover box each have a file of their own beside this one.

#include "controls/ShowTaskListCtrl.h"

#include "controls/ShowTextCtrl.h"

#include <QScrollBar>

#include <algorithm>

CShowTaskListCtrl::CShowTaskListCtrl(QWidget* parent)
    : CBasicDrawListCtrl(parent), pHeader(new CShowTaskHeaderCtrl(Qt::Horizontal, this)),
      tipBox(new CShowTextCtrl(viewport())), vScroll(new QScrollBar(Qt::Vertical, viewport())),
      hScroll(new QScrollBar(Qt::Horizontal, viewport()))
{
    pProgressFont.setFamily(QStringLiteral("Arial"));
    pProgressFont.setPixelSize(11);
    pProgressFont.setWeight(QFont::Normal);

    // The list scrolls only by its own bars; the view's bars never show.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    viewport()->setMouseTracking(true);

    setHeader(pHeader);
    SetUpHeader();
    pHeader->raise();
    CreateScrollBars();
    SetUpTipBox();
    WatchContent();
}

CShowTaskListCtrl::~CShowTaskListCtrl()
{
    // The base view still resets its model and header while it is torn down; this part of
    // the list must no longer hear of it.
    for (QObject* sender :
         std::initializer_list<QObject*>{model(), selectionModel(), pHeader, vScroll, hScroll})
        sender->disconnect(this);
}

void CShowTaskListCtrl::WatchContent()
{
    // Rows, columns and the single-selected row change the totals the bars show; the bars
    // follow without jumping back to the top.
    const auto refresh = [this] { UpdateScrollBars(false); };
    connect(model(), &QAbstractItemModel::rowsInserted, this, refresh);
    connect(model(), &QAbstractItemModel::rowsRemoved, this, refresh);
    connect(model(), &QAbstractItemModel::modelReset, this, [this] {
        nAnchorItem = -1;
        UpdateScrollBars(false);
    });
    connect(pHeader, &QHeaderView::sectionResized, this, refresh);
    connect(pHeader, &QHeaderView::sectionCountChanged, this, refresh);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, refresh);
}

void CShowTaskListCtrl::SetRowHeights(int rowHeight, int selRowHeight, int headerHeight)
{
    nRowHeight = std::max(rowHeight, 1);
    nSelRowHeight = std::max(selRowHeight, 1);
    nHeaderHeight = std::max(headerHeight, 0);
    updateGeometries();
    UpdateScrollBars(true);
}

void CShowTaskListCtrl::SetProgressImages(const QImage& back, const QImage& fill)
{
    pProgressBack = back.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    pProgressFill = fill.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    RepaintItemArea();
}

void CShowTaskListCtrl::SetProgressImages(const QString& backPath, const QString& fillPath)
{
    SetProgressImages(LoadSkinImage(backPath), LoadSkinImage(fillPath));
}

void CShowTaskListCtrl::SetProgressPlacement(int x, int y, int width, int height)
{
    nProgressX = x;
    nProgressY = y;
    nProgressWidth = width;
    nProgressHeight = height;
    RepaintItemArea();
}

bool CShowTaskListCtrl::IsItemSelected(int row) const
{
    if (row < 0 || row >= GetItemCount())
        return false;
    return selectionModel()->isSelected(model()->index(row, 0));
}

void CShowTaskListCtrl::SetItemSelected(int row, bool selected)
{
    const QModelIndex index = model()->index(row, 0);
    if (!index.isValid())
        return;
    selectionModel()->select(index, (selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) |
                                        QItemSelectionModel::Rows);
}

std::vector<int> CShowTaskListCtrl::GetSelectedItems() const
{
    std::vector<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedRows(0))
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

int CShowTaskListCtrl::GetOnlySelectedItem() const
{
    // Walks the selection's ranges, not its rows, so a long list costs nothing extra.
    int only = -1;
    for (const QItemSelectionRange& range : selectionModel()->selection()) {
        if (range.parent().isValid() || range.left() > 0 || range.isEmpty())
            continue;
        if (range.top() != range.bottom() || (only != -1 && only != range.top()))
            return -1;
        only = range.top();
    }
    return only;
}

void CShowTaskListCtrl::DeselectAll()
{
    selectionModel()->clearSelection();
}

void CShowTaskListCtrl::SelectOnly(int row)
{
    const QModelIndex index = model()->index(row, 0);
    if (!index.isValid()) {
        DeselectAll();
        return;
    }
    selectionModel()->select(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void CShowTaskListCtrl::SelectRange(int from, int to)
{
    const QModelIndex first = model()->index(std::min(from, to), 0);
    const QModelIndex last = model()->index(std::max(from, to), 0);
    if (!first.isValid() || !last.isValid())
        return;
    selectionModel()->select(QItemSelection(first, last),
                             QItemSelectionModel::Select | QItemSelectionModel::Rows);
}
