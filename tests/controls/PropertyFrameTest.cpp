#include "controls/BasicPropertyFrame.h"
#include "controls/SkinImagePrefetch.h"
#include "layout/LayoutValueParser.h"

#include "controls/QtTestApp.h"

#include <gtest/gtest.h>

#include <QPainter>

namespace {

constexpr QRgb kMarker = 0xFF123456; // what the paint target held before
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

TEST_F(PropertyFrameTest, LayersStackParentFillBorderImage)
{
    UseImage(4, 4);
    frame.nPaintMode = kPaintParentBackground | kPaintImage;
    QImage painted = Paint();
    EXPECT_TRUE(AllPixels(painted, QRect(0, 0, 4, 4), kImage));
    EXPECT_TRUE(AllPixels(painted, QRect(4, 0, 16, 10), kParent));

    frame.nPaintMode = 15;
    painted = Paint();
    EXPECT_EQ(PixelAt(painted, 0, 0), kImage);   // image over border
    EXPECT_EQ(PixelAt(painted, 19, 9), kBorder); // border over fill
    EXPECT_EQ(PixelAt(painted, 10, 5), kBack);   // fill over parent
}

TEST_F(PropertyFrameTest, StateImageIsCutIntoEqualStrips)
{
    frame.SetStateImage(WriteStrip(dir, "wide.png", {kImage}, 176, 11), 4, 2, 3);
    EXPECT_EQ(frame.nImageWidth, 176);
    EXPECT_EQ(frame.nImageHeight, 11);
    EXPECT_EQ(frame.nStateWidth, 44);
    EXPECT_EQ(frame.nImageX, 2);
    EXPECT_EQ(frame.nImageY, 3);

    // Layout paths keep their backslashes until the file is opened.
    const std::wstring path = (dir.path() + "\\wide.png").toStdWString();
    frame.SetStateImage(std::wstring_view(path), 0, 0, 0);
    EXPECT_EQ(frame.nStateCount, 1);
    EXPECT_EQ(frame.nStateWidth, 176);
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
    frame.nPaintMode = 0;
    UseImage(8, 8);
    EXPECT_TRUE(AllPixels(Paint(), self->rect(), kMarker)); // mode 0 paints nothing
}

TEST_F(PropertyFrameTest, LayoutColoursBecomeOpaqueArgb)
{
    LayoutColor color = 0;
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
    frame.MoveByAnchor(self, 10, 20, 2, 0); // an unknown mode leaves both axes
    EXPECT_EQ(self->geometry(), QRect(40, 25, 25, 30));
}

// A prefetched picture is shared by every control that asks for it, but never outlives a change
// of its file or the end of start-up.
TEST_F(PropertyFrameTest, PrefetchedPicturesAreSharedUntilTheirFileChangesOrStartUpEnds)
{
    const QString kept = WriteStrip(dir, "kept.png", {kImage}, 4, 4);
    const QString changed = WriteStrip(dir, "changed.png", {kBack}, 4, 4);
    const QString copy = WriteStrip(dir, "copy.png", {kBorder}, 4, 4);
    const QString absent = dir.filePath(QStringLiteral("absent.png"));
    CSkinImagePrefetch prefetch({{kept, kept}, {changed, changed}, {copy, kept}, {absent, kept}});
    // Until the files are confirmed to hold their origins, each is read for itself.
    EXPECT_EQ(LoadSkinImage(copy).pixel(0, 0), kBorder);
    prefetch.ConfirmFiles();
    EXPECT_EQ(LoadSkinImage(copy).pixel(0, 0), kImage); // decoded from its origin
    EXPECT_TRUE(LoadSkinImage(absent).isNull());
    EXPECT_EQ(LoadSkinImage(kept).cacheKey(), LoadSkinImage(kept).cacheKey());
    EXPECT_EQ(LoadSkinImage(changed).pixel(0, 0), kBack);

    WriteStrip(dir, "changed.png", {kBorder}, 5, 5); // another size: the file has changed
    const QImage redrawn = LoadSkinImage(changed);
    EXPECT_EQ(redrawn.size(), QSize(5, 5));
    EXPECT_EQ(redrawn.pixel(0, 0), kBorder);

    const qint64 shared = LoadSkinImage(kept).cacheKey();
    CSkinImagePrefetch::Release();
    EXPECT_NE(LoadSkinImage(kept).cacheKey(), shared);
    EXPECT_EQ(LoadSkinImage(kept).pixel(0, 0), kImage);
}

} // namespace
