#pragma once

// A wrapped text over the skin's background layers (the main window's title; the task
// list's hover box).

#include "controls/BasicCtrl.h"

class CShowTextCtrl : public CBasicCtrl
{
    Q_OBJECT

public:
    explicit CShowTextCtrl(QWidget* parent = nullptr);

    void DrawControl(QPainter& painter) override;

    // The box that shows strText wrapped at 250 pixels less the left offset on both sides:
    // 2 * nTextX + text width + 1 wide, nTextY + text height high.
    QSize MeasureTextBox();
};
