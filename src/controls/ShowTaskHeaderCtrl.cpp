#include "controls/ShowTaskHeaderCtrl.h"

#include <QLinearGradient>
#include <QPainter>

namespace {
constexpr QRgb kGradientTop = 0xFFA9BED3;
constexpr QRgb kGradientBottom = 0xFFD9EAF6;
constexpr int kSeparatorDy = -1;
} // namespace

CShowTaskHeaderCtrl::CShowTaskHeaderCtrl(Qt::Orientation orientation, QWidget* parent)
    : CStandardHeaderCtrl(orientation, parent)
{
}

void CShowTaskHeaderCtrl::DrawHeaderItems(QPainter& painter)
{
    const QRect client = viewport()->rect();
    // From the top edge to the bottom edge, so the last pixel row has the bottom colour.
    QLinearGradient gradient(QPointF(0, client.top()), QPointF(0, client.top() + client.height()));
    gradient.setColorAt(0.0, QColor::fromRgba(kGradientTop));
    gradient.setColorAt(1.0, QColor::fromRgba(kGradientBottom));
    gradient.setSpread(QGradient::RepeatSpread);
    painter.fillRect(client, gradient);
    DrawSeparatorsAndTitles(painter, pSeparator, nScrollX, kSeparatorDy);
}
