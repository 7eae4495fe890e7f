#include "controls/BasicListCtrl.h"

#include "controls/BasicHeaderCtrl.h"
#include "controls/FocusFrame.h"
#include "controls/ListRowDelegate.h"

#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleFactory>

#include <algorithm>

namespace {
// The light grey of the list's grid lines.
constexpr QRgb kGridColor = 0xFFF0F0F0;
} // namespace

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

void CBasicListCtrl::ApplySkinColours()
{
    // Every colour of the list, its rows, selection, header gaps and scroll bars comes from
    // the skin: a desktop theme's palette (a dark one above all) would put the layout's text
    // colour on a background the layout never chose. The selection is the text colour with
    // the list colour as its text, so it keeps the contrast the layout gave the rows.
    const QColor back = QColor::fromRgba(clrBack);
    const QColor text = QColor::fromRgba(clrText);
    const QColor border = QColor::fromRgba(clrBorder);
    QPalette skin(back, back);
    for (const QPalette::ColorRole role :
         {QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::PlaceholderText,
          QPalette::Highlight, QPalette::Link, QPalette::LinkVisited, QPalette::ToolTipText})
        skin.setColor(role, text);
    for (const QPalette::ColorRole role : {QPalette::Base, QPalette::AlternateBase, QPalette::HighlightedText,
                                           QPalette::BrightText, QPalette::ToolTipBase})
        skin.setColor(role, back);
    for (const QPalette::ColorRole role : {QPalette::Mid, QPalette::Dark, QPalette::Shadow})
        skin.setColor(role, border);
    setPalette(skin);
}

bool CBasicListCtrl::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::Polish:
        ApplySkinColours();
        ApplyBorder();
        break;
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
    const QRect row = option.rect;
    if (nExtendedStyle & ListGridLines)
        DrawGridLines(*painter, row);
    if (hasFocus() && index.row() == currentIndex().row() && !index.parent().isValid()) {
        const bool selected = selectionModel()->isRowSelected(index.row(), index.parent());
        DrawFocusFrame(*painter, QRect(0, row.top(), viewport()->width(), row.height()),
                       selected ? clrBack : clrText);
    }
}

void CBasicListCtrl::DrawGridLines(QPainter& painter, const QRect& row) const
{
    painter.save();
    painter.setPen(QColor::fromRgba(kGridColor));
    painter.drawLine(row.left(), row.bottom(), row.right(), row.bottom());
    const QHeaderView* columns = header();
    const std::vector<int> widths = VisibleSectionWidths(*columns);
    for (int column = 0; column < static_cast<int>(widths.size()); ++column) {
        const int width = widths[static_cast<std::size_t>(column)];
        if (width == 0)
            continue;
        const int edge = columns->sectionViewportPosition(column) + width - 1;
        painter.drawLine(edge, row.top(), edge, row.bottom());
    }
    painter.restore();
}

void CBasicListCtrl::paintEvent(QPaintEvent* event)
{
    QTreeWidget::paintEvent(event);
    // With no current row the focus shows round the whole list, so Tab never lands unseen.
    if (hasFocus() && !currentIndex().isValid()) {
        QPainter painter(viewport());
        DrawFocusFrame(painter, viewport()->rect(), clrText);
    }
}

void CBasicListCtrl::focusInEvent(QFocusEvent* event)
{
    QTreeWidget::focusInEvent(event);
    viewport()->update();
}

void CBasicListCtrl::focusOutEvent(QFocusEvent* event)
{
    QTreeWidget::focusOutEvent(event);
    viewport()->update();
}

void CBasicListCtrl::keyPressEvent(QKeyEvent* event)
{
    // The first Up or Down in a list without a selection selects the row that has the focus
    // instead of stepping past it, so a list of one device can be chosen by keyboard too.
    const bool step = event->key() == Qt::Key_Up || event->key() == Qt::Key_Down;
    if (step && event->modifiers() == Qt::NoModifier && GetFirstSelectedItem() == -1 &&
        currentIndex().isValid()) {
        selectionModel()->select(currentIndex(),
                                 QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

void CBasicListCtrl::SetExtendedStyle(std::uint32_t style)
{
    nExtendedStyle = style;
    setSelectionBehavior((style & ListFullRowSelect) ? QAbstractItemView::SelectRows
                                                     : QAbstractItemView::SelectItems);
    setAllColumnsShowFocus((style & ListFullRowSelect) != 0);
    viewport()->update();
}

Qt::Alignment CBasicListCtrl::ColumnAlignment(int column) const
{
    if (column < 0 || static_cast<std::size_t>(column) >= columnAlignments.size())
        return Qt::AlignLeft;
    return columnAlignments[static_cast<std::size_t>(column)];
}

int CBasicListCtrl::InsertColumn(int column, const QString& title, Qt::Alignment alignment, int width)
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
    for (int column = 0; column < std::max(columnCount(), static_cast<int>(columnTexts.size())); ++column) {
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
    clrText = color;
    ApplySkinColours();
}

QRgb CBasicListCtrl::GetTextColor() const
{
    return palette().color(QPalette::Text).rgba();
}

void CBasicListCtrl::SetRowFont(const QFont& font)
{
    setFont(font);
}
