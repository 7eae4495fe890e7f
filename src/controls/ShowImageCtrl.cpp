#include "controls/ShowImageCtrl.h"

#include <QPainter>

CShowImageCtrl::CShowImageCtrl(QWidget* parent) : CBasicCtrl(parent) {}

void CShowImageCtrl::DrawControl(QPainter& painter)
{
    painter.setRenderHint(QPainter::Antialiasing, false);
    PaintBackground(parentWidget(), this, painter);
    DrawStateImage(painter);
}
