#include "layout/BasicPropertyFrame.h"
#include "layout/LayoutValueParser.h"

#include "controls/QtTestApp.h"

#include <gtest/gtest.h>

#include <QPainter>

namespace {

constexpr QRgb kMarker = 0xFF123456;  // what the paint target held before
constexpr QRgb kParent = 0xFF00FF00;
constexpr QRgb kBack = 0xFF0000FF;
constexpr QRgb kBorder = 0xFFFF0000;
constexpr QRgb kImage = 0xFFFFFF00;

class PropertyFrameTest : public QtWidgetTest
{
protected:
    void SetUp() override
    {
        parent.resize(100, 60);
        parent.setAutoFillBackground(true);
        QPalette colours;
        colours.setColor(QPalette::Window, QColor::fromRgba(kParent));
        parent.setPalette(colours);
        self = new QWidget(&parent);
        self->setGeometry(30, 20, 20, 10);
        frame.clrBack = kBack;
        frame.clrBorder = kBorder;
    }

    QImage Paint()
    {
        QImage target(self->size(), QImage::Format_ARGB32);
        target.fill(kMarker);
        QPainter painter(&target);
        frame.PaintBackground(&parent, self, painter);
        return target;
    }

    void UseImage(int width, int height, int states = 1)
    {
        frame.SetStateImage(WriteStrip(dir, "image.png", {kImage}, width, height), states, 0, 0);
    }

