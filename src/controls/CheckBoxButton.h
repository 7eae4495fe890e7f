#pragma once

// A skinned button that a click checks and unchecks. The state flips before the parent hears
// of the click (clicked()), so GetCheck() already gives the new state there.

#include "controls/BasicButton.h"

class CCheckBoxButton : public CBasicButton
{
    Q_OBJECT

public:
    explicit CCheckBoxButton(QWidget* parent = nullptr);

    // The text does not move while the box is pressed.
    void DrawButtonText(QPainter& painter) override;

protected:
    StateImage ChooseStateImage() const override;
    void OnClicked() override;
};
