#include "controls/CaptionDrag.h"

#include <QWidget>
#include <QWindow>

void CCaptionDrag::Begin(QWidget* window, QPoint pressAt)
{
    End();
    if (!window)
        return;
    if (QWindow* handle = window->windowHandle(); handle && handle->startSystemMove())
        return;
    pWindow = window;
    ptPress = pressAt;
    ptWindowStart = window->pos();
}

bool CCaptionDrag::Move(QPoint mouseAt)
{
    if (pWindow.isNull())
        return false;
    pWindow->move(ptWindowStart + (mouseAt - ptPress));
    return true;
}

void CCaptionDrag::End()
{
    pWindow.clear();
}
