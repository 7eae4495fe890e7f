#pragma once

// Keyboard focus on a skinned control: a dotted one-pixel frame in one of the control's own
// skin colours. The desktop style's focus rectangle would bring the theme's colours onto the
// skin, and a skinned control has no other sign of focus.

#include <QPainter>
#include <QPen>
#include <QRect>
#include <QRgb>

inline void DrawFocusFrame(QPainter& painter, const QRect& area, QRgb colour)
{
    if (area.width() < 2 || area.height() < 2)
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(QColor::fromRgba(colour), 1, Qt::DotLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(area.adjusted(0, 0, -1, -1));
    painter.restore();
}
