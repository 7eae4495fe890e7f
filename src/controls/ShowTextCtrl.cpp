#include "controls/ShowTextCtrl.h"

namespace {
constexpr int kTextBoxWrapWidth = 250;
}

CShowTextCtrl::CShowTextCtrl(QWidget* parent) : CBasicCtrl(parent) {}

void CShowTextCtrl::DrawControl(QPainter& painter)
{
    PaintBackground(parentWidget(), this, painter);
    DrawWrappedText(painter);
}

QSize CShowTextCtrl::MeasureTextBox()
{
    const QSize text = MeasureWrappedText(kTextBoxWrapWidth - 2 * nTextX);
    return {2 * nTextX + text.width() + 1, nTextY + text.height()};
}
