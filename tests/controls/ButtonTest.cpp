#include "controls/CheckBoxButton.h"
#include "controls/ControlId.h"
#include "controls/RadioBoxButton.h"
#include "controls/StandardButton.h"

#include "controls/QtTestApp.h"

#include <gtest/gtest.h>

#include <QEnterEvent>
#include <QKeyEvent>
#include <QMouseEvent>

#include <vector>

namespace {

constexpr QRgb kBack = 0xFF000000;
const std::vector<QRgb> kStateColours = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFF00,
                                         0xFF00FFFF, 0xFFFF00FF, 0xFF808080, 0xFFFFFFFF};

class ButtonTest : public QtWidgetTest
{
protected:
    ButtonTest() { parent.resize(328, 245); }

    // A solid fill with a state image of `states` 10x8 strips drawn at (2, 3).
    void Skin(CBasicButton& button, int states)
    {
        button.setGeometry(18, 210, 79, 23);
        button.nPaintMode = kPaintBackColor;
        button.clrBack = kBack;
        const std::vector<QRgb> colours(kStateColours.begin(), kStateColours.begin() + states);
        button.SetStateImage(WriteStrip(dir, QString("s%1.png").arg(states), colours, 10, 8), states, 2, 3);
    }

    // The state shown, by the colour at the image offset; -1 when no state image shows.
    static int ShownState(CBasicButton& button, QPoint at = QPoint(2, 3))
    {
        const QImage shot = Grab(button);
        for (std::size_t i = 0; i < kStateColours.size(); ++i)
            if (PixelAt(shot, at.x(), at.y()) == kStateColours[i])
                return static_cast<int>(i);
        return -1;
    }

    static void Hover(QWidget& widget)
    {
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), widget.mapToGlobal(QPointF(5, 5)));
        QCoreApplication::sendEvent(&widget, &enter);
    }

    static void Leave(QWidget& widget)
    {
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(&widget, &leave);
    }

    static void MouseClick(QWidget& widget)
    {
        const QPointF centre(widget.width() / 2.0, widget.height() / 2.0);
        for (auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent event(type, centre, widget.mapToGlobal(centre), Qt::LeftButton,
                              type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                              Qt::NoModifier);
            QCoreApplication::sendEvent(&widget, &event);
        }
    }

    static QRect TextInk(CBasicButton& button) { return InkBox(Grab(button), kBack); }

    static void SkinText(CBasicButton& button, const QString& text, int x, int y)
    {
        button.setGeometry(18, 210, 79, 23);
        button.nPaintMode = kPaintBackColor;
        button.clrBack = kBack;
        button.clrText = 0xFFF4F5F7;
        button.SetDrawFont(QStringLiteral("Tahoma"), 12);
        button.SetDrawText(text, x, y);
    }

    QTemporaryDir dir;
    QWidget parent;
};

TEST_F(ButtonTest, FourStatesFollowNormalHoverPressedDisabled)
{
    CStandardButton button(&parent);
    Skin(button, 4);
    EXPECT_EQ(ShownState(button), 0);
    Hover(button);
    EXPECT_EQ(ShownState(button), 1);
    button.setDown(true);
    EXPECT_EQ(ShownState(button), 2);
    button.setDown(false);
    Leave(button);
    EXPECT_EQ(ShownState(button), 0);
    button.setEnabled(false);
    EXPECT_EQ(ShownState(button, QPoint(0, 0)), 3); // the disabled image moves to the corner
    EXPECT_EQ(PixelAt(Grab(button), 10, 3), kBack);
}

TEST_F(ButtonTest, FiveStatePushButtonShowsTheCheckedImageWhateverElseHolds)
{
    CStandardButton button(&parent);
    Skin(button, 5);
    EXPECT_EQ(ShownState(button), 0);
    button.SetCheck(ButtonIndeterminate); // shows as checked
    Hover(button);
    button.setDown(true);
    EXPECT_EQ(ShownState(button), 4);
    button.SetCheck(ButtonUnchecked);
    button.setDown(false);
    button.setEnabled(false);
    EXPECT_EQ(ShownState(button), 3); // disabled keeps its offset with five states
}

TEST_F(ButtonTest, UnlistedStateCountsDrawNoImage)
{
    for (int states : {1, 3, 6}) {
        CStandardButton button(&parent);
        Skin(button, states);
        EXPECT_FALSE(InkBox(Grab(button), kBack).isValid()) << states << " states";
    }
    CCheckBoxButton box(&parent);
    Skin(box, 4);
    EXPECT_FALSE(InkBox(Grab(box), kBack).isValid());
}

TEST_F(ButtonTest, EightStateCheckBoxCombinesCheckedWithTheMouseState)
{
    CCheckBoxButton box(&parent);
    Skin(box, 8);
    EXPECT_EQ(ShownState(box), 0);
    Hover(box);
    EXPECT_EQ(ShownState(box), 1);
    box.setDown(true);
    EXPECT_EQ(ShownState(box), 2);
    box.SetCheck(ButtonChecked);
    EXPECT_EQ(ShownState(box), 6);
    box.setDown(false);
    EXPECT_EQ(ShownState(box), 5);
    Leave(box);
    EXPECT_EQ(ShownState(box), 4);
    box.setEnabled(false);
    EXPECT_EQ(ShownState(box, QPoint(0, 0)), 7);
    box.SetCheck(ButtonUnchecked);
    EXPECT_EQ(ShownState(box, QPoint(0, 0)), 3);
}

