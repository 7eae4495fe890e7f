#pragma once

// Base of the skinned lists: a report list (rows of column texts under a header) whose frame
// is the skin's one-pixel border in clrBorder when the border bit is set, and no frame at all
// otherwise. The rows themselves are drawn by the view, in the list's text colour and font.

#include "controls/BasicPropertyFrame.h"

#include <QStringList>
#include <QTreeWidget>

class QScrollBar;

#include <cstdint>
#include <initializer_list>
#include <vector>

// Extended list styles that the list honours.
enum ListExtendedStyle : std::uint32_t
{
    ListGridLines = 0x01,
    ListSubitemImages = 0x02,
    ListFullRowSelect = 0x20,
};

class CBasicListCtrl : public QTreeWidget, public CBasicPropertyFrame
{
    Q_OBJECT

public:
    explicit CBasicListCtrl(QWidget* parent = nullptr);

    // Makes the frame follow the border bit of nPaintMode. Runs by itself when the list is
    // polished, re-parented or shown; call it after changing nPaintMode later than that.
    void ApplyBorder();

    // Gives the list a palette made only of the skin's colours (clrBack, clrText, clrBorder).
    // Runs by itself when the list is polished and when its text colour is set.
    void ApplySkinColours();

    std::uint32_t GetExtendedStyle() const { return nExtendedStyle; }
    void SetExtendedStyle(std::uint32_t style);

    // Inserts a column at `column` with its title, cell alignment and width in pixels.
    int InsertColumn(int column, const QString& title, Qt::Alignment alignment, int width);
    // Inserts a row at `row` (clamped to the row count) with the given column texts; returns
    // its index.
    int InsertItem(int row, const QStringList& columnTexts);
    bool SetItemText(int row, int column, const QString& text);
    // Empty when the row or column does not exist.
    QString GetItemText(int row, int column) const;
    int GetItemCount() const { return topLevelItemCount(); }
    void DeleteAllItems();
    // The first row in the selected state, or -1.
    int GetFirstSelectedItem() const;

    void SetTextColor(QRgb color);
    QRgb GetTextColor() const;
    void SetRowFont(const QFont& font);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                 const QModelIndex& index) const override;

    // Report-view defaults for a header that the list has just been given.
    void SetUpHeader();
    // The list stands for the platform's plain list view: flat scroll bars that paint with
    // a few solid fills, where the desktop style's shaded bars would cost more than all the
    // rows of the list together. The style belongs to the list.
    void UsePlainScrollBars(std::initializer_list<QScrollBar*> bars);

private:
    void PaintBorder();
    void DrawGridLines(QPainter& painter, const QRect& row) const;
    Qt::Alignment ColumnAlignment(int column) const;

    std::uint32_t nExtendedStyle = 0;
    std::vector<Qt::Alignment> columnAlignments;
};
