#include "frame/BasicNoneBorderDlg.h"

#include <QImage>
#include <QRegion>

#include <algorithm>
#include <utility>

QRegion ShapeFromKeyColor(const QImage& bitmap, const QRect& client)
{
    QRegion shape(client);
    if (bitmap.isNull())
        return shape;
    const QImage pixels = bitmap.convertToFormat(QImage::Format_RGB32);
    const int width = pixels.width();
    const int rows = std::min(kShapeRows, pixels.height());
    for (int y = 0; y < rows; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(pixels.constScanLine(y));
        const auto isKey = [line](int x) { return (line[x] | 0xFF000000u) == kShapeKeyColor; };
        int x = 0;
        while (x < width) {
            while (x < width && !isKey(x))
                ++x;
            const int start = x;
            while (x < width && isKey(x))
                ++x;
            // Runs never overlap, so removing each one is the same as toggling it.
            if (x > start)
                shape -= QRegion(start, y, x - start, 1);
        }
    }
    return shape;
}

CBasicNoneBorderDlg::CBasicNoneBorderDlg(CLayoutLoader::DataRootProvider dataRoot)
    : CBasicDialog(std::move(dataRoot)), drag(
                                             this, [](QPoint at) { return at.y() < kCaptionHeight; },
                                             [this](QPoint pressAt) { BeginCaptionDrag(pressAt); })
{
}

void CBasicNoneBorderDlg::OnSizeChanged(int /*type*/, int /*cx*/, int /*cy*/)
{
    if (strShapeBitmap.isEmpty())
        return;
    const QImage bitmap = LoadSkinImage(strShapeBitmap);
    if (bitmap.isNull()) {
        SetOutline({}); // nothing to cut: the window keeps its whole client rectangle
        return;
    }
    SetOutline(ShapeFromKeyColor(bitmap, rect()));
}

void CBasicNoneBorderDlg::BeginCaptionDrag(QPoint globalPos)
{
    drag.StartMove(this, globalPos);
}
