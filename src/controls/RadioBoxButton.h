#pragma once

// A skinned button that a click checks while it unchecks the rest of its group. Its group is
// every other skinned button (push, check box or radio) with the same parent: the layouts
// have no group boundaries, so the whole parent is one group.

#include "controls/BasicButton.h"

// The notification number a radio button's parent receives when it is selected.
inline constexpr int WM_RADIO_SELECTED = 2125;

class CRadioBoxButton : public CBasicButton
{
    Q_OBJECT

public:
    explicit CRadioBoxButton(QWidget* parent = nullptr);

signals:
    // After every click, once the group is updated; not sent for control identifier 0.
    void radioSelected(int ctrlId);

protected:
    void OnClicked() override;

private:
    void UncheckGroup();
};
