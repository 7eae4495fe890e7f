#pragma once

// The plain push button of the layouts, and the same button with a tooltip (the control
// factory gives it one from the control's description).

#include "controls/BasicButton.h"

class CStandardButton : public CBasicButton
{
    Q_OBJECT

public:
    explicit CStandardButton(QWidget* parent = nullptr) : CBasicButton(parent) {}
};

class CDriftButton : public CStandardButton
{
    Q_OBJECT

public:
    explicit CDriftButton(QWidget* parent = nullptr) : CStandardButton(parent) {}
};