TEST_F(ButtonTest, CheckBoxFlipsBeforeTheParentHearsOfTheClick)
{
    CCheckBoxButton box(&parent);
    Skin(box, 2);
    std::vector<int> heard;
    QObject::connect(&box, &QAbstractButton::clicked, [&] { heard.push_back(box.GetCheck()); });
    MouseClick(box);
    MouseClick(box);
    box.click();
    EXPECT_EQ(heard, (std::vector<int>{1, 0, 1}));
    EXPECT_EQ(ShownState(box), 1);
    box.SetCheck(ButtonUnchecked);
    EXPECT_EQ(ShownState(box), 0);
}

TEST_F(ButtonTest, RadioUnchecksTheOtherSkinnedButtonsOfItsParent)
{
    CRadioBoxButton first(&parent);
    CRadioBoxButton second(&parent);
    CCheckBoxButton box(&parent);
    QWidget elsewhere;
    CRadioBoxButton other(&elsewhere);
    for (CBasicButton* button : std::vector<CBasicButton*>{&first, &second, &box, &other})
        button->setGeometry(0, 0, 20, 20);
    SetDlgCtrlID(first, 2110);
    second.SetCheck(ButtonChecked);
    box.SetCheck(ButtonChecked);
    other.SetCheck(ButtonChecked);

    std::vector<int> selected;
    QObject::connect(&first, &CRadioBoxButton::radioSelected, [&](int id) {
        selected.push_back(id);
        EXPECT_EQ(second.GetCheck(), 0); // the group is updated before the parent hears
    });
    MouseClick(first);
    EXPECT_EQ(first.GetCheck(), 1);
    EXPECT_EQ(second.GetCheck(), 0);
    EXPECT_EQ(box.GetCheck(), 0);
    EXPECT_EQ(other.GetCheck(), 1);

    MouseClick(first); // again: stays checked and tells the parent again
    EXPECT_EQ(first.GetCheck(), 1);
    EXPECT_EQ(selected, (std::vector<int>{2110, 2110}));
}

TEST_F(ButtonTest, TextIsCentredOnEachAxisWhoseOffsetIsZero)
{
    CStandardButton button(&parent);
    SkinText(button, QStringLiteral("Log In"), 0, 0);
    const QRect centred = TextInk(button);
    ASSERT_TRUE(centred.isValid());
    EXPECT_LE(std::abs(centred.left() - (79 - 1 - centred.right())), 2);
    EXPECT_LE(std::abs(centred.top() - (23 - 1 - centred.bottom())), 4);

    button.SetDrawText(QStringLiteral("Log In"), 0, 6);
    const QRect fromTop = TextInk(button);
    EXPECT_EQ(fromTop.left(), centred.left());
    const int centredY = (23 - QFontMetrics(*button.pFont).height()) / 2;
    EXPECT_EQ(fromTop.top() - centred.top(), 6 - centredY);
}

TEST_F(ButtonTest, PressedTextMovesOnePixelRightAndDownExceptOnCheckBoxes)
{
    CStandardButton button(&parent);
    SkinText(button, QStringLiteral("Refresh"), 0, 6);
    const QRect normal = TextInk(button);
    button.setDown(true);
    EXPECT_EQ(TextInk(button), normal.translated(1, 1));

    CCheckBoxButton box(&parent);
    SkinText(box, QStringLiteral("Refresh"), 0, 6);
    const QRect boxNormal = TextInk(box);
    box.setDown(true);
    EXPECT_EQ(TextInk(box), boxNormal);
}

TEST_F(ButtonTest, KeyboardFocusShowsInTheTextColourAndSpaceOrEnterPress)
{
    CStandardButton button(&parent);
    Skin(button, 4);
    button.clrText = 0xFFF4F5F7;
    int clicks = 0;
    QObject::connect(&button, &QAbstractButton::clicked, [&clicks] { ++clicks; });
    // Pixels of the text colour on the bottom edge of the focus frame, 2 pixels inside.
    const auto focusInk = [&button] {
        const QImage shot = Grab(button);
        int ink = 0;
        for (int x = 2; x < 77; ++x)
            ink += PixelAt(shot, x, 20) == 0xFFF4F5F7 ? 1 : 0;
        return ink;
    };
    const auto press = [&button](int key) {
        for (auto type : {QEvent::KeyPress, QEvent::KeyRelease}) {
            QKeyEvent event(type, key, Qt::NoModifier);
            QCoreApplication::sendEvent(&button, &event);
        }
    };

    EXPECT_EQ(button.focusPolicy(), Qt::TabFocus); // a mouse click leaves the focus alone
    parent.show();
    parent.activateWindow();
    QCoreApplication::processEvents();
    button.setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(button.hasFocus());
    EXPECT_GT(focusInk(), 20);
    for (const int key : {Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter})
        press(key);
    EXPECT_EQ(clicks, 3);

    button.clearFocus();
    EXPECT_EQ(focusInk(), 0);
    button.setEnabled(false);
    press(Qt::Key_Return);
    EXPECT_EQ(clicks, 3);
}

} // namespace
