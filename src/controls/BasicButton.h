#pragma once

// Base of the skinned buttons: a push button painted entirely from its skin. The state
// image is chosen from the button's state (normal, mouse over, pressed, disabled, checked)
// and a text line is drawn over it.

#include "controls/BasicPropertyFrame.h"
#include "controls/OffscreenBuffer.h"
#include "controls/TextLayoutCache.h"

#include <QAbstractButton>

// Check states, numbered as the system buttons number them.
enum ButtonCheckState : int
{
    ButtonUnchecked = 0,
    ButtonChecked = 1,
    ButtonIndeterminate = 2,
};

class CBasicButton : public QAbstractButton, public CBasicPropertyFrame
{
    Q_OBJECT

public:
    explicit CBasicButton(QWidget* parent = nullptr);

    // Indeterminate shows as checked. Repaints.
    void SetCheck(int state);
    int GetCheck() const { return bChecked; }

    // Paints the whole button into the off-screen painter of client size.
    virtual void DrawButton(QPainter& painter);
    virtual void DrawButtonText(QPainter& painter);

    int bMouseIn = 0;
    int bChecked = 0;

protected:
    // Which state image to draw and where; index -1 draws none.
    struct StateImage
    {
        int index = -1;
        QPoint at;
    };
    virtual StateImage ChooseStateImage() const;

    // Runs on every click before the parent hears of it (released, then clicked).
    virtual void OnClicked();

    // The text centred on each axis whose offset is 0, one pixel right and down when shifted.
    void DrawTextLine(QPainter& painter, bool shiftPressed);

    bool IsPressed() const { return isDown(); }
    bool IsDisabled() const { return !isEnabled(); }

    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void nextCheckState() override;

private:
    COffscreenBuffer buffer;
    CTextLayoutCache textLayout;
};
