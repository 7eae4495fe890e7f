#include "controls/StandardHeaderCtrl.h"

#include <QPainter>

namespace {
// The picture's right and bottom edges that never show.
constexpr int kHiddenRight = 50;
constexpr int kHiddenBottom = 5;
constexpr int kSeparatorDy = 4;
} // namespace

CStandardHeaderCtrl::CStandardHeaderCtrl(Qt::Orientation orientation, QWidget* parent)
    : CBasicHeaderCtrl(orientation, parent)
{
}

void CStandardHeaderCtrl::SetSeparatorImage(const QString& path)
{
    pSeparator = LoadSkinImage(path);
    nSeparatorWidth = pSeparator.width();
    nSeparatorHeight = pSeparator.height();
    viewport()->update();
}

void CStandardHeaderCtrl::SetSeparatorImage(std::wstring_view path)
{
    SetSeparatorImage(SkinFilePath(path));
}

void CStandardHeaderCtrl::DrawHeaderItems(QPainter& painter)
{
    DrawBackgroundPicture(painter);
    DrawSeparatorsAndTitles(painter, pSeparator, nScrollX, kSeparatorDy);
}

void CStandardHeaderCtrl::DrawBackgroundPicture(QPainter& painter)
{
    if (nImageWidth == 0 || nImageHeight == 0)
        MeasureImage();
    const QRect source(0, 0, nImageWidth - kHiddenRight, nImageHeight - kHiddenBottom);
    if (pImage.isNull() || source.isEmpty())
        return;
    const QSize size = viewport()->size();
    if (scaledBackground.size() != size || nScaledFrom != pImage.cacheKey()) {
        scaledBackground = pImage.copy(source).scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        nScaledFrom = pImage.cacheKey();
    }
    painter.drawImage(QPoint(0, 0), scaledBackground);
}

void CStandardHeaderCtrl::enterEvent(QEnterEvent* event)
{
    bMouseIn = 1;
    CBasicHeaderCtrl::enterEvent(event);
}

void CStandardHeaderCtrl::leaveEvent(QEvent* event)
{
    bMouseIn = 0;
    viewport()->update();
    CBasicHeaderCtrl::leaveEvent(event);
}
