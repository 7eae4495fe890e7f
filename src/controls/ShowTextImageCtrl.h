#pragma once

// A state image with a wrapped text over it (the list caption and the search hint line).

#include "controls/BasicCtrl.h"

class CShowTextImageCtrl : public CBasicCtrl
{
    Q_OBJECT

public:
    explicit CShowTextImageCtrl(QWidget* parent = nullptr);

    void DrawControl(QPainter& painter) override;
};
