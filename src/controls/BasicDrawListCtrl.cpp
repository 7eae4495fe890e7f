#include "controls/BasicDrawListCtrl.h"

#include <QPainter>

namespace {
constexpr QRgb kOpaqueWhite = 0xFFFFFFFF;
}

CBasicDrawListCtrl::CBasicDrawListCtrl(QWidget* parent) : CBasicListCtrl(parent)
{
    // Nothing is erased before a paint: every paint covers the whole client area.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAutoFillBackground(false);
}

void CBasicDrawListCtrl::DrawList(QPainter& painter)
{
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.fillRect(ClientRect(), QColor::fromRgba(kOpaqueWhite));
    DrawItems(painter);
}

void CBasicDrawListCtrl::DrawItems(QPainter& /*painter*/) {}

void CBasicDrawListCtrl::OnSizeChanged(int /*type*/, int /*cx*/, int /*cy*/)
{
    rcLast = ClientRect();
}

QRect CBasicDrawListCtrl::ClientRect() const
{
    return viewport()->rect();
}

void CBasicDrawListCtrl::paintEvent(QPaintEvent* /*event*/)
{
    buffer.Paint(*viewport(), [this](QPainter& painter) { DrawList(painter); });
}

void CBasicDrawListCtrl::resizeEvent(QResizeEvent* event)
{
    CBasicListCtrl::resizeEvent(event);
    // The view and its viewport both report their resizes here; the client is the viewport.
    const QSize client = viewport()->size();
    if (client == lastClientSize)
        return;
    lastClientSize = client;
    OnSizeChanged(0, client.width(), client.height());
}
