#include "controls/ShowTaskListCtrl.h"

#include "controls/ControlId.h"
#include "controls/ShowTextCtrl.h"

#include "controls/QtTestApp.h"

#include <gtest/gtest.h>

#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>

#include <vector>

namespace {

constexpr QRgb kRed = 0xFFFF0000;
constexpr QRgb kBlue = 0xFF0000FF;
constexpr QRgb kWhite = 0xFFFFFFFF;
constexpr int kColumns = 17; // up to the second flag column

const QString kLongText =
    QStringLiteral("Copying the holiday pictures folder to the storage device, please wait");

// The list with its hover timers and cursor in the test's hands.
class TestTaskList : public CShowTaskListCtrl
{
public:
    using CShowTaskListCtrl::CShowTaskListCtrl;
    using CShowTaskListCtrl::OnTimer;

    QPoint cursor{-1, -1};

protected:
    QPoint CursorPos() const override { return cursor; }
};

class TaskListTest : public QtWidgetTest
{
protected:
    // A 300 x 200 client; columns 0 to 16, of which only 0, 1 and 6 have a width.
    TaskListTest()
    {
        parent.resize(400, 300);
        list = new TestTaskList(&parent);
        list->setGeometry(0, 0, 300, 200);
        for (int column = 0; column < kColumns; ++column)
            list->InsertColumn(column, QString::number(column), Qt::AlignLeft, ColumnWidth(column));
        parent.show();
    }

    static int ColumnWidth(int column)
    {
        switch (column) {
        case 0:
            return 40;
        case 1:
            return 100;
        case 6:
            return 120;
        default:
            return 0;
        }
    }

    // Rows with texts in columns 1, 2 (status), 5 (percentage), 14 and 16 (flags).
    void AddRow(const QString& name, const QString& status = {}, const QString& percent = {},
                const QString& flag14 = {}, const QString& flag16 = {})
    {
        QStringList texts;
        for (int column = 0; column < kColumns; ++column)
            texts << QString();
        texts[1] = name;
        texts[2] = status;
        texts[5] = percent;
        texts[14] = flag14;
        texts[16] = flag16;
        list->InsertItem(list->GetItemCount(), texts);
    }

    void AddRows(int count)
    {
        for (int row = 0; row < count; ++row)
            AddRow(QStringLiteral("task %1").arg(row));
    }

    void Mouse(QEvent::Type type, QPoint at, Qt::MouseButton button = Qt::NoButton,
               Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        const Qt::MouseButtons held =
            type == QEvent::MouseButtonPress ? Qt::MouseButtons(button) : Qt::NoButton;
        QMouseEvent event(type, QPointF(at), list->viewport()->mapToGlobal(QPointF(at)), button, held,
                          modifiers);
        QCoreApplication::sendEvent(list->viewport(), &event);
    }

    void Click(QPoint at, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
               Qt::MouseButton button = Qt::LeftButton)
    {
        Mouse(QEvent::MouseButtonPress, at, button, modifiers);
        Mouse(QEvent::MouseButtonRelease, at, button, modifiers);
    }