    QTemporaryDir dir;
    QWidget parent;
    QWidget* self = nullptr;
    CBasicPropertyFrame frame;
};

TEST_F(PropertyFrameTest, StartsWithTheDocumentedSkin)
{
    EXPECT_EQ(frame.nPaintMode, 0);
    EXPECT_EQ(CBasicPropertyFrame().clrBack, 0xFFFFFFFFu);
    EXPECT_EQ(CBasicPropertyFrame().clrBorder, 0xFFFFFFFFu);
    EXPECT_EQ(frame.clrText, 0xFF000000u);
    EXPECT_EQ(frame.nStateCount, 1);
    ASSERT_TRUE(frame.pFont.has_value());
    EXPECT_EQ(frame.pFont->pixelSize(), 12);
    EXPECT_TRUE(frame.pImage.isNull());
    EXPECT_TRUE(frame.dcBackground.isNull());
}

TEST_F(PropertyFrameTest, ModeZeroPaintsNothing)
{
    UseImage(5, 5);
    EXPECT_TRUE(AllPixels(Paint(), self->rect(), kMarker));
}

TEST_F(PropertyFrameTest, ModeThreeFillsThenDrawsTheBorderOnTheOuterPixels)
{
    frame.nPaintMode = kPaintBackColor | kPaintBorder;
    const QImage painted = Paint();
    EXPECT_TRUE(AllPixels(painted, QRect(0, 0, 20, 1), kBorder));
    EXPECT_TRUE(AllPixels(painted, QRect(0, 9, 20, 1), kBorder));
    EXPECT_TRUE(AllPixels(painted, QRect(0, 0, 1, 10), kBorder));
    EXPECT_TRUE(AllPixels(painted, QRect(19, 0, 1, 10), kBorder));
    EXPECT_TRUE(AllPixels(painted, QRect(1, 1, 18, 8), kBack));
}

TEST_F(PropertyFrameTest, ParentBackgroundComesFromTheParentsCapturedSurface)
{
    QImage surface(parent.size(), QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < surface.height(); ++y)
        for (int x = 0; x < surface.width(); ++x)
            surface.setPixel(x, y, qRgb(x, y, 7));
    frame.CaptureParentBackground(surface, self, &parent);
    frame.nPaintMode = kPaintParentBackground;
    const QImage painted = Paint();
    EXPECT_EQ(PixelAt(painted, 0, 0), qRgb(30, 20, 7));
    EXPECT_EQ(PixelAt(painted, 19, 9), qRgb(49, 29, 7));
}

TEST_F(PropertyFrameTest, ParentBackgroundWithoutCaptureRendersTheParentForThisPaintOnly)
{
    frame.nPaintMode = kPaintParentBackground;
    EXPECT_TRUE(AllPixels(Paint(), self->rect(), kParent));
    EXPECT_TRUE(frame.dcBackground.isNull());
}

TEST_F(PropertyFrameTest, ParentBackgroundIsSkippedWithoutWindows)
{
    frame.nPaintMode = kPaintParentBackground;
    QImage target(self->size(), QImage::Format_ARGB32);
    target.fill(kMarker);
    QPainter painter(&target);
    frame.PaintBackground(nullptr, self, painter);
    painter.end();
    EXPECT_TRUE(AllPixels(target, self->rect(), kMarker));
}

TEST_F(PropertyFrameTest, ModeEightDrawsTheWholeImageAtNaturalSizeIgnoringOffsetAndStates)
{
    frame.SetStateImage(WriteStrip(dir, "two.png", {kImage, kBack}, 3, 4), 2, 5, 5);
    frame.nPaintMode = kPaintImage;
    const QImage painted = Paint();
    EXPECT_TRUE(AllPixels(painted, QRect(0, 0, 3, 4), kImage));
    EXPECT_TRUE(AllPixels(painted, QRect(3, 0, 3, 4), kBack));
    EXPECT_TRUE(AllPixels(painted, QRect(6, 0, 14, 10), kMarker));
    EXPECT_TRUE(AllPixels(painted, QRect(0, 4, 6, 6), kMarker));
}

TEST_F(PropertyFrameTest, ModeTwelveDrawsTheImageOverTheParentBackground)
{
    UseImage(4, 4);
    frame.nPaintMode = kPaintParentBackground | kPaintImage;
    const QImage painted = Paint();
    EXPECT_TRUE(AllPixels(painted, QRect(0, 0, 4, 4), kImage));
    EXPECT_TRUE(AllPixels(painted, QRect(4, 0, 16, 10), kParent));
}

TEST_F(PropertyFrameTest, AllLayersStackParentFillBorderImage)
{
    UseImage(4, 4);
    frame.nPaintMode = 15;
    const QImage painted = Paint();
    EXPECT_EQ(PixelAt(painted, 0, 0), kImage);  // image over border
    EXPECT_EQ(PixelAt(painted, 19, 9), kBorder);  // border over fill
    EXPECT_EQ(PixelAt(painted, 10, 5), kBack);    // fill over parent
}

TEST_F(PropertyFrameTest, StateImageIsCutIntoEqualStrips)
{
    frame.SetStateImage(WriteStrip(dir, "wide.png", {kImage}, 176, 11), 4, 2, 3);
    EXPECT_EQ(frame.nImageWidth, 176);
    EXPECT_EQ(frame.nImageHeight, 11);
    EXPECT_EQ(frame.nStateWidth, 44);
    EXPECT_EQ(frame.nImageX, 2);
    EXPECT_EQ(frame.nImageY, 3);

    frame.SetStateImage(dir.filePath("wide.png"), 0, 0, 0);
    EXPECT_EQ(frame.nStateCount, 1);
    EXPECT_EQ(frame.nStateWidth, 176);
}

TEST_F(PropertyFrameTest, StateImagePathsMayUseBackslashes)
{
    WriteStrip(dir, "slash.png", {kImage}, 8, 2);
    std::wstring path = (dir.path() + "\\slash.png").toStdWString();
    frame.SetStateImage(std::wstring_view(path), 2, 0, 0);
    EXPECT_EQ(frame.nStateWidth, 4);
}

TEST_F(PropertyFrameTest, UnreadableImageLeavesZeroSizes)
{
    UseImage(8, 8);
    frame.SetStateImage(dir.filePath("missing.png"), 4, 0, 0);
    EXPECT_TRUE(frame.pImage.isNull());
    EXPECT_EQ(frame.nImageWidth, 0);
    EXPECT_EQ(frame.nStateWidth, 0);
    frame.nPaintMode = kPaintImage;
    EXPECT_TRUE(AllPixels(Paint(), self->rect(), kMarker));
}

TEST_F(PropertyFrameTest, LayoutColoursBecomeOpaqueArgb)
{
    COLORREF color = 0;
    ParseColor(L"6,65,105", color);
    frame.SetBackColor(color);
    EXPECT_EQ(frame.clrBack, 0xFF064169u);
    frame.SetForeColor(color);
    EXPECT_EQ(frame.clrText, 0xFF064169u);
}

TEST_F(PropertyFrameTest, MoveByAnchorMovesAndStretchesPerAxis)
{
    frame.MoveByAnchor(self, 10, 20, 2, 3);
    EXPECT_EQ(self->geometry(), QRect(40, 20, 20, 30));
    frame.MoveByAnchor(self, 5, 5, 3, 1);
    EXPECT_EQ(self->geometry(), QRect(40, 20, 25, 30));
    frame.MoveByAnchor(self, 5, 5, 1, 2);
    EXPECT_EQ(self->geometry(), QRect(40, 25, 25, 30));
}

TEST_F(PropertyFrameTest, MoveByAnchorWithAnUnknownModeLeavesBothAxes)
{
    frame.MoveByAnchor(self, 10, 20, 2, 0);
    EXPECT_EQ(self->geometry(), QRect(30, 20, 20, 10));
    frame.MoveByAnchor(self, 10, 20, 4, 2);
    EXPECT_EQ(self->geometry(), QRect(30, 20, 20, 10));
    frame.MoveByAnchor(nullptr, 1, 1, 2, 2);  // no window: nothing happens
}

TEST_F(PropertyFrameTest, FontNeedsAPositiveSize)
{
    frame.SetDrawFont(QStringLiteral("Tahoma"), 21);
    ASSERT_TRUE(frame.pFont.has_value());
    EXPECT_EQ(frame.pFont->pixelSize(), 21);
    frame.SetDrawFont(QStringLiteral("Tahoma"), 0);
    EXPECT_FALSE(frame.pFont.has_value());
}

TEST_F(PropertyFrameTest, ToolTipIsShownByItsWindow)
{
    frame.CreateToolTip(self, std::wstring_view(L"Close"));
    EXPECT_EQ(self->toolTip(), QStringLiteral("Close"));
    EXPECT_EQ(frame.hToolTip, self);
}

} // namespace
