#pragma once

// The "render into an image, blit once" step that every skinned window paints through: the
// whole client area is drawn into one off-screen image, which then goes to the screen in a
// single call, so a half-drawn control is never seen. The image lives for one paint only:
// between paints the window's backing store holds the pixels, and a kept image would be a
// second copy of every control for the whole session.

#include "controls/BasicPropertyFrame.h"

#include <QImage>
#include <QPainter>
#include <QWidget>

class COffscreenBuffer
{
public:
    // Paints `target` (a widget or its viewport) by calling draw(QPainter&) on the off-screen
    // image of target's size and drawing the result in one call.
    template <typename Draw> void Paint(QWidget& target, Draw&& draw)
    {
        const qreal ratio = target.devicePixelRatioF();
        // Never larger than the screen: a layout may make a control far larger than that.
        const QSize pixels = OffscreenSize(target, target.size() * ratio);
        if (pixels.isEmpty())
            return;
        image = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(ratio);
        // Like a fresh compatible bitmap: black where no layer draws.
        image.fill(Qt::black);
        {
            QPainter painter(&image);
            draw(painter);
        }
        QPainter screen(&target);
        screen.setCompositionMode(QPainter::CompositionMode_Source);
        screen.drawImage(QPoint(0, 0), image);
        image = QImage();
    }

    // The image being painted; null outside a paint.
    const QImage& Image() const { return image; }

private:
    QImage image;
};