    void Wheel(int delta)
    {
        const QPointF at(50, 50);
        QWheelEvent event(at, list->viewport()->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(list->viewport(), &event);
    }

    // A point inside row `row` (no single tall row, no scrolling), in column 1.
    static QPoint InRow(int row) { return {60, 20 + row * 30 + 15}; }

    // Rests the mouse on `at` and lets the hover delay run out.
    void Hover(QPoint at)
    {
        Mouse(QEvent::MouseMove, at);
        list->cursor = at;
        list->OnTimer(kTipDelayTimer);
    }

    QImage Shot() { return Grab(*list); }

    // A blue back and a red fill, `pictureWidth` wide; the bar is 100 x 20 at (5, 4) in its cell.
    void SetSolidProgressBar(int pictureWidth)
    {
        QImage back(pictureWidth, 20, QImage::Format_ARGB32);
        back.fill(kBlue);
        QImage fill(pictureWidth, 20, QImage::Format_ARGB32);
        fill.fill(kRed);
        list->SetProgressImages(back, fill);
        list->SetProgressPlacement(5, 4, 100, 20);
    }

    QTemporaryDir dir;
    QWidget parent;
    TestTaskList* list;
};

// Geometry and scroll bars -----------------------------------------------------------------

TEST_F(TaskListTest, TenRowsInTwoHundredPixelsNeedTheVerticalBarOnly)
{
    AddRows(10);
    list->OnSizeChanged(0, 300, 200);
    // 180 pixels below the header hold less than 300: the bar shows, one page is the client
    // less the header and the horizontal bar's height.
    EXPECT_FALSE(list->VerticalBar().isHidden());
    EXPECT_TRUE(list->HorizontalBar().isHidden());
    const auto info = list->GetScrollInfo(Qt::Vertical);
    EXPECT_EQ(info.nMin, 0);
    EXPECT_EQ(info.nMax, 300);
    EXPECT_EQ(info.nPage, 164);
    EXPECT_EQ(list->VerticalBar().geometry(), QRect(300 - 16, 20, 16, 180));

    // The position stops one page before the end.
    list->ScrollBy(Qt::Vertical, 1000);
    EXPECT_EQ(list->GetScrollInfo(Qt::Vertical).nPos, 300 - 164);
    list->ScrollBy(Qt::Vertical, -1000);
    EXPECT_EQ(list->GetScrollInfo(Qt::Vertical).nPos, 0);
}

TEST_F(TaskListTest, EachBarNeededOnlyBesideTheOtherShowsOnlyWhenTheOtherIsNeededAnyway)
{
    // Rows fit the 180 pixels, but not the 164 left beside a horizontal bar.
    AddRows(6);
    list->OnSizeChanged(0, 300, 200);
    EXPECT_TRUE(list->VerticalBar().isHidden());
    EXPECT_TRUE(list->HorizontalBar().isHidden());

    // Columns wider than the client need the horizontal bar, which takes the vertical along.
    list->setColumnWidth(6, 200);
    list->OnSizeChanged(0, 300, 200);
    EXPECT_FALSE(list->VerticalBar().isHidden());
    EXPECT_FALSE(list->HorizontalBar().isHidden());
    EXPECT_EQ(list->GetScrollInfo(Qt::Horizontal).nMax, 340);
    EXPECT_EQ(list->GetScrollInfo(Qt::Horizontal).nPage, 284);
    EXPECT_EQ(list->HorizontalBar().geometry(), QRect(0, 200 - 16, 300 - 16, 16));
    EXPECT_EQ(list->VerticalBar().geometry(), QRect(300 - 16, 20, 16, 200 - 20 - 16));

    // Without rows there is nothing to scroll.
    list->DeleteAllItems();
    list->OnSizeChanged(0, 300, 200);
    EXPECT_TRUE(list->VerticalBar().isHidden());
    EXPECT_TRUE(list->HorizontalBar().isHidden());
}

TEST_F(TaskListTest, WheelScrollsTheVisibleBarAndTheHeaderFollowsHorizontalScrolling)
{
    AddRows(10);
    list->setColumnWidth(6, 400);
    list->OnSizeChanged(0, 300, 200);
    Wheel(-120);
    EXPECT_EQ(list->GetScrollInfo(Qt::Vertical).nPos, 120);
    EXPECT_EQ(list->GetScrollInfo(Qt::Horizontal).nPos, 0);
    // Rows move up with the position, the hit test with them.
    EXPECT_EQ(list->GetRowRect(4).top(), 20 + 4 * 30 - 120);
    EXPECT_EQ(list->RowAt(QPoint(10, 25)), 4);

    list->ScrollBy(Qt::Horizontal, 70);
    EXPECT_EQ(list->Header().nScrollX, 70);
    EXPECT_EQ(list->ColumnAt(0), 1); // column 1 starts at 40 - 70

    // A new size starts again at the top-left.
    list->resize(300, 210);
    EXPECT_EQ(list->GetScrollInfo(Qt::Vertical).nPos, 0);
    EXPECT_EQ(list->GetScrollInfo(Qt::Horizontal).nPos, 0);
    EXPECT_EQ(list->Header().nScrollX, 0);
}

TEST_F(TaskListTest, RowsAddedLaterBringTheBarWithoutLosingThePosition)
{
    AddRows(10);
    list->ScrollBy(Qt::Vertical, 50);
    AddRows(10);
    EXPECT_EQ(list->GetScrollInfo(Qt::Vertical).nMax, 600);
    EXPECT_EQ(list->GetScrollInfo(Qt::Vertical).nPos, 50);
}

TEST_F(TaskListTest, TheOnlySelectedRowIsTallerAndLaterRowsAndHitsMoveDown)
{
    AddRows(8);
    list->SetRowHeights(30, 50, 20);
    const QRect before = list->GetRowRect(3);
    list->SetItemSelected(2, true);
    EXPECT_EQ(list->GetRowRect(2).height(), 50);
    EXPECT_EQ(list->GetRowRect(3).top(), before.top() + 20);
    EXPECT_EQ(list->GetRowRect(1).top(), 20 + 30);
    EXPECT_EQ(list->GetScrollInfo(Qt::Vertical).nMax, 7 * 30 + 50);

    // The selected row spans y 80..129, row 3 starts at 130.
    EXPECT_EQ(list->RowAt(QPoint(5, 79)), 1);
    EXPECT_EQ(list->RowAt(QPoint(5, 80)), 2);
    EXPECT_EQ(list->RowAt(QPoint(5, 129)), 2);
    EXPECT_EQ(list->RowAt(QPoint(5, 130)), 3);
    EXPECT_EQ(list->RowAt(QPoint(5, 20 + 50 + 7 * 30)), -1); // past the last row

    // A second selected row makes every row equal again.
    list->SetItemSelected(5, true);
    EXPECT_EQ(list->GetRowRect(3), before);
    EXPECT_EQ(list->RowAt(QPoint(5, 129)), 3);
}

// Drawing --------------------------------------------------------------------------------

TEST_F(TaskListTest, JobRowDrawsItsPercentageAsABarFilledToThatShare)
{
    AddRow(QStringLiteral("copy"), QStringLiteral("J"), QStringLiteral("42"));
    AddRow(QStringLiteral("idle"), QStringLiteral("W"), QStringLiteral("42"));
    SetSolidProgressBar(100);

    const QImage shot = Shot();
    // Column 6 starts at x 140; the bar at (145, row top + 4).
    const int barTop = 20 + 4;
    EXPECT_TRUE(AllPixels(shot, QRect(145, barTop, 42, 2), kRed));
    EXPECT_TRUE(AllPixels(shot, QRect(145 + 42, barTop, 58, 2), kBlue));
    // Other statuses have no percentage in column 6, so no bar.
    EXPECT_EQ(PixelAt(shot, 150, barTop + 30), kWhite);
}

TEST_F(TaskListTest, ProgressFillIsHeldToTheBarAndTheCell)
{
    AddRow(QStringLiteral("over"), QStringLiteral("J"), QStringLiteral("250"));
    AddRow(QStringLiteral("under"), QStringLiteral("J"), QStringLiteral("-20"));
    SetSolidProgressBar(300);
    list->setColumnWidth(6, 80); // the bar is cut at the cell's end, 75 pixels on

    const QImage shot = Shot();
    EXPECT_TRUE(AllPixels(shot, QRect(145, 24, 75, 2), kRed));
    EXPECT_EQ(PixelAt(shot, 145 + 75, 24), kWhite);
    EXPECT_TRUE(AllPixels(shot, QRect(145, 54, 75, 2), kBlue));
}

TEST_F(TaskListTest, StatusCodesAndFlagsChooseTheIconDrawnBesideTheRowStart)
{
    const std::vector<QRgb> icons{0xFF000010, 0xFF000020, 0xFF000030, 0xFF000040,
                                  0xFF000050, 0xFF000060, 0xFF000070};
    list->SetStateImage(WriteStrip(dir, "status.png", icons, 4, 4), 7, 0, 0);
    AddRow(QStringLiteral("a"), QStringLiteral("R"));
    AddRow(QStringLiteral("b"), QStringLiteral("R"), {}, {}, QStringLiteral("1"));
    AddRow(QStringLiteral("c"), QStringLiteral("P"));
    AddRow(QStringLiteral("d"), QStringLiteral("?"), {}, QStringLiteral("x"));
    AddRow(QStringLiteral("e"), QStringLiteral("?"));
    const QImage shot = Shot();
    const auto iconAt = [&](int row) { return PixelAt(shot, 10 + 1, 20 + row * 30 + 6 + 1); };
    EXPECT_EQ(iconAt(0), icons[0]);
    EXPECT_EQ(iconAt(1), icons[4]);
    EXPECT_EQ(iconAt(2), icons[6]);
    EXPECT_EQ(iconAt(3), icons[3]);
    EXPECT_EQ(iconAt(4), kWhite);
}

TEST_F(TaskListTest, SelectedRowsAreFilledAndEveryRowHasAGridLineAbove)
{
    AddRows(3);
    list->SetItemSelected(1, true);
    const QImage shot = Shot();
    EXPECT_EQ(PixelAt(shot, 295, 20 + 30 + 2), list->clrSelRow);
    EXPECT_EQ(PixelAt(shot, 295, 20 + 2), kWhite);
    EXPECT_EQ(PixelAt(shot, 295, 20 + 30 - 1), list->clrGrid);
    EXPECT_EQ(PixelAt(shot, 295, 20 + 60 - 1), list->clrGrid);
    EXPECT_EQ(PixelAt(shot, 295, 20 + 90 - 1), kWhite); // no fourth row

    list->bShowItems = 0;
    EXPECT_TRUE(AllPixels(Grab(*list), QRect(0, 20, 300, 180), list->clrBack));
}

TEST_F(TaskListTest, RowsScrolledIntoViewAreDrawnFromALongList)
{
    list->SetStateImage(WriteStrip(dir, "status.png", {kRed, kBlue}, 4, 4), 2, 0, 0);
    for (int row = 0; row < 1000; ++row)
        AddRow(QString::number(row), row == 999 ? QStringLiteral("S") : QStringLiteral("R"));
    list->ScrollBy(Qt::Vertical, 1000 * 30);
    const QRect last = list->GetRowRect(999);
    ASSERT_LT(last.bottom(), 200);
    EXPECT_EQ(PixelAt(Shot(), 11, last.top() + 7), kBlue);
}

TEST_F(TaskListTest, CellTextStaysInsideItsColumn)
{
    list->clrBack = kWhite;
    AddRow(kLongText);
    const QRect ink = InkBox(Shot().copy(0, 21, 300, 29), kWhite);
    ASSERT_TRUE(ink.isValid());
    EXPECT_GE(ink.left(), 40);
    EXPECT_LT(ink.right(), 140);
}

TEST_F(TaskListTest, HeaderIsAVerticalGradientAcrossTheSpaceLeftForIt)
{
    EXPECT_EQ(list->Header().geometry(), QRect(0, 0, 300, 20));
    const QImage header = Grab(list->Header());
    const auto nearly = [](QRgb actual, QRgb expected) {
        return std::abs(qRed(actual) - qRed(expected)) <= 4 &&
               std::abs(qGreen(actual) - qGreen(expected)) <= 4 &&
               std::abs(qBlue(actual) - qBlue(expected)) <= 4;
    };
    EXPECT_TRUE(nearly(PixelAt(header, 290, 0), 0xFFA9BED3));
    EXPECT_TRUE(nearly(PixelAt(header, 290, 19), 0xFFD9EAF6));
}

// Selection --------------------------------------------------------------------------------

TEST_F(TaskListTest, ShiftSelectsFromTheAnchorAndCtrlToggles)
{
    AddRows(6);
    Click(InRow(5));
    Click(InRow(2), Qt::ShiftModifier);
    EXPECT_EQ(list->GetSelectedItems(), (std::vector<int>{2, 3, 4, 5}));

    // The anchor stays at 5: a second range replaces the first.
    Click(InRow(4), Qt::ShiftModifier);
    EXPECT_EQ(list->GetSelectedItems(), (std::vector<int>{4, 5}));

    Click(InRow(5), Qt::ControlModifier);
    EXPECT_EQ(list->GetSelectedItems(), (std::vector<int>{4}));
    Click(InRow(1), Qt::ControlModifier);
    EXPECT_EQ(list->GetSelectedItems(), (std::vector<int>{1, 4}));
    // Ctrl moved the anchor to 1.
    Click(InRow(3), Qt::ShiftModifier);
    EXPECT_EQ(list->GetSelectedItems(), (std::vector<int>{1, 2, 3}));

    Click(InRow(0));
    EXPECT_EQ(list->GetSelectedItems(), (std::vector<int>{0}));
}

TEST_F(TaskListTest, RightPressSelectsAnUnselectedRowOnlyAndReleaseTellsTheParent)
{
    AddRows(5);
    SetDlgCtrlID(*list, 2110);
    std::vector<int> released;
    QObject::connect(list, &CShowTaskListCtrl::taskListRButtonUp, [&](int id) { released.push_back(id); });

    Click(InRow(1));
    Click(InRow(3), Qt::ControlModifier);
    Click(InRow(3), Qt::NoModifier, Qt::RightButton);
    EXPECT_EQ(list->GetSelectedItems(), (std::vector<int>{1, 3}));
    Click(InRow(2), Qt::NoModifier, Qt::RightButton);
    EXPECT_EQ(list->GetSelectedItems(), (std::vector<int>{2}));
    Click(InRow(4), Qt::ControlModifier, Qt::RightButton);
    EXPECT_EQ(list->GetSelectedItems(), (std::vector<int>{2}));
    Click(QPoint(60, 190), Qt::NoModifier, Qt::RightButton); // below the last row
    EXPECT_TRUE(list->GetSelectedItems().empty());
    EXPECT_EQ(released, (std::vector<int>{2110, 2110, 2110, 2110}));
}

TEST_F(TaskListTest, RubberBandFromBelowTheRowsSelectsTheRowsItSpans)
{
    AddRows(5);
    Click(InRow(0));
    const QPoint start(200, 190); // below row 4, which ends at 169
    Mouse(QEvent::MouseButtonPress, start, Qt::LeftButton);
    EXPECT_TRUE(list->GetSelectedItems().empty());
    EXPECT_EQ(list->bRubberBand, 1);

    Mouse(QEvent::MouseMove, QPoint(100, 120));
    // The band is drawn translucent over the rows while dragging.
    const QImage dragging = Shot();
    EXPECT_NE(PixelAt(dragging, 150, 150), kWhite);
    EXPECT_EQ(PixelAt(dragging, 90, 150), kWhite);

    Mouse(QEvent::MouseButtonRelease, QPoint(100, 120), Qt::LeftButton);
    EXPECT_EQ(list->bRubberBand, 0);
    EXPECT_EQ(list->GetSelectedItems(), (std::vector<int>{3, 4}));
    EXPECT_EQ(PixelAt(Shot(), 150, 150), list->clrSelRow);
}

// Hover box ------------------------------------------------------------------------------

TEST_F(TaskListTest, NoBoxForTextThatFitsOnOneLine)
{
    AddRow(QStringLiteral("short"));
    Hover(InRow(0));
    EXPECT_TRUE(list->TipBox().isHidden());
}

TEST_F(TaskListTest, LongTextShowsInABoxBelowTheCursorUntilItsTimeIsUp)
{
    AddRow(kLongText);
    AddRow(QStringLiteral("short"));
    const QPoint at = InRow(0);
    Hover(at);
    CShowTextCtrl& box = list->TipBox();
    ASSERT_FALSE(box.isHidden());
    EXPECT_EQ(box.strText, kLongText);
    EXPECT_EQ(box.pos(), at + QPoint(0, 21));
    EXPECT_EQ(box.size(), box.MeasureTextBox());
    EXPECT_EQ(box.clrBack, list->clrTipBack);

    list->OnTimer(kTipLifeTimer);
    EXPECT_TRUE(box.isHidden());
    // Shown once per cell: resting on it again shows nothing ...
    Hover(at + QPoint(1, 0));
    EXPECT_TRUE(box.isHidden());
    // ... until the mouse has been on another cell.
    Hover(InRow(1));
    Hover(at);
    EXPECT_FALSE(box.isHidden());
}

TEST_F(TaskListTest, BoxWaitsForTheMouseToRestAndGoesWhenItLeavesTheRows)
{
    AddRow(kLongText);
    AddRow(kLongText);
    Mouse(QEvent::MouseMove, InRow(0));
    list->cursor = InRow(0) + QPoint(2, 0); // moved on before the delay ran out
    list->OnTimer(kTipDelayTimer);
    EXPECT_TRUE(list->TipBox().isHidden());

    Hover(InRow(0) + QPoint(2, 0));
    ASSERT_FALSE(list->TipBox().isHidden());
    list->OnTimer(kTipWatchTimer); // still over a row
    EXPECT_FALSE(list->TipBox().isHidden());
    list->cursor = QPoint(60, 150);
    list->OnTimer(kTipWatchTimer);
    EXPECT_TRUE(list->TipBox().isHidden());

    // The wheel hides it too.
    Hover(InRow(1));
    ASSERT_FALSE(list->TipBox().isHidden());
    Wheel(-120);
    EXPECT_TRUE(list->TipBox().isHidden());
}

} // namespace
