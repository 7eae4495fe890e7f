#pragma once

// One state image of the skin at its natural size (the main window's logo).

#include "controls/BasicCtrl.h"

class CShowImageCtrl : public CBasicCtrl
{
    Q_OBJECT

public:
    explicit CShowImageCtrl(QWidget* parent = nullptr);

    void DrawControl(QPainter& painter) override;
};
