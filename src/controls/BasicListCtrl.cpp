#include "controls/BasicListCtrl.h"

#include "controls/BasicHeaderCtrl.h"
#include "controls/ListRowDelegate.h"

#include <QEvent>
#include <QHeaderView>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleFactory>

#include <algorithm>

namespace {
// The light grey of the list's grid lines.
constexpr QRgb kGridColor = 0xFFF0F0F0;
}

CBasicListCtrl::CBasicListCtrl(QWidget* parent) : QTreeWidget(parent)
{
    // Report view: flat rows of equal height, no root decoration, no system frame.
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setFrameStyle(QFrame::NoFrame);
    setColumnCount(0);
    setItemDelegate(new CListRowDelegate(this));
    UsePlainScrollBars({horizontalScrollBar(), verticalScrollBar()});
    SetUpHeader();
}

void CBasicListCtrl::UsePlainScrollBars(std::initializer_list<QScrollBar*> bars)
{
    QStyle* plain = QStyleFactory::create(QStringLiteral("Windows"));
    if (!plain)
        return;
    plain->setParent(this);
    for (QScrollBar* bar : bars)
        bar->setStyle(plain);
}

void CBasicListCtrl::SetUpHeader()
{
    QHeaderView* columns = header();
    columns->setStretchLastSection(false);
    columns->setSectionsMovable(false);
    columns->setMinimumSectionSize(0);
}

void CBasicListCtrl::ApplyBorder()
{
    const int wanted = (nPaintMode & kPaintBorder) ? (QFrame::Box | QFrame::Plain) : QFrame::NoFrame;
    if (frameStyle() != wanted) {
        setFrameStyle(wanted);
        setLineWidth(1);
    }
}

bool CBasicListCtrl::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::Polish:
    case QEvent::ParentChange:
    case QEvent::Show:
        ApplyBorder();
        break;
    default:
        break;
    }
    const bool handled = QTreeWidget::event(event);
    if (event->type() == QEvent::Paint)
        PaintBorder();
    return handled;
}

void CBasicListCtrl::PaintBorder()
{
    if (!(nPaintMode & kPaintBorder))
        return;
    // The frame is one pixel wide; it is drawn over the style's own frame in the skin colour.
    QPainter painter(this);
    painter.setPen(QPen(QColor::fromRgba(clrBorder), 1.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void CBasicListCtrl::drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const
{
    QTreeWidget::drawRow(painter, option, index);
    if (!(nExtendedStyle & LVS_EX_GRIDLINES))
        return;
    painter->save();
    painter->setPen(QColor::fromRgba(kGridColor));
    const QRect row = option.rect;
    painter->drawLine(row.left(), row.bottom(), row.right(), row.bottom());
    const QHeaderView* columns = header();
    const std::vector<int> widths = VisibleSectionWidths(*columns);
    for (int column = 0; column < static_cast<int>(widths.size()); ++column) {
        const int width = widths[static_cast<std::size_t>(column)];
        if (width == 0)
            continue;
        const int edge = columns->sectionViewportPosition(column) + width - 1;
        painter->drawLine(edge, row.top(), edge, row.bottom());
    }
    painter->restore();
}

void CBasicListCtrl::SetExtendedStyle(std::uint32_t style)
{
    nExtendedStyle = style;
    setSelectionBehavior((style & LVS_EX_FULLROWSELECT) ? QAbstractItemView::SelectRows
                                                         : QAbstractItemView::SelectItems);
    setAllColumnsShowFocus((style & LVS_EX_FULLROWSELECT) != 0);
    viewport()->update();
}

Qt::Alignment CBasicListCtrl::ColumnAlignment(int column) const
{
    if (column < 0 || static_cast<std::size_t>(column) >= columnAlignments.size())
        return Qt::AlignLeft;
    return columnAlignments[static_cast<std::size_t>(column)];
}

int CBasicListCtrl::InsertColumn(int column, const QString& title, Qt::Alignment alignment,
                                 int width)
{
    const int count = columnCount();
    column = std::clamp(column, 0, count);
    QStringList titles;
    for (int c = 0; c < count; ++c)
        titles << headerItem()->text(c);
    titles.insert(column, title);
    setColumnCount(count + 1);
    setHeaderLabels(titles);
    columnAlignments.insert(columnAlignments.begin() + column, alignment);
    setColumnWidth(column, width);
    return column;
}

int CBasicListCtrl::InsertItem(int row, const QStringList& columnTexts)
{
    row = std::clamp(row, 0, topLevelItemCount());
    auto* item = new QTreeWidgetItem();
    for (int column = 0; column < std::max(columnCount(), static_cast<int>(columnTexts.size()));
         ++column) {
        item->setTextAlignment(column, ColumnAlignment(column) | Qt::AlignVCenter);
        if (column < columnTexts.size())
            item->setText(column, columnTexts[column]);
    }
    insertTopLevelItem(row, item);
    return row;
}

bool CBasicListCtrl::SetItemText(int row, int column, const QString& text)
{
    QTreeWidgetItem* item = topLevelItem(row);
    if (!item || column < 0)
        return false;
    item->setText(column, text);
    return true;
}

QString CBasicListCtrl::GetItemText(int row, int column) const
{
    const QTreeWidgetItem* item = topLevelItem(row);
    if (!item || column < 0)
        return {};
    return item->text(column);
}

void CBasicListCtrl::DeleteAllItems()
{
    clear();
}

int CBasicListCtrl::GetFirstSelectedItem() const
{
    int first = -1;
    for (const QModelIndex& index : selectionModel()->selectedIndexes()) {
        if (!index.parent().isValid() && (first == -1 || index.row() < first))
            first = index.row();
    }
    return first;
}

void CBasicListCtrl::SetTextColor(QRgb color)
{
    QPalette colours = palette();
    colours.setColor(QPalette::Text, QColor::fromRgba(color));
    setPalette(colours);
}

QRgb CBasicListCtrl::GetTextColor() const
{
    return palette().color(QPalette::Text).rgba();
}

void CBasicListCtrl::SetRowFont(const QFont& font)
{
    setFont(font);
}
