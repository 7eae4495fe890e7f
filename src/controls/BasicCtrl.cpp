#include "controls/BasicCtrl.h"

#include <QMouseEvent>
#include <QPainter>

namespace {

int OffsetOrOne(int offset)
{
    return offset == -1 ? 1 : offset;
}

} // namespace

CBasicCtrl::CBasicCtrl(QWidget* parent)
    : QWidget(parent), drag(
                           this,
                           [this](QPoint at) {
                               const QWidget* dialog = parentWidget();
                               return dialog && mapTo(dialog, at).y() < kCaptionHeight;
                           },
                           [this](QPoint pressAt) { BeginCaptionDrag(pressAt); })
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(false);
}

void CBasicCtrl::DrawControl(QPainter& /*painter*/) {}

void CBasicCtrl::OnSizeChanged(int /*type*/, int /*cx*/, int /*cy*/)
{
    TrackSizeChange(rect());
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
    painter.setFont(*pFont);
    painter.setPen(QColor::fromRgba(clrText));
    painter.drawStaticText(QPoint(x, y), textLayout.Layout(strText, *pFont, width() - 2 * x));
}

QSize CBasicCtrl::MeasureWrappedText(int width)
{
    if (strText.isEmpty() || !pFont)
        return {0, 0};
    return textLayout.Size(strText, *pFont, width);
}

void CBasicCtrl::BeginCaptionDrag(QPoint globalPos)
{
    drag.StartMove(window(), globalPos);
}

void CBasicCtrl::paintEvent(QPaintEvent* /*event*/)
{
    buffer.Paint(*this, [this](QPainter& painter) { DrawControl(painter); });
}

void CBasicCtrl::mousePressEvent(QMouseEvent* event)
{
    // The press belongs to this control and does not travel on to the parent.
    event->accept();
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
