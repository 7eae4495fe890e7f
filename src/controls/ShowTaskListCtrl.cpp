#include "controls/ShowTaskListCtrl.h"

#include "controls/ControlId.h"
#include "controls/ShowTextCtrl.h"
#include "controls/TaskCellText.h"

#include <QCursor>
#include <QFontMetrics>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleFactory>
#include <QWheelEvent>

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

constexpr int kTipDelayMs = 500;
constexpr int kTipLifeMs = 5000;
constexpr int kTipWatchMs = 100;
constexpr int kTipTextOffset = 3;
constexpr int kTipBelowCursor = 21;

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
    for (QObject* sender : std::initializer_list<QObject*>{model(), selectionModel(), pHeader, vScroll, hScroll})
        sender->disconnect(this);
}

void CShowTaskListCtrl::CreateScrollBars()
{
    for (QScrollBar* bar : {vScroll, hScroll}) {
        bar->setSingleStep(1);
        bar->setRange(0, 0);
        bar->hide();
    }
    // The same plain, flat bars as the list view's own: the desktop style's shaded bars
    // would cost more to paint than the visible rows.
    if (QStyle* plain = QStyleFactory::create(QStringLiteral("Windows"))) {
        plain->setParent(this);
        vScroll->setStyle(plain);
        hScroll->setStyle(plain);
    }
    SetDlgCtrlID(*vScroll, kTaskListVScrollId);
    SetDlgCtrlID(*hScroll, kTaskListHScrollId);
    vScroll->setGeometry(ClientRect().width() - nVScrollWidth, 0, nVScrollWidth, ClientRect().height());
    hScroll->setGeometry(0, ClientRect().height() - nHScrollHeight, ClientRect().width(), nHScrollHeight);
    connect(vScroll, &QScrollBar::valueChanged, this, [this] { RepaintItemArea(); });
    connect(hScroll, &QScrollBar::valueChanged, this, [this] { OnHorizontalMoved(); });
}

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

// Geometry -------------------------------------------------------------------------------

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

void CShowTaskListCtrl::SetRowHeights(int rowHeight, int selRowHeight, int headerHeight)
{
    nRowHeight = std::max(rowHeight, 1);
    nSelRowHeight = std::max(selRowHeight, 1);
    nHeaderHeight = std::max(headerHeight, 0);
    updateGeometries();
    UpdateScrollBars(true);
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
    for (int column = 0; column < pHeader->count(); ++column) {
        const int width = pHeader->isSectionHidden(column) ? 0 : pHeader->sectionSize(column);
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

void CShowTaskListCtrl::scrollContentsBy(int /*dx*/, int /*dy*/)
{
}

void CShowTaskListCtrl::scrollTo(const QModelIndex& /*index*/, ScrollHint /*hint*/)
{
}

// Scroll bars ----------------------------------------------------------------------------

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
    nColumnsTotal = 0;
    for (int column = 0; column < pHeader->count(); ++column)
        nColumnsTotal += pHeader->isSectionHidden(column) ? 0 : pHeader->sectionSize(column);

    ScrollBarsShown shown;
    if (count > 0) {
        shown = ScrollBarVisibility(
            VerticalNeed(client.height(), nHeaderHeight, nHScrollHeight, nRowsTotal),
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

// Drawing --------------------------------------------------------------------------------

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
    painter.fillRect(QRect(client.left(), client.top() + nHeaderHeight, client.width(),
                           client.height() - nHeaderHeight),
                     QColor::fromRgba(clrBack));
    if (bShowItems) {
        RowPaint context;
        context.client = client;
        context.onlySelected = GetOnlySelectedItem();
        context.scrollY = ScrollY();
        context.scrollX = ScrollX();
        for (int column = 0; column < pHeader->count(); ++column)
            context.columnWidths.push_back(pHeader->isSectionHidden(column) ? 0 : pHeader->sectionSize(column));
        if (pFont)
            context.metrics.emplace(*pFont);

        // Only rows that can show anything are drawn: the grid line one pixel above the
        // row, the texts, the progress bar and the icon may reach past the row's own span.
        if (nStateWidth == 0 || nImageHeight == 0)
            MeasureImage();
        const int reachAbove = std::max({1, -(nImageY + kIconDy), -nProgressY});
        const int reachBelow = std::max({kTextDy + kTextHeight, nImageY + kIconDy + nImageHeight,
                                         nProgressY + nProgressHeight});
        const TaskRowRange rows = RowsTouchingClient(RowHeights(), GetItemCount(), context.onlySelected,
                                                     context.scrollY, client.height(), reachAbove, reachBelow);
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

void CShowTaskListCtrl::DrawCells(QPainter& painter, const RowPaint& context, int row,
                                  const QRect& rowRect)
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

void CShowTaskListCtrl::DrawProgressCell(QPainter& painter, const QString& text, int x, int width,
                                         int top)
{
    if (nProgressX >= width)
        return;
    const QPoint at(x + nProgressX - ScrollX(), top + nProgressY);
    const int bar = std::min(nProgressWidth, width - nProgressX);
    if (!pProgressBack.isNull() && bar > 0 && nProgressHeight > 0)
        painter.drawImage(at, pProgressBack, QRect(0, 0, bar, nProgressHeight));
    // A share outside 0..100 % fills the bar not at all or completely.
    const int filled = std::clamp(MulDiv(LeadingInteger(text), nProgressWidth, 100), 0, std::max(bar, 0));
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
    const int icon = StatusIconIndex(item->text(kStatusColumn), item->text(kFlagColumn14),
                                     item->text(kFlagColumn16));
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

// Selection ------------------------------------------------------------------------------

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
    selectionModel()->select(QItemSelection(first, last), QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

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
    const TaskRowRange rows = RowsUnderBand(RowHeights(), GetItemCount(), ScrollY(), band.top(),
                                            band.top() + band.height());
    if (rows.end > rows.first)
        SelectRange(rows.first, rows.end - 1);
    RepaintItemArea();
}

// Mouse ----------------------------------------------------------------------------------

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

bool CShowTaskListCtrl::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::Leave)
        OnMouseLeave();
    return CBasicDrawListCtrl::viewportEvent(event);
}

// Hover box ------------------------------------------------------------------------------

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
