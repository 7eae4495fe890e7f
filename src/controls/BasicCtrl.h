#pragma once

// Base of the skinned display controls: a plain window joined to its skin. It paints through
// one off-screen image, erases nothing, lets a press in the parent's top strip move the
// window, and reports size changes to its skin when size tracking is on.

#include "controls/BasicPropertyFrame.h"
#include "controls/CaptionDrag.h"
#include "controls/OffscreenBuffer.h"
#include "controls/TextLayoutCache.h"

#include <QSize>
#include <QWidget>

class CBasicCtrl : public QWidget, public CBasicPropertyFrame
{
    Q_OBJECT

public:
    explicit CBasicCtrl(QWidget* parent = nullptr);

    // Paints the whole control into the off-screen painter of client size; nothing here.
    virtual void DrawControl(QPainter& painter);
    // After every size change: reports the change against rcLast when bTrackSize is set,
    // then remembers the new client rectangle.
    virtual void OnSizeChanged(int type, int cx, int cy);

    int bMouseIn = 0;

protected:
    // The state image nStateIndex at its natural size at (nImageX, nImageY).
    void DrawStateImage(QPainter& painter);
    // strText from (nTextX, nTextY), an offset of -1 counting as 1, word-wrapped at the
    // client width less that offset on both sides, running down as far as it needs.
    void DrawWrappedText(QPainter& painter);
    // The size of strText laid out as DrawWrappedText does, wrapped at `width`.
    QSize MeasureWrappedText(int width);

    // Where a drag from the parent's top strip starts the window move, with the press's
    // global point; a seam for tests.
    virtual void BeginCaptionDrag(QPoint globalPos);

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    COffscreenBuffer buffer;
    CCaptionDrag drag; // watches this control's mouse events
    CTextLayoutCache textLayout;
};
