#include "controls/ShowTextImageCtrl.h"

#include <QPainter>

CShowTextImageCtrl::CShowTextImageCtrl(QWidget* parent) : CBasicCtrl(parent) {}

void CShowTextImageCtrl::DrawControl(QPainter& painter)
{
    painter.setRenderHint(QPainter::Antialiasing, true);
    PaintBackground(parentWidget(), this, painter);
    DrawStateImage(painter);
    DrawWrappedText(painter);
}
