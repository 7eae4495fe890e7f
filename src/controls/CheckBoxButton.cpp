#include "controls/CheckBoxButton.h"

CCheckBoxButton::CCheckBoxButton(QWidget* parent) : CBasicButton(parent) {}

void CCheckBoxButton::DrawButtonText(QPainter& painter)
{
    DrawTextLine(painter, false);
}

CBasicButton::StateImage CCheckBoxButton::ChooseStateImage() const
{
    const QPoint offset(nImageX, nImageY);
    if (nStateCount == 2)
        return {bChecked ? 1 : 0, offset};
    if (nStateCount != 8)
        return {};
    // Eight states: unchecked normal, hover, pressed, disabled, then the same checked.
    const int base = bChecked ? 4 : 0;
    if (IsDisabled())
        return {base + 3, QPoint(0, 0)};
    if (IsPressed())
        return {base + 2, offset};
    if (bMouseIn)
        return {base + 1, offset};
    return {base, offset};
}

void CCheckBoxButton::OnClicked()
{
    bChecked = bChecked ? 0 : 1;
    update();
}
