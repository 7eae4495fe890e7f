#include "frame/BasicNoneBorderDlg.h"

#include "controls/QtTestApp.h"

#include <QFile>
#include <QMouseEvent>

#include <gtest/gtest.h>

namespace {

// Records where moves would start instead of moving, and what size tracking reports.
class RecordingDialog : public CBasicNoneBorderDlg
{
public:
    RecordingDialog() : CBasicNoneBorderDlg([] { return std::wstring(); }) {}

    std::vector<QPoint> moves;

protected:
    void BeginCaptionDrag(QPoint globalPos) override { moves.push_back(globalPos); }
};

class TrackingDialog : public CBasicDialog
{
public:
    TrackingDialog() : CBasicDialog([] { return std::wstring(); }) {}
    void OnParentSized(int dx, int dy) override { changes.emplace_back(dx, dy); }
    std::vector<std::pair<int, int>> changes;
};

class DialogTest : public QtWidgetTest
{
protected:
    QString WriteLayout(const QString& standard)
    {
        const QString path = dir.filePath(QStringLiteral("layout.xml"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QStringLiteral("<WindowInformation><DialogInfo DialogID=\"201\" DialogText=\"Skinned\">"
                                  "<Standard %1/></DialogInfo></WindowInformation>")
                       .arg(standard)
                       .toUtf8());
        return path;
    }

    // A bitmap of the given size, white, with key-coloured pixels at the given points.
    QString WriteShape(QSize size, const std::vector<QPoint>& keyed)
    {
        QImage bitmap(size, QImage::Format_RGB888);
        bitmap.fill(Qt::white);
        for (const QPoint& at : keyed)
            bitmap.setPixel(at, kShapeKeyColor);
        const QString path = dir.filePath(QStringLiteral("shape.bmp"));
        bitmap.save(path, "BMP");
        return path;
    }

    QTemporaryDir dir;
};

TEST_F(DialogTest, LayoutGivesTheWindowItsAttributesSizeAndTitle)
{
    RecordingDialog dialog;
    dialog.move(40, 30);
    const QString layout = WriteLayout(QStringLiteral(
        "DialogBGColor=\"10,20,30\" DlgPaintMode=\"2\" DialogPos=\"0,0,200,120\" DlgTextColor=\"1,2,3\" "
        "DialogFont=\"Tahoma\" DialogFontSize=\"12\" DlgTextOffSet=\"4,5\""));
    dialog.LoadLayoutFile(layout.toStdWString(), 201, L"Standard");

    EXPECT_EQ(dialog.geometry(), QRect(40, 30, 200, 120));
    EXPECT_EQ(dialog.dlgLayoutInfo.DialogPos, (LayoutRect{40, 30, 240, 150}));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Skinned"));
    EXPECT_EQ(dialog.clrBack, qRgb(10, 20, 30));
    EXPECT_EQ(dialog.clrText, qRgb(1, 2, 3));
    EXPECT_EQ(dialog.nPaintMode, 2);
    EXPECT_EQ(dialog.strText, QStringLiteral("Skinned"));
    EXPECT_EQ(dialog.nTextY, 5);
    EXPECT_TRUE(dialog.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(dialog.bTrackSize, 0); // only LoadLayout turns size tracking on

    // The dialog paints its background colour over the whole client area.
    EXPECT_TRUE(AllPixels(Grab(dialog), QRect(0, 0, 200, 120), qRgb(10, 20, 30)));
}

TEST_F(DialogTest, SizeTrackingReportsTheChangeOfSize)
{
    TrackingDialog dialog;
    dialog.LoadLayout(L"/none.xml", 201, L"Standard");
    EXPECT_EQ(dialog.bTrackSize, 1);
    dialog.resize(100, 80);
    dialog.show();
    dialog.changes.clear();
    dialog.resize(130, 70);
    QCoreApplication::processEvents();
    ASSERT_FALSE(dialog.changes.empty());
    EXPECT_EQ(dialog.changes.back(), std::make_pair(30, -10));
}

TEST_F(DialogTest, DragFromTheTopStripOfTwentyEightPixelsMovesTheWindow)
{
    for (const CaptionGesture& gesture : CaptionGestures(27)) {
        RecordingDialog dialog;
        dialog.resize(100, 100);
        PerformGesture(dialog, gesture);
        ASSERT_EQ(dialog.moves.size(), gesture.starts) << gesture.name;
        if (gesture.starts) {
            EXPECT_EQ(dialog.moves[0], dialog.mapToGlobal(gesture.at)) << gesture.name;
        }
    }
}

TEST_F(DialogTest, ShapeCutsKeyColouredRunsOfTheTopRowsOnly)
{
    QImage bitmap(20, 40, QImage::Format_RGB32);
    bitmap.fill(Qt::white);
    for (int x = 0; x < 3; ++x)
        bitmap.setPixel(x, 0, kShapeKeyColor); // a run at the left edge
    bitmap.setPixel(19, 0, kShapeKeyColor);    // a run that ends at the right edge
    bitmap.setPixel(5, 34, kShapeKeyColor);    // the last row looked at
    bitmap.setPixel(6, 35, kShapeKeyColor);    // the first row not looked at
    bitmap.setPixel(7, 10, qRgb(210, 10, 11)); // near the key colour is not the key colour

    const QRegion shape = ShapeFromKeyColor(bitmap, QRect(0, 0, 20, 40));
    EXPECT_FALSE(shape.contains(QPoint(0, 0)));
    EXPECT_FALSE(shape.contains(QPoint(2, 0)));
    EXPECT_TRUE(shape.contains(QPoint(3, 0)));
    EXPECT_FALSE(shape.contains(QPoint(19, 0)));
    EXPECT_FALSE(shape.contains(QPoint(5, 34)));
    EXPECT_TRUE(shape.contains(QPoint(6, 35)));
    EXPECT_TRUE(shape.contains(QPoint(7, 10)));

    EXPECT_EQ(ShapeFromKeyColor(QImage(), QRect(0, 0, 20, 40)), QRegion(0, 0, 20, 40));
}

TEST_F(DialogTest, WindowShapeIsRebuiltOnEveryResize)
{
    RecordingDialog dialog;
    dialog.SetShapeBitmap(WriteShape(QSize(60, 40), {{0, 0}, {59, 0}}));
    dialog.resize(60, 40);
    dialog.show();
    QCoreApplication::processEvents();
    EXPECT_FALSE(dialog.mask().contains(QPoint(0, 0)));
    EXPECT_FALSE(dialog.mask().contains(QPoint(59, 0)));
    EXPECT_TRUE(dialog.mask().contains(QPoint(30, 0)));

    dialog.resize(80, 50);
    QCoreApplication::processEvents();
    EXPECT_TRUE(dialog.mask().contains(QPoint(79, 49))); // the new size, not the old one
    EXPECT_FALSE(dialog.mask().contains(QPoint(0, 0)));

    // A bitmap that cannot be read cuts nothing.
    dialog.SetShapeBitmap(dir.filePath(QStringLiteral("missing.bmp")));
    dialog.resize(90, 50);
    QCoreApplication::processEvents();
    EXPECT_TRUE(dialog.mask().isEmpty());
}

} // namespace
