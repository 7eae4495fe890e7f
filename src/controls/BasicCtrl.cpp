#include "controls/BasicCtrl.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

namespace {

// Height of a layout rectangle that lets wrapped text run down as far as it needs.
constexpr int kUnbounded = 1 << 20;

int TextFlags(int wrapWidth)
{
    // A layout rectangle without width does not wrap.
    return Qt::AlignLeft | Qt::AlignTop | (wrapWidth > 0 ? Qt::TextWordWrap : 0);
}

int OffsetOrOne(int offset)
{
    return offset == -1 ? 1 : offset;
}

} // namespace

CBasicCtrl::CBasicCtrl(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(false);
}

void CBasicCtrl::DrawControl(QPainter& /*painter*/)
{
}

void CBasicCtrl::OnSizeChanged(int /*type*/, int cx, int cy)
{
    if (bTrackSize)
        OnParentSized(cx - rcLast.width(), cy - rcLast.height());
    rcLast = rect();
}

void CBasicCtrl::DrawStateImage(QPainter& painter)
{
    if (nStateWidth == 0 || nImageHeight == 0)
        MeasureImage();
    DrawStateSlice(painter, nStateIndex, QPoint(nImageX, nImageY));
}

void CBasicCtrl::DrawWrappedText(QPainter& painter)
{
    if (strText.isEmpty() || !pFont)
        return;
    const int x = OffsetOrOne(nTextX);
    const int y = OffsetOrOne(nTextY);
    const int wrapWidth = width() - 2 * x;
    painter.setFont(*pFont);
    painter.setPen(QColor::fromRgba(clrText));
    const QRect layout(x, y, wrapWidth > 0 ? wrapWidth : kUnbounded, kUnbounded);
    painter.drawText(layout, TextFlags(wrapWidth) | Qt::TextDontClip, strText);
}

QSize CBasicCtrl::MeasureWrappedText(int x, int y, int width) const
{
    if (strText.isEmpty() || !pFont)
        return {0, 0};
    const QFontMetrics metrics(*pFont);
    const QRect layout(x, y, width > 0 ? width : kUnbounded, kUnbounded);
    return metrics.boundingRect(layout, TextFlags(width), strText).size();
}

void CBasicCtrl::BeginCaptionDrag(QPoint globalPos)
{
    drag.Begin(window(), globalPos);
}

void CBasicCtrl::paintEvent(QPaintEvent* /*event*/)
{
    buffer.Paint(*this, [this](QPainter& painter) { DrawControl(painter); });
}

void CBasicCtrl::mousePressEvent(QMouseEvent* event)
{
    QWidget* parent = parentWidget();
    if (event->button() == Qt::LeftButton && parent) {
        const QPoint inParent = mapTo(parent, event->position().toPoint());
        if (inParent.y() < kCaptionHeight)
            BeginCaptionDrag(event->globalPosition().toPoint());
    }
    // The press belongs to this control and does not travel on to the parent.
    event->accept();
}

void CBasicCtrl::mouseMoveEvent(QMouseEvent* event)
{
    if (!drag.Move(event->globalPosition().toPoint()))
        QWidget::mouseMoveEvent(event);
}

void CBasicCtrl::mouseReleaseEvent(QMouseEvent* event)
{
    drag.End();
    QWidget::mouseReleaseEvent(event);
}

void CBasicCtrl::leaveEvent(QEvent* event)
{
    bMouseIn = 0;
    update();
    QWidget::leaveEvent(event);
}

void CBasicCtrl::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    OnSizeChanged(0, width(), height());
}
