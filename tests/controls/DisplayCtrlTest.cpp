#include "controls/ShowImageCtrl.h"
#include "controls/ShowTextCtrl.h"
#include "controls/ShowTextImageCtrl.h"

#include "controls/QtTestApp.h"

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QMouseEvent>

#include <utility>
#include <vector>

namespace {

constexpr QRgb kBack = 0xFF000000;
constexpr QRgb kText = 0xFFFFFFFF;
const QString kLongText = QStringLiteral("Searching new devices, please wait while the list fills up");

// Skins a display control with a solid fill and white text.
template <typename Control> void SkinForText(Control& control, const QString& text, int x, int y)
{
    control.nPaintMode = kPaintBackColor;
    control.clrBack = kBack;
    control.clrText = kText;
    control.SetDrawFont(QStringLiteral("DejaVu Sans"), 12);
    control.SetDrawText(text, x, y);
}

class DisplayCtrlTest : public QtWidgetTest
{
protected:
    DisplayCtrlTest() { parent.resize(328, 245); }

    QTemporaryDir dir;
    QWidget parent;
};

TEST_F(DisplayCtrlTest, ImageControlShowsOnlyTheFirstStateAtNaturalSizeTopLeft)
{
    CShowImageCtrl logo(&parent);
    logo.setGeometry(7, 7, 30, 20);
    logo.nPaintMode = kPaintBackColor;
    logo.clrBack = kBack;
    logo.SetStateImage(WriteStrip(dir, "logo.png", {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFF00}, 5, 6), 4,
                       0, 0);
    const QImage shown = Grab(logo);
    EXPECT_TRUE(AllPixels(shown, QRect(0, 0, 5, 6), 0xFFFF0000));
    EXPECT_EQ(InkBox(shown, kBack), QRect(0, 0, 5, 6));
}

TEST_F(DisplayCtrlTest, WrappedTextStartsAtItsOffsetAndWrapsBeforeTheRightMargin)
{
    CShowTextImageCtrl hint(&parent);
    hint.setGeometry(10, 100, 200, 200);
    SkinForText(hint, kLongText, 15, 1);
    const QRect ink = InkBox(Grab(hint), kBack);
    ASSERT_TRUE(ink.isValid());
    EXPECT_GE(ink.left(), 15);
    EXPECT_LE(ink.left(), 17);
    EXPECT_GE(ink.top(), 1);
    EXPECT_LT(ink.right(), 200 - 15);
    // Wrapped onto further lines.
    EXPECT_GT(ink.height(), 2 * QFontMetrics(*hint.pFont).height());
}

TEST_F(DisplayCtrlTest, TextOffsetMinusOneDrawsAsOneAndZeroAsZero)
{
    std::vector<QImage> shots;
    for (auto [x, y] : {std::pair{-1, -1}, std::pair{1, 1}, std::pair{0, 0}}) {
        CShowTextCtrl title(&parent);
        title.setGeometry(30, 4, 270, 25);
        SkinForText(title, QStringLiteral("HHH"), x, y); // no overhang left of the pen
        shots.push_back(Grab(title));
    }
    EXPECT_EQ(shots[0], shots[1]);
    const QRect one = InkBox(shots[1], kBack);
    const QRect zero = InkBox(shots[2], kBack);
    EXPECT_EQ(one.topLeft() - zero.topLeft(), QPoint(1, 1));
}

TEST_F(DisplayCtrlTest, FaceThatIsNotInstalledStillDrawsText)
{
    CShowTextCtrl title(&parent);
    title.setGeometry(30, 4, 270, 25);
    SkinForText(title, QStringLiteral("Travelkin"), 0, 0);
    title.SetDrawFont(QStringLiteral("Tahoma"), 21);
    EXPECT_TRUE(InkBox(Grab(title), kBack).isValid());
    title.SetDrawFont(QStringLiteral("No Such Face 0451"), 21);
    EXPECT_TRUE(InkBox(Grab(title), kBack).isValid());
}

TEST_F(DisplayCtrlTest, TextBoxWrapsAtTwoHundredFiftyLessTheOffsets)
{
    CShowTextCtrl box(&parent);
    SkinForText(box, QStringLiteral("short"), 3, 3);
    const QFontMetrics metrics(*box.pFont);
    const QSize single = box.MeasureTextBox();
    EXPECT_EQ(single.width(), 2 * 3 + metrics.horizontalAdvance(QStringLiteral("short")) + 1);
    EXPECT_EQ(single.height(), 3 + metrics.height());

    box.SetDrawText(kLongText, 3, 3);
    const QSize wrapped = box.MeasureTextBox();
    EXPECT_LE(wrapped.width(), 250 + 1);
    EXPECT_GE(wrapped.height(), 3 + 2 * metrics.height());
}

TEST_F(DisplayCtrlTest, NewTextFontOrWidthShowsAtTheNextPaint)
{
    CShowTextCtrl title(&parent);
    title.setGeometry(30, 4, 270, 200);
    SkinForText(title, QStringLiteral("HH"), 0, 0);
    const QRect two = InkBox(Grab(title), kBack);
    title.SetDrawText(QStringLiteral("HHHH"), 0, 0);
    const QRect four = InkBox(Grab(title), kBack);
    EXPECT_GT(four.width(), two.width());
    title.SetDrawFont(QStringLiteral("DejaVu Sans"), 24);
    EXPECT_GT(InkBox(Grab(title), kBack).height(), four.height());

    title.SetDrawText(kLongText, 0, 0);
    const int wrappedAt270 = InkBox(Grab(title), kBack).height();
    title.resize(120, 200);
    EXPECT_GT(InkBox(Grab(title), kBack).height(), wrappedAt270);
}

// Records the moves that a press would start instead of moving the window.
class RecordingTextCtrl : public CShowTextCtrl
{
public:
    using CShowTextCtrl::CShowTextCtrl;
    std::vector<QPoint> moves;
    std::vector<std::pair<int, int>> sizeChanges;

protected:
    void BeginCaptionDrag(QPoint globalPos) override { moves.push_back(globalPos); }
    void OnParentSized(int dx, int dy) override { sizeChanges.emplace_back(dx, dy); }
};

TEST_F(DisplayCtrlTest, DragFromTheParentsTopStripStartsAWindowMove)
{
    for (const CaptionGesture& gesture : CaptionGestures(23)) { // parent y 27
        RecordingTextCtrl title(&parent);
        title.setGeometry(30, 4, 270, 40);
        PerformGesture(title, gesture);
        ASSERT_EQ(title.moves.size(), gesture.starts) << gesture.name;
        if (gesture.starts) {
            EXPECT_EQ(title.moves[0], title.mapToGlobal(gesture.at)) << gesture.name;
        }
    }
}

TEST_F(DisplayCtrlTest, WindowFollowsTheMouseWhenTheSystemCannotMoveIt)
{
    if (testsystem::IsWindows())
        GTEST_SKIP() << "Windows always moves the window itself";
    CShowTextCtrl title(&parent);
    title.setGeometry(30, 4, 270, 25);
    parent.move(100, 100);
    parent.show();
    const QPoint start = parent.pos();
    const QPoint pressedAt = title.mapToGlobal(QPoint(10, 5));
    // The pointer's global travel moves the window; the point inside the control stays put.
    const auto send = [&title, pressedAt](QEvent::Type type, QPoint travel, Qt::MouseButton button,
                                          Qt::MouseButtons held) {
        QMouseEvent event(type, QPointF(10, 5), pressedAt + travel, button, held, Qt::NoModifier);
        QCoreApplication::sendEvent(&title, &event);
    };
    send(QEvent::MouseButtonPress, {0, 0}, Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseMove, {5, 7}, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(parent.pos(), start + QPoint(5, 7));
    send(QEvent::MouseMove, {15, 7}, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(parent.pos(), start + QPoint(15, 7));
    send(QEvent::MouseButtonRelease, {15, 7}, Qt::LeftButton, Qt::NoButton);
    send(QEvent::MouseMove, {25, 7}, Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(parent.pos(), start + QPoint(15, 7));
}

TEST_F(DisplayCtrlTest, SizeChangesAreReportedOnlyWhenTracked)
{
    RecordingTextCtrl title(&parent);
    title.setGeometry(0, 0, 20, 10);
    parent.show(); // hidden windows get their size events only when shown
    title.resize(25, 10);
    EXPECT_TRUE(title.sizeChanges.empty());
    title.bTrackSize = 1;
    title.resize(30, 16);
    ASSERT_EQ(title.sizeChanges.size(), 1u);
    EXPECT_EQ(title.sizeChanges[0], std::make_pair(5, 6));
    EXPECT_EQ(title.rcLast, QRect(0, 0, 30, 16));
}

} // namespace
