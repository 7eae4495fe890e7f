#include "controls/RadioBoxButton.h"

#include "controls/ControlId.h"

CRadioBoxButton::CRadioBoxButton(QWidget* parent) : CBasicButton(parent) {}

void CRadioBoxButton::OnClicked()
{
    bChecked = 1;
    update();
    UncheckGroup();
    if (const int id = GetDlgCtrlID(*this); id != 0)
        emit radioSelected(id);
}

void CRadioBoxButton::UncheckGroup()
{
    QWidget* parent = parentWidget();
    if (!parent)
        return;
    for (auto* button : parent->findChildren<CBasicButton*>(Qt::FindDirectChildrenOnly)) {
        if (button != this)
            button->SetCheck(ButtonUnchecked);
    }
}
